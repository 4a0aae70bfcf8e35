#include "TextCodec.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace tw::paradox {

namespace {

constexpr int kDefaultCodePage = 1252;
constexpr int kFirstC1 = 0x80;
constexpr int kLastC1 = 0x9F;
constexpr char16_t kReplacement = 0xFFFD;
constexpr size_t kUtf16Units = 0x10000;
constexpr qint16 kNoByte = -1;
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
// Text is checked for ASCII this many characters at a time.
constexpr int kRun = 8;
constexpr quint64 kHighBits8 = 0x8080808080808080ull;
constexpr quint64 kHighBits16 = 0xFF80FF80FF80FF80ull;

// The length of the ASCII run at the start of in, to a multiple of kRun.
int asciiPrefix(const unsigned char *in, int size)
{
    int i = 0;
    for (; i + kRun <= size; i += kRun) {
        quint64 word;
        std::memcpy(&word, in + i, sizeof word);
        if (word & kHighBits8) break;
    }
    return i;
}

// Whether the kRun UTF-16 units at in are all ASCII.
bool asciiRun(const char16_t *in)
{
    quint64 words[2];
    std::memcpy(words, in, sizeof words);
    return ((words[0] | words[1]) & kHighBits16) == 0;
}

iconv_t openConverter(const char *to, int codePage)
{
    const QByteArray name = "CP" + QByteArray::number(codePage);
    const QByteArray target = qstrcmp(to, "UTF-8") == 0 ? QByteArray("UTF-8") : name;
    const QByteArray source = qstrcmp(to, "UTF-8") == 0 ? name : QByteArray("UTF-8");
    return iconv_open(target.constData(), source.constData());
}

} // namespace

TextCodec::TextCodec(int codePage) : m_codePage(codePage > 0 ? codePage : kDefaultCodePage)
{
    iconv_t to = openConverter("UTF-8", m_codePage);
    iconv_t from = kNoConverter;
    if (to != kNoConverter)
        from = openConverter("CP", m_codePage);
    if (to == kNoConverter || from == kNoConverter) {
        if (to != kNoConverter) iconv_close(to);
        m_codePage = kDefaultCodePage;
        to = openConverter("UTF-8", m_codePage);
        from = openConverter("CP", m_codePage);
    }
    m_toUtf8 = to;
    m_fromUtf8 = from;
    buildSingleByteTables();
}

void TextCodec::buildSingleByteTables()
{
    iconv_t cd = static_cast<iconv_t>(m_toUtf8);
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        char in[1] = {static_cast<char>(b)};
        char out[8];
        char *ip = in, *op = out;
        size_t left = 1, room = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const size_t r = iconv(cd, &ip, &left, &op, &room);
        if (r == static_cast<size_t>(-1)) {
            if (errno == EINVAL) return; // a lead byte: a multi-byte code page
            // As Windows does, a byte from 0x80 to 0x9F that the code page leaves
            // undefined stands for the control character of its number, so that
            // the byte is written back unchanged.
            table[b] = b >= kFirstC1 && b <= kLastC1 ? static_cast<char16_t>(b) : kReplacement;
            continue;
        }
        const QString decoded = QString::fromUtf8(out, op - out);
        if (decoded.size() != 1) return;
        table[b] = decoded.at(0).unicode();
    }
    for (int b = 0; b < 0x80; ++b)
        if (table[b] != b) return; // keep the ASCII shortcuts exact
    m_toUnicode = table;
    m_fromUnicode.assign(kUtf16Units, kNoByte);
    for (int b = 255; b >= 0; --b)
        if (table[b] != kReplacement) m_fromUnicode[table[b]] = static_cast<qint16>(b);
    m_singleByte = true;
}

TextCodec::~TextCodec()
{
    if (m_toUtf8 && m_toUtf8 != kNoConverter) iconv_close(static_cast<iconv_t>(m_toUtf8));
    if (m_fromUtf8 && m_fromUtf8 != kNoConverter) iconv_close(static_cast<iconv_t>(m_fromUtf8));
}

