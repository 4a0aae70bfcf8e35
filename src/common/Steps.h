#pragma once
// Steps: runs a routine as numbered steps. A failure inside a step shows the
// standard error report for the routine and that step, and the routine goes
// on with the next step.
//
//   Steps steps{dialogs, "Form2", "PushButton3_Click"};
//   steps(114, [&] { window.setMousePointer(ui::PointerBusy); });

#include <QSet>
#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace tw::ui {
class Dialogs;
}

namespace tw {

class Steps {
public:
    Steps(ui::Dialogs &dialogs, QString module, QString routine)
        : m_dialogs(dialogs), m_module(std::move(module)), m_routine(std::move(routine))
    {
    }

    // Reports also show "sql: " and the current text of *statement.
    void reportStatement(const QString *statement) { m_statement = statement; }
    // Reports also show "sql: " and the text `statement` builds at that moment
    // (for statements whose text is built only when it is shown).
    void reportStatement(std::function<QString()> statement) { m_statementText = std::move(statement); }

    // While on, a failure with the same description as one already reported
    // since the last forgetRepeats() is counted but not shown again, whatever
    // its step, so that one cause met on every row of a table (and again when
    // the table is finished) shows one report.
    void setQuietRepeats(bool quiet) { m_quietRepeats = quiet; }
    void forgetRepeats() { m_reported.clear(); }
    int quietedRepeats() const { return m_quieted; }

    // Runs one step; true when it finished without a failure.
    template <typename F> bool operator()(int step, F &&body)
    {
        m_step = step;
        try {
            std::forward<F>(body)();
            return true;
        } catch (...) {
            report(std::current_exception());
            return false;
        }
    }

    int step() const { return m_step; }
    int failures() const { return m_failures; }
    // The description of the last failure, shown or quieted.
    const QString &lastFailure() const { return m_lastFailure; }
    ui::Dialogs &dialogs() const { return m_dialogs; }

private:
    void report(std::exception_ptr failure);

    ui::Dialogs &m_dialogs;
    QString m_module;
    QString m_routine;
    const QString *m_statement = nullptr;
    std::function<QString()> m_statementText;
    int m_step = 0;
    int m_failures = 0;
    QString m_lastFailure;
    bool m_quietRepeats = false;
    QSet<QString> m_reported;
    int m_quieted = 0;
};

// The description a failure carries: a RuntimeError's text, a standard
// exception's what(), or a fixed text for anything else.
QString describeFailure(std::exception_ptr failure);

} // namespace tw
