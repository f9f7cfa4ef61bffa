#pragma once

#include <QString>
#include <QStringList>

namespace vinary {

// The item list of a drop-down box that offers a column's values. Items are kept in alphabetical
// order without regard to case; clearing them leaves the box's displayed text alone.
class PickList
{
public:
    virtual ~PickList() = default;
    virtual void clearItems() = 0;
    virtual void addItem(const QString &item) = 0;
    virtual bool containsNoCase(const QString &item) const = 0;
    virtual QStringList items() const = 0;
};

// A pick list held in memory, for callers without a box.
class StringPickList : public PickList
{
public:
    void clearItems() override { m_items.clear(); }
    void addItem(const QString &item) override;
    bool containsNoCase(const QString &item) const override;
    QStringList items() const override { return m_items; }

private:
    QStringList m_items;
};

} // namespace vinary
