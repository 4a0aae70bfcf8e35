#pragma once
// Dialogs: the one seam through which commands show message boxes, ask for
// text and let the user choose folders and files. The program uses the Qt
// implementation (QtDialogs); tests and the command-line program a scripted one.

#include <QString>

class QObject;

namespace tw::ui {

// Message-box styles and answers, by the numbers the windows use.
constexpr int vbOKOnly = 0;
constexpr int vbYesNo = 4;
constexpr int vbExclamation = 48;
constexpr int vbOK = 1;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Shows text with the buttons and icon of style; an empty title means the
    // application title. Returns the answer (vbOK, vbYes, vbNo).
    virtual int MsgBox(const QString &text, int style = vbOKOnly, const QString &title = {}) = 0;
    // The same box with a longer explanation the user can open under it
    // ("Show Details..."); the text stays the box's message. Where there is no
    // such place the plain box is shown.
    virtual int MsgBoxDetailed(const QString &text, const QString &details, int style = vbOKOnly,
                               const QString &title = {});
    // Asks for a text; the empty text when the user cancels.
    virtual QString InputBox(const QString &prompt, const QString &title = {}, const QString &defaultText = {}) = 0;
    // Lets the user pick an existing folder; the empty text on cancel.
    virtual QString BrowseForFolder(QObject *owner, const QString &prompt, const QString &startFolder) = 0;
    // Lets the user pick a file to open; the empty text on cancel. filter is in
    // the "Description (*.ext)|*.ext|" form.
    virtual QString ChooseOpenFile(QObject *owner, const QString &title, const QString &filter) = 0;
};

// The caption of every message box that has none of its own.
QString applicationTitle();
void setApplicationTitle(const QString &title);

} // namespace tw::ui
