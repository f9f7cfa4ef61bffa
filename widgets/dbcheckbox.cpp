#include "widgets/dbcheckbox.h"

#include "engine/db/table.h"
#include "widgets/guard.h"

namespace vinary {

DbCheckBox::DbCheckBox(QWidget *parent) : DbCheckBox(QString(), parent) {}

DbCheckBox::DbCheckBox(const QString &text, QWidget *parent) : QCheckBox(text, parent), m_link(this)
{
    connect(&m_link, &FieldLink::refreshNeeded, this, &DbCheckBox::refresh);
    refresh();
}

void DbCheckBox::bind(db::Table *table, const QString &fieldName)
{
    m_link.bind(table, fieldName);
}

void DbCheckBox::refresh()
{
    if (m_writing)
        return;
    const db::Field *field = m_link.field();
    bool on = false;
    if (field)
        guarded(this, [&] { on = field->asBoolean(); });
    setChecked(on);
}

void DbCheckBox::nextCheckState()
{
    db::Field *field = m_link.field();
    if (!field || !m_link.canWrite())
        return;
    const bool on = !isChecked();
    m_writing = true;
    const bool written = guarded(this, [&] { field->setAsBoolean(on); });
    m_writing = false;
    if (written)
        setChecked(on);
    refresh();
}

} // namespace vinary
