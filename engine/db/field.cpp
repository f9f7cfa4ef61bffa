#include "engine/db/field.h"

#include "engine/common/datetimes.h"
#include "engine/common/displayformat.h"
#include "engine/common/errors.h"
#include "engine/db/dataset.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace vinary::db {

namespace {

double parseNumber(const QString &raw, bool *ok)
{
    const QString text = raw.trimmed();
    const QLocale locale;
    double v = locale.toDouble(text, ok);
    if (!*ok)
        v = QLocale::c().toDouble(text, ok);
    if (*ok && !std::isfinite(v))
        *ok = false;
    return v;
}

QDateTime parseDate(const QString &raw, bool *ok)
{
    const QString text = raw.trimmed();
    QDateTime dt = fromIsoText(text);
    if (!dt.isValid()) {
        const QLocale locale;
        QDate d = locale.toDate(text, shortDateFormat(locale));
        if (!d.isValid())
            d = locale.toDate(text, QLocale::ShortFormat);
        if (d.isValid())
            dt = QDateTime(d, QTime(0, 0));
        else
            dt = locale.toDateTime(text,
                                   shortDateFormat(locale) + u' ' + locale.timeFormat(QLocale::ShortFormat));
        if (!dt.isValid())
            dt = locale.toDateTime(text, QLocale::ShortFormat);
    }
    *ok = dt.isValid();
    return dt;
}

// The longest start of text that fits in size UTF-16 units and ends at a character boundary: a
// surrogate pair is never split, and a base character goes together with its combining marks.
qsizetype cutAtCharacter(const QString &text, qsizetype size)
{
    qsizetype cut = size;
    while (cut > 0 && cut < text.size()) {
        const QChar next = text.at(cut);
        if (next.isLowSurrogate() && text.at(cut - 1).isHighSurrogate()) {
            --cut;
            continue;
        }
        char32_t code = next.unicode();
        if (next.isHighSurrogate() && cut + 1 < text.size() && text.at(cut + 1).isLowSurrogate())
            code = QChar::surrogateToUcs4(next, text.at(cut + 1));
        if (!QChar::isMark(code))
            break;
        // A mark belongs to the character before it: that one goes too.
        cut -= cut >= 2 && text.at(cut - 1).isLowSurrogate() && text.at(cut - 2).isHighSurrogate() ? 2 : 1;
    }
    return cut;
}

} // namespace

QString naturalNumberText(double value)
{
    if (std::isnan(value))
        return QString();
    const QLocale locale;
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return locale.toString(qint64(value));
    QString s = locale.toString(value, 'f', 10);
    const QString point = locale.decimalPoint();
    if (s.contains(point)) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(point))
            s.chop(point.size());
    }
    return s;
}

Field::Field(Dataset *owner, int index, const QString &name, FieldType type, int size, bool calculated)
    : m_owner(owner), m_index(index), m_name(name), m_type(type), m_size(size), m_calculated(calculated)
{
}

bool Field::isNumeric() const
{
    switch (m_type) {
    case FieldType::Counter:
    case FieldType::Float:
    case FieldType::Integer16:
    case FieldType::Integer:
        return true;
    default:
        return false;
    }
}

QVariant Field::value() const
{
    return m_owner->fieldValue(m_index);
}

bool Field::isNull() const
{
    const QVariant v = value();
    return !v.isValid() || v.isNull();
}

QString Field::textOf(const QVariant &v) const
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (m_type) {
    case FieldType::Text:
        return v.toString();
    case FieldType::Float:
        return naturalNumberText(v.toDouble());
    case FieldType::Counter:
    case FieldType::Integer16:
    case FieldType::Integer:
        return QString::number(v.toLongLong());
    case FieldType::Boolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::DateTime: {
        const QDateTime dt = v.toDateTime();
        if (!dt.isValid())
            return QString();
        const QLocale locale;
        const QString date = locale.toString(dt.date(), shortDateFormat(locale));
        if (dt.time() == QTime(0, 0))
            return date;
        return date + u' ' + locale.toString(dt.time(), QLocale::ShortFormat);
    }
    case FieldType::Blob:
        return QString::fromUtf8(v.toByteArray());
    }
    return v.toString();
}

QString Field::displayTextOf(const QVariant &v) const
{
    if (!m_displayFormat.isEmpty() && isNumeric()) {
        if (!v.isValid() || v.isNull())
            return QString();
        return formatFloat(v.toDouble(), m_displayFormat);
    }
    return textOf(v);
}

QString Field::asString() const
{
    return textOf(value());
}

double Field::asFloat() const
{
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return 0.0;
    if (m_type == FieldType::DateTime)
        return toDayCount(v.toDateTime());
    if (m_type == FieldType::Text) {
        bool ok = false;
        const double d = parseNumber(v.toString(), &ok);
        if (!ok)
            throw VinaryError(QStringLiteral("'%1' is not a valid floating point value").arg(v.toString()));
        return d;
    }
    return v.toDouble();
}

