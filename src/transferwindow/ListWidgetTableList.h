#pragma once
// ListWidgetTableList: the TableList interface over a window's QListWidget,
// so that commands read and change the list the user sees.

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
    void add(const QString &text) override;
    void remove(int index) override;
    void clear() override;

private:
    QListWidget *m_list;
};

} // namespace tw::transferwindow
