#include "BrowseForFolder.h"

#include "platform/ui/Dialogs.h"

namespace tw::AddFolder {

namespace {
bool isSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

// "/" and "C:\" are roots and keep their separator.
bool isRoot(const QString &path)
{
    return path.size() == 1 || (path.size() == 3 && path[1] == QLatin1Char(':'));
}
} // namespace

QString BrowseForFolder(ui::Dialogs &dialogs, QObject *owner, const QString &prompt, const QString &start)
{
    QString chosen = dialogs.BrowseForFolder(owner, prompt, start);
    while (chosen.size() > 1 && isSeparator(chosen.back()) && !isRoot(chosen))
        chosen.chop(1);
    return chosen;
}

} // namespace tw::AddFolder

namespace tw::setup {

QString ChooseContainerFile(ui::Dialogs &dialogs, QObject *owner)
{
    return dialogs.ChooseOpenFile(owner, QLatin1String(kContainerDialogTitle), QLatin1String(kContainerDialogFilter));
}

} // namespace tw::setup