int Field::asInteger() const
{
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return 0;
    if (m_type == FieldType::Text) {
        bool ok = false;
        const int i = v.toString().trimmed().toInt(&ok);
        if (!ok)
            throw VinaryError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
        return i;
    }
    if (m_type == FieldType::Float) {
        const double d = v.toDouble();
        return int(std::llround(d));
    }
    return v.toInt();
}

QDateTime Field::asDateTime() const
{
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return QDateTime();
    if (m_type == FieldType::DateTime)
        return v.toDateTime();
    if (isNumeric())
        return fromDayCount(v.toDouble());
    bool ok = false;
    const QDateTime dt = parseDate(v.toString(), &ok);
    if (!ok)
        throw VinaryError(QStringLiteral("'%1' is not a valid date").arg(v.toString()));
    return dt;
}

bool Field::asBoolean() const
{
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return false;
    if (m_type == FieldType::Text) {
        const QString s = v.toString().trimmed();
        return s.compare(u"true", Qt::CaseInsensitive) == 0 || s == u"1";
    }
    return v.toBool();
}

QString Field::displayText() const
{
    return displayTextOf(value());
}

QVariant Field::convert(const QVariant &v) const
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    const bool isText = v.typeId() == QMetaType::QString;
    switch (m_type) {
    case FieldType::Text: {
        QString s = v.typeId() == QMetaType::Double ? naturalNumberText(v.toDouble()) : v.toString();
        if (m_size > 0 && s.size() > m_size)
            s.truncate(cutAtCharacter(s, m_size));
        return s;
    }
    case FieldType::Float: {
        if (isText) {
            if (v.toString().trimmed().isEmpty())
                return QVariant();
            bool ok = false;
            const double d = parseNumber(v.toString(), &ok);
            if (!ok)
                throw VinaryError(QStringLiteral("'%1' is not a valid floating point value").arg(v.toString()));
            return d;
        }
        if (v.typeId() == QMetaType::QDateTime)
            return toDayCount(v.toDateTime());
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            throw VinaryError(QStringLiteral("'%1' is not a valid floating point value").arg(v.toString()));
        return d;
    }
    case FieldType::Counter:
    case FieldType::Integer16:
    case FieldType::Integer: {
        qint64 i = 0;
        if (isText) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            bool ok = false;
            i = s.toLongLong(&ok);
            if (!ok)
                throw VinaryError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
        } else {
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (!ok || !std::isfinite(d) || d != std::trunc(d))
                throw VinaryError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
            if (std::fabs(d) > 9.0e15)
                throw VinaryError(QStringLiteral("%1 is not a valid value for field '%2'").arg(v.toString(), m_name));
            i = qint64(d);
        }
        const qint64 lo = m_type == FieldType::Integer16 ? -32768 : std::numeric_limits<int>::min();
        const qint64 hi = m_type == FieldType::Integer16 ? 32767 : std::numeric_limits<int>::max();
        if (m_type != FieldType::Counter && (i < lo || i > hi))
            throw VinaryError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                                  .arg(QString::number(i), m_name, QString::number(lo), QString::number(hi)));
        return m_type == FieldType::Counter ? QVariant(i) : QVariant(int(i));
    }
    case FieldType::Boolean:
        if (isText) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            if (s.compare(u"true", Qt::CaseInsensitive) == 0 || s == u"1")
                return true;
            if (s.compare(u"false", Qt::CaseInsensitive) == 0 || s == u"0")
                return false;
            throw VinaryError(QStringLiteral("'%1' is not a valid boolean value").arg(s));
        }
        return v.toBool();
    case FieldType::DateTime: {
        if (v.typeId() == QMetaType::QDateTime) {
            const QDateTime dt = v.toDateTime();
            return dt.isValid() ? QVariant(dt) : QVariant();
        }
        if (v.typeId() == QMetaType::QDate) {
            const QDate d = v.toDate();
            return d.isValid() ? QVariant(QDateTime(d, QTime(0, 0))) : QVariant();
        }
        if (isText) {
            if (v.toString().trimmed().isEmpty())
                return QVariant();
            bool ok = false;
            const QDateTime dt = parseDate(v.toString(), &ok);
            if (!ok)
                throw VinaryError(QStringLiteral("'%1' is not a valid date").arg(v.toString()));
            return dt;
        }
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            throw VinaryError(QStringLiteral("'%1' is not a valid date").arg(v.toString()));
        const QDateTime dt = fromDayCount(d);
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case FieldType::Blob:
        return v.toByteArray();
    }
    return v;
}

void Field::setValue(const QVariant &v)
{
    m_owner->setFieldValue(m_index, convert(v));
}

void Field::setAsString(const QString &v)
{
    setValue(QVariant(v));
}

void Field::setAsFloat(double v)
{
    setValue(QVariant(v));
}

void Field::setAsInteger(int v)
{
    setValue(QVariant(double(v)));
}

void Field::setAsDateTime(const QDateTime &v)
{
    setValue(v.isValid() ? QVariant(v) : QVariant());
}

void Field::setAsBoolean(bool v)
{
    setValue(QVariant(v));
}

void Field::clear()
{
    m_owner->setFieldValue(m_index, QVariant());
}

} // namespace vinary::db
