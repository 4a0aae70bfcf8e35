// The SQL parser against a table of texts that must fail (with where and why)
// and texts that must parse (with the tree they give), then hostile input.

#include "platform/ado/RuntimeError.h"
#include "platform/sql/FoxProLiteral.h"
#include "platform/sql/Parser.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using tw::ado::Variant;
using tw::sql::Literal;
using tw::sql::Statement;

namespace {

// Strings show their control characters, so expected trees stay on one line.
QString renderString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'\'';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\r':
            out += QStringLiteral("<CR>");
            break;
        case u'\n':
            out += QStringLiteral("<LF>");
            break;
        case u'\t':
            out += QStringLiteral("<TAB>");
            break;
        case u'\'':
            out += QStringLiteral("''");
            break;
        default:
            out += c;
            break;
        }
    }
    out += u'\'';
    return out;
}

QString renderLiteral(const Literal &literal)
{
    switch (literal.kind) {
    case Literal::Kind::Null:
        return QStringLiteral("NULL");
    case Literal::Kind::Number:
        return QStringLiteral("#") + literal.text;
    case Literal::Kind::String:
        return renderString(literal.text);
    case Literal::Kind::Date:
    case Literal::Kind::DateTime:
    case Literal::Kind::EmptyDate:
    case Literal::Kind::Logical:
        return u'{' + QLatin1String(tw::ado::kindName(literal.value.kind())) + u' ' + literal.value.toText() + u'}';
    }
    return QStringLiteral("?");
}

QString brackets(const QString &name)
{
    return u'[' + name + u']';
}

// One line per tree: CREATE [t]([a] M, [b] VARCHAR(20)) | DROP [t] | SELECT [t]
// | INTO [connect].[target] FROM [source] | INSERT [t]('x', NULL, #42)
QString render(const Statement &statement)
{
    struct Renderer {
        QString operator()(const tw::sql::CreateTable &s) const
        {
            QStringList columns;
            for (const auto &column : s.columns) {
                QString text = brackets(column.name) + u' ' + column.typeName;
                if (!column.typeArgs.empty()) {
                    QStringList args;
                    for (int arg : column.typeArgs)
                        args << QString::number(arg);
                    text += u'(' + args.join(u',') + u')';
                }
                if (column.nullable)
                    text += *column.nullable ? QStringLiteral(" NULL") : QStringLiteral(" NOT NULL");
                if (column.autoIncrement)
                    text += QStringLiteral(" AUTOINC(%1,%2)").arg(column.nextValue).arg(column.step);
                columns << text;
            }
            return QStringLiteral("CREATE ") + brackets(s.table) + u'(' + columns.join(QStringLiteral(", ")) + u')';
        }
        QString operator()(const tw::sql::DropTable &s) const { return QStringLiteral("DROP ") + brackets(s.table); }
        QString operator()(const tw::sql::SelectAll &s) const { return QStringLiteral("SELECT ") + brackets(s.table); }
        QString operator()(const tw::sql::SelectInto &s) const
        {
            return QStringLiteral("INTO ") + brackets(s.connect) + u'.' + brackets(s.target) +
                   QStringLiteral(" FROM ") + brackets(s.source);
        }
        QString operator()(const tw::sql::Insert &s) const
        {
            QStringList values;
            for (const auto &value : s.values)
                values << renderLiteral(value);
            return QStringLiteral("INSERT ") + brackets(s.table) + u'(' + values.join(QStringLiteral(", ")) + u')';
        }
    };
    return std::visit(Renderer{}, statement);
}

// The message of the error parse() raises, or an empty text when it parses.
QString parseError(const QString &text)
{
    try {
        tw::sql::parse(text);
    } catch (const tw::ado::RuntimeError &error) {
        return error.description();
    }
    return {};
}

constexpr int kDeepNesting = 100000;
constexpr int kMegabyte = 1 << 20;
constexpr int kPieceLength = 200;
constexpr int kPieceCount = 5000;

} // namespace

