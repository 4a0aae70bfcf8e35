#pragma once
// TextCodec: converts table text between a Windows or DOS code page (437,
// 866, 936, 1251, ...; 10000 and up for the Macintosh pages) and Unicode.
// Single-byte pages convert through tables built once from iconv, multi-byte
// pages (932, 936, 949, 950) through iconv itself.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <mutex>
#include <vector>

namespace tw::encoding {

class TextCodec {
public:
    static constexpr int kWindows1252 = 1252;
    // Not a page of any table: every byte reads as the character of its
    // number (ISO 8859-1), without a converter. Texts read so are the bytes a
    // table stores, for comparisons that must not go through the page's own
    // converter.
    static constexpr int kStoredBytes = 28591;

    // The shared codec of a code page, built on first use and kept. Code page
    // 0 (none given) and pages iconv cannot convert give Windows-1252.
    static const TextCodec &forCodePage(int codePage);
    static const TextCodec &windows1252() { return forCodePage(kWindows1252); }
    // Whether text converts to and from this code page here.
    static bool converts(int codePage);

    // A codec of its own (forCodePage shares one); the same fallback.
    explicit TextCodec(int codePage);
    ~TextCodec();
    TextCodec(const TextCodec &) = delete;
    TextCodec &operator=(const TextCodec &) = delete;

    int codePage() const { return m_codePage; }
    bool singleByte() const { return m_singleByte; }
    // The most bytes one UTF-16 unit of text takes.
    int maxBytesPerUnit() const { return m_singleByte ? 1 : kMaxMultiBytes; }

    // A byte the page does not define becomes U+FFFD, except one from 0x80 to
    // 0x9F of a single-byte page: it becomes the control character U+0080 to
    // U+009F of its number, and is encoded back to the same byte.
    QString decode(const char *data, qsizetype size) const;
    QString decode(QByteArrayView bytes) const { return decode(bytes.data(), bytes.size()); }
    // The same into out, replacing what it held (its room is reused when no
    // other string shares it).
    void decode(const char *data, qsizetype size, QString &out) const;

    // A character the page cannot hold becomes '?', counted in *replaced
    // (when given); a surrogate pair is one character.
    QByteArray encode(QStringView text, qint64 *replaced = nullptr) const;
    // The same into out, replacing what it held (its room is reused).
    void encode(QStringView text, QByteArray &out, qint64 *replaced) const;
    // The same into out, which has room for maxBytesPerUnit() × text.size()
    // bytes; returns how many were written.
    qsizetype encodeInto(QStringView text, char *out, qint64 *replaced) const;
    // The same into the `room` bytes at out; returns how many bytes the text
    // takes, written only when they fit.
    qsizetype encode(QStringView text, char *out, qsizetype room, qint64 *replaced) const;

    // How many UTF-16 units from the start of text are whole characters whose
    // bytes (a '?' for one the page cannot hold) fit in `room` bytes.
    qsizetype fittingPrefix(QStringView text, qsizetype room) const;
    // Whether the page has bytes for the character.
    bool holds(char32_t c) const;
    // The byte of a character on a single-byte page; -1 when it has none (and
    // on multi-byte pages).
    int byteOf(char16_t c) const;

    // Whether `text`, read from `bytes` by this page, is written back as
    // exactly those bytes. Checked by encoding, so that a fault of the
    // decoding (a character lost or changed) shows.
    bool givesBack(QStringView text, QByteArrayView bytes) const;
    // Whether text stored as `bytes` is read and written back as exactly those
    // bytes by this page's own tables (every byte one character that is
    // written as itself; on multi-byte pages, ASCII only), so that a copy into
    // a table of the same page may take the bytes without converting them.
    bool keepsAsStored(QByteArrayView bytes) const;

    // Tests only: the codec of `codePage` loses the last character of every
    // text with a byte beyond ASCII that it decodes, as a faulty converter
    // would; 0 ends it.
    static void setDecodingFaultForTests(int codePage);

private:
    static constexpr int kMaxMultiBytes = 4;

    void buildSingleByteTables();
    void decodeText(const char *data, qsizetype size, QString &out) const;
    qsizetype encodeSingleByte(QStringView text, char *out, qint64 *replaced) const;
    QString decodeMultiByte(const char *data, qsizetype size) const;
    void encodeMultiByte(QStringView text, QByteArray &out, qint64 *replaced) const;

    int m_codePage;
    bool m_singleByte = false;
    std::array<char16_t, 256> m_toUnicode{};
    // The byte of each UTF-16 unit, -1 where the page has none (single-byte pages).
    std::vector<qint16> m_fromUnicode;
    // The bytes that read as a character written back as the same byte
    // (single-byte pages), one bit each.
    std::array<quint64, 4> m_keptBytes{};
    bool m_keepsEveryByte = false;
    void *m_decoder = nullptr;      // iconv_t: code page -> UTF-16LE
    void *m_encoder = nullptr;      // iconv_t: UTF-16LE -> code page
    mutable std::mutex m_iconvLock; // the converters keep state between calls
};

} // namespace tw::encoding
