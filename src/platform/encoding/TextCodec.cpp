#include "TextCodec.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>
#include <memory>

namespace tw::encoding {

namespace {

constexpr int kFirstC1 = 0x80;
constexpr int kLastC1 = 0x9F;
constexpr char16_t kReplacement = 0xFFFD;
constexpr char kUnheld = '?';
constexpr size_t kUtf16Units = 0x10000;
constexpr qint16 kNoByte = -1;
constexpr int kUnitBytes = 2; // bytes of a UTF-16 unit
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
const char kUnicodeName[] = "UTF-16LE";
// Text is checked for ASCII this many characters at a time.
constexpr int kRun = 8;
constexpr quint64 kHighBits8 = 0x8080808080808080ull;
constexpr quint64 kHighBits16 = 0xFF80FF80FF80FF80ull;

// Code page numbers of the Macintosh pages, which iconv knows by name.
constexpr int kMacRoman = 10000;
constexpr int kMacCyrillic = 10007;
constexpr int kMacCentralEurope = 10029;

QByteArray iconvNameOf(int codePage)
{
    switch (codePage) {
    case kMacRoman:
        return "MACINTOSH";
    case kMacCyrillic:
        return "MAC-CYRILLIC";
    case kMacCentralEurope:
        return "MAC-CENTRALEUROPE";
    default:
        return "CP" + QByteArray::number(codePage);
    }
}

// The length of the ASCII run at the start of in, to a multiple of kRun.
qsizetype asciiPrefix(const unsigned char *in, qsizetype size)
{
    qsizetype i = 0;
    for (; i + kRun <= size; i += kRun) {
        quint64 word;
        std::memcpy(&word, in + i, sizeof word);
        if (word & kHighBits8)
            break;
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

void resetConverter(iconv_t cd)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
}

// Writes out what the converter still holds. The C library's converters for
// the pages that combine characters (1255, 1258) keep the last character of
// their input back until they are told the input has ended: without this the
// last letter of every text would be lost.
size_t flushConverter(iconv_t cd, char **out, size_t *room)
{
    return iconv(cd, nullptr, nullptr, out, room);
}

// Where the C library's tables and the vendors' differ, the vendors' (what
// Windows and the programs that wrote the tables read), on every system.
struct VendorByte {
    int codePage;
    unsigned char byte;
    char16_t unit;
};
constexpr VendorByte kVendorBytes[] = {
    {10000, 0xC6, u'\u2206'}, // INCREMENT, where the C library has GREEK CAPITAL DELTA
    {10000, 0xBD, u'\u03A9'}, // OMEGA, where Windows has the OHM SIGN of Apple's old table
    {10000, 0xF0, u'\uF8FF'}, // the Apple logo, in the private use area
    {10007, 0xA2, u'\u0490'}, // Ukrainian GHE WITH UPTURN (Apple's table since Mac OS 9), where
    {10007, 0xB6, u'\u0491'}, // Windows keeps the old CENT SIGN and PARTIAL DIFFERENTIAL
    {10007, 0xFF, u'\u20AC'}, // the euro, where the C library and Windows keep the old currency sign
    {932, 0x80, u'\u0080'},   // single bytes Shift-JIS leaves undefined and Windows maps
    {932, 0xA0, u'\uF8F0'},   {932, 0xFD, u'\uF8F1'}, {932, 0xFE, u'\uF8F2'}, {932, 0xFF, u'\uF8F3'},
};

// The character a page's vendor gives a single byte the converter reads
// otherwise or not at all; 0 when there is none.
char16_t vendorUnitOf(int codePage, unsigned char byte)
{
    for (const VendorByte &v : kVendorBytes)
        if (v.codePage == codePage && v.byte == byte)
            return v.unit;
    return 0;
}

// The byte of such a character; -1 when it has none.
int vendorByteOf(int codePage, char16_t unit)
{
    for (const VendorByte &v : kVendorBytes)
        if (v.codePage == codePage && v.unit == unit)
            return v.byte;
    return -1;
}

std::atomic<int> g_faultyPage{0};

bool pairAt(const char16_t *units, qsizetype i, qsizetype end)
{
    return QChar::isHighSurrogate(units[i]) && i + 1 < end && QChar::isLowSurrogate(units[i + 1]);
}

} // namespace

const TextCodec &TextCodec::forCodePage(int codePage)
{
    // Codecs live as long as the program: each thread keeps the last it asked for.
    thread_local int lastPage = -1;
    thread_local const TextCodec *last = nullptr;
    if (last && lastPage == codePage)
        return *last;
    static std::mutex lock;
    static std::map<int, std::unique_ptr<TextCodec>> codecs;
    const std::lock_guard guard(lock);
    auto &slot = codecs[codePage];
    if (!slot)
        slot = std::make_unique<TextCodec>(codePage);
    lastPage = codePage;
    last = slot.get();
    return *slot;
}

bool TextCodec::converts(int codePage)
{
    return codePage > 0 && forCodePage(codePage).codePage() == codePage;
}

TextCodec::TextCodec(int codePage) : m_codePage(codePage > 0 ? codePage : kWindows1252)
{
    if (m_codePage == kStoredBytes) {
        buildSingleByteTables(); // no converter: each byte its own character
        return;
    }
    const auto open = [](int page, iconv_t &decoder, iconv_t &encoder) {
        const QByteArray name = iconvNameOf(page);
        decoder = iconv_open(kUnicodeName, name.constData());
        encoder = decoder == kNoConverter ? kNoConverter : iconv_open(name.constData(), kUnicodeName);
        if (encoder == kNoConverter && decoder != kNoConverter) {
            iconv_close(decoder);
            decoder = kNoConverter;
        }
        return decoder != kNoConverter;
    };
    iconv_t decoder = kNoConverter;
    iconv_t encoder = kNoConverter;
    if (!open(m_codePage, decoder, encoder)) {
        m_codePage = kWindows1252;
        open(m_codePage, decoder, encoder);
    }
    if (decoder != kNoConverter) {
        m_decoder = decoder;
        m_encoder = encoder;
    }
    buildSingleByteTables();
}

TextCodec::~TextCodec()
{
    if (m_decoder)
        iconv_close(static_cast<iconv_t>(m_decoder));
    if (m_encoder)
        iconv_close(static_cast<iconv_t>(m_encoder));
}

void TextCodec::buildSingleByteTables()
{
    std::array<char16_t, 256> table{};
    if (!m_decoder) {
        // No converter at all: bytes read as Latin-1.
        for (int b = 0; b < 256; ++b)
            table[b] = char16_t(b);
    } else {
        iconv_t cd = static_cast<iconv_t>(m_decoder);
        for (int b = 0; b < 256; ++b) {
            char in[1] = {char(b)};
            char16_t out[4];
            char *inPtr = in;
            char *outPtr = reinterpret_cast<char *>(out);
            size_t left = 1;
            size_t room = sizeof out;
            resetConverter(cd);
            if (iconv(cd, &inPtr, &left, &outPtr, &room) == size_t(-1) ||
                flushConverter(cd, &outPtr, &room) == size_t(-1)) {
                if (errno == EINVAL)
                    return; // a lead byte: a multi-byte page
                // As Windows does, a byte from 0x80 to 0x9F that the page
                // leaves undefined stands for the control character of its
                // number, so that the byte is written back unchanged.
                table[b] = b >= kFirstC1 && b <= kLastC1 ? char16_t(b) : kReplacement;
                continue;
            }
            if (sizeof out - room != size_t(kUnitBytes))
                return; // one byte, several characters: leave it to iconv
            char16_t unit;
            std::memcpy(&unit, out, sizeof unit);
            table[b] = unit;
        }
    }
    for (int b = 0x80; b < 256; ++b)
        if (const char16_t unit = vendorUnitOf(m_codePage, static_cast<unsigned char>(b)))
            table[b] = unit;
    for (int b = 0; b < 0x80; ++b)
        if (table[b] != b)
            return; // keep the ASCII shortcuts exact
    m_toUnicode = table;
    m_fromUnicode.assign(kUtf16Units, kNoByte);
    for (int b = 255; b >= 0; --b)
        if (table[b] != kReplacement)
            m_fromUnicode[table[b]] = qint16(b);
    for (int b = 0; b < 256; ++b)
        if (table[b] != kReplacement && m_fromUnicode[table[b]] == b)
            m_keptBytes[size_t(b) / 64] |= quint64(1) << (b % 64);
    m_keepsEveryByte = std::all_of(m_keptBytes.begin(), m_keptBytes.end(), [](quint64 bits) { return ~bits == 0; });
    m_singleByte = true;
}

bool TextCodec::keepsAsStored(QByteArrayView bytes) const
{
    if (m_keepsEveryByte)
        return true;
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = asciiPrefix(in, size);
    if (!m_singleByte) {
        while (i < size && in[i] < 0x80)
            ++i;
        return i == size;
    }
    for (; i < size; ++i)
        if (!((m_keptBytes[in[i] / 64] >> (in[i] % 64)) & 1))
            return false;
    return true;
}

QString TextCodec::decode(const char *data, qsizetype size) const
{
    QString out;
    decode(data, size, out);
    return out;
}

void TextCodec::decode(const char *data, qsizetype size, QString &out) const
{
    decodeText(data, size, out);
    if (g_faultyPage.load(std::memory_order_relaxed) == m_codePage && !out.isEmpty() &&
        std::any_of(data, data + size, [](char b) { return (static_cast<unsigned char>(b) & 0x80) != 0; }))
        out.chop(1);
}

void TextCodec::setDecodingFaultForTests(int codePage)
{
    g_faultyPage.store(codePage);
}

bool TextCodec::givesBack(QStringView text, QByteArrayView bytes) const
{
    if (m_singleByte) {
        if (text.size() != bytes.size())
            return false;
        const char16_t *units = text.utf16();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int byte = units[i] < 0x80 ? int(units[i]) : m_fromUnicode[units[i]];
            if (byte != static_cast<unsigned char>(bytes[i]))
                return false;
        }
        return true;
    }
    thread_local QByteArray written;
    encode(text, written, nullptr);
    return written == bytes;
}

void TextCodec::decodeText(const char *data, qsizetype size, QString &out) const
{
    if (size <= 0) {
        out.resize(0);
        return;
    }
    const auto *in = reinterpret_cast<const unsigned char *>(data);
    qsizetype ascii = asciiPrefix(in, size);
    while (ascii < size && in[ascii] < 0x80)
        ++ascii;
    if (ascii == size) {
        out.resize(0);
        out.append(QLatin1StringView(data, size));
        return;
    }
    if (!m_singleByte) {
        out = decodeMultiByte(data, size);
        return;
    }
    out.resize(size);
    auto *o = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < ascii; ++i)
        o[i] = in[i];
    for (qsizetype i = ascii; i < size; ++i)
        o[i] = m_toUnicode[in[i]];
}

