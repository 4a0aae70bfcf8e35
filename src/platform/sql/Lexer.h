#pragma once
// Lexer: cuts an SQL text into tokens one at a time. It never fails: text it
// cannot read becomes an Invalid token that says what was wrong, and the
// parser reports it with its position.

#include <QString>
#include <QStringView>

namespace tw::sql {

enum class TokenType {
    Word,       // a bare word: keyword, type name or unquoted name
    Name,       // a quoted name: [..], `..` or ".."; text holds it unquoted
    String,     // one '...' piece; text holds it with '' undoubled
    Number,     // digits with an optional fraction and exponent, as written
    LeftParen,
    RightParen,
    Comma,
    Semicolon,
    Star,
    Plus,
    Minus,
    Dot,
    End,        // the end of the text
    Invalid,    // text holds what was found, e.g. "an unterminated string literal"
};

struct Token {
    TokenType type = TokenType::End;
    QString text;
    qsizetype start = 0;  // index of the first character in the source
    qsizetype length = 0; // characters of source the token spans
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
    Token lexString();
    // The name ends at the first close; with doubledCloseEscapes two closes in
    // a row stand for one.
    Token lexQuotedName(QChar close, bool doubledCloseEscapes);
    Token single(TokenType type);
    Token invalid(qsizetype start, qsizetype length, const QString &what);

    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace tw::sql
