#pragma once

#include "widgets/fieldlink.h"
#include "widgets/sortedcombobox.h"

namespace vinary {

// A drop-down box with a sorted pick list, bound to a text field: it shows the current record's
// value, writes what is typed or picked while the table is editing and refuses both in browse mode.
class DbComboBox : public SortedComboBox
{
    Q_OBJECT

public:
    explicit DbComboBox(QWidget *parent = nullptr);

    void bind(db::Table *table, const QString &fieldName);
    FieldLink &link() { return m_link; }

private:
    void refresh();
    void write(const QString &text);

    FieldLink m_link;
    bool m_updating = false;
    bool m_writing = false;
};

} // namespace vinary
