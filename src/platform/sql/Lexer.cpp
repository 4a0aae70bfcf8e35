#include "Lexer.h"

#include <type_traits>

namespace tw::sql {

static_assert(std::is_trivially_copyable_v<Token>, "tokens are copied once per advance");

namespace {

constexpr QChar kStringQuote = u'\'';
constexpr QChar kBracketOpen = u'[';
constexpr QChar kBracketClose = u']';
constexpr QChar kBacktick = u'`';
constexpr QChar kDoubleQuote = u'"';
constexpr QChar kBraceOpen = u'{';
constexpr QChar kBraceClose = u'}';

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isWordPart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// How an unexpected character reads in a message: printable ones as
// themselves, the rest by their code.
QString describeCharacter(QStringView ch)
{
    const char32_t code = ch.size() == 2 ? QChar::surrogateToUcs4(ch[0], ch[1]) : ch[0].unicode();
    if (!QChar::isSurrogate(code) && QChar::isPrint(code))
        return QStringLiteral("the character '%1'").arg(ch.toString());
    return QStringLiteral("the character U+") + QString::number(code, 16).toUpper().rightJustified(4, u'0');
}

} // namespace

void Token::appendTextTo(QString &out) const
{
    if (type == TokenType::Invalid) {
        out.append(message());
        return;
    }
    if (!doubled) {
        out.append(body);
        return;
    }
    // Each doubled closing quote stands for one: keep the first of the pair.
    qsizetype from = 0;
    for (;;) {
        const qsizetype quote = body.indexOf(close, from);
        if (quote < 0) {
            out.append(body.sliced(from));
            return;
        }
        out.append(body.sliced(from, quote + 1 - from));
        from = quote + 2;
    }
}

QString Token::text() const
{
    if (type == TokenType::Invalid)
        return message();
    if (body.isEmpty())
        return {}; // '' and [] stand for the null text
    if (!doubled)
        return body.toString();
    QString out;
    out.reserve(body.size());
    appendTextTo(out);
    return out;
}

QString Token::message() const
{
    switch (reason) {
    case InvalidReason::None:
        break;
    case InvalidReason::UnexpectedCharacter:
        return describeCharacter(body);
    case InvalidReason::UnterminatedString:
        return QStringLiteral("an unterminated string literal");
    case InvalidReason::UnterminatedName:
        return QStringLiteral("an unterminated name (no closing %1)").arg(close);
    case InvalidReason::UnterminatedBraces:
        return QStringLiteral("an unterminated date literal (no closing })");
    }
    return {};
}

Token Lexer::next()
{
    skipWhitespace();
    if (m_pos >= m_text.size())
        return Token{TokenType::End, {}, {}, false, InvalidReason::None, m_text.size(), 0};

    const QChar c = m_text[m_pos];
    if (c == kStringQuote)
        return lexQuoted(TokenType::String, kStringQuote, true);
    if (c == kBracketOpen)
        return lexQuoted(TokenType::Name, kBracketClose, false);
    if (c == kBacktick)
        return lexQuoted(TokenType::Name, kBacktick, true);
    if (c == kDoubleQuote)
        return lexQuoted(TokenType::Name, kDoubleQuote, true);
    if (c == kBraceOpen)
        return lexQuoted(TokenType::Braced, kBraceClose, false);
    if (isDigit(c) || (c == u'.' && m_pos + 1 < m_text.size() && isDigit(m_text[m_pos + 1])))
        return lexNumber();
    if (isWordStart(c))
        return lexWord();

    switch (c.unicode()) {
    case u'(':
        return single(TokenType::LeftParen);
    case u')':
        return single(TokenType::RightParen);
    case u',':
        return single(TokenType::Comma);
    case u';':
        return single(TokenType::Semicolon);
    case u'*':
        return single(TokenType::Star);
    case u'+':
        return single(TokenType::Plus);
    case u'-':
        return single(TokenType::Minus);
    case u'.':
        return single(TokenType::Dot);
    default:
        break;
    }

    qsizetype length = 1;
    if (c.isHighSurrogate() && m_pos + 1 < m_text.size() && m_text[m_pos + 1].isLowSurrogate())
        length = 2;
    const qsizetype start = m_pos;
    m_pos += length;
    return invalid(start, length, InvalidReason::UnexpectedCharacter);
}

void Lexer::skipWhitespace()
{
    while (m_pos < m_text.size() && m_text[m_pos].isSpace())
        ++m_pos;
}

Token Lexer::lexWord()
{
    const qsizetype start = m_pos;
    while (m_pos < m_text.size() && isWordPart(m_text[m_pos]))
        ++m_pos;
    return plain(TokenType::Word, start);
}

Token Lexer::lexNumber()
{
    const qsizetype start = m_pos;
    const auto skipDigits = [this] {
        while (m_pos < m_text.size() && isDigit(m_text[m_pos]))
            ++m_pos;
    };
    skipDigits();
    if (m_pos < m_text.size() && m_text[m_pos] == u'.') {
        ++m_pos;
        skipDigits();
    }
    if (m_pos < m_text.size() && (m_text[m_pos] == u'e' || m_text[m_pos] == u'E')) {
        qsizetype exponent = m_pos + 1;
        if (exponent < m_text.size() && (m_text[exponent] == u'+' || m_text[exponent] == u'-'))
            ++exponent;
        if (exponent < m_text.size() && isDigit(m_text[exponent])) {
            m_pos = exponent;
            skipDigits();
        }
    }
    return plain(TokenType::Number, start);
}

Token Lexer::lexQuoted(TokenType type, QChar close, bool doubledCloseEscapes)
{
    const qsizetype start = m_pos;
    const qsizetype bodyStart = m_pos + 1;
    qsizetype from = bodyStart;
    bool doubled = false;
    for (;;) {
        const qsizetype end = m_text.indexOf(close, from);
        if (end < 0) {
            m_pos = m_text.size();
            const InvalidReason reason = type == TokenType::String   ? InvalidReason::UnterminatedString
                                         : type == TokenType::Braced ? InvalidReason::UnterminatedBraces
                                                                     : InvalidReason::UnterminatedName;
            return invalid(start, m_pos - start, reason, close);
        }
        if (doubledCloseEscapes && end + 1 < m_text.size() && m_text[end + 1] == close) {
            doubled = true;
            from = end + 2;
            continue;
        }
        m_pos = end + 1;
        return Token{
            type, m_text.sliced(bodyStart, end - bodyStart), close, doubled, InvalidReason::None, start, m_pos - start};
    }
}

Token Lexer::plain(TokenType type, qsizetype start)
{
    return Token{type, m_text.sliced(start, m_pos - start), {}, false, InvalidReason::None, start, m_pos - start};
}

Token Lexer::single(TokenType type)
{
    const qsizetype start = m_pos++;
    return plain(type, start);
}

Token Lexer::invalid(qsizetype start, qsizetype length, InvalidReason reason, QChar close)
{
    return Token{TokenType::Invalid, m_text.sliced(start, length), close, false, reason, start, length};
}

} // namespace tw::sql
