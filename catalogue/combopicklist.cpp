#include "catalogue/combopicklist.h"

#include "widgets/sortedcombobox.h"

namespace vinary {

ComboPickList::ComboPickList(SortedComboBox *box) : m_box(box) {}

void ComboPickList::clearItems()
{
    if (m_box)
        m_box->clearItems();
}

void ComboPickList::addItem(const QString &item)
{
    if (m_box)
        m_box->addSorted(item);
}

bool ComboPickList::containsNoCase(const QString &item) const
{
    return m_box && m_box->containsNoCase(item);
}

QStringList ComboPickList::items() const
{
    return m_box ? m_box->items() : QStringList();
}

} // namespace vinary
