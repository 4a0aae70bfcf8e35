#include "Startup.h"

#include "common/Main.h"
#include "gui/ResetFormColours.h"
#include "platform/files/FileSystem.h"
#include "platform/ui/Dialogs.h"
#include "transferwindow/Form2.h"

#include <QFileInfo>

namespace tw::setup {

bool SkinFilePresent(const QString &programFolder)
{
    const QFileInfo skin(files::toNativePath(programFolder + QLatin1String(kSkinFile)));
    return skin.isFile() && !skin.isHidden();
}

void ApplySkin(QWidget *window, const QString &programFolder)
{
    if (!SkinFilePresent(programFolder))
        return;
    Main::ResetFormColours(window);
}

QString ApplicationTitleFor(const QString &productName)
{
    QString title = productName;
    do {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            break; // nothing left to cut at
        title.truncate(blank);
    } while (title.size() > kTitleMaxLength);
    return title;
}

void SetApplicationTitle()
{
    ui::setApplicationTitle(ApplicationTitleFor(QLatin1String(transferwindow::kProductName)));
}

} // namespace tw::setup
