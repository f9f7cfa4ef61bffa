#include "engine/common/numbertext.h"

#include <cmath>

namespace vinary
{

namespace
{

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isSeparator(QChar c, QChar point)
{
    return c == point || c == u'.' || c == u',';
}

} // namespace

std::optional<double> parseUserNumber(const QString &raw, const QLocale &locale)
{
    QString text = raw.trimmed();
    const QString minus = locale.negativeSign();
    bool negative = false;
    if (text.startsWith(u'-') || text.startsWith(QChar(0x2212))) {
        negative = true;
        text.remove(0, 1);
    } else if (!minus.isEmpty() && text.startsWith(minus)) {
        negative = true;
        text.remove(0, minus.size());
    }
    const QString localePoint = locale.decimalPoint();
    const QChar point = localePoint.size() == 1 ? localePoint.at(0) : QChar(u'.');

    qsizetype separatorAt = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isAsciiDigit(c))
            continue;
        if (!isSeparator(c, point) || separatorAt >= 0)
            return std::nullopt;
        separatorAt = i;
    }
    const QString whole = separatorAt < 0 ? text : text.left(separatorAt);
    const QString fraction = separatorAt < 0 ? QString() : text.mid(separatorAt + 1);
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;

    if (separatorAt >= 0 && text.at(separatorAt) != point &&
        QString(text.at(separatorAt)) == locale.groupSeparator() && fraction.size() == 3 &&
        !whole.isEmpty() && whole.size() <= 3 && whole.at(0) != u'0')
        return std::nullopt; // "1.000" in Italian: a thousand or one?

    bool ok = false;
    const QString plain = (whole.isEmpty() ? QStringLiteral("0") : whole) + u'.' +
                          (fraction.isEmpty() ? QStringLiteral("0") : fraction);
    const double value = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    if (value == 0.0)
        return 0.0;
    return negative ? -value : value;
}

} // namespace vinary
