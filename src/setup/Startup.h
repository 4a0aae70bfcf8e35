#pragma once
// The start-up routines of module Main that only the setup window's load
// sequence calls: the optional skin and the application title.

#include <QString>

class QWidget;

namespace tw::setup {

inline constexpr char kSkinFile[] = "\\x\\o.cjs";
inline constexpr int kTitleMaxLength = 40;

// True when the skin file is beside the program as an ordinary (not hidden)
// file, as a plain directory search sees it.
bool SkinFilePresent(const QString &programFolder);

// With the skin file present: gives the window, its option buttons, check
// boxes, frames and labels the system button-face colour. Without it: nothing.
void ApplySkin(QWidget *window, const QString &programFolder);

// The product name cut at its last blank, again while longer than 40
// characters; a text with no blank left to cut at stays as it is.
QString ApplicationTitleFor(const QString &productName);

// Sets the application title from the product name "Tabwright".
void SetApplicationTitle();

} // namespace tw::setup
