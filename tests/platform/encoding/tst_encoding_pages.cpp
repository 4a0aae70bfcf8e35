// Every code page the program offers, held to a reference it does not share:
// tables written from Python's codecs (data/codepages.txt, made by
// data/make-codepages.py). Each byte value a page defines must read as the
// reference says, alone, at the start and at the end of a value, and write
// back as the same bytes.

#include "TestSupport.h"

#include "platform/encoding/CodePageGuess.h"
#include "platform/encoding/TextCodec.h"

#include <QFile>
#include <QMap>
#include <QTest>

using tw::encoding::CodePageGuess;
using tw::encoding::TextCodec;

namespace {

struct Entry {
    QByteArray bytes;
    QString text;
};

QMap<int, QList<Entry>> readReference()
{
    QMap<int, QList<Entry>> pages;
    QFile file(qEnvironmentVariable("TW_SOURCE_DIR") + QStringLiteral("/tests/platform/encoding/data/codepages.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return pages;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 3)
            continue;
        const char32_t c = parts[2].toUInt(nullptr, 16);
        pages[parts[0].toInt()].append({QByteArray::fromHex(parts[1]), QString::fromUcs4(&c, 1)});
    }
    return pages;
}

const QMap<int, QList<Entry>> &reference()
{
    static const QMap<int, QList<Entry>> pages = readReference();
    return pages;
}

} // namespace

class CodePagesTest : public QObject {
    Q_OBJECT
private slots:
    void everyOfferedPageHasAReference();
    void everyDefinedByte_data();
    void everyDefinedByte();
    void namesGiveOfferedPagesOnly();
};

void CodePagesTest::everyOfferedPageHasAReference()
{
    QVERIFY2(!reference().isEmpty(), "tests/platform/encoding/data/codepages.txt was not read");
    for (const int page : CodePageGuess::candidates())
        QVERIFY2(reference().contains(page), qPrintable(QStringLiteral("code page %1 is offered untested").arg(page)));
    for (const int page : reference().keys())
        QVERIFY2(TextCodec::converts(page), qPrintable(QStringLiteral("code page %1 does not convert").arg(page)));
}

void CodePagesTest::everyDefinedByte_data()
{
    QTest::addColumn<int>("codePage");
    for (const int page : reference().keys())
        QTest::newRow(qPrintable(QString::number(page))) << page;
}

void CodePagesTest::everyDefinedByte()
{
    QFETCH(int, codePage);
    const TextCodec &codec = TextCodec::forCodePage(codePage);
    const QByteArray plain("ab");
    const QString plainText = QString::fromLatin1(plain);
    QStringList wrong;
    for (const Entry &e : reference()[codePage]) {
        const QString where = QString::fromLatin1(e.bytes.toHex(' '));
        const auto units = [](const QString &text) {
            QStringList out;
            for (const QChar c : text)
                out << QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            return out.join(u' ');
        };
        const auto expect = [&](const QString &got, const QString &want, const char *form) {
            if (got != want)
                wrong << QStringLiteral("%1 %2: U+%3 read as U+%4")
                             .arg(where, QLatin1String(form), units(want), units(got));
        };
        expect(codec.decode(e.bytes), e.text, "alone");
        expect(codec.decode(e.bytes + plain), e.text + plainText, "first");
        expect(codec.decode(plain + e.bytes), plainText + e.text, "last");
        expect(codec.decode(e.bytes + e.bytes), e.text + e.text, "twice");
        qint64 replaced = 0;
        const QByteArray back = codec.encode(plainText + e.text, &replaced);
        if (back != plain + e.bytes || replaced != 0)
            wrong << QStringLiteral("%1 written as %2").arg(where, QString::fromLatin1(back.mid(2).toHex(' ')));
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 of %2 wrong, first: %3")
                                             .arg(wrong.size())
                                             .arg(reference()[codePage].size())
                                             .arg(wrong.mid(0, 8).join(QStringLiteral("; ")))));
}

void CodePagesTest::namesGiveOfferedPagesOnly()
{
    // A page that converts here but is not offered (and so not held to the
    // reference) is not taken by name either.
    const std::vector<int> &offered = CodePageGuess::candidates();
    for (const int page : {1252, 1255, 1258, 932, 10007})
        QCOMPARE(tw::encoding::codePageFromName(QStringLiteral("cp%1").arg(page)), page);
    for (const int page : {1125, 20866, 28591}) {
        QVERIFY(std::find(offered.begin(), offered.end(), page) == offered.end());
        QCOMPARE(tw::encoding::codePageFromName(QStringLiteral("cp%1").arg(page)), 0);
    }
}

QTEST_GUILESS_MAIN(CodePagesTest)
#include "tst_encoding_pages.moc"
