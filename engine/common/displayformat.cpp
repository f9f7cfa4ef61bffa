#include "engine/common/displayformat.h"

#include <QHash>
#include <QStringList>
#include <cmath>

namespace vinary
{

namespace
{

struct Section {
    QString prefix;
    QString suffix;
    int minInt = 0;
    int minDec = 0;
    int maxDec = 0;
    bool thousands = false;
    bool hasDigits = false;
};

bool isPlaceholder(QChar c)
{
    return c == u'0' || c == u'#';
}

// Splits a section into the literal text around the number and the number's shape.
Section parseSection(const QString &s)
{
    Section sec;
    int first = -1;
    int last = -1;
    QChar quote;
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
            continue;
        }
        if (isPlaceholder(c) || ((c == u'.' || c == u',') && first >= 0)) {
            if (first < 0)
                first = i;
            last = i;
        } else if ((c == u'.' || c == u',') && first < 0 && i + 1 < s.size() && isPlaceholder(s.at(i + 1))) {
            first = i;
            last = i;
        }
    }
    auto literal = [](const QString &text) {
        QString out;
        QChar q;
        for (const QChar c : text) {
            if (!q.isNull()) {
                if (c == q)
                    q = QChar();
                else
                    out += c;
            } else if (c == u'"' || c == u'\'') {
                q = c;
            } else {
                out += c;
            }
        }
        return out;
    };
    if (first < 0) {
        sec.prefix = literal(s);
        return sec;
    }
    sec.hasDigits = true;
    sec.prefix = literal(s.left(first));
    sec.suffix = literal(s.mid(last + 1));
    const QString body = s.mid(first, last - first + 1);
    const int dot = body.indexOf(u'.');
    const QString intPart = dot < 0 ? body : body.left(dot);
    const QString decPart = dot < 0 ? QString() : body.mid(dot + 1);
    sec.thousands = intPart.contains(u',');
    sec.minInt = int(intPart.count(u'0'));
    sec.minDec = int(decPart.count(u'0'));
    sec.maxDec = sec.minDec + int(decPart.count(u'#'));
    return sec;
}

QString formatMagnitude(double magnitude, const Section &sec, const QLocale &locale)
{
    if (!sec.hasDigits)
        return sec.prefix;
    const double scale = std::pow(10.0, sec.maxDec);
    // Round half away from zero on the decimal digits that are shown; the tiny bias absorbs
    // binary representation error (2.675 is stored as 2.67499999...).
    const double rounded = std::floor(magnitude * scale + 0.5 + 1e-9) / scale;
    QString digits = QString::number(rounded, 'f', sec.maxDec);
    QString intDigits = digits;
    QString decDigits;
    const int dot = int(digits.indexOf(u'.'));
    if (dot >= 0) {
        intDigits = digits.left(dot);
        decDigits = digits.mid(dot + 1);
    }
    while (decDigits.size() > sec.minDec && decDigits.endsWith(u'0'))
        decDigits.chop(1);
    if (intDigits == u"0")
        intDigits.clear();
    while (intDigits.size() < sec.minInt)
        intDigits.prepend(u'0');
    if (sec.thousands && intDigits.size() > 3) {
        const QString group = locale.groupSeparator();
        QString grouped;
        const int n = int(intDigits.size());
        for (int i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % 3 == 0)
                grouped += group;
            grouped += intDigits.at(i);
        }
        intDigits = grouped;
    }
    QString out = intDigits;
    if (!decDigits.isEmpty())
        out += locale.decimalPoint() + decDigits;
    return sec.prefix + out + sec.suffix;
}

} // namespace

namespace
{

struct Pattern {
    Section positive;
    Section negative;
    Section zero;
    bool hasNegative = false;
    bool hasZero = false;
};

// A pattern read once: reports format the same few patterns for every line they print.
Pattern parsedPattern(const QString &text)
{
    thread_local QHash<QString, Pattern> kept;
    const auto it = kept.constFind(text);
    if (it != kept.cend())
        return *it;
    const QStringList sections = text.split(u';');
    Pattern p;
    p.positive = parseSection(sections.value(0));
    p.hasNegative = !sections.value(1).isEmpty();
    if (p.hasNegative)
        p.negative = parseSection(sections.value(1));
    p.hasZero = !sections.value(2).isEmpty();
    if (p.hasZero)
        p.zero = parseSection(sections.value(2));
    if (kept.size() >= 64)
        kept.clear();
    kept.insert(text, p);
    return p;
}

} // namespace

QString formatFloat(double value, const QString &pattern, const QLocale &locale)
{
    if (std::isnan(value))
        return QString();
    if (pattern.isEmpty())
        return locale.toString(value, 'g', 15);
    const Pattern p = parsedPattern(pattern);
    const Section &first = p.positive;
    if (value == 0.0 && p.hasZero)
        return formatMagnitude(0.0, p.zero, locale);
    if (value < 0.0) {
        if (p.hasNegative)
            return formatMagnitude(-value, p.negative, locale);
        const QString shown = formatMagnitude(-value, first, locale);
        // A negative value that rounds to nothing at this precision shows as zero would.
        const double scale = std::pow(10.0, first.maxDec);
        if (std::floor(-value * scale + 0.5 + 1e-9) == 0.0)
            return formatFloat(0.0, pattern, locale);
        return u'-' + shown;
    }
    return formatMagnitude(value, first, locale);
}

} // namespace vinary
