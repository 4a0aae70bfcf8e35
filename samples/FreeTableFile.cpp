#include "FreeTableFile.h"

#include "platform/ado/RuntimeError.h"
#include "platform/foxpro/ByteCodec.h"
#include "platform/foxpro/CodePage.h"
#include "platform/foxpro/DbfHeader.h"
#include "platform/foxpro/MemoFile.h"

#include <QDir>
#include <QFile>

#include <cstring>
#include <optional>

namespace tw::samples {

using ado::RuntimeError;
using ado::Variant;
using namespace tw::foxpro;

namespace {
constexpr char kNullFlagsName[] = "_NullFlags";
constexpr char kNullFlagsType = '0';
constexpr uint8_t kNullFlagsFlags = dbf::kFieldSystem | dbf::kFieldBinary;
constexpr char kEndOfFile = 0x1A;
constexpr char kLiveRecord = ' ';
constexpr int kBitsPerByte = 8;
constexpr int kDateWidth = 8;
constexpr int kEightBytes = 8;
constexpr int kFourBytes = 4;
constexpr qint64 kCurrencyScale = 10000;

int widthOf(const SampleField &f)
{
    switch (f.type) {
    case 'C': case 'N': return f.length;
    case 'D': case 'T': case 'Y': case 'B': return kEightBytes;
    case 'I': case 'M': return kFourBytes;
    case 'L': return 1;
    default: throw RuntimeError(QStringLiteral("sample field %1: type %2 is not written").arg(f.name).arg(f.type));
    }
}

uint8_t flagsOf(const SampleField &f)
{
    uint8_t flags = 0;
    if (f.type == 'I' || f.type == 'Y' || f.type == 'B' || f.type == 'T')
        flags |= dbf::kFieldBinary;
    if (f.nullable)
        flags |= dbf::kFieldNullable;
    return flags;
}

void putText(char *at, int width, const QByteArray &bytes, const QString &field)
{
    if (bytes.size() > width)
        throw RuntimeError(QStringLiteral("sample field %1: '%2' is wider than %3").arg(field, QString::fromLatin1(bytes)).arg(width));
    std::memset(at, ' ', size_t(width));
    std::memcpy(at, bytes.constData(), size_t(bytes.size()));
}

void putNumber(char *at, const SampleField &f, const Variant &value)
{
    const QString digits = QString::number(value.toDouble(), 'f', f.decimals);
    if (digits.size() > f.length)
        throw RuntimeError(QStringLiteral("sample field %1: %2 does not fit").arg(f.name, digits));
    const QByteArray bytes = digits.rightJustified(f.length, QLatin1Char(' ')).toLatin1();
    std::memcpy(at, bytes.constData(), size_t(f.length));
}
} // namespace

void WriteFreeTable(const QString &folder, const QString &name, const std::vector<SampleField> &fields,
                    const std::vector<std::vector<Variant>> &rows)
{
    const CodePage &codePage = CodePage::forMark(CodePage::kMark1252);
    DbfHeader header;
    header.fileType = dbf::kTypeVisualFoxPro;
    header.codePageMark = CodePage::kMark1252;
    bool memo = false;
    int nullable = 0;
    std::vector<int> nullBits;
    for (const SampleField &sf : fields) {
        DbfField f;
        f.name = sf.name.toUpper();
        f.type = sf.type;
        f.length = widthOf(sf);
        f.decimals = sf.decimals;
        f.flags = flagsOf(sf);
        memo = memo || sf.type == 'M';
        nullBits.push_back(sf.nullable ? nullable++ : -1);
        header.fields.push_back(f);
    }
    if (nullable > 0) {
        DbfField flags;
        flags.name = QLatin1String(kNullFlagsName);
        flags.type = kNullFlagsType;
        flags.length = (nullable + kBitsPerByte - 1) / kBitsPerByte;
        flags.flags = kNullFlagsFlags;
        header.fields.push_back(flags);
        header.nullFlagsField = int(header.fields.size()) - 1;
    }
    header.tableFlags = memo ? dbf::kTableHasMemo : 0;
    header.recordCount = uint32_t(rows.size());
    header.layOut();

    const QString base = QDir(folder).filePath(name);
    std::optional<MemoFile> memos;
    if (memo)
        memos.emplace(MemoFile::create(base + QStringLiteral(".fpt"), name + QStringLiteral(".dbf")));

    QByteArray file = header.encode();
    for (const auto &row : rows) {
        if (row.size() != fields.size())
            throw RuntimeError(QStringLiteral("sample table %1: a row of %2 values for %3 fields")
                                   .arg(name).arg(row.size()).arg(fields.size()));
        QByteArray record(header.recordLength, '\0');
        record[0] = kLiveRecord;
        QByteArray nullFlags(nullable > 0 ? header.fields.back().length : 0, '\0');
        for (size_t i = 0; i < fields.size(); ++i) {
            const SampleField &sf = fields[i];
            const DbfField &f = header.fields[i];
            const Variant &value = row[i];
            char *at = record.data() + f.offset;
            auto *bytes = reinterpret_cast<unsigned char *>(at);
            std::memset(at, sf.type == 'C' || sf.type == 'N' || sf.type == 'D' || sf.type == 'L' ? ' ' : '\0',
                        size_t(f.length));
            if (value.isNull()) {
                if (!sf.nullable)
                    throw RuntimeError(QStringLiteral("sample field %1 is not nullable").arg(sf.name));
                nullFlags[nullBits[i] / kBitsPerByte] =
                    char(nullFlags[nullBits[i] / kBitsPerByte] | (1 << (nullBits[i] % kBitsPerByte)));
                continue;
            }
            switch (sf.type) {
            case 'C': putText(at, f.length, codePage.encode(value.asText()), sf.name); break;
            case 'N': putNumber(at, sf, value); break;
            case 'B': {
                const double d = value.toDouble();
                uint64_t bits = 0;
                std::memcpy(&bits, &d, sizeof bits);
                putU32LE(bytes, uint32_t(bits));
                putU32LE(bytes + kFourBytes, uint32_t(bits >> 32));
                break;
            }
            case 'I': putU32LE(bytes, uint32_t(int32_t(value.toInteger()))); break;
            case 'Y': {
                const auto scaled = uint64_t(qRound64(value.toDouble() * kCurrencyScale));
                putU32LE(bytes, uint32_t(scaled));
                putU32LE(bytes + kFourBytes, uint32_t(scaled >> 32));
                break;
            }
            case 'D': {
                const QByteArray ymd = value.asDate().toString(QStringLiteral("yyyyMMdd")).toLatin1();
                std::memcpy(at, ymd.constData(), size_t(kDateWidth));
                break;
            }
            case 'T':
                putU32LE(bytes, uint32_t(value.asDate().toJulianDay()));
                putU32LE(bytes + kFourBytes, uint32_t(value.asMsOfDay()));
                break;
            case 'L': at[0] = value.asBoolean() ? 'T' : 'F'; break;
            case 'M': {
                const QByteArray text = codePage.encode(value.asText());
                putU32LE(bytes, text.isEmpty() ? 0 : memos->append(fpt::kTypeText, text));
                break;
            }
            }
        }
        if (nullable > 0)
            std::memcpy(record.data() + header.fields.back().offset, nullFlags.constData(), size_t(nullFlags.size()));
        if (memos)
            memos->commit();
        file += record;
    }
    file += kEndOfFile;
    QFile out(base + QStringLiteral(".dbf"));
    if (!out.open(QIODevice::NewOnly | QIODevice::WriteOnly) || out.write(file) != file.size())
        throw RuntimeError(QStringLiteral("Cannot write the sample table %1: %2").arg(out.fileName(), out.errorString()));
}

} // namespace tw::samples
