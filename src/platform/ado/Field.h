#pragma once
// Field and Fields: the columns of a Recordset's current row, by ADO's names.

#include "ColumnInfo.h"
#include "Variant.h"

#include <vector>

namespace tw::ado {

class Cursor;

class Field {
public:
    explicit Field(ColumnInfo info) : m_info(std::move(info)) {}

    const QString &name() const { return m_info.name; }
    int Type() const { return m_info.type; }
    int Precision() const { return m_info.precision; }
    int NumericScale() const { return m_info.numericScale; }
    int DefinedSize() const { return m_info.definedSize; }
    const ColumnInfo &info() const { return m_info; }

    const Variant &Value() const { return m_value; }
    // On a new row of an updatable recordset the value is converted to the
    // column's type at once (RuntimeError when it cannot be); elsewhere it is
    // refused.
    void setValue(const Variant &value);

    // Used by Recordset.
    void load(Variant value) { m_value = std::move(value); }
    // The cursor that converts assignments to column `column` of a new row;
    // nullptr while no row is being added.
    void setTarget(const Cursor *cursor, int column)
    {
        m_target = cursor;
        m_column = column;
    }
    // Hands the value over to Recordset::Update and takes it back afterwards.
    Variant &valueRef() { return m_value; }

private:
    ColumnInfo m_info;
    Variant m_value;
    const Cursor *m_target = nullptr;
    int m_column = 0;
};

class Fields {
public:
    int count() const { return static_cast<int>(m_fields.size()); }
    // By ordinal, or by name without regard to case; RuntimeError when there is none.
    Field &operator()(int index);
    const Field &operator()(int index) const;
    Field &operator()(const QString &name);
    const Field &operator()(const QString &name) const;

    // Used by Recordset.
    void reset(const std::vector<ColumnInfo> &columns);
    std::vector<Field> &items() { return m_fields; }

private:
    int indexOf(const QString &name) const;
    std::vector<Field> m_fields;
};

} // namespace tw::ado