QString TextCodec::decodeMultiByte(const char *data, qsizetype size) const
{
    // No byte gives more than one UTF-16 unit on the pages seen; more room is
    // made when one does.
    QString out(size, Qt::Uninitialized);
    qsizetype written = 0; // bytes of out
    char *inPtr = const_cast<char *>(data);
    size_t left = size_t(size);
    const std::lock_guard guard(m_iconvLock);
    iconv_t cd = static_cast<iconv_t>(m_decoder);
    resetConverter(cd);
    for (;;) {
        char *base = reinterpret_cast<char *>(out.data());
        char *outPtr = base + written;
        size_t room = size_t(out.size()) * kUnitBytes - size_t(written);
        size_t result = left > 0 ? iconv(cd, &inPtr, &left, &outPtr, &room) : 0;
        if (result != size_t(-1))
            result = flushConverter(cd, &outPtr, &room);
        written = outPtr - base;
        if (result != size_t(-1))
            break;
        if (errno == E2BIG || room < size_t(kUnitBytes)) {
            out.resize(out.size() * 2 + 1);
            continue;
        }
        if (left == 0)
            break; // nothing held back could be written: nothing more to write
        // An undefined or cut sequence: one replacement for its first byte,
        // or the character its page's vendor gives it.
        const char16_t vendor = vendorUnitOf(m_codePage, static_cast<unsigned char>(*inPtr));
        const char16_t unit = vendor ? vendor : kReplacement;
        std::memcpy(base + written, &unit, kUnitBytes);
        written += kUnitBytes;
        ++inPtr;
        --left;
        resetConverter(cd);
    }
    out.truncate(written / kUnitBytes);
    return out;
}

