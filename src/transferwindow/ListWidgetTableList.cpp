#include "ListWidgetTableList.h"

#include "platform/ado/RuntimeError.h"

#include <QItemSelectionModel>
#include <QListWidget>

namespace tw::transferwindow {

namespace {
QListWidgetItem *itemAt(QListWidget *list, int index)
{
    QListWidgetItem *item = list->item(index);
    if (!item)
        throw ado::RuntimeError(ado::kErrInvalidArrayIndex,
                                QStringLiteral("Invalid property array index %1 (the list %2 has %3 entries).")
                                    .arg(index)
                                    .arg(list->objectName())
                                    .arg(list->count()));
    return item;
}
} // namespace

int ListWidgetTableList::count() const
{
    return m_list->count();
}

QString ListWidgetTableList::text(int index) const
{
    return itemAt(m_list, index)->text();
}

bool ListWidgetTableList::selected(int index) const
{
    return itemAt(m_list, index)->isSelected();
}

void ListWidgetTableList::setSelected(int index, bool selected)
{
    itemAt(m_list, index)->setSelected(selected);
}

int ListWidgetTableList::currentIndex() const
{
    return m_list->currentRow();
}

void ListWidgetTableList::setCurrentIndex(int index)
{
    if (index != -1)
        itemAt(m_list, index);
    m_list->setCurrentRow(index, QItemSelectionModel::NoUpdate);
}

void ListWidgetTableList::add(const QString &text)
{
    // After the entries that sort before it or equal to it, so that entries
    // of one name keep the order they came in.
    int low = 0;
    int high = m_list->count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (QString::compare(m_list->item(middle)->text(), text, Qt::CaseInsensitive) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    m_list->insertItem(low, text);
}

void ListWidgetTableList::remove(int index)
{
    delete m_list->takeItem(m_list->row(itemAt(m_list, index)));
}

void ListWidgetTableList::clear()
{
    m_list->clear();
    // The list is filled again from its first entry: the user sees that one.
    m_list->scrollToTop();
}

} // namespace tw::transferwindow
