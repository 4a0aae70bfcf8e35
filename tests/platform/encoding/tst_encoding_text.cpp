// Text through the code pages of both table formats: single-byte pages by
// their tables, multi-byte pages through iconv, what cannot be held, and how
// much of a text fits a number of bytes.

#include "TestSupport.h"

#include "platform/encoding/TextCodec.h"

#include <QTest>

using tw::encoding::TextCodec;

class TextCodecTest : public QObject {
    Q_OBJECT
private slots:
    void singleBytePages_data();
    void singleBytePages();
    void multiBytePages();
    void undefinedAndCutSequences();
    void replacementsAreCounted();
    void pagesWithoutAConverter();
    void encodingIntoGivenRoom();
    void fittingPrefixNeverSplitsACharacter();
    void holds();
    void keptAsStored_data();
    void keptAsStored();
};

void TextCodecTest::singleBytePages_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("866") << 866 << QByteArray("\x80\xAF\xC9\xCD\xBB\xFC\xF0") << QString::fromUtf8("Ап╔═╗№Ё");
    QTest::newRow("1251") << 1251 << QByteArray("\xC0\xFF\x80\xB9\xAB\xBB") << QString::fromUtf8("АяЂ№«»");
    QTest::newRow("1250") << 1250 << QByteArray("\x8A\xF8\x9E\xD5") << QString::fromUtf8("ŠřžŐ");
    QTest::newRow("1253") << 1253 << QByteArray("\xC1\xF9\xA2\xDC") << QString::fromUtf8("ΑωΆά");
    QTest::newRow("Mac Roman") << 10000 << QByteArray("\x80\x8E\xA5") << QString::fromUtf8("Äé•");
    // Bytes from 0x80 to 0x9F a page leaves undefined stand for themselves.
    QTest::newRow("1252 gaps") << 1252 << QByteArray("\x80\x81\x8D\x9D") << QString::fromUtf8("€\u0081\u008d\u009d");
    QTest::newRow("ASCII runs") << 866 << QByteArray("plain ascii text, long enough for runs \x80")
                                << QString::fromUtf8("plain ascii text, long enough for runs А");
}

