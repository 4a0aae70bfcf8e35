#include "Dialogs.h"

namespace tw::ui {

namespace {
QString &titleStorage()
{
    static QString title = QStringLiteral("Tabwright");
    return title;
}
} // namespace

QString applicationTitle()
{
    return titleStorage();
}

void setApplicationTitle(const QString &title)
{
    titleStorage() = title;
}

} // namespace tw::ui