QString TextCodec::decode(const char *data, int size) const
{
    if (size <= 0) return QString();
    const auto *in = reinterpret_cast<const unsigned char *>(data);
    int ascii = asciiPrefix(in, size);
    while (ascii < size && in[ascii] < 0x80) ++ascii;
    if (ascii == size) return QString::fromLatin1(data, size);
    if (m_singleByte) {
        QString out(size, Qt::Uninitialized);
        auto *o = reinterpret_cast<char16_t *>(out.data());
        for (int i = 0; i < ascii; ++i) o[i] = in[i];
        for (int i = ascii; i < size; ++i) o[i] = m_toUnicode[in[i]];
        return out;
    }

    iconv_t cd = static_cast<iconv_t>(m_toUtf8);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    QByteArray out;
    out.reserve(size * 2);
    char buffer[1024];
    char *inp = const_cast<char *>(data);
    size_t left = static_cast<size_t>(size);
    while (left > 0) {
        char *o = buffer;
        size_t room = sizeof buffer;
        const size_t r = iconv(cd, &inp, &left, &o, &room);
        out.append(buffer, o - buffer);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out.append("\xEF\xBF\xBD"); // U+FFFD
            ++inp;
            --left;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return QString::fromUtf8(out);
}

qsizetype TextCodec::encodeSingleByte(QStringView text, char *out, qint64 *unmapped) const
{
    const char16_t *in = text.utf16();
    const qsizetype size = text.size();
    qsizetype n = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (i + kRun <= size && asciiRun(in + i)) {
            for (int k = 0; k < kRun; ++k) out[n + k] = static_cast<char>(in[i + k]);
            n += kRun;
            i += kRun - 1;
            continue;
        }
        const char16_t c = in[i];
        if (c < 0x80) {
            out[n++] = static_cast<char>(c);
            continue;
        }
        const qint16 byte = m_fromUnicode[c];
        if (byte != kNoByte) {
            out[n++] = static_cast<char>(byte);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(in[i + 1])) ++i;
        out[n++] = '?';
        if (unmapped) ++*unmapped;
    }
    return n;
}

void TextCodec::encodeMultiByte(QStringView text, QByteArray &out, qint64 *unmapped) const
{
    out.clear();
    out.reserve(text.size());
    iconv_t cd = static_cast<iconv_t>(m_fromUtf8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            out.append(char(c.unicode()));
            continue;
        }
        qsizetype length = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) length = 2;
        QByteArray utf8 = text.mid(i, length).toUtf8();
        i += length - 1;
        char buffer[8];
        char *in = utf8.data();
        size_t left = utf8.size();
        char *o = buffer;
        size_t room = sizeof buffer;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const size_t r = iconv(cd, &in, &left, &o, &room);
        if (r == static_cast<size_t>(-1) || left != 0 || o == buffer) {
            out.append('?');
            if (unmapped) ++*unmapped;
        } else {
            out.append(buffer, o - buffer);
        }
    }
}

void TextCodec::encode(QStringView text, QByteArray &out, qint64 *unmapped) const
{
    if (!m_singleByte) {
        encodeMultiByte(text, out, unmapped);
        return;
    }
    out.resize(text.size());
    out.resize(encodeSingleByte(text, out.data(), unmapped));
}

QByteArray TextCodec::encode(const QString &text, qint64 *unmapped) const
{
    QByteArray out;
    encode(QStringView(text), out, unmapped);
    return out;
}

qsizetype TextCodec::encode(QStringView text, char *out, qsizetype room, qint64 *unmapped) const
{
    // Each character takes one byte at most here (a surrogate pair: one "?").
    if (m_singleByte && text.size() <= room) return encodeSingleByte(text, out, unmapped);
    QByteArray bytes;
    encode(text, bytes, unmapped);
    if (bytes.size() <= room) std::memcpy(out, bytes.constData(), static_cast<size_t>(bytes.size()));
    return bytes.size();
}

} // namespace tw::paradox