qsizetype TextCodec::encodeSingleByte(QStringView text, char *out, qint64 *replaced) const
{
    const char16_t *in = text.utf16();
    const qsizetype size = text.size();
    qsizetype n = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (i + kRun <= size && asciiRun(in + i)) {
            for (int k = 0; k < kRun; ++k)
                out[n + k] = char(in[i + k]);
            n += kRun;
            i += kRun - 1;
            continue;
        }
        const char16_t c = in[i];
        if (c < 0x80) {
            out[n++] = char(c);
            continue;
        }
        const qint16 byte = m_fromUnicode[c];
        if (byte != kNoByte) {
            out[n++] = char(byte);
            continue;
        }
        if (pairAt(in, i, size))
            ++i;
        out[n++] = kUnheld;
        if (replaced)
            ++*replaced;
    }
    return n;
}

void TextCodec::encodeMultiByte(QStringView text, QByteArray &out, qint64 *replaced) const
{
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    out.resize(size * kMaxMultiBytes);
    qsizetype n = 0;
    const std::lock_guard guard(m_iconvLock);
    iconv_t cd = static_cast<iconv_t>(m_encoder);
    resetConverter(cd);
    for (qsizetype i = 0; i < size;) {
        if (units[i] < 0x80) {
            out[n++] = char(units[i++]);
            continue;
        }
        // A run of other characters goes to iconv at once.
        qsizetype end = i + 1;
        while (end < size && units[end] >= 0x80)
            ++end;
        const char *runStart = reinterpret_cast<const char *>(units + i);
        char *inPtr = const_cast<char *>(runStart);
        size_t left = size_t(end - i) * kUnitBytes;
        for (;;) {
            char *outPtr = out.data() + n;
            size_t room = size_t(out.size() - n);
            size_t result = left > 0 ? iconv(cd, &inPtr, &left, &outPtr, &room) : 0;
            if (result != size_t(-1))
                result = flushConverter(cd, &outPtr, &room);
            n = outPtr - out.data();
            if (result != size_t(-1))
                break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            if (left == 0)
                break;
            // The character at inPtr has no bytes here (a lone surrogate
            // neither): one '?' for it, unless its page's vendor gives it one.
            const qsizetype at = i + (inPtr - runStart) / kUnitBytes;
            const qsizetype skip = pairAt(units, at, end) ? 2 : 1;
            if (n == out.size())
                out.resize(out.size() * 2);
            const int vendor = skip == 1 ? vendorByteOf(m_codePage, units[at]) : -1;
            out[n++] = vendor >= 0 ? char(vendor) : kUnheld;
            if (replaced && vendor < 0)
                ++*replaced;
            inPtr += skip * kUnitBytes;
            left -= size_t(skip) * kUnitBytes;
            resetConverter(cd);
        }
        i = end;
    }
    out.truncate(n);
}

