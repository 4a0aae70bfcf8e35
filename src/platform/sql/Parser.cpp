#include "Parser.h"

#include "Lexer.h"
#include "platform/ado/RuntimeError.h"

#include <limits>

namespace tw::sql {

namespace {

// Longest piece of source quoted in a message; longer ones are cut with "...".
constexpr qsizetype kMaxQuotedSource = 40;
// A type may take a size, or a precision and a scale.
constexpr std::size_t kMaxTypeArguments = 2;

// One parse method per statement over one token of lookahead. The grammar has
// no nesting, so no method calls itself and deep input cannot grow the stack.
class StatementParser {
public:
    explicit StatementParser(QStringView text) : m_lexer(text) { advance(); }

    Statement parseStatement();

private:
    CreateTable parseCreateTable();
    DropTable parseDropTable();
    Statement parseSelect();
    Insert parseInsert();

    ColumnDef parseColumnDef();
    int parseTypeArgument();
    Literal parseLiteral();
    qsizetype stringChainLength() const;
    QString parseName(const char *expectation = "a name");

    bool isKeyword(QStringView keyword) const;
    bool matchKeyword(QStringView keyword);
    void consumeKeyword(QStringView keyword);
    bool match(TokenType type);
    void consume(TokenType type, const char *expectation);
    void advance();

    [[noreturn]] void expected(const QString &expectation) const;
    QString describeCurrent() const;
    qsizetype characterPosition(qsizetype index) const;

