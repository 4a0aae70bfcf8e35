#include "TableList.h"

#include "platform/ado/RuntimeError.h"

namespace tw {

int TableList::selectedCount() const
{
    int selectedItems = 0;
    for (int i = 0; i < count(); ++i)
        selectedItems += selected(i) ? 1 : 0;
    return selectedItems;
}

MemoryTableList::MemoryTableList(const QStringList &items)
{
    for (const QString &item : items)
        add(item);
}

void MemoryTableList::check(int index) const
{
    if (index < 0 || index >= count())
        throw ado::RuntimeError(ado::kErrInvalidArrayIndex,
                                QStringLiteral("Invalid property array index %1.").arg(index));
}

QString MemoryTableList::text(int index) const
{
    check(index);
    return m_items[static_cast<size_t>(index)].text;
}

bool MemoryTableList::selected(int index) const
{
    check(index);
    return m_items[static_cast<size_t>(index)].selected;
}

void MemoryTableList::setSelected(int index, bool isSelected)
{
    check(index);
    m_items[static_cast<size_t>(index)].selected = isSelected;
}

void MemoryTableList::setCurrentIndex(int index)
{
    if (index != -1)
        check(index);
    m_current = index;
}

void MemoryTableList::add(const QString &text)
{
    m_items.push_back({text, false});
}

void MemoryTableList::remove(int index)
{
    check(index);
    m_items.erase(m_items.begin() + index);
    if (m_current >= count())
        m_current = count() - 1;
}

void MemoryTableList::clear()
{
    m_items.clear();
    m_current = -1;
}

QStringList MemoryTableList::items() const
{
    QStringList texts;
    for (const Item &item : m_items)
        texts << item.text;
    return texts;
}

void MemoryTableList::select(const QStringList &texts)
{
    for (int i = 0; i < count(); ++i) {
        if (texts.contains(m_items[static_cast<size_t>(i)].text)) {
            m_items[static_cast<size_t>(i)].selected = true;
            m_current = i;
        }
    }
}

} // namespace tw
