#pragma once

#include <QLocale>
#include <QString>

namespace vinary {

// Formats a number by a picture of up to three ';'-separated sections (positive;negative;zero),
// as the cellar's columns and the report templates write them: "#", "0.00", "#,##0.00", "0.00;;#".
// An empty or missing negative section means the first section with a minus sign; an empty or
// missing zero section means the first section. Digits round half away from zero.
QString formatFloat(double value, const QString &pattern, const QLocale &locale = QLocale());

} // namespace vinary
