#include "widgets/dbcombobox.h"

#include "engine/db/table.h"
#include "widgets/guard.h"

#include <QLineEdit>

namespace vinary {

DbComboBox::DbComboBox(QWidget *parent) : SortedComboBox(parent), m_link(this)
{
    connect(&m_link, &FieldLink::refreshNeeded, this, &DbComboBox::refresh);
    connect(lineEdit(), &QLineEdit::textEdited, this, &DbComboBox::write);
    connect(this, &QComboBox::activated, this, [this] { write(currentText()); });
    refresh();
}

void DbComboBox::bind(db::Table *table, const QString &fieldName)
{
    m_link.bind(table, fieldName);
}

void DbComboBox::refresh()
{
    if (m_writing)
        return;
    m_updating = true;
    const db::Field *field = m_link.field();
    QString shown;
    if (field) {
        const int size = field->type() == db::FieldType::Text && field->size() > 0 ? field->size() : 32767;
        if (lineEdit()->maxLength() != size)
            lineEdit()->setMaxLength(size);
        guarded(this, [&] { shown = field->displayText(); });
    }
    if (shown != currentText()) {
        setCurrentIndex(findText(shown, Qt::MatchFixedString | Qt::MatchCaseSensitive));
        setEditText(shown);
    }
    const bool readOnly = !m_link.canWrite();
    setReadOnly(readOnly);
    FieldLink::setReadOnlyLook(this, readOnly);
    FieldLink::setReadOnlyLook(lineEdit(), readOnly);
    m_updating = false;
}

void DbComboBox::write(const QString &text)
{
    if (m_updating || isChangingItems())
        return;
    db::Field *field = m_link.field();
    if (!field || !m_link.canWrite()) {
        refresh();
        return;
    }
    m_writing = true;
    const bool written = guarded(this, [&] { field->setAsString(text); });
    m_writing = false;
    if (!written)
        refresh();
}

} // namespace vinary
