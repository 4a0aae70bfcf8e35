#pragma once
// CodePage: the conversion between a table's code page (named by the DBF
// header's code-page mark) and Unicode, through iconv.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <unordered_map>

namespace tw::foxpro {

class CodePage {
public:
    // The code page a header mark names; Windows-1252 for no mark (0) and for
    // marks without a known page.
    static const CodePage &forMark(uint8_t mark);
    static const CodePage &windows1252();
    // The mark Visual FoxPro writes for Windows-1252.
    static constexpr uint8_t kMark1252 = 0x03;

    int number() const { return m_number; }
    bool singleByte() const { return m_singleByte; }

    // Bytes the page does not define become U+FFFD, except those from 0x80 to
    // 0x9F of a single-byte page: they become the control characters U+0080 to
    // U+009F of their number and are encoded back to the same byte.
    QString decode(const char *data, qsizetype size) const;
    QString decode(const QByteArray &bytes) const { return decode(bytes.constData(), bytes.size()); }
    // Characters the page cannot hold become '?', counted in *replaced.
    QByteArray encode(const QString &text, qint64 *replaced = nullptr) const;
    // The same bytes written to `out`, which has room for text.size() bytes
    // (never more are needed); returns how many were written.
    qsizetype encodeInto(QStringView text, char *out, qint64 *replaced = nullptr) const;
    // The byte of one character, or -1 when the page has none (single-byte pages).
    int byteOf(char16_t c) const;

    explicit CodePage(int number);

private:
    QString decodeMultiByte(const char *data, qsizetype size) const;

    int m_number;
    bool m_singleByte = true;
    QByteArray m_iconvName;
    std::array<char16_t, 256> m_toUnicode{};
    std::unordered_map<char16_t, uint8_t> m_fromUnicode;
};

} // namespace tw::foxpro