class ParserTest : public QObject {
    Q_OBJECT

private slots:
    void mustFail_data();
    void mustFail();
    void mustParse_data();
    void mustParse();
    void foxproLiterals();
    void joinsThousandsOfPieces();
    void keepsEveryLatin1Character();
    void randomInputFailsCleanly();
};

void ParserTest::mustFail_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // a fragment of the error's description

    const auto row = [](const char *name, const QString &text, const QString &message) {
        QTest::newRow(name) << text << message;
    };

    // Statements that are not ours.
    row("empty", "",
        "position 1: expected a statement (SELECT, INSERT, CREATE or DROP) but found the end of the statement.");
    row("blank", " \r\n\t", "position 5: expected a statement");
    row("only semicolon", ";", "position 1: expected a statement (SELECT, INSERT, CREATE or DROP) but found ';'.");
    row("unknown statement", "UPDATE t SET a = 1",
        "position 1: expected a statement (SELECT, INSERT, CREATE or DROP) but found 'UPDATE'.");
    row("quoted keyword", "[SELECT] * FROM t", "position 1: expected a statement");

    // SELECT.
    row("select column list", "SELECT a FROM t", "position 8: expected '*' but found 'a'.");
    row("select without from", "SELECT * t", "position 10: expected 'FROM' or 'INTO' but found 't'.");
    row("select without table", "SELECT * FROM",
        "position 14: expected a table name but found the end of the statement.");
    row("select trailing word", "SELECT * FROM t extra",
        "position 17: expected the end of the statement but found 'extra'.");
    row("select two semicolons", "SELECT * FROM t;;", "position 17: expected the end of the statement but found ';'.");
    row("two statements", "DROP TABLE t; DROP TABLE u",
        "position 15: expected the end of the statement but found 'DROP'.");
    row("select dotted name", "SELECT * FROM a.b", "position 16: expected the end of the statement but found '.'.");
    row("unterminated bracket", "SELECT * FROM [orders",
        "position 15: expected a table name but found an unterminated name (no closing ]).");
    row("bracket closes at first ]", "SELECT * FROM [a]]",
        "position 18: expected the end of the statement but found the character ']'.");
    row("unterminated backtick", "SELECT * FROM `a``",
        "position 15: expected a table name but found an unterminated name (no closing `).");
    row("unterminated double quote", "SELECT * FROM \"a\"\"",
        "position 15: expected a table name but found an unterminated name (no closing \").");
    row("control character", "SELECT * FROM t\x01",
        "position 16: expected the end of the statement but found the character U+0001.");
    row("string as table", "SELECT * FROM 'orders'",
        "position 15: expected a table name but found the string 'orders'.");

    // SELECT INTO.
    row("into without target", "select * into from [o]", "position 20: expected 'FROM' but found '[o]'.");
    row("into dot without target", "select * into [Paradox 5.x;Database=C:\\x]. from [o]",
        "position 49: expected 'FROM' but found '[o]'."); // "from" is taken as the target
    row("into without from", "select * into [a].[b] [o]", "position 23: expected 'FROM' but found '[o]'.");
    row("into three parts", "select * into [a].[b].[c] from [o]", "position 22: expected 'FROM' but found '.'.");
    row("into without source", "select * into [a].[b] from",
        "position 27: expected a table name but found the end of the statement.");

    // DROP.
    row("drop without table keyword", "DROP t", "position 6: expected 'TABLE' but found 't'.");
    row("drop without name", "DROP TABLE", "position 11: expected a table name but found the end of the statement.");
    row("drop two names", "DROP TABLE a b", "position 14: expected the end of the statement but found 'b'.");

    // CREATE TABLE.
    row("create without table keyword", "CREATE t(a M)", "position 8: expected 'TABLE' but found 't'.");
    row("create without name", "CREATE TABLE (a M)", "position 14: expected a table name but found '('.");
    row("create without columns", "CREATE TABLE t", "position 15: expected '(' but found the end of the statement.");
    row("create empty columns", "CREATE TABLE t()", "position 16: expected a column name but found ')'.");
    row("create column without type", "CREATE TABLE t(a)", "position 17: expected a type name but found ')'.");
    row("create quoted type", "CREATE TABLE t(a 'M')", "position 18: expected a type name but found the string 'M'.");
    row("create missing comma", "CREATE TABLE t(a M b M)", "position 20: expected ',' or ')' but found 'b'.");
    row("create trailing comma", "CREATE TABLE t(a M,)", "position 20: expected a column name but found ')'.");
    row("create unclosed", "CREATE TABLE t(a M",
        "position 19: expected ',' or ')' but found the end of the statement.");
    row("create empty type args", "CREATE TABLE t(a VARCHAR())",
        "position 26: expected a whole number up to 2147483647 but found ')'.");
    row("create fractional type arg", "CREATE TABLE t(a VARCHAR(2.5))",
        "position 26: expected a whole number up to 2147483647 but found '2.5'.");
    row("create huge type arg", "CREATE TABLE t(a VARCHAR(99999999999))",
        "position 26: expected a whole number up to 2147483647 but found '99999999999'.");
    row("create negative type arg", "CREATE TABLE t(a VARCHAR(-1))",
        "position 26: expected a whole number up to 2147483647 but found '-'.");
    row("create three type args", "CREATE TABLE t(a DECIMAL(10,2,1))", "position 31: expected ')' but found '1'.");
    row("create type args unclosed", "CREATE TABLE t(a DECIMAL(10 b M)",
        "position 29: expected ',' or ')' but found 'b'.");
    row("create null and not null", "CREATE TABLE t(a B NULL NOT NULL)",
        "position 25: expected ',' or ')' but found 'NOT'.");
    row("create not without null", "CREATE TABLE t(a B NOT)", "position 23: expected 'NULL' but found ')'.");
    row("create nextvalue past an I value", "CREATE TABLE t(a I AUTOINC NEXTVALUE -2147483648)",
        "position 39: expected a whole number up to 2147483647 but found '2147483648'.");
    row("create step without nextvalue", "CREATE TABLE t(a I AUTOINC STEP 2)",
        "position 28: expected ',' or ')' but found 'STEP'.");

    // INSERT.
    row("insert without into", "INSERT t VALUES('a')", "position 8: expected 'INTO' but found 't'.");
    row("insert column list", "INSERT INTO t('a')", "position 14: expected 'VALUES' but found '('.");
    row("insert without parenthesis", "INSERT INTO t VALUES 'a'",
        "position 22: expected '(' but found the string 'a'.");
    row("insert no values", "INSERT INTO t VALUES()", "position 22: expected a value but found ')'.");
    row("insert trailing comma", "INSERT INTO t VALUES('a',)", "position 26: expected a value but found ')'.");
    row("insert unclosed", "INSERT INTO t VALUES('a'",
        "position 25: expected ',' or ')' but found the end of the statement.");
    row("insert pieces without plus", "INSERT INTO t VALUES('a' 'b')",
        "position 26: expected ',' or ')' but found the string 'b'.");
    row("insert plus at end", "INSERT INTO t VALUES('a'+)",
        "position 26: expected a string literal after '+' but found ')'.");
    row("insert plus null", "INSERT INTO t VALUES('a'+NULL)",
        "position 26: expected a string literal after '+' but found 'NULL'.");
    row("insert number plus number", "INSERT INTO t VALUES(1 + 2)", "position 24: expected ',' or ')' but found '+'.");
    row("insert sign before string", "INSERT INTO t VALUES(-'a')",
        "position 23: expected a number but found the string 'a'.");
    row("insert bare word", "INSERT INTO t VALUES(x)", "position 22: expected a value but found 'x'.");
    row("insert double-quoted value", "INSERT INTO t VALUES(\"a\")",
        "position 22: expected a value but found '\"a\"'.");
    row("insert stray character", "INSERT INTO t VALUES(@)",
        "position 22: expected a value but found the character '@'.");
    row("unterminated literal", "INSERT INTO t VALUES('abc)",
        "position 22: expected a value but found an unterminated string literal.");
    row("unterminated literal after doubled quote", "INSERT INTO t VALUES('abc'')",
        "position 22: expected a value but found an unterminated string literal.");
    row("unterminated literal with line breaks", "INSERT INTO t VALUES('a\r\nb",
        "position 22: expected a value but found an unterminated string literal.");
    row("unterminated piece", "INSERT INTO t VALUES('a'+'b)",
        "position 26: expected a string literal after '+' but found an unterminated string literal.");
    // Positions count characters: the emoji before the error is one, not two.
    row("position after surrogate pair", QStringLiteral("INSERT INTO t VALUES('\U0001F600', x)"),
        "position 27: expected a value but found 'x'.");
    row("long token is cut", "INSERT INTO t VALUES('a' '" + QString(100, u'b') + "')",
        "position 26: expected ',' or ')' but found the string '" + QString(36, u'b') + "....");
    row("line break in quoted token", "INSERT INTO t VALUES('a' 'x\r\ny')", "found the string 'x  y'.");
    row("date without caret", "INSERT INTO t VALUES({2024-03-01})",
        "position 22: expected a date as {^yyyy-mm-dd} or {^yyyy-mm-dd hh:mm:ss} but found '{2024-03-01}'.");
    row("day the calendar lacks", "INSERT INTO t VALUES(1, {^2023-02-29})",
        "position 25: expected a date as {^yyyy-mm-dd}");
    row("time alone", "INSERT INTO t VALUES({^10:20:30})", "position 22: expected a date as {^yyyy-mm-dd}");
    row("logical with blanks", "INSERT INTO t VALUES(. T .)", "position 22: expected a value but found '.'.");
    row("logical of another letter", "INSERT INTO t VALUES(.X.)", "position 22: expected a value but found '.'.");

    // Hostile input.
    row("deep parentheses in create", "CREATE TABLE t" + QString(kDeepNesting, u'('),
        "position 16: expected a column name but found '('.");
    row("deep parentheses in values",
        "INSERT INTO t VALUES" + QString(kDeepNesting, u'(') + "'x'" + QString(kDeepNesting, u')'),
        "position 22: expected a value but found '('.");
    row("many closing parentheses", "SELECT * FROM t" + QString(kDeepNesting, u')'),
        "position 16: expected the end of the statement but found ')'.");
    row("megabyte unterminated literal", "INSERT INTO t VALUES('" + QString(kMegabyte, u'x'),
        "position 22: expected a value but found an unterminated string literal.");
    row("megabyte unterminated name", "DROP TABLE [" + QString(kMegabyte, u'x'),
        "position 12: expected a table name but found an unterminated name (no closing ]).");
}

