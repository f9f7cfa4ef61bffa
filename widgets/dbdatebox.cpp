#include "widgets/dbdatebox.h"

#include "engine/db/table.h"
#include "widgets/fieldlink.h"
#include "widgets/guard.h"

#include <QLineEdit>

namespace vinary {

DbDateBox::DbDateBox(QWidget *parent) : DateBox(parent), m_link(this)
{
    connect(&m_link, &FieldLink::refreshNeeded, this, &DbDateBox::refresh);
    connect(this, &DateBox::dateEdited, this, &DbDateBox::write);
    refresh();
}

void DbDateBox::bind(db::Table *table, const QString &fieldName)
{
    m_link.bind(table, fieldName);
}

void DbDateBox::refresh()
{
    if (m_writing)
        return;
    const db::Field *field = m_link.field();
    QDate d;
    if (field)
        guarded(this, [&] { d = field->asDateTime().date(); });
    const QSignalBlocker blocker(this);
    setDate(d);
    const bool readOnly = !m_link.canWrite();
    setReadOnly(readOnly);
    FieldLink::setReadOnlyLook(lineEdit(), readOnly);
}

void DbDateBox::write(const QDate &date)
{
    db::Field *field = m_link.field();
    if (!field || !m_link.canWrite()) {
        refresh();
        return;
    }
    m_writing = true;
    // Dates carry no time of day.
    const bool written = guarded(this, [&] {
        if (date.isValid())
            field->setAsDateTime(QDateTime(date, QTime(0, 0)));
        else
            field->clear();
    });
    m_writing = false;
    if (!written)
        refresh();
}

} // namespace vinary
