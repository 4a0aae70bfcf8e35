#include "RowWindowModel.h"

#include "platform/ado/RuntimeError.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <limits>

namespace tw::preview {

namespace {

const QColor kNullColour(0x80, 0x80, 0x80);
const QColor kDamagedColour(0xFF, 0xD8, 0xD8);
const QColor kDeletedColour(0xE8, 0xE8, 0xE8);

} // namespace

RowWindowModel::RowWindowModel(QObject *parent) : QAbstractTableModel(parent) {}

RowWindowModel::~RowWindowModel() = default;

void RowWindowModel::setSource(std::unique_ptr<ado::RowSource> source)
{
    beginResetModel();
    m_source = std::move(source);
    m_pages.clear();
    m_rowsRead = 0;
    m_readError.clear();
    endResetModel();
}

int RowWindowModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_source)
        return 0;
    return static_cast<int>(std::min<qint64>(m_source->positions(), std::numeric_limits<int>::max()));
}

int RowWindowModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_source ? 0 : static_cast<int>(m_source->columns().size());
}

const RowWindowModel::Page *RowWindowModel::cachedPageOf(int row) const
{
    const qint64 first = row / kPageRows * qint64(kPageRows);
    for (const Page &page : m_pages)
        if (page.first == first)
            return &page;
    return nullptr;
}

const RowWindowModel::Page *RowWindowModel::pageOf(int row) const
{
    const qint64 first = row / kPageRows * qint64(kPageRows);
    for (auto it = m_pages.begin(); it != m_pages.end(); ++it) {
        if (it->first == first) {
            m_pages.splice(m_pages.begin(), m_pages, it);
            return &m_pages.front();
        }
    }
    Page page;
    page.first = first;
    const qint64 end = std::min<qint64>(first + kPageRows, m_source->positions());
    try {
        for (qint64 r = first; r < end; ++r) {
            page.rows.emplace_back();
            page.notes.emplace_back();
            m_source->read(r, page.rows.back(), page.notes.back());
            ++m_rowsRead;
        }
    } catch (const ado::RuntimeError &e) {
        // The rows from here on show empty; the window says why.
        if (m_readError.isEmpty())
            m_readError = e.description();
        page.rows.pop_back();
        page.notes.pop_back();
    }
    const int last = int(first + qint64(page.rows.size())) - 1;
    m_pages.push_front(std::move(page));
    if (m_pages.size() > kPagesKept)
        m_pages.pop_back();
    // The rows' marks in the header, once the view has done asking.
    if (last >= first)
        QMetaObject::invokeMethod(
            const_cast<RowWindowModel *>(this),
            [this, first = int(first), last] {
                if (last < rowCount())
                    emit const_cast<RowWindowModel *>(this)->headerDataChanged(Qt::Vertical, first, last);
            },
            Qt::QueuedConnection);
    return &m_pages.front();
}

QString RowWindowModel::shownText(const ado::Variant &value)
{
    using Kind = ado::Variant::Kind;
    switch (value.kind()) {
    case Kind::Null:
        return QStringLiteral("Null");
    case Kind::Empty:
        return {};
    case Kind::Bytes: {
        const QByteArray &bytes = value.asBytes();
        QString text = QStringLiteral("%1 bytes").arg(bytes.size());
        if (!bytes.isEmpty())
            text += QStringLiteral(": ") + QString::fromLatin1(bytes.left(kShownBytes).toHex(' ').toUpper());
        if (bytes.size() > kShownBytes)
            text += QStringLiteral(" …");
        return text;
    }
    default:
        return value.toText();
    }
}

QVariant RowWindowModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_source)
        return {};
    const Page *page = pageOf(index.row());
    const size_t at = size_t(index.row() - page->first);
    if (at >= page->rows.size())
        return role == Qt::ToolTipRole ? QVariant(m_readError) : QVariant();
    const ado::Variant &value = page->rows[at][size_t(index.column())];
    const ado::RowNotes &notes = page->notes[at];
    QString damage;
    for (const auto &[column, reason] : notes.damaged)
        if (column == index.column())
            damage = reason;
    switch (role) {
    case Qt::DisplayRole: {
        QString text = shownText(value);
        if (text.size() > kShownCharacters)
            text = text.left(kShownCharacters) + QStringLiteral("…");
        // One line per cell: line breaks show as a pilcrow.
        text.replace(QStringLiteral("\r\n"), QStringLiteral("¶")).replace(u'\n', u'¶').replace(u'\r', u'¶');
        return text;
    }
    case Qt::ToolTipRole:
        if (!damage.isEmpty())
            return damage;
        if (value.kind() == ado::Variant::Kind::Text && value.asText().size() > kShownCharacters / 4)
            return value.asText().left(kTooltipCharacters);
        return {};
    case Qt::FontRole:
        if (value.isNull()) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        return value.isNull() ? QVariant(QBrush(kNullColour)) : QVariant();
    case Qt::BackgroundRole:
        if (!damage.isEmpty())
            return QBrush(kDamagedColour);
        return notes.deleted ? QVariant(QBrush(kDeletedColour)) : QVariant();
    default:
        return {};
    }
}

QVariant RowWindowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!m_source)
        return {};
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && size_t(section) < m_source->columns().size())
            return m_source->columns()[size_t(section)].name;
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    // The header reads nothing itself (it asks for rows far from those shown
    // to size itself): a row's marks show once its page has been read.
    const Page *page = cachedPageOf(section);
    const size_t at = page ? size_t(section - page->first) : 0;
    const bool deleted = page && at < page->notes.size() && page->notes[at].deleted;
    const bool damaged = page && at < page->notes.size() && !page->notes[at].damaged.empty();
    if (role == Qt::ToolTipRole) {
        QStringList tips;
        if (deleted)
            tips << tr("Deleted: a copy leaves this row out.");
        if (damaged)
            tips << tr("Values of this row could not be read and are copied as Null.");
        return tips.isEmpty() ? QVariant() : QVariant(tips.join(u'\n'));
    }
    QString text = QString::number(section + 1);
    if (deleted)
        text += QStringLiteral(" ×");
    if (damaged)
        text += QStringLiteral(" !");
    return text;
}

} // namespace tw::preview
