#include "CanonicalDump.h"

#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ado/Variant.h"

#include <cmath>

namespace tw::cli {

namespace {

constexpr qsizetype kFlushBytes = 1 << 16;
constexpr char16_t kFirstC1 = 0x80;
constexpr char16_t kLastC1 = 0x9F;
constexpr char16_t kReplacement = 0xFFFD;

// Exact decimal digits as a JSON number: no leading zeros, a digit on both
// sides of the point, no point without digits after it.
QByteArray jsonDecimal(const QString &digits)
{
    QByteArray text = digits.toLatin1();
    QByteArray sign;
    if (text.startsWith('-')) {
        sign = "-";
        text.remove(0, 1);
    }
    qsizetype point = text.indexOf('.');
    QByteArray whole = point < 0 ? text : text.left(point);
    QByteArray fraction = point < 0 ? QByteArray() : text.mid(point + 1);
    while (whole.size() > 1 && whole.startsWith('0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = "0";
    return fraction.isEmpty() ? sign + whole : sign + whole + '.' + fraction;
}

void flush(QByteArray &buffer, std::FILE *out)
{
    if (buffer.isEmpty())
        return;
    if (std::fwrite(buffer.constData(), 1, static_cast<size_t>(buffer.size()), out) !=
        static_cast<size_t>(buffer.size()))
        throw ado::RuntimeError(QStringLiteral("Cannot write the dump: the output refused it."));
    buffer.clear();
}

} // namespace

void appendJsonString(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    // A control character from U+0080 to U+009F stands for a byte its table's
    // code page leaves undefined; the canonical form shows those as U+FFFD.
    QString shown = text;
    for (QChar &c : shown) {
        if (c.unicode() >= kFirstC1 && c.unicode() <= kLastC1)
            c = QChar(kReplacement);
    }
    const QByteArray utf8 = shown.toUtf8();
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += hex[byte >> 4];
                out += hex[byte & 15];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void appendJsonValue(QByteArray &out, const ado::Variant &value)
{
    using Kind = ado::Variant::Kind;
    switch (value.kind()) {
    case Kind::Empty:
    case Kind::Null:
        out += "null";
        break;
    case Kind::Boolean:
        out += value.asBoolean() ? "true" : "false";
        break;
    case Kind::Integer:
    case Kind::Currency:
        out += value.toText().toLatin1();
        break;
    case Kind::Double:
        if (std::isfinite(value.asDouble()))
            out += value.toText().toLatin1();
        else
            out += "null";
        break;
    case Kind::Decimal:
        out += jsonDecimal(value.asDecimal());
        break;
    case Kind::Bytes:
        out += "{\"hex\": \"";
        out += value.asBytes().toHex();
        out += "\"}";
        break;
    case Kind::Text:
    case Kind::Date:
    case Kind::Time:
    case Kind::DateTime:
        appendJsonString(out, value.toText());
        break;
    }
}

QByteArray canonicalHeader(const QStringList &names)
{
    QByteArray out = "{\"columns\": [";
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendJsonString(out, names[i]);
    }
    out += "]}\n";
    return out;
}

void appendCanonicalRow(QByteArray &out, const std::vector<ado::Variant> &row)
{
    out += '[';
    for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendJsonValue(out, row[i]);
    }
    out += "]\n";
}

qint64 writeCanonicalDump(ado::Recordset &recordset, std::FILE *out)
{
    QByteArray buffer;
    buffer.reserve(kFlushBytes * 2);
    const ado::Fields &fields = recordset.fields();
    QStringList names;
    for (int i = 0; i < fields.count(); ++i)
        names << fields(i).name();
    buffer += canonicalHeader(names);
    qint64 rows = 0;
    for (; !recordset.Eof(); recordset.MoveNext()) {
        buffer += '[';
        for (int i = 0; i < fields.count(); ++i) {
            if (i > 0)
                buffer += ", ";
            appendJsonValue(buffer, fields(i).Value());
        }
        buffer += "]\n";
        ++rows;
        if (buffer.size() >= kFlushBytes)
            flush(buffer, out);
    }
    flush(buffer, out);
    std::fflush(out);
    return rows;
}

} // namespace tw::cli