void ParserTest::mustFail()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    const QString error = parseError(text);
    QVERIFY2(!error.isEmpty(), qPrintable("parsed: " + text.left(80)));
    QVERIFY2(error.startsWith(QStringLiteral("Syntax error at position ")), qPrintable(error));
    QVERIFY2(error.contains(message), qPrintable(error));
}

void ParserTest::mustParse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tree");

    const auto row = [](const char *name, const QString &text, const QString &tree) {
        QTest::newRow(name) << text << tree;
    };

    // SELECT * FROM with every kind of name.
    row("select double-quoted", "SELECT * FROM \"name\"", "SELECT [name]");
    row("select backticks", "SELECT * FROM `name`", "SELECT [name]");
    row("select brackets", "SELECT * FROM [name]", "SELECT [name]");
    row("select bare", "SELECT * FROM name", "SELECT [name]");
    row("select lower case", "select * from Orders_2", "SELECT [Orders_2]");
    row("select mixed case and spacing", "  SeLeCt\t*\r\nFROM[o] ;  ", "SELECT [o]");
    row("select without blanks", "SELECT*FROM`o`", "SELECT [o]");
    row("select doubled double quote", "SELECT * FROM \"a\"\"b\"", "SELECT [a\"b]");
    row("select doubled backtick", "SELECT * FROM `a``b`", "SELECT [a`b]");
    row("select bracket keeps other quotes", "SELECT * FROM [a`b\"c'd[e]", "SELECT [a`b\"c'd[e]");
    row("select backticks keep brackets", "SELECT * FROM `[x]`", "SELECT [[x]]");
    row("select path with blanks", "SELECT * FROM [C:\\Data\\my orders.DBF]", "SELECT [C:\\Data\\my orders.DBF]");
    row("select keyword as name", "SELECT * FROM select", "SELECT [select]");
    row("select non-ASCII name", QStringLiteral("SELECT * FROM Bestellungen_Ä"),
        QStringLiteral("SELECT [Bestellungen_Ä]"));

    // DROP TABLE.
    row("drop brackets", "DROP TABLE [name]", "DROP [name]");
    row("drop backticks", "DROP TABLE `name`", "DROP [name]");
    row("drop lower case", "drop table x;", "DROP [x]");
    row("drop name with blanks", "DROP TABLE [order lines]", "DROP [order lines]");

    // CREATE TABLE as each side builds it.
    row("create foxpro", "CREATE TABLE [C:\\Data\\orders.DBF]([Customer_N] M,[Unit_Price] M,[Photo] BLOB);",
        "CREATE [C:\\Data\\orders.DBF]([Customer_N] M, [Unit_Price] M, [Photo] BLOB)");
    row("create work table",
        "CREATE TABLE `orders`(`Customer Name` MEMO,`qty` INT,`price` FLOAT,`d` DECIMAL,`when` DATETIME,"
        "`pic` OLEOBJECT,`x` VARCHAR);",
        "CREATE [orders]([Customer Name] MEMO, [qty] INT, [price] FLOAT, [d] DECIMAL, [when] DATETIME, "
        "[pic] OLEOBJECT, [x] VARCHAR)");
    row("create type arguments", "create table t(a varchar(20), b Decimal ( 10 , 2 ), c memo)",
        "CREATE [t]([a] VARCHAR(20), [b] DECIMAL(10,2), [c] MEMO)");
    row("create one column", "CREATE TABLE t(a M)", "CREATE [t]([a] M)");
    row("create empty quoted column", "CREATE TABLE t([] M)", "CREATE [t]([] M)");
    row("create nullable and autoincrement columns",
        "create table t(a i autoinc, b i autoinc nextvalue -5, c I NULL AUTOINC NEXTVALUE +7 "
        "STEP 255, d I AUTOINC NEXTVALUE 3 STEP 2 NOT NULL)",
        "CREATE [t]([a] I AUTOINC(1,1), [b] I AUTOINC(-5,1), [c] I NULL AUTOINC(7,255), [d] I NOT NULL AUTOINC(3,2))");

    // SELECT INTO.
    row("select into paradox", "select * into [Paradox 5.x;Database=C:\\some folder].[orders.db] from [orders]",
        "INTO [Paradox 5.x;Database=C:\\some folder].[orders.db] FROM [orders]");
    row("select into without connect", "select * into [orders.db] from [orders]", "INTO [].[orders.db] FROM [orders]");
    row("select into backticks", "SELECT * INTO `c`.`t` FROM `s`;", "INTO [c].[t] FROM [s]");
    row("select into spaced dot", "select * into [c] . [t] from s", "INTO [c].[t] FROM [s]");

    // INSERT.
    row("insert as built", "INSERT INTO `C:\\Data\\orders.DBF` VALUES('O''Brien', '', '42')",
        "INSERT [C:\\Data\\orders.DBF]('O''Brien', '', '42')");
    row("insert nulls and numbers", "INSERT INTO t VALUES(NULL, null, 42, -3.5, +1e10, .5, 2E-3)",
        "INSERT [t](NULL, NULL, #42, #-3.5, #+1e10, #.5, #2E-3)");
    row("insert joined pieces", "INSERT INTO t VALUES('abc'+'def'+'')", "INSERT [t]('abcdef')");
    row("insert foxpro literals", "INSERT INTO t VALUES({^2024-03-01}, { ^2024-3-1 10:20 }, {}, {/:}, .T., .f.,.n.)",
        "INSERT [t]({date 2024-03-01}, {date and time 2024-03-01 10:20:00}, {empty }, {empty }, {logical True}, "
        "{logical False}, {logical False})");
    row("insert pieces across lines", "INSERT INTO t VALUES('a'\r\n+\r\n'b', 'c' + 'd')", "INSERT [t]('ab', 'cd')");
    row("insert line breaks", "INSERT INTO t VALUES('line1\r\nline2\rline3\nend\tx')",
        "INSERT [t]('line1<CR><LF>line2<CR>line3<LF>end<TAB>x')");
    row("insert only a quote", "INSERT INTO t VALUES('''')", "INSERT [t]('''')");
    row("insert two quotes", "INSERT INTO t VALUES('''''')", "INSERT [t]('''''')");
    row("insert quote split over pieces", "INSERT INTO t VALUES('it'''+'''s')", "INSERT [t]('it''''s')");
    row("insert quotes and brackets inside", "INSERT INTO t VALUES('[a] `b` \"c\" ; + ( )')",
        "INSERT [t]('[a] `b` \"c\" ; + ( )')");
    row("insert keyword text", "INSERT INTO t VALUES('NULL')", "INSERT [t]('NULL')");
    row("insert piece of 200 then empty", "INSERT INTO t VALUES('" + QString(kPieceLength, u'x') + "'+'')",
        "INSERT [t]('" + QString(kPieceLength, u'x') + "')");
    row("insert doubled quote at piece end",
        "INSERT INTO t VALUES('" + QString(kPieceLength - 1, u'x') + "'''+'''" + QString(kPieceLength - 1, u'y') +
            "'+'')",
        "INSERT [t]('" + QString(kPieceLength - 1, u'x') + "''''" + QString(kPieceLength - 1, u'y') + "')");
    row("insert megabyte literal",
        "INSERT INTO t VALUES('" + QString(kMegabyte, u'x') + "''" + QString(kMegabyte, u'y') + "')",
        "INSERT [t]('" + QString(kMegabyte, u'x') + "''" + QString(kMegabyte, u'y') + "')");
}