    Lexer m_lexer;
    Token m_current;
};

Statement StatementParser::parseStatement()
{
    Statement statement;
    if (isKeyword(u"SELECT"))
        statement = parseSelect();
    else if (isKeyword(u"INSERT"))
        statement = parseInsert();
    else if (isKeyword(u"CREATE"))
        statement = parseCreateTable();
    else if (isKeyword(u"DROP"))
        statement = parseDropTable();
    else
        expected(QStringLiteral("a statement (SELECT, INSERT, CREATE or DROP)"));

    match(TokenType::Semicolon);
    if (m_current.type != TokenType::End)
        expected(QStringLiteral("the end of the statement"));
    return statement;
}

// CREATE TABLE name(column type[(n[,m])], ...)
CreateTable StatementParser::parseCreateTable()
{
    consumeKeyword(u"CREATE");
    consumeKeyword(u"TABLE");
    CreateTable create;
    create.table = parseName("a table name");
    consume(TokenType::LeftParen, "'('");
    do {
        create.columns.push_back(parseColumnDef());
    } while (match(TokenType::Comma));
    consume(TokenType::RightParen, "',' or ')'");
    return create;
}

// DROP TABLE name
DropTable StatementParser::parseDropTable()
{
    consumeKeyword(u"DROP");
    consumeKeyword(u"TABLE");
    DropTable drop;
    drop.table = parseName("a table name");
    return drop;
}

// SELECT * FROM name
// SELECT * INTO [connect].target FROM name
Statement StatementParser::parseSelect()
{
    consumeKeyword(u"SELECT");
    consume(TokenType::Star, "'*'");
    if (matchKeyword(u"INTO")) {
        SelectInto into;
        into.target = parseName("a table name");
        if (match(TokenType::Dot)) {
            into.connect = std::move(into.target);
            into.target = parseName("a table name");
        }
        consumeKeyword(u"FROM");
        into.source = parseName("a table name");
        return into;
    }
    if (!isKeyword(u"FROM"))
        expected(QStringLiteral("'FROM' or 'INTO'"));
    advance();
    SelectAll select;
    select.table = parseName("a table name");
    return select;
}

// INSERT INTO name VALUES(literal, ...)
Insert StatementParser::parseInsert()
{
    consumeKeyword(u"INSERT");
    consumeKeyword(u"INTO");
    Insert insert;
    insert.table = parseName("a table name");
    consumeKeyword(u"VALUES");
    consume(TokenType::LeftParen, "'('");
    do {
        insert.values.push_back(parseLiteral());
    } while (match(TokenType::Comma));
    consume(TokenType::RightParen, "',' or ')'");
    return insert;
}

ColumnDef StatementParser::parseColumnDef()
{
    ColumnDef column;
    column.name = parseName("a column name");
    if (m_current.type != TokenType::Word)
        expected(QStringLiteral("a type name"));
    column.typeName = m_current.body.toString().toUpper();
    advance();
    if (match(TokenType::LeftParen)) {
        do {
            if (column.typeArgs.size() == kMaxTypeArguments)
                expected(QStringLiteral("')'"));
            column.typeArgs.push_back(parseTypeArgument());
        } while (match(TokenType::Comma));
        consume(TokenType::RightParen, "',' or ')'");
    }
    return column;
}

int StatementParser::parseTypeArgument()
{
    bool ok = false;
    const int value = m_current.type == TokenType::Number ? m_current.body.toInt(&ok) : 0;
    if (!ok)
        expected(QStringLiteral("a whole number up to %1").arg(std::numeric_limits<int>::max()));
    advance();
    return value;
}

// 'text' ['+' 'text' ...] | NULL | [+|-]number
Literal StatementParser::parseLiteral()
{
    Literal literal;
    switch (m_current.type) {
    case TokenType::String:
        literal.kind = Literal::Kind::String;
        if (const qsizetype length = stringChainLength(); length > 0)
            literal.text.reserve(length);
        m_current.appendTextTo(literal.text); // '' alone leaves the text null
        advance();
        // Long values arrive cut into many pieces; appending keeps the join linear.
        while (match(TokenType::Plus)) {
            if (m_current.type != TokenType::String)
                expected(QStringLiteral("a string literal after '+'"));
            m_current.appendTextTo(literal.text);
            advance();
        }
        return literal;
    case TokenType::Word:
        if (!isKeyword(u"NULL"))
            break;
        literal.kind = Literal::Kind::Null;
        advance();
        return literal;
    case TokenType::Plus:
    case TokenType::Minus: {
        const QStringView sign = m_current.body;
        advance();
        if (m_current.type != TokenType::Number)
            expected(QStringLiteral("a number"));
        literal.kind = Literal::Kind::Number;
        literal.text.reserve(sign.size() + m_current.body.size());
        literal.text.append(sign).append(m_current.body);
        advance();
        return literal;
    }
    case TokenType::Number:
        literal.kind = Literal::Kind::Number;
        literal.text = m_current.body.toString();
        advance();
        return literal;
    default:
        break;
    }
    expected(QStringLiteral("a value"));
}

// At a String: the characters of it and of the pieces joined to it with '+'
// at most, found by a look ahead on a copy of the lexer, so that the value is
// allocated once.
qsizetype StatementParser::stringChainLength() const
{
    qsizetype length = m_current.body.size();
    Lexer ahead = m_lexer;
    while (ahead.next().type == TokenType::Plus) {
        const Token piece = ahead.next();
        if (piece.type != TokenType::String)
            break;
        length += piece.body.size();
    }
    return length;
}

QString StatementParser::parseName(const char *expectation)
{
    if (m_current.type != TokenType::Word && m_current.type != TokenType::Name)
        expected(QString::fromLatin1(expectation));
    QString name = m_current.text();
    advance();
    return name;
}

bool StatementParser::isKeyword(QStringView keyword) const
{
    return m_current.type == TokenType::Word && m_current.body.compare(keyword, Qt::CaseInsensitive) == 0;
}

bool StatementParser::matchKeyword(QStringView keyword)
{
    if (!isKeyword(keyword))
        return false;
    advance();
    return true;
}

void StatementParser::consumeKeyword(QStringView keyword)
{
    if (!matchKeyword(keyword))
        expected(QLatin1Char('\'') + keyword.toString() + QLatin1Char('\''));
}

bool StatementParser::match(TokenType type)
{
    if (m_current.type != type)
        return false;
    advance();
    return true;
}

void StatementParser::consume(TokenType type, const char *expectation)
{
    if (!match(type))
        expected(QString::fromLatin1(expectation));
}

void StatementParser::advance()
{
    m_current = m_lexer.next();
}

void StatementParser::expected(const QString &expectation) const
{
    throw ado::RuntimeError(QStringLiteral("Syntax error at position %1: expected %2 but found %3.")
                                .arg(characterPosition(m_current.start) + 1)
                                .arg(expectation, describeCurrent()));
}

QString StatementParser::describeCurrent() const
{
    switch (m_current.type) {
    case TokenType::End:
        return QStringLiteral("the end of the statement");
    case TokenType::Invalid:
        return m_current.message();
    default:
        break;
    }
    QString source = m_lexer.source().sliced(m_current.start, m_current.length).toString();
    if (source.size() > kMaxQuotedSource) {
        qsizetype cut = kMaxQuotedSource - 3;
        if (source[cut - 1].isHighSurrogate())
            --cut;
        source = source.first(cut) + QStringLiteral("...");
    }
    for (QChar &c : source) {
        if (c.unicode() < u' ')
            c = u' ';
    }
    if (m_current.type == TokenType::String)
        return QStringLiteral("the string ") + source;
    return QLatin1Char('\'') + source + QLatin1Char('\'');
}

// Index into the text (UTF-16 units) to characters, counting a surrogate pair as one.
qsizetype StatementParser::characterPosition(qsizetype index) const
{
    const QStringView text = m_lexer.source();
    qsizetype characters = index;
    for (qsizetype i = 1; i < index; ++i) {
        if (text[i].isLowSurrogate() && text[i - 1].isHighSurrogate())
            --characters;
    }
    return characters;
}

} // namespace

Statement parse(const QString &text)
{
    return StatementParser(text).parseStatement();
}

} // namespace tw::sql
