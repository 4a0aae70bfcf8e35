#pragma once
// ConnectionSettings: the four connection values commands read at the moment
// they open a side. The setup window implements it over its fields, the
// command-line program over plain values.

#include <QString>

namespace tw {

class ConnectionSettings {
public:
    virtual ~ConnectionSettings() = default;
    virtual QString paradoxFolder() const = 0;   // Text1
    virtual bool dbcChosen() const = 0;          // Option1 "DBC File:"
    virtual QString dbcPath() const = 0;         // Text4
    virtual QString freeTableFolder() const = 0; // Text5

    // Not a connection value: whether the copies keep each field's type (the
    // transfer window's "Keep field types"), remembered beside the values
    // above. Setting it writes where they are kept, not this object.
    virtual bool keepFieldTypes() const { return false; }
    virtual void setKeepFieldTypes(bool keep) const { (void)keep; }
};

class PlainConnectionSettings final : public ConnectionSettings {
public:
    QString paradox;
    bool useDbc = false;
    QString dbc;
    QString freeTables;
    mutable bool keepTypes = false;

    QString paradoxFolder() const override { return paradox; }
    bool dbcChosen() const override { return useDbc; }
    QString dbcPath() const override { return dbc; }
    QString freeTableFolder() const override { return freeTables; }
    bool keepFieldTypes() const override { return keepTypes; }
    void setKeepFieldTypes(bool keep) const override { keepTypes = keep; }
};

} // namespace tw
