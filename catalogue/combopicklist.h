#pragma once

#include "data/picklist.h"

#include <QPointer>

namespace vinary {

class SortedComboBox;

// A drop-down box's item list seen as a pick list, so that the card rules fill the catalogue's
// boxes without knowing them. A box that is gone holds nothing and takes nothing.
class ComboPickList : public PickList
{
public:
    explicit ComboPickList(SortedComboBox *box);

    void clearItems() override;
    void addItem(const QString &item) override;
    bool containsNoCase(const QString &item) const override;
    QStringList items() const override;

private:
    QPointer<SortedComboBox> m_box;
};

} // namespace vinary
