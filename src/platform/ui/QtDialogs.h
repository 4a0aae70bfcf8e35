#pragma once
// QtDialogs: Dialogs shown as Qt's message boxes, input dialog and file choosers.

#include "Dialogs.h"

class QMessageBox;

namespace tw::ui {

class QtDialogs final : public Dialogs {
public:
    int MsgBox(const QString &text, int style = vbOKOnly, const QString &title = {}) override;
    int MsgBoxDetailed(const QString &text, const QString &details, int style = vbOKOnly,
                       const QString &title = {}) override;
    QString InputBox(const QString &prompt, const QString &title = {}, const QString &defaultText = {}) override;
    QString BrowseForFolder(QObject *owner, const QString &prompt, const QString &startFolder) override;
    QString ChooseOpenFile(QObject *owner, const QString &title, const QString &filter) override;
};

// "Microsoft Database (*.dbc)|*.dbc|" -> "Microsoft Database (*.dbc)"; one Qt filter per pair.
QString toQtFilter(const QString &filter);

// Sets up box the way MsgBox shows it: title, text, the details behind "Show
// Details..." (none when empty), the icon and buttons of style. A text whose
// lines fit on the screen is laid out with each line whole.
void prepareMessageBox(QMessageBox &box, const QString &text, const QString &details, int style, const QString &title);

// The text as a box shows it: what a reader takes as one piece, a list of
// single characters ("\ / : *") or a web address, is joined so that line
// breaking never splits it.
QString keepRunsTogether(const QString &text);

} // namespace tw::ui
