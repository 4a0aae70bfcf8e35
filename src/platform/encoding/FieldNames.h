#pragma once
// Field names made to fit a table format, by the format's own rule: a
// character the table's code page cannot hold becomes '?', a character the
// format does not allow where it stands becomes the rule's replacement, the
// name is cut to the format's length in bytes of the code page (never inside
// a character, and without the blanks the cut leaves at its end), and a name
// already taken, without regard to case, ends in a number instead (NAME,
// NAME2, ..., NAM10).

#include <QString>
#include <QStringList>
#include <QStringView>

namespace tw::encoding {

class TextCodec;

struct NameRule {
    // The longest name, in bytes of the table's code page.
    int maxBytes = 10;
    // Whether the character at `index` of `name` may stand there; a surrogate
    // pair is asked about at its first unit.
    bool (*allowed)(QStringView name, qsizetype index) = nullptr;
    // Stands in for a character that may not stand where it is, and is the
    // name of a name left empty.
    char16_t replacement = u'_';
    // When a name's first character may not begin a name but may stand later
    // (a digit), this goes before it instead of replacing it; 0 replaces it.
    char16_t firstPrefix = 0;
    // Names are stored in upper case, changed character by character so
    // that a name keeps its length.
    bool upperCase = false;
};

// One name made valid and cut; not yet made unique.
QString fitName(const QString &name, const NameRule &rule, const TextCodec &codec);
// The names made valid, cut and unique, in order.
QStringList fitNames(const QStringList &names, const NameRule &rule, const TextCodec &codec);

// The character (code point) at `index` of `text`, a surrogate pair whole.
char32_t characterAt(QStringView text, qsizetype index);

} // namespace tw::encoding
