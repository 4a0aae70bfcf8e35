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
    void languages_data();
    void languages();
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

// Vietnamese as Windows-1258 writes it: the letters with a circumflex, breve
// or horn whole, the tone marks as combining characters after them.
QString asWindows1258Writes(const QString &text)
{
    const TextCodec &page = TextCodec::forCodePage(1258);
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    for (const QChar c : decomposed) {
        if (!out.isEmpty() && c.category() == QChar::Mark_NonSpacing) {
            const QString joined = (QString(out.back()) + c).normalized(QString::NormalizationForm_C);
            if (joined.size() == 1 && page.holds(joined[0].unicode())) {
                out.back() = joined[0];
                continue;
            }
        }
        out += c;
    }
    return out;
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
    // A byte the right page leaves undefined does not put it in doubt when
    // no other page reads the text better.
    CodePageGuess greek = guessOf(1253, values("Αθήνα|Πειραιάς|Θεσσαλονίκη"));
    greek.addBytes("Bad \xaa byte");
    QVERIFY(greek.score(1253).badCharacters > 0);
    QVERIFY(!greek.doubtful(1253));
    QCOMPARE(greek.best(1).front().codePage, 1253);
    // Plain ASCII tells nothing, and nothing is in doubt.
    const CodePageGuess ascii = guessOf(1252, values("Smith|London|42 Baker Street"));
    QVERIFY(!ascii.telling());
    QVERIFY(!ascii.doubtful(866));
}

void CodePageGuessTest::languages_data()
{
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("wrong");
    QTest::addColumn<QStringList>("values");
    // Table values of each language (names, places, what business tables
    // hold), written in its page, with a mark another program might have
    // left instead.
    QTest::newRow("English") << 1252 << 866
                             << values("Smith & Sons Ltd|Café Royal, Regent Street|Unit price £12.50|"
                                       "Naïve Art Gallery|Résumé received|Attn: Mr. O'Brien");
    QTest::newRow("French") << 1252 << 850
                            << values("Société Générale|Hôtel de Ville|Rue de la Paix, Besançon|François Lefèvre|"
                                      "Crème brûlée|Numéro de téléphone|Déjà livré le 3 février|"
                                      "Boulangerie Pâtisserie|Prix unitaire à régler");
    QTest::newRow("Portuguese") << 1252 << 1250
                                << values("São Paulo|João da Conceição|Avenida da Liberdade, Lisboa|"
                                          "Informação não disponível|Endereço de cobrança|Ação promocional|"
                                          "Preço unitário|Manutenção|Serviços gerais|Câmara Municipal");
    QTest::newRow("German") << 1252 << 1251
                            << values("Müller GmbH|Straße des 17. Juni|Größe und Gewicht|Köln|Grüße aus München|"
                                      "Bäckerei Schäfer|Fußgängerzone|Lieferung für Herrn Jürgen Böhm");
    QTest::newRow("Czech") << 1250 << 1252
                           << values("Jan Dvořák|Náměstí Míru 15, Praha|Číslo objednávky|Množství zboží|"
                                     "Brno, Česká republika|Jiří Novák|Cena bez DPH|Dodací list|Ulice Svobody");
    QTest::newRow("Polish") << 1250 << 1252
                            << values("Łódź, ul. Piotrkowska|Kraków|Wrocław|Józef Wiśniewski|Ilość sztuk|Gdańsk|"
                                      "Małgorzata Dąbrowska|Spółka z o.o.|Nazwisko i imię");
    QTest::newRow("Russian") << 1251 << 1252
                             << values("Иванов Иван Иванович|Москва, ул. Тверская, д. 7|Санкт-Петербург|"
                                       "Количество товара|Цена за единицу|Дата поставки|Наименование|"
                                       "Новосибирск|Петров Пётр");
    QTest::newRow("Greek") << 1253 << 1252
                           << values("Αθήνα|Οδός Ερμού 25|Γεώργιος Παπαδόπουλος|Θεσσαλονίκη|Τιμή μονάδας|"
                                     "Ποσότητα|Ημερομηνία παράδοσης|Εταιρεία|Πειραιάς|Αριθμός τιμολογίου");
    QTest::newRow("Hebrew") << 1255 << 1252
                            << values("שלום עולם|ירושלים|תל אביב-יפו|משה כהן|רחוב הרצל 12|מחיר ליחידה|כמות|"
                                      "תאריך אספקה|חיפה|שם המוצר");
    QTest::newRow("Turkish") << 1254 << 1252
                             << values("İstanbul|Ankara, Çankaya|Müşteri adı|Şirket ünvanı|Ödeme tarihi|"
                                       "Ürün açıklaması|Ayşe Yılmaz|Gümüşhane|İzmir|Sipariş numarası");
    QStringList vietnamese = values("Việt Nam|Hà Nội|Thành phố Hồ Chí Minh|Nguyễn Văn An|Số lượng|Đơn giá|"
                                    "Công ty trách nhiệm hữu hạn|Ngày giao hàng|Đà Nẵng|Tên sản phẩm");
    for (QString &value : vietnamese)
        value = asWindows1258Writes(value);
    QTest::newRow("Vietnamese") << 1258 << 1252 << vietnamese;
}

void CodePageGuessTest::languages()
{
    QFETCH(int, right);
    QFETCH(int, wrong);
    QFETCH(QStringList, values);
    const CodePageGuess guess = guessOf(right, values);
    QVERIFY(guess.telling());
    const auto ranking = [&] {
        QStringList pages;
        for (const auto &c : guess.best(4))
            pages << QStringLiteral("%1 (%2)").arg(c.codePage).arg(c.score, 0, 'f', 2);
        return pages.join(QStringLiteral(", "));
    };
    // Unmarked: the right page first.
    QVERIFY2(guess.best(1).front().codePage == right, qPrintable(ranking()));
    // Marked right: never in doubt.
    QVERIFY2(!guess.doubtful(right), qPrintable(ranking()));
    // Marked wrong: in doubt, and the right page first among the guesses.
    QVERIFY2(guess.doubtful(wrong), qPrintable(ranking()));
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
