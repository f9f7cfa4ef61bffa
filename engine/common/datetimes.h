#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace vinary {

// Date-time values as the cellar stores them: naive local date and time, where an invalid
// QDateTime stands for "no date" (the value 0 of a day count). Arithmetic ignores daylight-saving
// shifts, so a day is always 24 hours.

// Days since 1899-12-30 00:00, with the time of day as the fraction; 0 for no date.
double toDayCount(const QDateTime &value);
QDateTime fromDayCount(double days);

// ISO 8601 text "YYYY-MM-DD HH:MM:SS" (with ".zzz" when there are milliseconds); empty for no date.
QString toIsoText(const QDateTime &value);
// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.zzz]]" or the same with a 'T'; invalid when unreadable.
QDateTime fromIsoText(const QString &text);

// The locale's short date format with the year in four digits ("dd/MM/yyyy" where the locale
// writes "dd/MM/yy"): a date the program shows or writes never has a two-digit year.
QString shortDateFormat(const QLocale &locale = QLocale());
// A moment in the locale's short date (four-digit year) and short time: "09/12/2026 19:47".
QString shortDateTimeText(const QDateTime &value, const QLocale &locale = QLocale());

} // namespace vinary
