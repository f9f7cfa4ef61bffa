#include "data/picklist.h"

namespace vinary {

void StringPickList::addItem(const QString &item)
{
    // Sorted insertion without regard to case; equal items keep their arrival order.
    auto it = std::upper_bound(m_items.begin(), m_items.end(), item, [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    m_items.insert(it, item);
}

bool StringPickList::containsNoCase(const QString &item) const
{
    return m_items.contains(item, Qt::CaseInsensitive);
}

} // namespace vinary
