#pragma once
// RuntimeError: the one kind of failure every layer raises. It carries a text a
// user can act on, a number (the few callers that test one: 70 permission
// denied, 76 path not found), a kind, and what it is about (file, table, row,
// column) for callers that decide or reword: they read those, never the text.

#include "ErrorNumbers.h"

#include <QString>

#include <stdexcept>

namespace tw::ado {

// Where an error is: every part empty (0) when not known.
struct ErrorPlace {
    QString file;   // the file as the user knows it ("CUSTOMER.dbf"), never a temporary's name
    QString table;  // the table the error is about
    qint64 row = 0; // 1-based
    QString column;
};

class RuntimeError : public std::runtime_error {
public:
    static constexpr int kGeneric = kErrInvalidCall;
    static constexpr int kPermissionDenied = kErrPermissionDenied;
    static constexpr int kPathNotFound = kErrPathNotFound;

    enum class Kind {
        General, // a value, a call, a statement: anything not below
        File,    // a file's content or access; file() names it when known
        Limit,   // a file would pass the most its format holds
    };

    using Place = ErrorPlace;

    RuntimeError(int number, const QString &description) : RuntimeError(Kind::General, number, description) {}
    explicit RuntimeError(const QString &description) : RuntimeError(kGeneric, description) {}
    // `problem` is the text without the place it names (the whole text when empty).
    RuntimeError(Kind kind, int number, const QString &description, Place place = {}, const QString &problem = {})
        : std::runtime_error(description.toStdString()), m_kind(kind), m_number(number), m_description(description),
          m_place(std::move(place)), m_problem(problem.isEmpty() ? description : problem)
    {
    }

    // "FILE: what is wrong." about one file: `said` is the text after "FILE: ",
    // with its final full stop when it has one; problem() is it without that stop.
    static RuntimeError inFile(int number, const QString &file, const QString &said)
    {
        QString problem = said;
        if (problem.endsWith(u'.'))
            problem.chop(1);
        return RuntimeError(Kind::File, number, file + QStringLiteral(": ") + said, {file, {}, 0, {}}, problem);
    }
    static RuntimeError inFile(const QString &file, const QString &said) { return inFile(kGeneric, file, said); }

    Kind kind() const { return m_kind; }
    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    const QString &file() const { return m_place.file; }
    const QString &table() const { return m_place.table; }
    qint64 row() const { return m_place.row; }
    const QString &column() const { return m_place.column; }
    const Place &place() const { return m_place; }
    // What is wrong, without the file named before it or a final full stop
    // (for an error naming no file: its whole text).
    const QString &problem() const { return m_problem; }

private:
    Kind m_kind;
    int m_number;
    QString m_description;
    Place m_place;
    QString m_problem;
};

} // namespace tw::ado
