#include "FuzzFolder.h"

#include "platform/encoding/ByteCodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace tw::fuzz {

namespace {

constexpr size_t kLengthBytes = 4;

QString safeName(const QByteArray &raw)
{
    QString name;
    for (const char c : raw) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == '_' || c == '~' || c == '-';
        name += ok ? QChar(c) : QChar('_');
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("_") + name;
    return name;
}

} // namespace

std::vector<PackedFile> splitInput(const uint8_t *data, size_t size)
{
    std::vector<PackedFile> files;
    size_t at = 0;
    while (at < size && files.size() < size_t(kMaxFiles)) {
        const size_t nameLength = data[at++];
        if (nameLength > size - at)
            break;
        const QByteArray name(reinterpret_cast<const char *>(data + at), qsizetype(nameLength));
        at += nameLength;
        if (size - at < kLengthBytes)
            break;
        const size_t length = tw::encoding::getU32LE(data + at);
        at += kLengthBytes;
        const size_t take = std::min(length, size - at);
        PackedFile file{safeName(name), QByteArray(reinterpret_cast<const char *>(data + at), qsizetype(take))};
        at += take;
        // A later file of the same name replaces the earlier one.
        bool replaced = false;
        for (PackedFile &f : files)
            if (f.name == file.name) {
                f.data = file.data;
                replaced = true;
            }
        if (!replaced)
            files.push_back(std::move(file));
    }
    return files;
}

FuzzFolder::FuzzFolder()
{
    const QString base = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    m_path = QStringLiteral("%1/twfuzz-%2").arg(base).arg(QCoreApplication::applicationPid());
    QDir().mkpath(m_path);
}

FuzzFolder::~FuzzFolder()
{
    QDir(m_path).removeRecursively();
}

void FuzzFolder::clear()
{
    QDir dir(m_path);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(name);
}

QStringList FuzzFolder::unpack(const uint8_t *data, size_t size)
{
    clear();
    QStringList names;
    for (const PackedFile &f : splitInput(data, size)) {
        QFile out(m_path + '/' + f.name);
        if (out.open(QIODevice::WriteOnly)) {
            out.write(f.data);
            names << f.name;
        }
    }
    return names;
}

} // namespace tw::fuzz
