#include "FieldNames.h"

#include "TextCodec.h"

#include <QSet>

namespace tw::encoding {

namespace {

constexpr char16_t kUnheld = u'?';

qsizetype lengthAt(QStringView text, qsizetype index)
{
    return text[index].isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate() ? 2 : 1;
}

} // namespace

char32_t characterAt(QStringView text, qsizetype index)
{
    if (lengthAt(text, index) == 2)
        return QChar::surrogateToUcs4(text[index], text[index + 1]);
    return text[index].unicode();
}

QString fitName(const QString &name, const NameRule &rule, const TextCodec &codec)
{
    // What the code page holds, as the writer would store it.
    QString held;
    held.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); i += lengthAt(name, i)) {
        const qsizetype length = lengthAt(name, i);
        QString c = name.mid(i, length);
        if (rule.upperCase && length == 1)
            c[0] = c[0].toUpper();
        if (codec.holds(characterAt(c, 0)))
            held += c;
        else
            held += kUnheld;
    }
    // What the format allows.
    QString valid;
    valid.reserve(held.size() + 1);
    for (qsizetype i = 0; i < held.size(); i += lengthAt(held, i)) {
        const qsizetype length = lengthAt(held, i);
        if (!rule.allowed || rule.allowed(held, i)) {
            valid += QStringView(held).sliced(i, length);
            continue;
        }
        if (i == 0 && rule.firstPrefix) {
            // Allowed after the prefix?
            const QString prefixed = QChar(rule.firstPrefix) + held;
            if (rule.allowed(prefixed, 0) && rule.allowed(prefixed, 1)) {
                valid += QChar(rule.firstPrefix);
                valid += QStringView(held).sliced(i, length);
                continue;
            }
        }
        valid += QChar(rule.replacement);
    }
    if (valid.isEmpty())
        valid = QChar(rule.replacement);
    // The cut, then the blanks it leaves at the end: a cut name never ends in
    // a blank, which nobody reading or typing the name would see.
    QString cut = valid.left(codec.fittingPrefix(valid, rule.maxBytes));
    if (cut.size() < valid.size()) {
        while (!cut.isEmpty() && cut.back() == u' ')
            cut.chop(1);
        if (cut.isEmpty())
            cut = QChar(rule.replacement);
    }
    return cut;
}

QStringList fitNames(const QStringList &names, const NameRule &rule, const TextCodec &codec)
{
    QStringList result;
    QSet<QString> used;
    for (const QString &name : names) {
        const QString base = fitName(name, rule, codec);
        QString chosen = base;
        for (int n = 2; used.contains(chosen.toCaseFolded()); ++n) {
            const QString suffix = QString::number(n);
            chosen = base.left(codec.fittingPrefix(base, rule.maxBytes - suffix.size())) + suffix;
        }
        used.insert(chosen.toCaseFolded());
        result << chosen;
    }
    return result;
}

} // namespace tw::encoding
