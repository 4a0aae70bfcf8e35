#include "Dialogs.h"

namespace tw::ui {

namespace {
QString &titleStorage()
{
    static QString title = QStringLiteral("Tabwright");
    return title;
}
} // namespace

int Dialogs::MsgBoxDetailed(const QString &text, const QString &, int style, const QString &title)
{
    return MsgBox(text, style, title);
}

QString applicationTitle()
{
    return titleStorage();
}

void setApplicationTitle(const QString &title)
{
    titleStorage() = title;
}

} // namespace tw::ui
