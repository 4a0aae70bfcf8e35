#pragma once
// DamagedRows: the places where a table's structure is damaged (a record cut
// by the end of the file, a block whose count runs past its end, a block chain
// that loops) and the rows lost there. A reader delivers every whole row and
// sets the damaged ones aside, never as blank or half rows; it finds them when
// the table opens, since the row count it gives counts whole rows only.

#include <QString>

#include <vector>

namespace tw::ado {

struct DamagedRow {
    QString table = {}; // the file's name
    QString where = {}; // "record 12", "block 3"
    qint64 offset = -1; // byte offset in the file where the damage starts; -1 when none
    QString reason = {};
    qint64 rows = 1; // rows lost at this place; 0 when the file does not tell
};

class DamagedRows {
public:
    static constexpr size_t kKept = 20;

    void add(DamagedRow row);
    void merge(const DamagedRows &other);
    // Rows lost, as far as the file tells.
    qint64 rowCount() const { return m_rows; }
    // True when a place did not tell how many rows it lost.
    bool rowsUnknown() const { return m_unknown; }
    // "3 damaged row(s)", "at least 3 damaged row(s)", "damaged rows".
    QString rowsText() const;
    // Places described (kept or not).
    qint64 placeCount() const { return m_places; }
    bool empty() const { return m_places == 0; }
    // The first kKept places.
    const std::vector<DamagedRow> &first() const { return m_first; }
    // One line: "record 12 at byte 4,096: cut by the end of the file (1 row)".
    static QString describe(const DamagedRow &row);

private:
    qint64 m_rows = 0;
    qint64 m_places = 0;
    bool m_unknown = false;
    std::vector<DamagedRow> m_first;
};

} // namespace tw::ado
