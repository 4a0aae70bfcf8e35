#include "Startup.h"

#include "common/Main.h"
#include "gui/ResetFormColours.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/ui/Dialogs.h"
#include "transferwindow/Form2.h"

namespace tw::setup {

bool SkinFilePresent(const QString &programFolder)
{
    const QString skin = programFolder + QLatin1String(kSkinFile);
    try {
        return files::exists(skin, files::EntryKind::File) && !(files::attributes(skin) & files::kAttrHidden);
    } catch (const ado::RuntimeError &) {
        return false; // gone meanwhile
    }
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
