// The one routine that makes field names fit a format, driven by rules like
// the formats' own: replacement of what the code page cannot hold, of what
// the rule does not allow, the cut in bytes, and the numbering of twins.

#include "platform/encoding/FieldNames.h"
#include "platform/encoding/TextCodec.h"

#include <QTest>

using namespace tw::encoding;

namespace {

// Letters, digits and "_", not beginning with a digit (as FoxPro takes them).
bool plain(QStringView name, qsizetype index)
{
    const char32_t c = characterAt(name, index);
    if (c == U'_')
        return true;
    if (c >= U'0' && c <= U'9')
        return index > 0;
    return QChar::isLetter(c);
}

// Anything but "!", and no "+" right after "-" (a rule that looks back).
bool looksBack(QStringView name, qsizetype index)
{
    return name[index] != u'!' && !(name[index] == u'+' && index > 0 && name[index - 1] == u'-');
}

NameRule rule(int maxBytes, bool (*allowed)(QStringView, qsizetype), char16_t firstPrefix = 0, bool upper = false)
{
    NameRule r;
    r.maxBytes = maxBytes;
    r.allowed = allowed;
    r.firstPrefix = firstPrefix;
    r.upperCase = upper;
    return r;
}

} // namespace

class FieldNamesTest : public QObject {
    Q_OBJECT
private slots:
    void charactersTheRuleRefuses();
    void charactersTheCodePageCannotHold();
    void upperCaseKeepsTheLength();
    void cutInBytes();
    void twinsAreNumbered();
};

void FieldNamesTest::charactersTheRuleRefuses()
{
    const TextCodec &ansi = TextCodec::windows1252();
    const NameRule foxLike = rule(10, plain, u'_');
    QCOMPARE(fitName("Unit Price", foxLike, ansi), QString("Unit_Price"));
    QCOMPARE(fitName("2nd", foxLike, ansi), QString("_2nd"));
    QCOMPARE(fitName("", foxLike, ansi), QString("_"));
    QCOMPARE(fitName("-", foxLike, ansi), QString("_"));
    // Without a prefix a refused first character is replaced.
    QCOMPARE(fitName("2nd", rule(10, plain), ansi), QString("_nd"));
    QCOMPARE(fitName("a-+b!", rule(10, looksBack), ansi), QString("a-_b_"));
    // No rule: everything stands.
    QCOMPARE(fitName("a b!", rule(10, nullptr), ansi), QString("a b!"));
}

void FieldNamesTest::charactersTheCodePageCannotHold()
{
    // They become "?" first; a rule that refuses "?" turns it into its replacement.
    const QString cyrillic = QString::fromUtf8("Имя");
    QCOMPARE(fitName(cyrillic, rule(10, nullptr), TextCodec::windows1252()), QString("???"));
    QCOMPARE(fitName(cyrillic, rule(10, plain), TextCodec::windows1252()), QString("___"));
    QCOMPARE(fitName(cyrillic, rule(10, plain), TextCodec::forCodePage(866)), cyrillic);
    QCOMPARE(fitName(QString::fromUtf8("a😀b"), rule(10, nullptr), TextCodec::forCodePage(936)), QString("a?b"));
}

void FieldNamesTest::upperCaseKeepsTheLength()
{
    const NameRule upper = rule(10, plain, u'_', true);
    QCOMPARE(fitName(QString::fromUtf8("straße"), upper, TextCodec::windows1252()), QString::fromUtf8("STRAßE"));
    QCOMPARE(fitName(QString::fromUtf8("όνομα"), upper, TextCodec::forCodePage(1253)), QString::fromUtf8("ΌΝΟΜΑ"));
    // ÿ's capital is not in code page 850: it becomes "?", then "_".
    QCOMPARE(fitName(QString::fromUtf8("ÿes"), upper, TextCodec::forCodePage(850)), QString("_ES"));
}

void FieldNamesTest::cutInBytes()
{
    const QString chinese = QString::fromUtf8("客户名称和地址");
    QCOMPARE(fitName(chinese, rule(10, plain), TextCodec::forCodePage(936)), chinese.left(5));
    QCOMPARE(fitName(chinese, rule(9, plain), TextCodec::forCodePage(936)), chinese.left(4));
    QCOMPARE(fitName("a" + chinese, rule(10, plain), TextCodec::forCodePage(936)), "a" + chinese.left(4));
    // On a page that cannot hold them, each is one byte ("?", then "_").
    QCOMPARE(fitName(chinese, rule(5, plain), TextCodec::windows1252()), QString("_____"));
    // Blanks the cut leaves at the end go; a twin is numbered after that.
    QCOMPARE(fitNames({"Customer billing address line", "Customer billing address zip"}, rule(25, nullptr),
                      TextCodec::windows1252()),
             QStringList({"Customer billing address", "Customer billing address2"}));
}

void FieldNamesTest::twinsAreNumbered()
{
    const TextCodec &ansi = TextCodec::windows1252();
    const NameRule foxLike = rule(10, plain, u'_');
    QStringList many(12, "UNIT_PRICE");
    const QStringList names = fitNames(many, foxLike, ansi);
    QCOMPARE(names[0], QString("UNIT_PRICE"));
    QCOMPARE(names[1], QString("UNIT_PRIC2"));
    QCOMPARE(names[9], QString("UNIT_PRI10"));
    QCOMPARE(names[11], QString("UNIT_PRI12"));
    // Without regard to case, and a number already taken is passed by.
    QCOMPARE(fitNames({"Name", "NAME", "name2", "name"}, foxLike, ansi),
             QStringList({"Name", "NAME2", "name22", "name3"}));
    // The number fits the bytes too: a character goes, never half of one.
    const QString chinese = QString::fromUtf8("客户名称和地址");
    QCOMPARE(fitNames({chinese, chinese}, rule(10, plain), TextCodec::forCodePage(936)),
             QStringList({chinese.left(5), chinese.left(4) + "2"}));
    QCOMPARE(fitNames({"a", "a", "b"}, rule(10, plain), ansi), QStringList({"a", "a2", "b"}));
}

QTEST_GUILESS_MAIN(FieldNamesTest)
#include "tst_encoding_names.moc"
