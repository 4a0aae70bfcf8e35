#pragma once
// Lexer: cuts an SQL text into tokens one at a time. It never fails: text it
// cannot read becomes an Invalid token that says what was wrong, and the
// parser reports it with its position.

#include <QString>
#include <QStringView>

namespace tw::sql {

enum class TokenType {
    Word,   // a bare word: keyword, type name or unquoted name
    Name,   // a quoted name: [..], `..` or ".."; text holds it unquoted
    String, // one '...' piece; text holds it with '' undoubled
    Number, // digits with an optional fraction and exponent, as written
    LeftParen,
    RightParen,
    Comma,
    Semicolon,
    Star,
    Plus,
    Minus,
    Dot,
    End,     // the end of the text
    Invalid, // its message says what was found, e.g. "an unterminated string literal"
    Braced,  // {...}, FoxPro's date literals; text holds what is between the braces
};

// Why a token is Invalid.
enum class InvalidReason { None, UnexpectedCharacter, UnterminatedString, UnterminatedName, UnterminatedBraces };

// A token refers to the source text (which must outlive it) instead of
// holding a copy, so that the parser moves tokens around for free.
struct Token {
    TokenType type = TokenType::End;
    // The characters as written: a Name's or String's between its quotes
    // (doubled closing quotes still doubled), a Braced one's between its
    // braces, the whole token otherwise.
    QStringView body;
    // For Name and String (and an unterminated one): the closing quote, and
    // whether the body holds it doubled (and so stands for fewer characters).
    QChar close;
    bool doubled = false;
    InvalidReason reason = InvalidReason::None;
    qsizetype start = 0;  // index of the first character in the source
    qsizetype length = 0; // characters of source the token spans

    // Appends the token's text: a Name unquoted, a String with '' undoubled,
    // an Invalid token's message, other tokens as written.
    void appendTextTo(QString &out) const;
    QString text() const;
    // For Invalid: what was found, e.g. "an unterminated string literal".
    QString message() const;
};

class Lexer {
public:
    // The text must outlive the lexer.
    explicit Lexer(QStringView text) : m_text(text) {}

    // The next token; End (again and again) once the text is used up. After an
    // Invalid token the lexer goes on with the rest of the text.
    Token next();

    QStringView source() const { return m_text; }

private:
    void skipWhitespace();
    Token lexWord();
    Token lexNumber();
    // A String, Name or Braced: the body ends at the first close; with
    // doubledCloseEscapes two closes in a row stand for one.
    Token lexQuoted(TokenType type, QChar close, bool doubledCloseEscapes);
    // A token whose text is the source from start to the current position.
    Token plain(TokenType type, qsizetype start);
    Token single(TokenType type);
    Token invalid(qsizetype start, qsizetype length, InvalidReason reason, QChar close = {});

    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace tw::sql
