// The iconv calls the code-page converters make, with the same expectations
// on both systems: the C library's iconv on Linux, ours over Windows' code
// pages there. Where each conversion stops, and why, is what the callers
// build on (a lead byte, a character the target lacks, a full buffer).

#include <QByteArray>
#include <QtTest>

#include <cerrno>
#include <iconv.h>

namespace {

struct Outcome {
    size_t result = 0;
    int error = 0;
    QByteArray out;     // what was written
    qsizetype used = 0; // input bytes taken
};

Outcome convert(const char *to, const char *from, const QByteArray &input, size_t room = 64)
{
    Outcome outcome;
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) {
        outcome.result = size_t(-1);
        outcome.error = errno;
        return outcome;
    }
    QByteArray in = input;
    QByteArray out(qsizetype(room), '\0');
    char *inPtr = in.data();
    size_t inLeft = size_t(in.size());
    char *outPtr = out.data();
    size_t outLeft = room;
    errno = 0;
    outcome.result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    outcome.error = outcome.result == size_t(-1) ? errno : 0;
    outcome.out = out.left(qsizetype(room - outLeft));
    outcome.used = in.size() - qsizetype(inLeft);
    iconv_close(cd);
    return outcome;
}

QByteArray utf16(const char16_t *text)
{
    return QByteArray(reinterpret_cast<const char *>(text), qsizetype(std::char_traits<char16_t>::length(text) * 2));
}

} // namespace

class IconvTest : public QObject {
    Q_OBJECT

private slots:
    void singleBytePagesToUtf8_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("1252") << QByteArray("WINDOWS-1252") << QByteArray("caf\xe9 \x80") << QStringLiteral("café €");
        QTest::newRow("1251") << QByteArray("WINDOWS-1251") << QByteArray("\xc6\xe0") << QStringLiteral("Жа");
        QTest::newRow("437") << QByteArray("CP437") << QByteArray("\xb0\x9b") << QStringLiteral("░¢");
        QTest::newRow("850") << QByteArray("CP850") << QByteArray("\x90") << QStringLiteral("É");
        QTest::newRow("866") << QByteArray("CP866") << QByteArray("\x80\xa0") << QStringLiteral("Аа");
        QTest::newRow("mac roman") << QByteArray("MACINTOSH") << QByteArray("\x80\x8e") << QStringLiteral("Äé");
        QTest::newRow("lower-case name") << QByteArray("cp1250") << QByteArray("\x8a") << QStringLiteral("Š");
    }
    void singleBytePagesToUtf8()
    {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const Outcome decoded = convert("UTF-8", page.constData(), bytes);
        QCOMPARE(decoded.result, size_t(0));
        QCOMPARE(QString::fromUtf8(decoded.out), text);
        QCOMPARE(decoded.used, bytes.size());
        // And back, byte for byte.
        const Outcome encoded = convert(page.constData(), "UTF-8", text.toUtf8());
        QCOMPARE(encoded.result, size_t(0));
        QCOMPARE(encoded.out, bytes);
    }

    void aCharacterThePageLacksStopsThere()
    {
        // "ж" has no place in Windows-1252: the conversion stops in front of it.
        const Outcome outcome = convert("WINDOWS-1252", "UTF-8", QStringLiteral("ab\u0436c").toUtf8());
        QCOMPARE(outcome.result, size_t(-1));
        QCOMPARE(outcome.error, EILSEQ);
        QCOMPARE(outcome.out, QByteArray("ab"));
        QCOMPARE(outcome.used, qsizetype(2));
    }

    void brokenUtf8StopsThere()
    {
        const Outcome invalid = convert("WINDOWS-1252", "UTF-8",
                                        QByteArray("a\xff"
                                                   "b"));
        QCOMPARE(invalid.error, EILSEQ);
        QCOMPARE(invalid.used, qsizetype(1));
        // Cut inside a character: more input is needed.
        const Outcome cut = convert("UTF-16LE", "UTF-8", QByteArray("a\xe2\x82"));
        QCOMPARE(cut.error, EINVAL);
        QCOMPARE(cut.out, utf16(u"a"));
        QCOMPARE(cut.used, qsizetype(1));
    }

    void aFullBufferStopsAfterTheLastWholeCharacter()
    {
        // Three characters of two bytes each into five bytes of room.
        const Outcome outcome = convert("UTF-16LE", "WINDOWS-1252", QByteArray("abc"), 5);
        QCOMPARE(outcome.result, size_t(-1));
        QCOMPARE(outcome.error, E2BIG);
        QCOMPARE(outcome.out, utf16(u"ab"));
        QCOMPARE(outcome.used, qsizetype(2));
    }

    void doubleBytePages()
    {
        // Shift-JIS: "あ" is 82 A0; "A" one byte.
        const Outcome decoded = convert("UTF-16LE", "CP932", QByteArray("A\x82\xa0"));
        QCOMPARE(decoded.result, size_t(0));
        QCOMPARE(decoded.out, utf16(u"Aあ"));
        // A lead byte alone at the end: the character is cut off.
        const Outcome cut = convert("UTF-16LE", "CP932", QByteArray("A\x82"));
        QCOMPARE(cut.error, EINVAL);
        QCOMPARE(cut.out, utf16(u"A"));
        const Outcome encoded = convert("CP932", "UTF-8", QStringLiteral("あA").toUtf8());
        QCOMPARE(encoded.out, QByteArray("\x82\xa0"
                                         "A"));
    }

    void charactersBeyondTheFirstPlane()
    {
        const QString emoji = QStringLiteral("x\U0001F600");
        const Outcome outcome = convert("UTF-16LE", "UTF-8", emoji.toUtf8());
        QCOMPARE(outcome.result, size_t(0));
        QCOMPARE(outcome.out, QByteArray(reinterpret_cast<const char *>(emoji.utf16()), emoji.size() * 2));
        const Outcome back = convert("UTF-8", "UTF-16LE", outcome.out);
        QCOMPARE(QString::fromUtf8(back.out), emoji);
    }

    void unknownPagesAreRefused()
    {
        const Outcome outcome = convert("UTF-8", "CP99999", QByteArray());
        QCOMPARE(outcome.result, size_t(-1));
        QCOMPARE(outcome.error, EINVAL);
        QVERIFY(iconv_open("NO-SUCH-PAGE", "UTF-8") == iconv_t(-1));
    }
};

QTEST_GUILESS_MAIN(IconvTest)
#include "tst_iconv.moc"
