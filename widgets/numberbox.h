#pragma once

#include <QLineEdit>
#include <QLocale>

namespace vinary
{

class NumberEntry;

// The text a box shows while the number is being edited: no grouping, no trailing zeros.
QString editableNumberText(double value, const QLocale &locale = QLocale());
// Rounds half away from zero to the given number of decimals.
double roundDecimals(double value, int decimals);

// A box holding a decimal value with a fixed number of decimals (two by default). Every value put
// into it, typed or set, is rounded to those decimals; an empty box reads as 0. Away from the
// keyboard focus it shows its value through a display format such as "0.00;;#". A typed text that
// cannot be read stays as typed and changes nothing: see NumberEntry.
class NumberBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit NumberBox(QWidget *parent = nullptr);

    double value() const { return m_value; }
    void setValue(double value);

    int decimals() const { return m_decimals; }
    void setDecimals(int decimals);
    const QString &displayFormat() const { return m_displayFormat; }
    void setDisplayFormat(const QString &format);
    // Empty or a number: false while the box holds a text that cannot be read.
    bool isReadable() const;
    NumberEntry *entry() const { return m_entry; }

Q_SIGNALS:
    void valueChanged(double value);
    // The user changed the value by typing.
    void valueEdited(double value);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

    // Shows the value again: the editing text while focused, the formatted one otherwise. A text
    // that cannot be read is kept unless force is set.
    void showValue(bool force = false);

private:
    void onTextEdited();

    NumberEntry *m_entry;
    double m_value = 0.0;
    int m_decimals = 2;
    QString m_displayFormat;
};

} // namespace vinary
