#include "ErrorReport.h"

#include "platform/ui/Dialogs.h"

namespace tw {

namespace {
constexpr char kLocationPrefix[] = "in Quillmark2021/08/31.";
constexpr char kFolderWalkLocationPrefix[] = "in VelmaroTitle2021/08/31.";
constexpr char kFolderWalkModule[] = "AddFolder";
} // namespace

QString ErrorReportText(const QString &module, const QString &routine, int step, const QString &description,
                        const std::optional<QString> &extension)
{
    const QLatin1String prefix(module == QLatin1String(kFolderWalkModule) ? kFolderWalkLocationPrefix
                                                                          : kLocationPrefix);
    QString text = description + QStringLiteral("\r\n") + prefix + module + u'.' + routine + u' ' +
                   QStringLiteral("at line ") + QString::number(step) + QStringLiteral("\r\r") +
                   QStringLiteral("Please email screenshot of this message to ") + QLatin1String(kSupportAddress);
    if (extension)
        text += QStringLiteral("\r\rsql: ") + *extension;
    return text;
}

void ShowErrorReport(ui::Dialogs &dialogs, const QString &module, const QString &routine, int step,
                     const QString &description, const std::optional<QString> &extension)
{
    dialogs.MsgBox(ErrorReportText(module, routine, step, description, extension), kErrorReportStyle,
                   QLatin1String(kErrorReportTitle));
}

} // namespace tw
