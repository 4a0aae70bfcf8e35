#include "CodePage.h"

#include <QMutex>

#include <iconv.h>

#include <map>
#include <memory>

namespace tw::foxpro {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr int kLastC1 = 0x9F;

// Header code-page mark -> Windows/DOS code page number.
int codePageOfMark(uint8_t mark)
{
    switch (mark) {
    case 0x01: return 437;
    case 0x02: return 850;
    case 0x03: return 1252;
    case 0x04: return 10000; // Macintosh Roman
    case 0x08: return 865;
    case 0x09: return 437;
    case 0x0A: return 850;
    case 0x0B: return 437;
    case 0x0D: return 437;
    case 0x0E: return 850;
    case 0x0F: return 437;
    case 0x10: return 850;
    case 0x11: return 437;
    case 0x12: return 850;
    case 0x13: return 932;
    case 0x14: return 850;
    case 0x15: return 437;
    case 0x16: return 850;
    case 0x17: return 865;
    case 0x18: return 437;
    case 0x19: return 437;
    case 0x1A: return 850;
    case 0x1B: return 437;
    case 0x1C: return 863;
    case 0x1D: return 850;
    case 0x1F: return 852;
    case 0x22: return 852;
    case 0x23: return 852;
    case 0x24: return 860;
    case 0x25: return 850;
    case 0x26: return 866;
    case 0x37: return 850;
    case 0x40: return 852;
    case 0x4D: return 936;
    case 0x4E: return 949;
    case 0x4F: return 950;
    case 0x50: return 874;
    case 0x57: return 1252;
    case 0x58: return 1252;
    case 0x59: return 1252;
    case 0x64: return 852;
    case 0x65: return 866;
    case 0x66: return 865;
    case 0x67: return 861;
    case 0x68: return 437; // Kamenicky (895): no converter here; its base page
    case 0x69: return 437; // Mazovia (620): likewise
    case 0x6A: return 737;
    case 0x6B: return 857;
    case 0x78: return 950;
    case 0x79: return 949;
    case 0x7A: return 936;
    case 0x7B: return 932;
    case 0x7C: return 874;
    case 0x7D: return 1255;
    case 0x7E: return 1256;
    case 0x96: return 10007; // Macintosh Cyrillic
    case 0x97: return 10029; // Macintosh Central European
    case 0x98: return 10006; // Macintosh Greek
    case 0xC8: return 1250;
    case 0xC9: return 1251;
    case 0xCA: return 1254;
    case 0xCB: return 1253;
    case 0xCC: return 1257;
    default: return 1252;
    }
}

QByteArray iconvNameOf(int number)
{
    switch (number) {
    case 10000: return "MACINTOSH";
    case 10007: return "MAC-CYRILLIC";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10006: return "CP10006";
    case 874: return "WINDOWS-874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    default: break;
    }
    if (number >= 1250 && number <= 1258)
        return "WINDOWS-" + QByteArray::number(number);
    return "CP" + QByteArray::number(number);
}

bool isMultiByte(int number)
{
    return number == 932 || number == 936 || number == 949 || number == 950;
}

// One byte through iconv; kReplacement when the page does not define it.
char16_t convertByte(iconv_t cd, unsigned char byte)
{
    char in[1] = {char(byte)};
    char out[8] = {};
    char *inPtr = in;
    char *outPtr = out;
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || sizeof out - outLeft != 2)
        return kReplacement;
    return char16_t(uint8_t(out[0]) | (uint8_t(out[1]) << 8));
}

} // namespace

CodePage::CodePage(int number) : m_number(number), m_singleByte(!isMultiByte(number)), m_iconvName(iconvNameOf(number))
{
    for (int b = 0; b < 128; ++b)
        m_toUnicode[b] = char16_t(b);
    iconv_t cd = iconv_open("UTF-16LE", m_iconvName.constData());
    if (cd == iconv_t(-1)) {
        // No converter: bytes above 127 read as Latin-1.
        for (int b = 128; b < 256; ++b)
            m_toUnicode[b] = char16_t(b);
        m_singleByte = true;
    } else {
        for (int b = 128; b < 256; ++b) {
            m_toUnicode[b] = m_singleByte ? convertByte(cd, uint8_t(b)) : kReplacement;
            // As Windows does, a byte from 0x80 to 0x9F that a single-byte page
            // leaves undefined stands for the control character of its number,
            // so that it is written back unchanged.
            if (m_singleByte && m_toUnicode[b] == kReplacement && b <= kLastC1)
                m_toUnicode[b] = char16_t(b);
        }
        iconv_close(cd);
    }
    for (int b = 255; b >= 0; --b)
        if (m_toUnicode[b] != kReplacement)
            m_fromUnicode[m_toUnicode[b]] = uint8_t(b);
}

const CodePage &CodePage::forMark(uint8_t mark)
{
    static QMutex mutex;
    static std::map<int, std::unique_ptr<CodePage>> pages;
    const int number = codePageOfMark(mark);
    QMutexLocker lock(&mutex);
    auto &slot = pages[number];
    if (!slot)
        slot = std::make_unique<CodePage>(number);
    return *slot;
}

const CodePage &CodePage::windows1252()
{
    return forMark(kMark1252);
}

QString CodePage::decode(const char *data, qsizetype size) const
{
    if (!m_singleByte)
        return decodeMultiByte(data, size);
    QString text(size, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < size; ++i)
        out[i] = m_toUnicode[uint8_t(data[i])];
    return text;
}

QString CodePage::decodeMultiByte(const char *data, qsizetype size) const
{
    iconv_t cd = iconv_open("UTF-16LE", m_iconvName.constData());
    if (cd == iconv_t(-1))
        return QString::fromLatin1(data, size);
    QByteArray out(size * 4 + 4, Qt::Uninitialized);
    char *inPtr = const_cast<char *>(data);
    size_t inLeft = size_t(size);
    char *outPtr = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        if (outLeft < 2)
            break;
        // An undefined or cut sequence: one replacement for its first byte.
        outPtr[0] = char(kReplacement & 0xFF);
        outPtr[1] = char(kReplacement >> 8);
        outPtr += 2;
        outLeft -= 2;
        ++inPtr;
        --inLeft;
    }
    iconv_close(cd);
    const qsizetype bytes = out.size() - qsizetype(outLeft);
    return QString(reinterpret_cast<const QChar *>(out.constData()), bytes / 2);
}

int CodePage::byteOf(char16_t c) const
{
    if (c < 128)
        return c;
    auto it = m_fromUnicode.find(c);
    return it == m_fromUnicode.end() ? -1 : it->second;
}

QByteArray CodePage::encode(const QString &text, qint64 *replaced) const
{
    QByteArray out(text.size(), Qt::Uninitialized);
    if (!out.isEmpty())
        out.truncate(encodeInto(text, out.data(), replaced));
    return out;
}

qsizetype CodePage::encodeInto(QStringView text, char *out, qint64 *replaced) const
{
    qsizetype n = 0;
    const qsizetype size = text.size();
    const char16_t *in = text.utf16();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = in[i];
        int byte = c < 128 ? int(c) : byteOf(c);
        if (byte < 0) {
            byte = '?';
            if (replaced)
                ++*replaced;
            // A surrogate pair is one character.
            if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(in[i + 1]))
                ++i;
        }
        out[n++] = char(byte);
    }
    return n;
}

} // namespace tw::foxpro
