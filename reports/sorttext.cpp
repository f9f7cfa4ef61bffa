#include "reports/sorttext.h"

namespace vinary
{

namespace
{

bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 1 && u <= 32;
}

} // namespace

QStringList splitSortText(const QString &text)
{
    QStringList entries;
    const qsizetype end = [&] {
        const qsizetype nul = text.indexOf(QChar(u'\0'));
        return nul < 0 ? text.size() : nul;
    }();
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < end && isBlank(text.at(i)))
            ++i;
    };

    skipBlanks();
    while (i < end) {
        QString entry;
        if (text.at(i) == u'"') {
            ++i;
            while (i < end) {
                if (text.at(i) == u'"') {
                    if (i + 1 < end && text.at(i + 1) == u'"') {
                        entry += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                entry += text.at(i++);
            }
        } else {
            const qsizetype start = i;
            while (i < end && text.at(i).unicode() > 32 && text.at(i) != u',')
                ++i;
            entry = text.mid(start, i - start);
        }
        entries << entry;
        skipBlanks();
        if (i < end && text.at(i) == u',')
            ++i;
        skipBlanks();
    }
    return entries;
}

} // namespace vinary
