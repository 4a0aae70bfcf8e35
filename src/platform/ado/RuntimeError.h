#pragma once
// RuntimeError: the one kind of failure every layer raises; a number for the few
// callers that test it (70 permission denied, 76 path not found) and a text a
// user can act on.

#include "ErrorNumbers.h"

#include <QString>

#include <stdexcept>

namespace tw::ado {

class RuntimeError : public std::runtime_error {
public:
    static constexpr int kGeneric = kErrInvalidCall;
    static constexpr int kPermissionDenied = kErrPermissionDenied;
    static constexpr int kPathNotFound = kErrPathNotFound;

    RuntimeError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description)
    {
    }
    explicit RuntimeError(const QString &description) : RuntimeError(kGeneric, description) {}

    int number() const { return m_number; }
    const QString &description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

} // namespace tw::ado
