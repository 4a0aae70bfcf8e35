#pragma once
// The texts the Paradox-to-FoxPro transfer builds its INSERT statements from:
// long values cut into joined pieces, quotes doubled, line breaks dropped only
// where they are not part of a value.

#include <QString>
#include <QStringView>

namespace tw::FoxproSource {

// The joint SplitLongValue puts after every 200th character: quote, plus, quote.
inline constexpr char kJoint[] = "'+'";
inline constexpr int kPieceLength = 200;

// The text with a joint after every 200th character ("" stays "", 199
// characters come back unchanged, 200 characters end with a joint).
QString SplitLongValue(const QString &text);

// The value as it stands between the quotes of a literal: cut into pieces of
// 200 characters joined by joints, each single quote of the value doubled.
QString QuotedPieces(const QString &value);
// The same appended to out.
void AppendQuotedPieces(QString &out, QStringView value);

// Removes carriage returns and line feeds that stand outside quoted literals;
// those inside a value are kept.
QString RemoveLineBreaksOutsideValues(const QString &statement);

} // namespace tw::FoxproSource

namespace tw::transfer {

// A name quoted for the statements the transfers build. Ordinary names stand
// as the commands have always written them; a name holding the closing quote
// is written between backticks with its backticks doubled instead, so that it
// stays one name and never ends the statement early.
QString Bracketed(const QString &name);    // [name]
QString Backticked(const QString &name);   // `name`
QString DoubleQuoted(const QString &name); // "name"

} // namespace tw::transfer
