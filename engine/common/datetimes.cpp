#include "engine/common/datetimes.h"

#include <QRegularExpression>

#include <cmath>

namespace vinary
{

namespace
{
const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsPerDay = 86400000;
} // namespace

double toDayCount(const QDateTime &value)
{
    if (!value.isValid())
        return 0.0;
    const qint64 days = kEpoch.daysTo(value.date());
    const qint64 ms = value.time().msecsSinceStartOfDay();
    // Day counts before the epoch keep the time as a positive fraction away from zero, as the
    // classic day-count encoding does: -1.25 is 1899-12-29 06:00.
    if (days < 0)
        return double(days) - double(ms) / double(kMsPerDay);
    return double(days) + double(ms) / double(kMsPerDay);
}

QDateTime fromDayCount(double days)
{
    if (days == 0.0 || std::isnan(days) || std::isinf(days) || std::fabs(days) > 3.0e6)
        return QDateTime();
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    qint64 ms = qint64(std::llround(fraction * double(kMsPerDay)));
    qint64 dayNumber = qint64(whole);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        dayNumber += days < 0 ? -1 : 1;
    }
    return QDateTime(kEpoch.addDays(dayNumber), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

QString toIsoText(const QDateTime &value)
{
    if (!value.isValid())
        return QString();
    const QDate d = value.date();
    const QTime t = value.time();
    if (d.year() < 1 || d.year() > 9999) {
        if (t.msec() != 0)
            return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    // Written digit by digit: reports and filters format a date for every journal line.
    char16_t out[23];
    auto put = [&out](int at, int number, int width) {
        for (int i = width - 1; i >= 0; --i) {
            out[at + i] = char16_t(u'0' + number % 10);
            number /= 10;
        }
    };
    put(0, d.year(), 4);
    out[4] = u'-';
    put(5, d.month(), 2);
    out[7] = u'-';
    put(8, d.day(), 2);
    out[10] = u' ';
    put(11, t.hour(), 2);
    out[13] = u':';
    put(14, t.minute(), 2);
    out[16] = u':';
    put(17, t.second(), 2);
    if (t.msec() == 0)
        return QString(reinterpret_cast<const QChar *>(out), 19);
    out[19] = u'.';
    put(20, t.msec(), 3);
    return QString(reinterpret_cast<const QChar *>(out), 23);
}

namespace
{

// The digits of text[from, from + count) as a number, or -1 when one of them is not a digit.
int digits(const QString &text, qsizetype from, qsizetype count)
{
    int n = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

// The form the database writes, "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss", read without the general
// parser, which long reports and journal filters would otherwise spend most of their time in.
// Anything else, or a value that is no date, is left to the general reading below.
QDateTime fromPlainIsoText(const QString &text)
{
    if (text.size() != 10 && text.size() != 19)
        return QDateTime();
    if (text.at(4) != u'-' || text.at(7) != u'-')
        return QDateTime();
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    if (year < 0 || month < 0 || day < 0)
        return QDateTime();
    const QDate date(year, month, day);
    if (!date.isValid())
        return QDateTime();
    if (text.size() == 10)
        return QDateTime(date, QTime(0, 0));
    if (text.at(10) != u' ' || text.at(13) != u':' || text.at(16) != u':')
        return QDateTime();
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (hour < 0 || minute < 0 || second < 0 || !QTime::isValid(hour, minute, second))
        return QDateTime();
    return QDateTime(date, QTime(hour, minute, second));
}

} // namespace

QDateTime fromIsoText(const QString &raw)
{
    const QString text = raw.trimmed();
    if (const QDateTime plain = fromPlainIsoText(text); plain.isValid())
        return plain;
    if (text.size() < 10)
        return QDateTime();
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        return QDateTime();
    if (text.size() == 10)
        return QDateTime(date, QTime(0, 0));
    const QChar sep = text.at(10);
    if (sep != u' ' && sep != u'T')
        return QDateTime();
    QString timeText = text.mid(11);
    if (timeText.endsWith(u'Z'))
        timeText.chop(1);
    QTime time;
    for (const auto *format : {"HH:mm:ss.zzz", "HH:mm:ss", "HH:mm"}) {
        time = QTime::fromString(timeText, QString::fromLatin1(format));
        if (time.isValid())
            break;
    }
    if (!time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

QString shortDateFormat(const QLocale &locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QRegularExpression(QStringLiteral("y+")), QStringLiteral("yyyy"));
    return format;
}

QString shortDateTimeText(const QDateTime &value, const QLocale &locale)
{
    return locale.toString(value, shortDateFormat(locale) + u' ' + locale.timeFormat(QLocale::ShortFormat));
}

} // namespace vinary
