// Guessing a table's code page from its text: texts written in each page are
// read best by that page, a mark that misreads them is in doubt, the sample
// stays bounded, and code pages are named the way the user types them.

#include "TestSupport.h"

#include "platform/encoding/CodePageGuess.h"
#include "platform/encoding/TextCodec.h"

#include <QTest>

using tw::encoding::CodePageGuess;
using tw::encoding::TextCodec;

class CodePageGuessTest : public QObject {
    Q_OBJECT
private slots:
    void rightPageFirst_data();
    void rightPageFirst();
    void doubtfulMarks();
    void sampleIsBounded();
    void names_data();
    void names();
};

namespace {

// Values of a table written in codePage, as its bytes.
CodePageGuess guessOf(int codePage, const QStringList &values)
{
    CodePageGuess guess;
    for (const QString &value : values)
        guess.addBytes(TextCodec::forCodePage(codePage).encode(value));
    return guess;
}

QStringList values(const char *utf8)
{
    return QString::fromUtf8(utf8).split(u'|');
}

} // namespace

void CodePageGuessTest::rightPageFirst_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QStringList>("values");
    const char *russian = "Иванов Пётр Сергеевич|ул. Ленина, д. 5, кв. 12|Москва|Счёт на оплату товара|"
                          "Количество|Цена за шт.|Это тестовая запись для проверки";
    const char *names = "Смирнова|Кузнецов|Попова|Васильев|Новосибирск|Екатеринбург";
    const char *czech = "Příliš žluťoučký kůň úpěl ďábelské ódy|Dvořák Antonín|Praha 2, Vinohradská 12|"
                        "Město Brno|Číslo faktury";
    const char *polish = "Zażółć gęślą jaźń|Łódź, ulica Piotrkowska|Wrocław|Kowalski Paweł|Ilość sztuk";
    const char *english = "Café Müller|Señor García|Crème brûlée à la carte|Zürich Straße|Ångström façade";
    const char *chinese = "北京市朝阳区|张伟|上海市|这是一个测试的数据表|公司名称|价格和数量";
    QTest::newRow("866 sentences") << 866 << values(russian);
    QTest::newRow("866 names") << 866 << values(names);
    QTest::newRow("1251 sentences") << 1251 << values(russian);
    QTest::newRow("1251 names") << 1251 << values(names);
    QTest::newRow("1250 Czech") << 1250 << values(czech);
    QTest::newRow("1250 Polish") << 1250 << values(polish);
    QTest::newRow("852 Czech") << 852 << values(czech);
    QTest::newRow("437 Western") << 437 << values(english);
    QTest::newRow("1252 Western") << 1252 << values(english);
    QTest::newRow("936 Chinese") << 936 << values(chinese);
    QTest::newRow("1253 Greek") << 1253 << values("Καλημέρα κόσμε|Αθήνα, οδός Σταδίου|Παπαδόπουλος Γιώργος");
}

void CodePageGuessTest::rightPageFirst()
{
    QFETCH(int, codePage);
    QFETCH(QStringList, values);
    const CodePageGuess guess = guessOf(codePage, values);
    QVERIFY(guess.telling());
    const auto best = guess.best();
    QCOMPARE(best.size(), size_t(3));
    QCOMPARE(best[0].codePage, codePage);
    QCOMPARE(best[0].badCharacters, 0);
    // The sample line is the first telling value as the page reads it.
    QCOMPARE(best[0].sample, values.first());
}

void CodePageGuessTest::doubtfulMarks()
{
    const CodePageGuess russian = guessOf(866, values("Иванов Пётр|Счёт на оплату|Москва"));
    QVERIFY(!russian.doubtful(866));
    QVERIFY(russian.doubtful(1251));
    QVERIFY(russian.doubtful(1252)); // no mark: undefined bytes
    QVERIFY(russian.score(1252).badCharacters > 0);
    // Plain ASCII tells nothing, and nothing is in doubt.
    const CodePageGuess ascii = guessOf(1252, values("Smith|London|42 Baker Street"));
    QVERIFY(!ascii.telling());
    QVERIFY(!ascii.doubtful(866));
}

void CodePageGuessTest::sampleIsBounded()
{
    CodePageGuess guess;
    const QByteArray value = TextCodec::forCodePage(1251).encode(QString::fromUtf8("Привет, мир"));
    int taken = 0;
    while (!guess.full() && taken < 100000) {
        guess.addBytes(value);
        ++taken;
    }
    QVERIFY(taken * value.size() >= CodePageGuess::kSampleBytes);
    QVERIFY(taken * value.size() < CodePageGuess::kSampleBytes + value.size());
    QCOMPARE(guess.best(1).front().codePage, 1251);
    // ASCII values count towards the limit of values looked at.
    CodePageGuess ascii;
    for (int i = 0; i < CodePageGuess::kMaxValues; ++i)
        ascii.addBytes("plain");
    QVERIFY(ascii.full());
}

void CodePageGuessTest::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("codePage");
    QTest::newRow("number") << "866" << 866;
    QTest::newRow("cp") << "CP1251" << 1251;
    QTest::newRow("windows") << "windows-1250" << 1250;
    QTest::newRow("ibm") << "IBM437" << 437;
    QTest::newRow("gbk") << "GBK" << 936;
    QTest::newRow("mac") << "mac-cyrillic" << 10007;
    QTest::newRow("unknown") << "klingon" << 0;
    QTest::newRow("no such page") << "12345" << 0;
}

void CodePageGuessTest::names()
{
    QFETCH(QString, name);
    QFETCH(int, codePage);
    QCOMPARE(tw::encoding::codePageFromName(name), codePage);
    if (codePage != 0)
        QCOMPARE(tw::encoding::codePageFromName(tw::encoding::codePageName(codePage)), codePage);
}

QTEST_GUILESS_MAIN(CodePageGuessTest)
#include "tst_encoding_guess.moc"
