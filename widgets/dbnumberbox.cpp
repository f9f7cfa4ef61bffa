#include "widgets/dbnumberbox.h"

#include "engine/db/table.h"
#include "widgets/guard.h"

namespace vinary
{

DbNumberBox::DbNumberBox(QWidget *parent) : NumberBox(parent), m_link(this)
{
    connect(&m_link, &FieldLink::refreshNeeded, this, &DbNumberBox::refresh);
    connect(this, &NumberBox::valueEdited, this, &DbNumberBox::write);
    refresh();
}

void DbNumberBox::bind(db::Table *table, const QString &fieldName)
{
    m_link.bind(table, fieldName);
}

void DbNumberBox::refresh()
{
    if (m_writing)
        return;
    m_updating = true;
    const db::Field *field = m_link.field();
    double v = 0.0;
    if (field) {
        guarded(this, [&] { v = field->asFloat(); });
        if (!field->displayFormat().isEmpty() && displayFormat() != field->displayFormat())
            setDisplayFormat(field->displayFormat());
    }
    // A field value that rounds to the box's value keeps the text being typed; a text that cannot
    // be read stays while the record is being edited.
    const bool keepTyped = m_link.canWrite() && !isReadable();
    if (!keepTyped && (roundDecimals(v, decimals()) != value() || !hasFocus()))
        setValue(v);
    const bool readOnly = !m_link.canWrite();
    setReadOnly(readOnly);
    FieldLink::setReadOnlyLook(this, readOnly);
    m_updating = false;
}

void DbNumberBox::write(double value)
{
    if (m_updating)
        return;
    if (!m_link.canWrite()) {
        refresh();
        return;
    }
    m_writing = true;
    db::Field *field = m_link.field();
    const bool written = guarded(this, [&] {
        if (text().trimmed().isEmpty())
            field->clear();
        else
            field->setAsFloat(value);
    });
    m_writing = false;
    if (!written)
        refresh();
}

} // namespace vinary
