#pragma once
// TextCodec: converts table text between a Paradox code page (the header's
// DOS code page number) and Unicode, through iconv.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <vector>

namespace tw::paradox {

class TextCodec {
public:
    // Code page 0 (3.x tables, some 4.x ones) reads as Windows-1252; a code
    // page iconv does not know reads as Windows-1252 too.
    explicit TextCodec(int codePage);
    ~TextCodec();
    TextCodec(const TextCodec &) = delete;
    TextCodec &operator=(const TextCodec &) = delete;

    int codePage() const { return m_codePage; }
    // A byte the code page does not define becomes U+FFFD, except one from 0x80
    // to 0x9F in a single-byte code page, which becomes the control character
    // U+0080 to U+009F of its number and is encoded back to the same byte.
    QString decode(const char *data, int size) const;
    // A character the code page cannot hold becomes "?", counted in *unmapped.
    QByteArray encode(const QString &text, qint64 *unmapped) const;
    // The same into out, replacing what it held (its room is reused).
    void encode(QStringView text, QByteArray &out, qint64 *unmapped) const;
    // The same into the `room` bytes at out; returns how many bytes the text
    // takes, written only when they fit.
    qsizetype encode(QStringView text, char *out, qsizetype room, qint64 *unmapped) const;

private:
    void buildSingleByteTables();
    // Single-byte code pages: writes at most text.size() bytes, returns how many.
    qsizetype encodeSingleByte(QStringView text, char *out, qint64 *unmapped) const;
    void encodeMultiByte(QStringView text, QByteArray &out, qint64 *unmapped) const;

    int m_codePage;
    // Single-byte code pages convert through these tables, without iconv.
    bool m_singleByte = false;
    std::array<char16_t, 256> m_toUnicode{};
    // The byte of each UTF-16 unit, -1 where the code page has none (filled
    // for single-byte code pages only).
    std::vector<qint16> m_fromUnicode;
    void *m_toUtf8 = nullptr;   // iconv_t
    void *m_fromUtf8 = nullptr; // iconv_t
};

} // namespace tw::paradox
