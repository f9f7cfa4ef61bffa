#pragma once

#include "widgets/fieldlink.h"

#include <QLineEdit>

namespace vinary
{

class NumberEntry;

// A text box bound to a field. It never holds more characters than a text column does (a pasted
// text is cut to the column's size), writes each change into the field while the table is
// editing and refuses typing in browse mode. A numeric field shows its display text away from
// the focus and its plain value while it is being edited, and is read as NumberEntry says: a text
// that cannot be read writes nothing and stays until it is mended or the edit ends. A date is
// written when the box is left.
class DbEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit DbEdit(QWidget *parent = nullptr);

    void bind(db::Table *table, const QString &fieldName);
    FieldLink &link() { return m_link; }
    // The number entry, active while the bound field is numeric.
    NumberEntry *numberEntry() const { return m_numberEntry; }

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void refresh();
    void write(const QString &text);
    void writeDate();

    FieldLink m_link;
    NumberEntry *m_numberEntry;
    bool m_updating = false;
    bool m_writing = false;
    bool m_enteringFocus = false;
};

} // namespace vinary
