// iconv over Windows' code pages: MultiByteToWideChar and WideCharToMultiByte
// one character at a time, so that every failure stops at the character that
// caused it, as the callers expect of iconv. UTF-8 and UTF-16LE are done here.

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

constexpr unsigned kUtf8 = CP_UTF8;
constexpr unsigned kUtf16Le = 1200; // Windows' number for UTF-16LE
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr std::size_t kLongestSequence = 8;

struct Converter {
    unsigned from = 0;
    unsigned to = 0;
    bool fromDoubleByte = false;
};

iconv_t failedOpen()
{
    return reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));
}

// The Windows code page for an iconv name; 0 when there is none.
unsigned codePageNamed(const char *name)
{
    std::string upper;
    for (const char *c = name; *c && *c != '/'; ++c) // "//TRANSLIT" and the like are ignored
        upper += static_cast<char>(*c >= 'a' && *c <= 'z' ? *c - 'a' + 'A' : *c);
    if (upper == "UTF-8" || upper == "UTF8")
        return kUtf8;
    if (upper == "UTF-16LE")
        return kUtf16Le;
    if (upper == "MACINTOSH" || upper == "MAC")
        return 10000;
    if (upper == "MAC-CYRILLIC")
        return 10007;
    if (upper == "MAC-CENTRALEUROPE")
        return 10029;
    if (upper == "ISO-8859-1" || upper == "LATIN1")
        return 28591;
    std::string digits;
    for (const char *prefix : {"WINDOWS-", "CP-", "CP"}) {
        if (upper.rfind(prefix, 0) == 0) {
            digits = upper.substr(std::strlen(prefix));
            break;
        }
    }
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const unsigned number = static_cast<unsigned>(std::stoul(digits));
    return number != 0 && IsValidCodePage(number) ? number : 0;
}

// One character of UTF-8: its length, 0 for an invalid sequence (EILSEQ),
// or -1 when the input ends inside it (EINVAL).
int decodeUtf8(const unsigned char *in, std::size_t left, char32_t *out)
{
    const unsigned char lead = in[0];
    int length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        *out = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (std::size_t(i) >= left)
            return -1;
        if ((in[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (in[i] & 0x3F);
    }
    if (value < least || value > kLastCodePoint || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *out = value;
    return length;
}

std::size_t encodeUtf8(char32_t c, unsigned char *out)
{
    if (c < 0x80) {
        out[0] = static_cast<unsigned char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 4;
}

int toUtf16(char32_t c, wchar_t *out)
{
    if (c < 0x10000) {
        out[0] = static_cast<wchar_t>(c);
        return 1;
    }
    c -= 0x10000;
    out[0] = static_cast<wchar_t>(0xD800 + (c >> 10));
    out[1] = static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    return 2;
}

char32_t fromUtf16(const wchar_t *units, int count)
{
    if (count == 2)
        return 0x10000 + ((char32_t(units[0]) - 0xD800) << 10) + (char32_t(units[1]) - 0xDC00);
    return units[0];
}

// One character of the source: its length in bytes, 0 (EILSEQ) or -1 (EINVAL).
int decodeOne(const Converter &cv, const unsigned char *in, std::size_t left, char32_t *out)
{
    if (cv.from == kUtf8)
        return decodeUtf8(in, left, out);
    if (cv.from == kUtf16Le) {
        if (left < 2)
            return -1;
        const char32_t first = in[0] | (char32_t(in[1]) << 8);
        if (first >= 0xDC00 && first <= 0xDFFF)
            return 0;
        if (first < 0xD800 || first > 0xDBFF) {
            *out = first;
            return 2;
        }
        if (left < 4)
            return -1;
        const char32_t second = in[2] | (char32_t(in[3]) << 8);
        if (second < 0xDC00 || second > 0xDFFF)
            return 0;
        *out = 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
        return 4;
    }
    int length = 1;
    if (cv.fromDoubleByte && IsDBCSLeadByteEx(cv.from, in[0])) {
        if (left < 2)
            return -1;
        length = 2;
    }
    wchar_t units[2] = {};
    const int count =
        MultiByteToWideChar(cv.from, MB_ERR_INVALID_CHARS, reinterpret_cast<const char *>(in), length, units, 2);
    if (count < 1)
        return 0;
    *out = fromUtf16(units, count);
    return length;
}

// One character in the target: its bytes, or 0 when the target cannot hold it.
std::size_t encodeOne(const Converter &cv, char32_t c, unsigned char *out)
{
    if (cv.to == kUtf8)
        return encodeUtf8(c, out);
    wchar_t units[2];
    const int count = toUtf16(c, units);
    if (cv.to == kUtf16Le) {
        for (int i = 0; i < count; ++i) {
            out[2 * i] = static_cast<unsigned char>(units[i] & 0xFF);
            out[2 * i + 1] = static_cast<unsigned char>(units[i] >> 8);
        }
        return std::size_t(count) * 2;
    }
    BOOL usedDefault = FALSE;
    const int bytes = WideCharToMultiByte(cv.to, WC_NO_BEST_FIT_CHARS, units, count, reinterpret_cast<char *>(out),
                                          int(kLongestSequence), nullptr, &usedDefault);
    if (bytes < 1 || usedDefault)
        return 0;
    return std::size_t(bytes);
}

} // namespace

extern "C" {

iconv_t iconv_open(const char *tocode, const char *fromcode)
{
    const unsigned to = tocode ? codePageNamed(tocode) : 0;
    const unsigned from = fromcode ? codePageNamed(fromcode) : 0;
    if (to == 0 || from == 0) {
        errno = EINVAL;
        return failedOpen();
    }
    auto *cv = new Converter{from, to, false};
    CPINFO info{};
    if (from != kUtf8 && from != kUtf16Le && GetCPInfo(from, &info))
        cv->fromDoubleByte = info.MaxCharSize > 1;
    return cv;
}

std::size_t iconv(iconv_t cd, char **inbuf, std::size_t *inbytesleft, char **outbuf, std::size_t *outbytesleft)
{
    if (cd == failedOpen() || cd == nullptr) {
        errno = EBADF;
        return std::size_t(-1);
    }
    if (inbuf == nullptr || *inbuf == nullptr)
        return 0; // no shift state to reset
    const Converter &cv = *static_cast<const Converter *>(cd);
    while (*inbytesleft > 0) {
        const auto *in = reinterpret_cast<const unsigned char *>(*inbuf);
        char32_t c = 0;
        const int used = decodeOne(cv, in, *inbytesleft, &c);
        if (used <= 0) {
            errno = used == 0 ? EILSEQ : EINVAL;
            return std::size_t(-1);
        }
        unsigned char bytes[kLongestSequence];
        const std::size_t length = encodeOne(cv, c, bytes);
        if (length == 0) {
            errno = EILSEQ;
            return std::size_t(-1);
        }
        if (length > *outbytesleft) {
            errno = E2BIG;
            return std::size_t(-1);
        }
        std::memcpy(*outbuf, bytes, length);
        *outbuf += length;
        *outbytesleft -= length;
        *inbuf += used;
        *inbytesleft -= std::size_t(used);
    }
    return 0;
}

int iconv_close(iconv_t cd)
{
    if (cd == failedOpen() || cd == nullptr) {
        errno = EBADF;
        return -1;
    }
    delete static_cast<Converter *>(cd);
    return 0;
}

} // extern "C"