void TextCodecTest::singleBytePages()
{
    QFETCH(int, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const TextCodec &codec = TextCodec::forCodePage(codePage);
    QVERIFY(codec.singleByte());
    QCOMPARE(codec.maxBytesPerUnit(), 1);
    QCOMPARE(codec.decode(bytes), text);
    qint64 replaced = 0;
    QCOMPARE(codec.encode(text, &replaced), bytes);
    QCOMPARE(replaced, qint64(0));
}

void TextCodecTest::multiBytePages()
{
    const TextCodec &gbk = TextCodec::forCodePage(936);
    QVERIFY(!gbk.singleByte());
    QVERIFY(gbk.maxBytesPerUnit() >= 2);
    const QString text = QString::fromUtf8("a我能吞下玻璃z €");
    const QByteArray bytes("a\xCE\xD2\xC4\xDC\xCD\xCC\xCF\xC2\xB2\xA3\xC1\xA7z \x80");
    QCOMPARE(gbk.encode(text), bytes);
    QCOMPARE(gbk.decode(bytes), text);
    // A trail byte in the ASCII range does not read as ASCII.
    const TextCodec &big5 = TextCodec::forCodePage(950);
    QCOMPARE(big5.decode(QByteArray("\xA4\x40")), QString::fromUtf8("一"));
    QCOMPARE(big5.encode(QString::fromUtf8("一")), QByteArray("\xA4\x40"));
    const TextCodec &sjis = TextCodec::forCodePage(932);
    QCOMPARE(sjis.decode(QByteArray("\x93\xFA\x96\x7B")), QString::fromUtf8("日本"));
    // Long texts take as much room as they need.
    const QString many = QString::fromUtf8("中").repeated(5000);
    QCOMPARE(gbk.decode(gbk.encode(many)), many);
}

void TextCodecTest::undefinedAndCutSequences()
{
    // One U+FFFD per byte that starts no character, the rest read on.
    const TextCodec &gbk = TextCodec::forCodePage(936);
    QCOMPARE(gbk.decode(QByteArray("a\xFF"
                                   "b")),
             QString::fromUtf8("a\uFFFDb"));
    QCOMPARE(gbk.decode(QByteArray("ab\xCE")), QString::fromUtf8("ab\uFFFD"));
    QCOMPARE(TextCodec::forCodePage(1253).decode(QByteArray("\xAA")), QString::fromUtf8("\uFFFD"));
}

void TextCodecTest::replacementsAreCounted()
{
    qint64 replaced = 0;
    // A surrogate pair is one character, one "?".
    QCOMPARE(TextCodec::windows1252().encode(QString::fromUtf8("a€Ω😀ÿ"), &replaced), QByteArray("a\x80??\xFF"));
    QCOMPARE(replaced, qint64(2));
    replaced = 0;
    QCOMPARE(TextCodec::forCodePage(936).encode(QString::fromUtf8("中😀é\u05d0x"), &replaced),
             QByteArray("\xD6\xD0?\xA8\xA6?x"));
    QCOMPARE(replaced, qint64(2));
    replaced = 0;
    // A lone surrogate is a character no page holds.
    const QString lone = QString(QChar(0xD800)) + u'x';
    QCOMPARE(TextCodec::forCodePage(936).encode(lone, &replaced), QByteArray("?x"));
    QCOMPARE(TextCodec::forCodePage(866).encode(lone, &replaced), QByteArray("?x"));
    QCOMPARE(replaced, qint64(2));
}

void TextCodecTest::pagesWithoutAConverter()
{
    // Greek Macintosh (10006) is one of Windows' own code pages, but not the
    // C library's on Linux.
    QCOMPARE(TextCodec::converts(10006), tw::test::onWindows());
    for (const int codePage : {0, -5, 12345}) {
        QCOMPARE(TextCodec::forCodePage(codePage).codePage(), 1252);
        QVERIFY(!TextCodec::converts(codePage));
        QCOMPARE(TextCodec::forCodePage(codePage).decode(QByteArray("\x80")), QString::fromUtf8("€"));
    }
    QVERIFY(TextCodec::converts(1252));
    QVERIFY(TextCodec::converts(866));
    QVERIFY(TextCodec::converts(936));
    QCOMPARE(&TextCodec::forCodePage(866), &TextCodec::forCodePage(866));
}

void TextCodecTest::encodingIntoGivenRoom()
{
    const TextCodec &gbk = TextCodec::forCodePage(936);
    const QString text = QString::fromUtf8("中文ab");
    QByteArray out(text.size() * gbk.maxBytesPerUnit(), '\0');
    QCOMPARE(gbk.encodeInto(text, out.data(), nullptr), qsizetype(6));
    QCOMPARE(out.left(6), QByteArray("\xD6\xD0\xCE\xC4"
                                     "ab"));
    // Written only when it fits; the size is told either way.
    char room[5] = {'x', 'x', 'x', 'x', 'x'};
    QCOMPARE(gbk.encode(text, room, 5, nullptr), qsizetype(6));
    QCOMPARE(QByteArray(room, 5), QByteArray("xxxxx"));
    QCOMPARE(TextCodec::forCodePage(866).encode(QString::fromUtf8("Да"), room, 5, nullptr), qsizetype(2));
    QCOMPARE(QByteArray(room, 2), QByteArray("\x84\xA0"));
    QByteArray reused("old contents, longer than the new");
    TextCodec::forCodePage(1250).encode(QString::fromUtf8("Łódź"), reused, nullptr);
    QCOMPARE(reused, QByteArray("\xA3\xF3\x64\x9F"));
}

void TextCodecTest::fittingPrefixNeverSplitsACharacter()
{
    const TextCodec &gbk = TextCodec::forCodePage(936);
    const QString chinese = QString::fromUtf8("客户名称和地址");
    QCOMPARE(gbk.fittingPrefix(chinese, 10), qsizetype(5));
    QCOMPARE(gbk.fittingPrefix(chinese, 9), qsizetype(4));
    QCOMPARE(gbk.fittingPrefix(QString::fromUtf8("ab客户"), 3), qsizetype(2));
    QCOMPARE(gbk.fittingPrefix(chinese, 100), chinese.size());
    // Single-byte pages: a character a byte, a surrogate pair one "?".
    const TextCodec &ansi = TextCodec::windows1252();
    QCOMPARE(ansi.fittingPrefix(QString::fromUtf8("abcdef"), 4), qsizetype(4));
    QCOMPARE(ansi.fittingPrefix(QString::fromUtf8("a😀b"), 2), qsizetype(3));
    QCOMPARE(ansi.fittingPrefix(QString::fromUtf8("😀"), 0), qsizetype(0));
}

void TextCodecTest::holds()
{
    const TextCodec &dos = TextCodec::forCodePage(866);
    QVERIFY(dos.holds(U'A'));
    QVERIFY(dos.holds(U'Ж'));
    QVERIFY(dos.holds(U'╬'));
    QVERIFY(!dos.holds(U'é'));
    QVERIFY(!dos.holds(U'😀'));
    const TextCodec &gbk = TextCodec::forCodePage(936);
    QVERIFY(gbk.holds(U'中'));
    QVERIFY(!gbk.holds(U'\u05d0'));
    QCOMPARE(dos.byteOf(u'Ж'), 0x86);
    QCOMPARE(dos.byteOf(u'é'), -1);
    QCOMPARE(gbk.byteOf(u'中'), -1);
}

void TextCodecTest::keptAsStored_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("kept");
    // Every byte of 1252 reads as a character written back as itself, its gaps too.
    QTest::newRow("1252, every byte") << 1252 << QByteArray("\x81\x8d\xff\x80 text") << true;
    QTest::newRow("1255 letters") << 1255 << QByteArray("\xf9\xec\xe5\xed") << true;
    QTest::newRow("1255, an undefined byte") << 1255 << QByteArray("\xf9\xff") << false;
    QTest::newRow("1255, one late in a long text")
        << 1255 << QByteArray("a long run of ASCII letters, then \xfb") << false;
    QTest::newRow("932, ASCII") << 932 << QByteArray("ASCII only") << true;
    QTest::newRow("932, a double byte") << 932 << QByteArray("\x82\xa0") << false;
    QTest::newRow("stored bytes") << int(TextCodec::kStoredBytes) << QByteArray("\x00\xff\x80") << true;
    QTest::newRow("empty") << 1255 << QByteArray() << true;
}

// Bytes are kept as stored only where decoding and encoding would give them back.
void TextCodecTest::keptAsStored()
{
    QFETCH(int, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, kept);
    const TextCodec &codec = TextCodec::forCodePage(codePage);
    QCOMPARE(codec.keepsAsStored(bytes), kept);
    if (kept)
        QCOMPARE(codec.encode(codec.decode(bytes)), bytes);
}

QTEST_GUILESS_MAIN(TextCodecTest)
#include "tst_encoding_text.moc"
