#include "Parser.h"

#include "Lexer.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ado/ValueText.h"

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
    void parseColumnOptions(ColumnDef &column);
    int parseTypeArgument();
    qint64 parseSignedWhole();
    Literal parseLiteral();
    Literal parseDateLiteral();
    bool parseLogicalLiteral(Literal &literal);
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

// CREATE TABLE name(column type[(n[,m])] [options], ...)
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
    parseColumnOptions(column);
    return column;
}

// After the type, in any order, each at most once: NULL | NOT NULL, and
// AUTOINC [NEXTVALUE [+|-]n [STEP n]] (Visual FoxPro's words).
void StatementParser::parseColumnOptions(ColumnDef &column)
{
    for (;;) {
        if (!column.nullable.has_value() && matchKeyword(u"NULL")) {
            column.nullable = true;
        } else if (!column.nullable.has_value() && matchKeyword(u"NOT")) {
            consumeKeyword(u"NULL");
            column.nullable = false;
        } else if (!column.autoIncrement && matchKeyword(u"AUTOINC")) {
            column.autoIncrement = true;
            if (matchKeyword(u"NEXTVALUE")) {
                column.nextValue = parseSignedWhole();
                if (matchKeyword(u"STEP"))
                    column.step = parseTypeArgument();
            }
        } else {
            return;
        }
    }
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

// [+|-]digits, within the range of an int.
qint64 StatementParser::parseSignedWhole()
{
    const bool negative = m_current.type == TokenType::Minus;
    if (negative || m_current.type == TokenType::Plus)
        advance();
    bool ok = false;
    const qint64 value = m_current.type == TokenType::Number ? m_current.body.toLongLong(&ok) : 0;
    if (!ok || value > std::numeric_limits<int>::max())
        expected(QStringLiteral("a whole number up to %1").arg(std::numeric_limits<int>::max()));
    advance();
    return negative ? -value : value;
}

// 'text' ['+' 'text' ...] | NULL | [+|-]number | {^date} | {^date time} | {} | .T. | .F.
Literal StatementParser::parseLiteral()
{
    Literal literal;
    switch (m_current.type) {
    case TokenType::Braced:
        return parseDateLiteral();
    case TokenType::Dot:
        if (parseLogicalLiteral(literal))
            return literal;
        break;
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

// At a Braced token: {} (or {/:}, {:}, blanks between) is the empty date;
// {^yyyy-mm-dd} a date and {^yyyy-mm-dd hh:mm[:ss]} a date and time, read as
// ValueText reads them.
Literal StatementParser::parseDateLiteral()
{
    Literal literal;
    literal.text = m_lexer.source().sliced(m_current.start, m_current.length).toString();
    const QStringView body = m_current.body.trimmed();
    bool empty = true;
    for (const QChar c : body)
        empty = empty && (c == u'/' || c == u':' || c.isSpace());
    if (empty) {
        literal.kind = Literal::Kind::EmptyDate;
        advance();
        return literal;
    }
    if (body.startsWith(u'^')) {
        const ado::Converted<ado::Variant> when = ado::dateOrTimeFromText(body.sliced(1));
        const ado::Variant::Kind kind = when.value.kind();
        if (when && (kind == ado::Variant::Kind::Date || kind == ado::Variant::Kind::DateTime)) {
            literal.kind = kind == ado::Variant::Kind::Date ? Literal::Kind::Date : Literal::Kind::DateTime;
            literal.value = when.value;
            advance();
            return literal;
        }
    }
    expected(QStringLiteral("a date as {^yyyy-mm-dd} or {^yyyy-mm-dd hh:mm:ss}"));
}

// At a Dot: .T., .F. (.Y., .N. too), written without blanks; false, with
// nothing taken, when the dot starts no logical.
bool StatementParser::parseLogicalLiteral(Literal &literal)
{
    Lexer ahead = m_lexer;
    const Token letter = ahead.next();
    const Token close = ahead.next();
    if (letter.type != TokenType::Word || letter.length != 1 || letter.start != m_current.start + 1 ||
        close.type != TokenType::Dot || close.start != letter.start + 1)
        return false;
    const ado::Converted<bool> logical = ado::logicalFromText(letter.body);
    if (!logical)
        return false;
    literal.kind = Literal::Kind::Logical;
    literal.text = m_lexer.source().sliced(m_current.start, 3).toString();
    literal.value = ado::Variant::boolean(logical.value);
    m_lexer = ahead;
    advance();
    return true;
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
