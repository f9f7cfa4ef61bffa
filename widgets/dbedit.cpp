#include "widgets/dbedit.h"

#include "engine/db/table.h"
#include "widgets/datebox.h"
#include "widgets/guard.h"
#include "widgets/numberbox.h"
#include "widgets/numberentry.h"

#include <QFocusEvent>

namespace vinary
{

namespace
{

bool isNumber(db::FieldType type)
{
    return type == db::FieldType::Float || type == db::FieldType::Integer ||
           type == db::FieldType::Integer16 || type == db::FieldType::Counter;
}

} // namespace

DbEdit::DbEdit(QWidget *parent) : QLineEdit(parent), m_link(this), m_numberEntry(new NumberEntry(this))
{
    connect(&m_link, &FieldLink::refreshNeeded, this, &DbEdit::refresh);
    connect(this, &QLineEdit::textEdited, this, &DbEdit::write);
    connect(this, &QLineEdit::editingFinished, this, &DbEdit::writeDate);
    m_numberEntry->setActive(false);
    refresh();
}

void DbEdit::bind(db::Table *table, const QString &fieldName)
{
    m_link.bind(table, fieldName);
}

void DbEdit::refresh()
{
    if (m_writing)
        return;
    m_updating = true;
    const db::Field *field = m_link.field();
    const bool writable = m_link.canWrite();
    QString shown;
    if (field) {
        const bool number = isNumber(field->type());
        m_numberEntry->setIntegerOnly(field->type() != db::FieldType::Float);
        m_numberEntry->setActive(number);
        const int size = field->type() == db::FieldType::Text && field->size() > 0 ? field->size() : 32767;
        if (maxLength() != size)
            setMaxLength(size);
        guarded(this, [&] {
            const std::optional<double> typed = number ? m_numberEntry->number() : std::nullopt;
            if (writable && number && !m_numberEntry->isReadable())
                shown = text(); // what cannot be read stays until it is mended or the edit ends
            else if (hasFocus() && !m_enteringFocus && writable && number && !field->isNull() && typed &&
                     *typed == field->asFloat())
                shown = text(); // "12.50" being typed stays as it is
            else if (hasFocus() && writable && number)
                shown = field->isNull() ? QString() : editableNumberText(field->asFloat());
            else
                shown = field->displayText();
        });
    }
    if (shown != text())
        setText(shown);
    setReadOnly(!writable);
    FieldLink::setReadOnlyLook(this, !writable);
    m_updating = false;
}

void DbEdit::write(const QString &text)
{
    if (m_updating)
        return;
    db::Field *field = m_link.field();
    if (!field || !m_link.canWrite()) {
        refresh();
        return;
    }
    // A date is taken once it is typed out, when the box is left.
    if (field->type() == db::FieldType::DateTime)
        return;
    m_writing = true;
    const bool written = guarded(this, [&] {
        if (!isNumber(field->type())) {
            field->setAsString(text);
            return;
        }
        if (text.trimmed().isEmpty())
            field->clear();
        else if (const std::optional<double> v = m_numberEntry->number())
            field->setAsFloat(*v);
        // A text that cannot be read writes nothing; the entry shows why.
    });
    m_writing = false;
    if (!written)
        refresh();
}

void DbEdit::writeDate()
{
    db::Field *field = m_link.field();
    if (m_updating || !field || field->type() != db::FieldType::DateTime || !m_link.canWrite())
        return;
    const QDate date = DateBox::parseDate(text());
    m_writing = true;
    guarded(this, [&] {
        if (text().trimmed().isEmpty())
            field->clear();
        else if (date.isValid())
            field->setAsDateTime(QDateTime(date, QTime(0, 0)));
    });
    m_writing = false;
    // An unreadable date goes back to the stored one.
    refresh();
}

void DbEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    m_enteringFocus = true;
    refresh();
    m_enteringFocus = false;
}

void DbEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    refresh();
}

} // namespace vinary
