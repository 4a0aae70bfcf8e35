#pragma once
// Variant: one field value as the providers hand it over and take it back,
// with the locale-independent text form every conversion to text uses.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <type_traits>
#include <variant>

namespace tw::ado {

class Variant {
public:
    enum class Kind { Empty, Null, Text, Integer, Double, Currency, Decimal, Date, Time, DateTime, Boolean, Bytes };

    static constexpr int kMsPerDay = 86'400'000;

    Variant() = default; // Empty
    static Variant null();
    static Variant text(const QString &value);
    static Variant text(QString &&value);
    static Variant integer(qint64 value);
    static Variant real(double value);
    // Currency as a count of ten-thousandths (ADO's scaled 64-bit integer).
    static Variant currency(qint64 tenThousandths);
    // Exact decimal digits: an optional '-', digits, optionally '.' and digits.
    // Throws RuntimeError when the text is not of that form.
    static Variant decimal(const QString &digits);
    static Variant date(const QDate &value);
    // Time of day in milliseconds since midnight, 0 to kMsPerDay - 1.
    static Variant time(int msOfDay);
    static Variant dateTime(const QDate &date, int msOfDay);
    static Variant boolean(bool value);
    static Variant bytes(const QByteArray &value);

    // Makes this a Text (or Decimal) value and gives its string to be filled
    // right away (resized, then written), about `size` characters long. The
    // string keeps the memory the value held when no other value shares it and
    // it is not far larger: readers that refill the same rows allocate nothing.
    QString &textToFill(qsizetype size, Kind kind = Kind::Text);
    // Makes this a Text value with a copy of `text`, the same way.
    void setText(QStringView text);
    // Makes this a Text value kept as a copy of the bytes a table stores it
    // in, in `codePage` (its memory kept as textToFill keeps it). Only for
    // bytes the page reads back as themselves (encoding::TextCodec::
    // keepsAsStored): the text is decoded when it is first asked for (asText,
    // toText, textView), and a writer of the same page takes the bytes as they
    // are (storedBytesIn).
    void setStoredText(QByteArrayView bytes, int codePage);
    static Variant storedText(QByteArrayView bytes, int codePage);
    // Makes this the text of `value` when it is a number, date, time or
    // logical (see toText), kept as stored in `codePage`: its characters are
    // ASCII, which every page reads as itself. False, and this unchanged, for
    // any other value.
    bool setShortTextStored(const Variant &value, int codePage);
    // Becomes a copy of other whose text is copied into the memory this value
    // holds (as textToFill keeps it) instead of shared: values that cross to
    // another thread leave their memory behind.
    void assign(const Variant &other);
    void swap(Variant &other) noexcept;

    // The memory its text or bytes take (0 for the other kinds), for
    // keeping batches of rows to a size.
    qsizetype payloadBytes() const;

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isEmpty() const { return m_kind == Kind::Empty; }

    // Direct access; each requires the matching kind (checked, RuntimeError otherwise).
    const QString &asText() const;
    qint64 asInteger() const;
    double asDouble() const;
    qint64 asCurrency() const;
    const QString &asDecimal() const;
    QDate asDate() const;  // Date and DateTime
    int asMsOfDay() const; // Time and DateTime
    bool asBoolean() const;
    const QByteArray &asBytes() const;
    // The bytes of a Text kept as stored in `codePage`; nullptr for any other
    // value (a text kept in another page, or already decoded). Valid until its
    // text is asked for.
    const QByteArray *storedBytesIn(int codePage) const;
    // The code page of a Text kept as stored; 0 for any other value.
    int storedCodePage() const;
    // The length of a Text in UTF-16 units; a text kept as stored in a
    // single-byte page is not decoded for it.
    qsizetype textLength() const;

    // The text form ValueText.h describes: numbers with "." and no grouping
    // (doubles in the shortest form that reads back exactly), "YYYY-MM-DD",
    // "HH:MM:SS", "YYYY-MM-DD HH:MM:SS" with ".mmm" only when the milliseconds
    // are not zero, "True"/"False", bytes one character per byte. Empty and
    // Null give "".
    QString toText() const;
    // The same text as a view, for writing it out without a copy: of the
    // stored text for Text and Decimal, otherwise of scratch, which it
    // overwrites (its memory is reused from call to call).
    QStringView textView(QString &scratch) const;

    // Conversions a target column applies (ValueText's doubleOf and wholeOf);
    // RuntimeError when impossible.
    double toDouble() const;
    qint64 toInteger() const;

    bool operator==(const Variant &other) const;

private:
    using Storage = std::variant<std::monostate, QString, qint64, double, bool, QByteArray, QDate>;
    const char16_t *writeShortText(char16_t *buffer) const;
    QByteArray &storedTextToFill(int codePage, qsizetype size);
    bool keptAsStored() const { return m_kind == Kind::Text && m_storage.index() == kBytesIndex; }
    void decodeStored() const;
    QString textCopy() const;                // of a Text, without decoding it for good
    static constexpr size_t kBytesIndex = 5; // the QByteArray of Storage
    Variant(Kind kind, Storage storage, int ms = 0) : m_kind(kind), m_storage(std::move(storage)), m_ms(ms) {}

    Kind m_kind = Kind::Empty;
    // A Text kept as stored holds its bytes until its text is first asked
    // for, and then the text (a Variant is used by one thread at a time).
    mutable Storage m_storage;
    mutable int m_ms = 0; // milliseconds of day for Time and DateTime; the code page of a Text kept as stored
};

const char *kindName(Variant::Kind kind);

} // namespace tw::ado
