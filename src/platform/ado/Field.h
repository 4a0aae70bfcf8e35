#pragma once
// Field and Fields: the columns of a Recordset's current row, by ADO's names.

#include "ColumnInfo.h"
#include "Variant.h"

#include <memory>
#include <vector>

namespace tw::ado {

class Cursor;

class Field {
public:
    // Column `index` of the row `row` holds.
    Field(ColumnInfo info, std::vector<Variant> *row, int index) : m_info(std::move(info)), m_row(row), m_index(index)
    {
    }

    const QString &name() const { return m_info.name; }
    int Type() const { return m_info.type; }
    int Precision() const { return m_info.precision; }
    int NumericScale() const { return m_info.numericScale; }
    int DefinedSize() const { return m_info.definedSize; }
    const ColumnInfo &info() const { return m_info; }

    // The value of the current row: valid until the recordset moves on.
    const Variant &Value() const { return (*m_row)[size_t(m_index)]; }
    // On a new row of an updatable recordset the value is converted to the
    // column's type at once (RuntimeError when it cannot be); elsewhere it is
    // refused.
    void setValue(const Variant &value);

    // Used by Recordset: the cursor that converts assignments to the field on
    // a new row; nullptr while no row is being added.
    void setTarget(const Cursor *cursor) { m_target = cursor; }

private:
    ColumnInfo m_info;
    std::vector<Variant> *m_row; // the recordset's current row (Fields::row)
    int m_index;
    const Cursor *m_target = nullptr;
};

// The fields read the row in place: the cursor fills it, and a new row goes
// to the cursor as it is, without a copy of its values.
class Fields {
public:
    int count() const { return static_cast<int>(m_fields.size()); }
    // By ordinal, or by name without regard to case; RuntimeError when there is none.
    Field &operator()(int index)
    {
        if (index < 0 || index >= count())
            notFound(index);
        return m_fields[static_cast<size_t>(index)];
    }
    const Field &operator()(int index) const { return const_cast<Fields *>(this)->operator()(index); }
    Field &operator()(const QString &name);
    const Field &operator()(const QString &name) const;

    // Used by Recordset.
    void reset(const std::vector<ColumnInfo> &columns);
    std::vector<Field> &items() { return m_fields; }
    // The current row, one value per field.
    std::vector<Variant> &row() { return *m_row; }

private:
    [[noreturn]] static void notFound(int index);
    int indexOf(const QString &name) const;
    std::vector<Field> m_fields;
    // On the heap, so that the fields keep it when the recordset moves.
    std::unique_ptr<std::vector<Variant>> m_row = std::make_unique<std::vector<Variant>>();
};

} // namespace tw::ado
