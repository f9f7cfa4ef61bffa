#include "widgets/numberbox.h"

#include "engine/common/displayformat.h"
#include "widgets/numberentry.h"

#include <QFocusEvent>

#include <cmath>

using namespace Qt::StringLiterals;

namespace vinary
{

QString editableNumberText(double value, const QLocale &locale)
{
    if (!std::isfinite(value))
        return QString();
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    QString s = plain.toString(value, 'f', 10);
    const QString point = plain.decimalPoint();
    if (s.contains(point)) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(point))
            s.chop(point.size());
    }
    if (s == plain.negativeSign() + u'0')
        s = u"0"_s;
    return s;
}

double roundDecimals(double value, int decimals)
{
    if (!std::isfinite(value))
        return 0.0;
    const double scale = std::pow(10.0, decimals);
    // The bias absorbs binary representation error (2.675 is stored as 2.67499999...).
    const double magnitude = std::floor(std::fabs(value) * scale + 0.5 + 1e-9) / scale;
    return value < 0 ? -magnitude : magnitude;
}

NumberBox::NumberBox(QWidget *parent)
    : QLineEdit(parent), m_entry(new NumberEntry(this)), m_displayFormat(u"0.00;;#"_s)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::textEdited, this, &NumberBox::onTextEdited);
    showValue();
}

void NumberBox::setValue(double value)
{
    const double rounded = roundDecimals(value, m_decimals);
    const bool changed = rounded != m_value;
    m_value = rounded;
    showValue(true);
    if (changed)
        Q_EMIT valueChanged(m_value);
}

void NumberBox::setDecimals(int decimals)
{
    m_decimals = qBound(0, decimals, 10);
    m_entry->setIntegerOnly(m_decimals == 0);
    setValue(m_value);
}

void NumberBox::setDisplayFormat(const QString &format)
{
    m_displayFormat = format;
    showValue();
}

bool NumberBox::isReadable() const
{
    return m_entry->isReadable();
}

void NumberBox::showValue(bool force)
{
    if (!force && !m_entry->isReadable())
        return;
    const QString text =
        hasFocus() ? (m_value == 0.0 && QLineEdit::text().isEmpty() ? QString() : editableNumberText(m_value))
                   : formatFloat(m_value, m_displayFormat);
    if (text != QLineEdit::text())
        setText(text);
}

void NumberBox::onTextEdited()
{
    // A text that cannot be read keeps the last value; the entry shows why.
    if (!m_entry->isReadable())
        return;
    const double v = roundDecimals(m_entry->number().value_or(0.0), m_decimals);
    if (v == m_value)
        return;
    m_value = v;
    Q_EMIT valueChanged(m_value);
    Q_EMIT valueEdited(m_value);
}

void NumberBox::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    showValue();
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        selectAll();
}

void NumberBox::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    showValue();
}

} // namespace vinary
