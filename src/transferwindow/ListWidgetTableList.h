#pragma once
// ListWidgetTableList: the TableList interface over a window's QListWidget,
// so that commands read and change the list the user sees. The entries stand
// in order without regard to case, as a user scans them: an added entry goes
// to its place in that order, so a command that adds must not count on the
// new entry being the last.

#include "common/TableList.h"

class QListWidget;

namespace tw::transferwindow {

class ListWidgetTableList final : public TableList {
public:
    explicit ListWidgetTableList(QListWidget *list) : m_list(list) {}

    int count() const override;
    QString text(int index) const override;
    bool selected(int index) const override;
    void setSelected(int index, bool selected) override;
    int currentIndex() const override;
    // Moves the current entry without changing which entries are selected.
    void setCurrentIndex(int index) override;
    // Inserts the entry at its place in the order.
    void add(const QString &text) override;
    void remove(int index) override;
    // Empties the list and shows its top again.
    void clear() override;

private:
    QListWidget *m_list;
};

} // namespace tw::transferwindow
