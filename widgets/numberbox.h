#pragma once

#include <QLineEdit>
#include <QLocale>
#include <QValidator>

namespace vinary {

// Accepts a decimal number typed with the system's decimal separator: digits, at most one
// separator and, when allowed, a leading minus sign. Letters, group separators and a second
// separator are refused.
class DecimalValidator : public QValidator
{
    Q_OBJECT

public:
    explicit DecimalValidator(QObject *parent = nullptr);

    void setAllowNegative(bool allow) { m_allowNegative = allow; }
    bool allowNegative() const { return m_allowNegative; }
    // Whole numbers only (no separator at all).
    void setIntegerOnly(bool on) { m_integerOnly = on; }

    State validate(QString &input, int &pos) const override;

private:
    bool m_allowNegative = true;
    bool m_integerOnly = false;
};

// Reads a number typed with the system's decimal separator ("12,5", "-.5", "3."); false when the
// text is no number. The empty text is no number either: callers decide what it means.
bool parseDecimal(const QString &text, double *value, const QLocale &locale = QLocale());
// The text a box shows while the number is being edited: no grouping, no trailing zeros.
QString editableNumberText(double value, const QLocale &locale = QLocale());
// Rounds half away from zero to the given number of decimals.
double roundDecimals(double value, int decimals);

// A box holding a decimal value with a fixed number of decimals (two by default). Every value put
// into it, typed or set, is rounded to those decimals; an empty box reads as 0. Away from the
// keyboard focus it shows its value through a display format such as "0.00;;#".
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
    void setAllowNegative(bool allow);

Q_SIGNALS:
    void valueChanged(double value);
    // The user changed the value by typing.
    void valueEdited(double value);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

    // Shows the value again: the editing text while focused, the formatted one otherwise.
    void showValue();

private:
    void onTextEdited(const QString &text);

    DecimalValidator *m_validator;
    double m_value = 0.0;
    int m_decimals = 2;
    QString m_displayFormat;
};

} // namespace vinary
