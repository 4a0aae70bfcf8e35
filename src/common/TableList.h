#pragma once
// TableList: what commands need of a window's table list (the FoxPro or the
// Paradox list); the windows implement it over their list widgets, the
// command-line program over plain data.

#include <QString>
#include <QStringList>

#include <vector>

namespace tw {

class TableList {
public:
    virtual ~TableList() = default;
    virtual int count() const = 0;
    virtual QString text(int index) const = 0;
    virtual bool selected(int index) const = 0;
    virtual void setSelected(int index, bool selected) = 0;
    // The current entry, -1 when there is none.
    virtual int currentIndex() const = 0;
    virtual void setCurrentIndex(int index) = 0;
    // Adds an entry: at the end, or where the list keeps its entries in order
    // (the windows' lists), at its place there; the indexes of the entries
    // after it move up by one.
    virtual void add(const QString &text) = 0;
    virtual void remove(int index) = 0;
    virtual void clear() = 0;

    int selectedCount() const;
};

// A table list held in memory.
class MemoryTableList final : public TableList {
public:
    MemoryTableList() = default;
    explicit MemoryTableList(const QStringList &items);

    int count() const override { return static_cast<int>(m_items.size()); }
    QString text(int index) const override;
    bool selected(int index) const override;
    void setSelected(int index, bool selected) override;
    int currentIndex() const override { return m_current; }
    void setCurrentIndex(int index) override;
    void add(const QString &text) override;
    void remove(int index) override;
    void clear() override;

    QStringList items() const;
    // Selects the entries with these texts (exact match) and makes the last one current.
    void select(const QStringList &texts);

private:
    struct Item {
        QString text;
        bool selected = false;
    };
    void check(int index) const;
    std::vector<Item> m_items;
    int m_current = -1;
};

} // namespace tw
