// The SQL lexer: token kinds, texts and positions, and that it keeps going
// past text it cannot read instead of failing.

#include "platform/sql/Lexer.h"

#include <QRandomGenerator>
#include <QTest>

using tw::sql::Lexer;
using tw::sql::Token;
using tw::sql::TokenType;

namespace {

// Every token up to and including End.
std::vector<Token> lexAll(const QString &text)
{
    Lexer lexer(text);
    std::vector<Token> tokens;
    do {
        tokens.push_back(lexer.next());
    } while (tokens.back().type != TokenType::End);
    return tokens;
}

// "Word:SELECT@0" per token, joined by blanks, so a whole scan compares at once.
QString describe(const std::vector<Token> &tokens)
{
    static const char *const names[] = {"Word", "Name", "String", "Number", "(",   ")",       ",",     ";",
                                        "*",    "+",    "-",      ".",      "End", "Invalid", "Braced"};
    QStringList parts;
    for (const Token &token : tokens) {
        QString part = QString::fromLatin1(names[int(token.type)]);
        if (token.type == TokenType::Word || token.type == TokenType::Name || token.type == TokenType::String ||
            token.type == TokenType::Number || token.type == TokenType::Invalid || token.type == TokenType::Braced)
            part += u':' + token.text();
        part += QStringLiteral("@%1+%2").arg(token.start).arg(token.length);
        parts << part;
    }
    return parts.join(u' ');
}

} // namespace

class LexerTest : public QObject {
    Q_OBJECT

private slots:
    void tokens_data();
    void tokens();
    void endRepeats();
    void positionsAdvanceOverRandomText();
};

void LexerTest::tokens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tokens");

    QTest::newRow("select") << "SELECT * FROM [a b]"
                            << "Word:SELECT@0+6 *@7+1 Word:FROM@9+4 Name:a b@14+5 End@19+0";
    QTest::newRow("punctuation") << "(),;*+-."
                                 << "(@0+1 )@1+1 ,@2+1 ;@3+1 *@4+1 +@5+1 -@6+1 .@7+1 End@8+0";
    QTest::newRow("quoted names") << "`a``b`\"c\"\"d\"[e``]"
                                  << "Name:a`b@0+6 Name:c\"d@6+6 Name:e``@12+5 End@17+0";
    QTest::newRow("string pieces") << "'O''Brien'+''"
                                   << "String:O'Brien@0+10 +@10+1 String:@11+2 End@13+0";
    QTest::newRow("numbers") << "1 1.5 .5 1e3 1.5E-2 2."
                             << "Number:1@0+1 Number:1.5@2+3 Number:.5@6+2 Number:1e3@9+3 Number:1.5E-2@13+6 "
                                "Number:2.@20+2 End@22+0";
    QTest::newRow("exponent needs digits") << "1e"
                                           << "Number:1@0+1 Word:e@1+1 End@2+0";
    QTest::newRow("number then word") << "42abc"
                                      << "Number:42@0+2 Word:abc@2+3 End@5+0";
    QTest::newRow("word with digits") << "_a1 b_2"
                                      << "Word:_a1@0+3 Word:b_2@4+3 End@7+0";
    QTest::newRow("whitespace") << " \t\r\n x \r\n"
                                << "Word:x@5+1 End@9+0";
    QTest::newRow("stray characters go on")
        << "@ x \x01"
        << "Invalid:the character '@'@0+1 Word:x@2+1 Invalid:the character U+0001@4+1 End@5+0";
    QTest::newRow("unterminated string") << "x 'abc''"
                                         << "Word:x@0+1 Invalid:an unterminated string literal@2+6 End@8+0";
    QTest::newRow("unterminated bracket") << "[a"
                                          << "Invalid:an unterminated name (no closing ])@0+2 End@2+0";
    QTest::newRow("braces") << "{^2024-03-01 10:20}{}{'}"
                            << "Braced:^2024-03-01 10:20@0+19 Braced:@19+2 Braced:'@21+3 End@24+0";
    QTest::newRow("unterminated braces")
        << "x {^2024-03-01"
        << "Word:x@0+1 Invalid:an unterminated date literal (no closing })@2+12 End@14+0";
    QTest::newRow("surrogate pair is one character")
        << QStringLiteral("\U0001F600") << QStringLiteral("Invalid:the character '\U0001F600'@0+2 End@2+0");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << "Invalid:the character U+D800@0+1 End@1+0";
}

void LexerTest::tokens()
{
    QFETCH(QString, text);
    QFETCH(QString, tokens);
    QCOMPARE(describe(lexAll(text)), tokens);
}

void LexerTest::endRepeats()
{
    const QString text = QStringLiteral("x");
    Lexer lexer(text);
    QCOMPARE(lexer.next().type, TokenType::Word);
    for (int i = 0; i < 3; ++i) {
        const Token end = lexer.next();
        QCOMPARE(end.type, TokenType::End);
        QCOMPARE(end.start, text.size());
    }
}

// Over any text the tokens tile it in order and the scan ends.
void LexerTest::positionsAdvanceOverRandomText()
{
    QRandomGenerator random(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes(random.bounded(0, 60), '\0');
        for (char &byte : bytes)
            byte = char(random.bounded(1, 256));
        const QString text = QString::fromLatin1(bytes);
        const std::vector<Token> tokens = lexAll(text);
        qsizetype previousEnd = 0;
        for (const Token &token : tokens) {
            QVERIFY(token.start >= previousEnd);
            QVERIFY(token.type == TokenType::End || token.length > 0);
            previousEnd = token.start + token.length;
        }
        QCOMPARE(previousEnd, text.size());
    }
}

QTEST_GUILESS_MAIN(LexerTest)
#include "tst_sql_lexer.moc"
