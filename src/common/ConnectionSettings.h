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
};

class PlainConnectionSettings final : public ConnectionSettings {
public:
    QString paradox;
    bool useDbc = false;
    QString dbc;
    QString freeTables;

    QString paradoxFolder() const override { return paradox; }
    bool dbcChosen() const override { return useDbc; }
    QString dbcPath() const override { return dbc; }
    QString freeTableFolder() const override { return freeTables; }
};

} // namespace tw
