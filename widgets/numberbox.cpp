#include "widgets/numberbox.h"

#include "engine/common/displayformat.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include <cmath>

using namespace Qt::StringLiterals;

namespace vinary {

DecimalValidator::DecimalValidator(QObject *parent) : QValidator(parent) {}

QValidator::State DecimalValidator::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos);
    // The system's conventions (the default locale), like every number the program shows.
    const QLocale system;
    const QString point = system.decimalPoint();
    const QString minus = system.negativeSign();
    QString rest = input;
    if (rest.startsWith(minus)) {
        if (!m_allowNegative)
            return Invalid;
        rest = rest.mid(minus.size());
    } else if (rest.startsWith(u'-')) {
        if (!m_allowNegative)
            return Invalid;
        rest = rest.mid(1);
    }
    bool seenPoint = false;
    int digits = 0;
    for (qsizetype i = 0; i < rest.size();) {
        if (rest.at(i).isDigit() && rest.at(i).unicode() < 128) {
            ++digits;
            ++i;
        } else if (!m_integerOnly && !seenPoint && rest.mid(i, point.size()) == point) {
            seenPoint = true;
            i += point.size();
        } else {
            return Invalid;
        }
    }
    return digits > 0 || input.isEmpty() ? Acceptable : Intermediate;
}

bool parseDecimal(const QString &raw, double *value, const QLocale &locale)
{
    QString text = raw.trimmed();
    const QString point = locale.decimalPoint();
    bool negative = false;
    if (text.startsWith(locale.negativeSign()) || text.startsWith(u'-')) {
        negative = true;
        text = text.mid(text.startsWith(u'-') ? 1 : locale.negativeSign().size());
    }
    if (point != u"."_s) {
        if (text.contains(u'.'))
            return false;
        text.replace(point, u"."_s);
    }
    if (text.isEmpty() || text == u"."_s)
        return false;
    for (const QChar c : std::as_const(text)) {
        if (c != u'.' && !(c.isDigit() && c.unicode() < 128))
            return false;
    }
    if (text.count(u'.') > 1)
        return false;
    if (text.startsWith(u'.'))
        text.prepend(u'0');
    if (text.endsWith(u'.'))
        text.append(u'0');
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = negative ? -v : v;
    return true;
}

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
    : QLineEdit(parent), m_validator(new DecimalValidator(this)), m_displayFormat(u"0.00;;#"_s)
{
    setValidator(m_validator);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::textEdited, this, &NumberBox::onTextEdited);
    showValue();
}

void NumberBox::setValue(double value)
{
    const double rounded = roundDecimals(value, m_decimals);
    const bool changed = rounded != m_value;
    m_value = rounded;
    showValue();
    if (changed)
        Q_EMIT valueChanged(m_value);
}

void NumberBox::setDecimals(int decimals)
{
    m_decimals = qBound(0, decimals, 10);
    m_validator->setIntegerOnly(m_decimals == 0);
    setValue(m_value);
}

void NumberBox::setDisplayFormat(const QString &format)
{
    m_displayFormat = format;
    showValue();
}

void NumberBox::setAllowNegative(bool allow)
{
    m_validator->setAllowNegative(allow);
}

void NumberBox::showValue()
{
    const QString text =
        hasFocus() ? (m_value == 0.0 && QLineEdit::text().isEmpty() ? QString() : editableNumberText(m_value))
                   : formatFloat(m_value, m_displayFormat);
    if (text != QLineEdit::text())
        setText(text);
}

void NumberBox::onTextEdited(const QString &text)
{
    double v = 0.0;
    if (!parseDecimal(text, &v))
        v = 0.0; // an empty box, or a lone sign or separator, reads as 0
    v = roundDecimals(v, m_decimals);
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

void NumberBox::keyPressEvent(QKeyEvent *event)
{
    // The numeric keypad's point types the system's separator, as the user expects.
    if (event->key() == Qt::Key_Period && (event->modifiers() & Qt::KeypadModifier) && !isReadOnly()) {
        const QString point = QLocale().decimalPoint();
        if (point != u"."_s) {
            insert(point);
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace vinary