void TextCodec::encode(QStringView text, QByteArray &out, qint64 *replaced) const
{
    if (!m_singleByte) {
        encodeMultiByte(text, out, replaced);
        return;
    }
    out.resize(text.size());
    out.truncate(encodeSingleByte(text, out.data(), replaced));
}

QByteArray TextCodec::encode(QStringView text, qint64 *replaced) const
{
    QByteArray out;
    encode(text, out, replaced);
    return out;
}

qsizetype TextCodec::encodeInto(QStringView text, char *out, qint64 *replaced) const
{
    if (m_singleByte)
        return encodeSingleByte(text, out, replaced);
    QByteArray bytes;
    encodeMultiByte(text, bytes, replaced);
    std::memcpy(out, bytes.constData(), size_t(bytes.size()));
    return bytes.size();
}

qsizetype TextCodec::encode(QStringView text, char *out, qsizetype room, qint64 *replaced) const
{
    // Each character takes one byte at most here (a surrogate pair: one '?').
    if (m_singleByte && text.size() <= room)
        return encodeSingleByte(text, out, replaced);
    QByteArray bytes;
    encode(text, bytes, replaced);
    if (bytes.size() <= room)
        std::memcpy(out, bytes.constData(), size_t(bytes.size()));
    return bytes.size();
}

qsizetype TextCodec::fittingPrefix(QStringView text, qsizetype room) const
{
    const char16_t *units = text.utf16();
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype length = pairAt(units, i, text.size()) ? 2 : 1;
        const qsizetype bytes = m_singleByte || units[i] < 0x80 ? 1 : encode(text.sliced(i, length)).size();
        if (used + bytes > room)
            break;
        used += bytes;
        i += length;
    }
    return i;
}

bool TextCodec::holds(char32_t c) const
{
    if (c < 0x80)
        return true;
    if (m_singleByte)
        return c < kUtf16Units && m_fromUnicode[c] != kNoByte;
    qint64 replaced = 0;
    encode(QString::fromUcs4(&c, 1), &replaced);
    return replaced == 0;
}

int TextCodec::byteOf(char16_t c) const
{
    if (!m_singleByte)
        return -1;
    return c < 0x80 ? int(c) : m_fromUnicode[c];
}

} // namespace tw::encoding
