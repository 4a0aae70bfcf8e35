#include "WindowPointer.h"

#include "platform/files/File.h"
#include "platform/files/FileSystem.h"

#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QWidget>

#include <algorithm>

namespace tw::gui {

namespace {
// ICONDIR (6 bytes) followed by 16-byte entries; in a cursor file the entry's
// planes and bit-count words hold the hot spot's x and y.
constexpr int kDirHeaderSize = 6;
constexpr int kDirEntrySize = 16;
constexpr int kTypeOffset = 2;
constexpr int kCountOffset = 4;
constexpr int kHotSpotXOffset = 4;
constexpr int kHotSpotYOffset = 6;
constexpr quint16 kTypeCursor = 2;
// More than any pointer's picture: the rest of a larger file is not read.
constexpr qint64 kLargestPointerFile = qint64(1) << 20;

quint16 u16At(const QByteArray &bytes, int offset)
{
    return quint16(quint8(bytes[offset]) | (quint8(bytes[offset + 1]) << 8));
}
} // namespace

std::optional<QPoint> cursorHotSpot(const QByteArray &file)
{
    if (file.size() < kDirHeaderSize + kDirEntrySize)
        return std::nullopt;
    if (u16At(file, 0) != 0 || u16At(file, kTypeOffset) != kTypeCursor || u16At(file, kCountOffset) == 0)
        return std::nullopt;
    const int entry = kDirHeaderSize;
    return QPoint(u16At(file, entry + kHotSpotXOffset), u16At(file, entry + kHotSpotYOffset));
}

bool WindowPointer::loadCustomPointer(const QString &path)
{
    QByteArray bytes;
    try {
        const files::File file(files::toNativePath(path), files::File::Mode::Read);
        bytes.resize(std::min<qint64>(file.size(), kLargestPointerFile));
        bytes.resize(file.readAt(0, bytes.data(), bytes.size()));
    } catch (const ado::RuntimeError &) {
        return false; // none, or not readable: the pointer stays as it is
    }
    QImage image;
    if (!image.loadFromData(bytes, "CUR") && !image.loadFromData(bytes, "ICO"))
        return false;
    const QPoint hot = cursorHotSpot(bytes).value_or(QPoint(-1, -1));
    m_custom = QCursor(QPixmap::fromImage(image), hot.x(), hot.y());
    apply();
    return true;
}

void WindowPointer::setMousePointer(int code)
{
    m_code = code;
    apply();
}

void WindowPointer::apply()
{
    QCursor cursor(Qt::ArrowCursor);
    bool own = true;
    switch (m_code) {
    case ui::PointerBusy:
        cursor = QCursor(Qt::WaitCursor);
        break;
    case ui::PointerCustom:
        if (m_custom)
            cursor = *m_custom;
        break;
    default:
        own = false;
        break;
    }
    if (own)
        m_window->setCursor(cursor);
    else
        m_window->unsetCursor();
    // A window pointer other than the default covers the text boxes too; with
    // the default each text box shows its own text pointer again.
    const auto edits = m_window->findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits) {
        if (own)
            edit->setCursor(cursor);
        else
            edit->setCursor(Qt::IBeamCursor);
    }
}

} // namespace tw::gui
