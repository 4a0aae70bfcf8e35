#pragma once
// QtDialogs: Dialogs shown as Qt's message boxes, input dialog and file choosers.

#include "Dialogs.h"

namespace tw::ui {

class QtDialogs final : public Dialogs {
public:
    int MsgBox(const QString &text, int style = vbOKOnly, const QString &title = {}) override;
    QString InputBox(const QString &prompt, const QString &title = {}, const QString &defaultText = {}) override;
    QString BrowseForFolder(QObject *owner, const QString &prompt, const QString &startFolder) override;
    QString ChooseOpenFile(QObject *owner, const QString &title, const QString &filter) override;
};

// "Microsoft Database (*.dbc)|*.dbc|" -> "Microsoft Database (*.dbc)"; one Qt filter per pair.
QString toQtFilter(const QString &filter);

} // namespace tw::ui
