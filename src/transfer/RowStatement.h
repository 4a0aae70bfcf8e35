#pragma once
// RowStatement: the INSERT statement of one row of the Paradox-to-FoxPro
// copy, kept as its target and values. The provider takes the values as they
// are; the statement's text — "INSERT INTO `path` VALUES('v1', 'v2', ...)",
// long values cut into joined pieces, quotes doubled — is built from them only
// when an error report shows it, as far as the row had been built then. A
// copy that keeps the fields' types gives the values as they are, and the
// text has FoxPro's literals: "VALUES('v1', 12.5, {^2024-01-31}, .T., NULL)".

#include "platform/ado/Variant.h"

#include <QString>

#include <vector>

namespace tw::transfer {

class RowStatement {
public:
    // Starts the statements of a table: "INSERT INTO `path` VALUES('"; or,
    // given the FoxPro type of each field (`literalTypes`), "INSERT INTO
    // `path` VALUES(" and each value as FoxPro's literal for its field.
    // Numbers, dates, times and logicals given to addShortText are kept as
    // the bytes of their text in `textPage`, the page the target table writes
    // (0: addShortText takes none).
    void start(const QString &targetPath, int columns, std::vector<char> literalTypes = {}, int textPage = 0);
    // Starts a row: no value yet.
    void newRow()
    {
        m_built = 0;
        m_closed = false;
    }
    // The value of the next column, as the text it is written as (Null as "").
    void add(QStringView text);
    // The same for a number, date, time or logical, its text kept as bytes
    // (see start); false, and nothing added, for any other value.
    bool addShortText(const ado::Variant &value);
    // The value of the next column as it is (with literal types).
    void add(const ado::Variant &value);
    // After the last value: the statement is complete.
    void close() { m_closed = true; }

    const QString &table() const { return m_table; }
    std::vector<ado::Variant> &values() { return m_values; }
    // The text the statement has so far.
    QString text() const;

private:
    QString m_table;  // the path as the statement names it (between backticks)
    QString m_prefix; // "INSERT INTO `path` VALUES('"
    std::vector<ado::Variant> m_values;
    size_t m_built = 0;
    bool m_closed = false;
    std::vector<char> m_literalTypes; // empty: every value a quoted text
    int m_textPage = 0;
};

} // namespace tw::transfer
