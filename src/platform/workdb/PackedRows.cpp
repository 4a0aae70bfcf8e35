#include "PackedRows.h"

#include "platform/ado/RuntimeError.h"
#include "platform/encoding/ByteCodec.h"

#include <cstring>

namespace tw::workdb {

using ado::Variant;
using namespace encoding; // the byte codecs

namespace {

enum Tag : char {
    kNull = 0,
    kLatin1 = 1, // u32 length, one byte a character
    kUtf16 = 2,  // u32 length, two bytes a character, little-endian
    kInteger = 3,
    kDouble = 4,
    kDateTime = 5, // ms since the Julian day 0, as the typed column keeps it
    kBytes = 6,    // u32 length, the bytes
};

constexpr qint64 kMsPerDay = Variant::kMsPerDay;

char *grow(QByteArray &out, qsizetype bytes)
{
    const qsizetype at = out.size();
    if (at + bytes > out.capacity())
        out.reserve(std::max(at + bytes, 2 * out.capacity()));
    out.resize(at + bytes);
    return out.data() + at;
}

void putLength(char *at, qsizetype length)
{
    putU32LE(bytesOf(at), uint32_t(length));
}

void packText(QStringView text, QByteArray &out)
{
    const qsizetype n = text.size();
    char *at = grow(out, 5 + n);
    at[0] = kLatin1;
    putLength(at + 1, n);
    char *dst = at + 5;
    const char16_t *src = text.utf16();
    char16_t high = 0;
    for (qsizetype i = 0; i < n; ++i) {
        high |= src[i] & 0xFF00;
        dst[i] = char(src[i]);
    }
    if (high == 0)
        return;
    // A character past Latin-1: two bytes each.
    out.truncate(out.size() - (5 + n));
    at = grow(out, 5 + 2 * n);
    at[0] = kUtf16;
    putLength(at + 1, n);
    for (qsizetype i = 0; i < n; ++i)
        putU16LE(bytesOf(at + 5 + 2 * i), src[i]);
}

void packNumber(char tag, quint64 bits, QByteArray &out)
{
    char *at = grow(out, 9);
    at[0] = tag;
    putU64LE(bytesOf(at + 1), bits);
}

} // namespace

void packRow(const std::vector<WorkColumn> &columns, const std::vector<Variant> &row, QByteArray &out)
{
    for (size_t i = 0; i < columns.size(); ++i) {
        const Variant &value = i < row.size() ? row[i] : Variant();
        switch (value.kind()) {
        case Variant::Kind::Null:
        case Variant::Kind::Empty:
            out.append(char(kNull));
            break;
        case Variant::Kind::Text:
            packText(value.asText(), out);
            break;
        case Variant::Kind::Decimal:
            packText(value.asDecimal(), out);
            break;
        case Variant::Kind::Integer:
            packNumber(kInteger, quint64(value.asInteger()), out);
            break;
        // A currency and a logical as the whole numbers their columns keep,
        // a date as a date-time at midnight; the column says which they are.
        case Variant::Kind::Currency:
            packNumber(kInteger, quint64(value.asCurrency()), out);
            break;
        case Variant::Kind::Boolean:
            packNumber(kInteger, value.asBoolean() ? 1 : 0, out);
            break;
        case Variant::Kind::Date:
            packNumber(kDateTime, quint64(value.asDate().toJulianDay() * kMsPerDay), out);
            break;
        case Variant::Kind::Double: {
            quint64 bits = 0;
            const double d = value.asDouble();
            std::memcpy(&bits, &d, sizeof bits);
            packNumber(kDouble, bits, out);
            break;
        }
        case Variant::Kind::DateTime:
            packNumber(kDateTime, quint64(value.asDate().toJulianDay() * kMsPerDay + value.asMsOfDay()), out);
            break;
        case Variant::Kind::Bytes: {
            const QByteArray &bytes = value.asBytes();
            char *at = grow(out, 5 + bytes.size());
            at[0] = kBytes;
            putLength(at + 1, bytes.size());
            std::memcpy(at + 5, bytes.constData(), size_t(bytes.size()));
            break;
        }
        default:
            packText(value.toText(), out);
            break;
        }
    }
}

PackedReader::PackedReader(SqliteDatabase &db, const QString &packedTable, std::vector<WorkColumn> columns)
    : m_db(db), m_columns(std::move(columns))
{
    m_batches = std::make_unique<SqliteStatement>(
        m_db, QStringLiteral("SELECT rows, data FROM %1 ORDER BY rowid").arg(quoteName(packedTable)));
}

void PackedReader::damaged() const
{
    throw ado::RuntimeError(QStringLiteral("The work database '%1' holds a damaged batch of rows.").arg(m_db.path()));
}

bool PackedReader::nextBatch()
{
    while (!m_done && m_left == 0) {
        if (!m_batches->step()) {
            m_done = true;
            m_batches.reset();
            m_batch.clear();
            return false;
        }
        m_left = m_batches->columnInteger(0);
        m_batch = m_batches->columnBlob(1);
        m_at = 0;
    }
    return !m_done;
}

bool PackedReader::next(std::vector<Variant> &row)
{
    if (m_left == 0 && !nextBatch())
        return false;
    row.resize(m_columns.size());
    const char *data = m_batch.constData();
    const qsizetype size = m_batch.size();
    const auto need = [&](qsizetype bytes) {
        if (bytes < 0 || m_at + bytes > size)
            damaged();
    };
    for (size_t i = 0; i < m_columns.size(); ++i) {
        need(1);
        const char tag = data[m_at++];
        switch (tag) {
        case kNull:
            row[i] = Variant::null();
            break;
        case kLatin1:
        case kUtf16: {
            need(4);
            const qsizetype n = getU32LE(bytesOf(data + m_at));
            m_at += 4;
            const bool decimal = m_columns[i].type == WorkType::Decimal || m_columns[i].type == WorkType::ScaledDecimal;
            if (tag == kLatin1)
                need(n);
            else
                need(2 * n);
            QString scratch;
            QString &text = decimal ? scratch : row[i].textToFill(n);
            if (tag == kLatin1) {
                text.resize(0);
                text.append(QLatin1StringView(data + m_at, n));
                m_at += n;
            } else {
                text.resize(n);
                char16_t *dst = reinterpret_cast<char16_t *>(text.data());
                for (qsizetype k = 0; k < n; ++k)
                    dst[k] = getU16LE(bytesOf(data + m_at + 2 * k));
                m_at += 2 * n;
            }
            if (decimal)
                row[i] = Variant::decimal(scratch);
            break;
        }
        case kInteger:
        case kDouble:
        case kDateTime: {
            need(8);
            const quint64 bits = getU64LE(bytesOf(data + m_at));
            m_at += 8;
            const WorkType type = m_columns[i].type;
            if (tag == kInteger) {
                if (type == WorkType::Currency)
                    row[i] = Variant::currency(qint64(bits));
                else if (type == WorkType::Bit)
                    row[i] = Variant::boolean(bits != 0);
                else
                    row[i] = Variant::integer(qint64(bits));
            } else if (tag == kDouble) {
                double d = 0;
                std::memcpy(&d, &bits, sizeof d);
                row[i] = Variant::real(d);
            } else {
                const qint64 stamp = qint64(bits);
                qint64 day = stamp / kMsPerDay;
                qint64 ms = stamp % kMsPerDay;
                if (ms < 0) {
                    ms += kMsPerDay;
                    --day;
                }
                if (type == WorkType::Date)
                    row[i] = Variant::date(QDate::fromJulianDay(day));
                else
                    row[i] = Variant::dateTime(QDate::fromJulianDay(day), int(ms));
            }
            break;
        }
        case kBytes: {
            need(4);
            const qsizetype n = getU32LE(bytesOf(data + m_at));
            m_at += 4;
            need(n);
            row[i] = Variant::bytes(QByteArray(data + m_at, n));
            m_at += n;
            break;
        }
        default:
            damaged();
        }
    }
    --m_left;
    return true;
}

} // namespace tw::workdb
