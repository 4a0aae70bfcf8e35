#include "Steps.h"

#include "ErrorReport.h"
#include "platform/ado/RuntimeError.h"

#include <optional>

namespace tw {

QString describeFailure(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const ado::RuntimeError &error) {
        return error.description();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void Steps::report(std::exception_ptr failure)
{
    ++m_failures;
    const QString description = describeFailure(failure);
    m_lastFailure = description;
    if (m_quietRepeats) {
        const QString &key = description;
        if (m_reported.contains(key)) {
            ++m_quieted;
            return;
        }
        m_reported.insert(key);
    }
    std::optional<QString> extension;
    if (m_statementText)
        extension = m_statementText();
    else if (m_statement)
        extension = *m_statement;
    ShowErrorReport(m_dialogs, m_module, m_routine, m_step, description, extension);
}

} // namespace tw
