#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace vinary
{

// Reads a number as a user types it: optional spaces around, an optional leading minus, ASCII
// digits and at most one decimal separator. The separator may be the locale's own or the other of
// "." and ",", so "6.80" reads as 6.8 in an Italian locale as "6,80" does. Group separators are
// not accepted. A text that holds the other separator followed by exactly three digits, where that
// separator is the locale's group separator and the digits before it could be a group ("1.000" in
// Italian, "1,000" in English), is ambiguous. Answers nullopt for an empty, unreadable or
// ambiguous text.
std::optional<double> parseUserNumber(const QString &text, const QLocale &locale);

} // namespace vinary
