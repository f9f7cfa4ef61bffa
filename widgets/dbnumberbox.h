#pragma once

#include "widgets/fieldlink.h"
#include "widgets/numberbox.h"

namespace vinary {

// A number box bound to a numeric field. It shows the current record's value and writes what the
// user types while the table is editing; in browse mode it refuses typing. A field with a display
// format shows through that format.
class DbNumberBox : public NumberBox
{
    Q_OBJECT

public:
    explicit DbNumberBox(QWidget *parent = nullptr);

    void bind(db::Table *table, const QString &fieldName);
    FieldLink &link() { return m_link; }

private:
    void refresh();
    void write(double value);

    FieldLink m_link;
    bool m_updating = false;
    bool m_writing = false;
};

} // namespace vinary