void ParserTest::mustParse()
{
    QFETCH(QString, text);
    QFETCH(QString, tree);
    try {
        QCOMPARE(render(tw::sql::parse(text)), tree);
    } catch (const tw::ado::RuntimeError &error) {
        QFAIL(qPrintable(error.description()));
    }
}

// Values as FoxPro literals: text cut into joined pieces, what has no literal
// as text, dates and times to whole seconds as a field of the type keeps them.
void ParserTest::foxproLiterals()
{
    using tw::sql::foxproLiteral;
    QCOMPARE(foxproLiteral(Variant::text(QString(kPieceLength - 1, u'x') + "'z"), 'M'),
             "'" + QString(kPieceLength - 1, u'x') + "'''+'z'");
    QCOMPARE(foxproLiteral(Variant::real(std::numeric_limits<double>::infinity()), 'B'), QString("'Infinity'"));
    QCOMPARE(foxproLiteral(Variant::decimal("-1.50"), 'N'), QString("-1.50"));
    QCOMPARE(foxproLiteral(Variant::dateTime(QDate(2024, 2, 29), 86399500), 'T'), QString("{^2024-03-01 00:00:00}"));
    QCOMPARE(foxproLiteral(Variant::dateTime(QDate(2024, 2, 29), 86399499), 'T'), QString("{^2024-02-29 23:59:59}"));
    QCOMPARE(foxproLiteral(Variant::date(QDate(2024, 2, 29)), 'T'), QString("{^2024-02-29 00:00:00}"));
    QCOMPARE(foxproLiteral(Variant::dateTime(QDate(2024, 2, 29), 5000), 'D'), QString("{^2024-02-29}"));
    QCOMPARE(foxproLiteral(Variant(), 'C') + foxproLiteral(Variant(), 'I'), QString("''NULL"));
}

