#pragma once

#include <QComboBox>
#include <QStringList>

#include <functional>

class QStringListModel;

namespace vinary {

// An editable drop-down box whose item list (a pick list) stays in alphabetical order without
// regard to case. The list only offers values: any text may be typed. Changing the items never
// changes the text shown in the box.
class SortedComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit SortedComboBox(QWidget *parent = nullptr);

    // Adds an item at its sorted place (duplicates are kept, as the caller decides).
    void addSorted(const QString &item);
    // Replaces the items in one go; they are sorted here.
    void setItems(const QStringList &items);
    void clearItems();
    QStringList items() const;
    // Look-up ignoring case: the item's index, or -1.
    int findNoCase(const QString &item) const;
    bool containsNoCase(const QString &item) const { return findNoCase(item) >= 0; }

    // A read-only box shows its text but refuses typing, the drop-down list and the wheel.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    void showPopup() override;

    // The order of the items: case-insensitive, then case-sensitive so that the order is total.
    static bool lessNoCase(const QString &a, const QString &b);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

    // Runs a change of the items with the shown text kept; the text change is not the user's.
    void keepingText(const std::function<void()> &change);
    bool isChangingItems() const { return m_changingItems; }

private:
    QStringListModel *m_model;
    bool m_readOnly = false;
    bool m_changingItems = false;
};

} // namespace vinary
