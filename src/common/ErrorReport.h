#pragma once
// The standard error report every command shows when one of its numbered
// steps fails: what failed, where (module, routine, step) and whom to tell.

#include <QString>

#include <optional>

namespace tw::ui {
class Dialogs;
}

namespace tw {

// Where users send a screenshot of the report.
inline constexpr char kSupportAddress[] = "support@kestrava.com";
inline constexpr char kErrorReportTitle[] = "Application Error";
inline constexpr int kErrorReportStyle = 48;

// The report's text: description, CR LF, location, "at line " step, CR CR,
// the request to mail it, and for commands that pass one, CR CR "sql: " and
// the statement text.
QString ErrorReportText(const QString &module, const QString &routine, int step, const QString &description,
                        const std::optional<QString> &extension = std::nullopt);

// Shows the report (title "Application Error", style 48) and returns when it is closed.
void ShowErrorReport(ui::Dialogs &dialogs, const QString &module, const QString &routine, int step,
                     const QString &description, const std::optional<QString> &extension = std::nullopt);

} // namespace tw