// Long values reach the parser as thousands of 200-character pieces.
void ParserTest::joinsThousandsOfPieces()
{
    QString value;
    QString sql = QStringLiteral("INSERT INTO `t` VALUES(1, ");
    for (int i = 0; i < kPieceCount; ++i) {
        const QString piece = QString(kPieceLength - 1, QChar(u'a' + i % 26)) + u'\'';
        value += piece;
        if (i > 0)
            sql += u'+';
        sql += u'\'' + QString(piece).replace(u'\'', QStringLiteral("''")) + u'\'';
    }
    sql += QStringLiteral(", NULL)");

    const Statement statement = tw::sql::parse(sql);
    const auto *insert = std::get_if<tw::sql::Insert>(&statement);
    QVERIFY(insert);
    QCOMPARE(insert->values.size(), std::size_t(3));
    QCOMPARE(insert->values[1].kind, Literal::Kind::String);
    QCOMPARE(insert->values[1].text.size(), value.size());
    QVERIFY(insert->values[1].text == value);
    QCOMPARE(insert->values[2].kind, Literal::Kind::Null);
}

// Binary values travel as one character per byte; every one but NUL may occur.
void ParserTest::keepsEveryLatin1Character()
{
    QString value;
    for (int code = 1; code < 256; ++code)
        value += QChar(code);
    const QString sql = "INSERT INTO t VALUES('" + QString(value).replace(u'\'', QStringLiteral("''")) + "')";
    const Statement statement = tw::sql::parse(sql);
    const auto *insert = std::get_if<tw::sql::Insert>(&statement);
    QVERIFY(insert);
    QCOMPARE(insert->values.size(), std::size_t(1));
    QCOMPARE(insert->values[0].text, value);
}

