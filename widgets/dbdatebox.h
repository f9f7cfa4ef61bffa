#pragma once

#include "widgets/datebox.h"
#include "widgets/fieldlink.h"

namespace vinary {

// A date box bound to a date-time field. An empty box is a field with no date. It writes only while
// the table is editing; in browse mode it refuses typing and the calendar.
class DbDateBox : public DateBox
{
    Q_OBJECT

public:
    explicit DbDateBox(QWidget *parent = nullptr);

    void bind(db::Table *table, const QString &fieldName);
    FieldLink &link() { return m_link; }

private:
    void refresh();
    void write(const QDate &date);

    FieldLink m_link;
    bool m_writing = false;
};

} // namespace vinary