// Random bytes, and statements of ours with a few random edits: each either
// parses or gives a syntax error whose position lies inside the text (or just
// past its end).
void ParserTest::randomInputFailsCleanly()
{
    const QStringList statements = {
        "CREATE TABLE [C:\\Data\\orders.DBF]([Customer_N] M,[Unit_Price] M,[Photo] BLOB);",
        "CREATE TABLE `o`(`Customer Name` MEMO,`q` INT,`d` DECIMAL(10,2),`x` VARCHAR(20));",
        "DROP TABLE [name]",
        "SELECT * FROM \"a\"\"b\"",
        "select * into [Paradox 5.x;Database=C:\\x].[orders.db] from [orders]",
        "INSERT INTO `t` VALUES('O''Brien'+'x', '', NULL, -4.5e2, 'a\r\nb')",
    };
    const QString interesting = QStringLiteral("'`\"[]().,;+-*0aE \r\n\x01");
    const QRegularExpression errorPattern(
        QStringLiteral("^Syntax error at position (\\d+): expected .+ but found .+\\.$"),
        QRegularExpression::DotMatchesEverythingOption);
    QRandomGenerator random(20261207);
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        QString text;
        if (round % 2 == 0) {
            QByteArray bytes(random.bounded(0, 160), '\0');
            for (char &byte : bytes)
                byte = char(random.bounded(1, 256));
            text = QString::fromLatin1(bytes);
        } else {
            text = statements[random.bounded(int(statements.size()))];
            for (int edits = random.bounded(1, 4); edits > 0; --edits) {
                const int at = random.bounded(int(text.size()) + 1);
                switch (random.bounded(3)) {
                case 0:
                    text.remove(at, 1);
                    break;
                case 1:
                    text.insert(at, interesting[random.bounded(int(interesting.size()))]);
                    break;
                default:
                    text.insert(at, text.mid(random.bounded(int(text.size())), random.bounded(1, 8)));
                    break;
                }
            }
        }
        try {
            tw::sql::parse(text);
            ++parsed;
        } catch (const tw::ado::RuntimeError &error) {
            const auto match = errorPattern.match(error.description());
            QVERIFY2(match.hasMatch(), qPrintable(error.description()));
            const int position = match.captured(1).toInt();
            QVERIFY2(position >= 1 && position <= text.size() + 1, qPrintable(error.description()));
        }
    }
    qDebug() << parsed << "of the random texts parsed";
}

QTEST_GUILESS_MAIN(ParserTest)
#include "tst_sql_parser.moc"
