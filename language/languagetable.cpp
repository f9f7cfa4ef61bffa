#include "language/languagetable.h"

#include "language/languagefile.h"

using namespace Qt::StringLiterals;

namespace vinary {

QString LanguageTable::lookup(const QString &name) const
{
    for (const QString &line : m_lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        if (QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return {};
}

QString LanguageTable::traduci(const QString &text) const
{
    const qsizetype open = text.indexOf(u'[');
    const qsizetype close = text.indexOf(u']');
    // A "]" before the first "[" holds no key; the text is given back as it is rather than with
    // the characters between the two brackets doubled.
    if (open < 0 || close < 0 || close < open)
        return text;

    const QStringView view(text);
    const QStringView head = view.left(open);
    const QStringView key = view.sliced(open, close - open + 1);
    QStringView tail = view.sliced(close + 1);
    if (tail.size() > kMaxTail) {
        qsizetype cut = kMaxTail;
        // Never leave half of a surrogate pair at the end.
        if (tail.at(cut - 1).isHighSurrogate())
            --cut;
        tail = tail.left(cut);
    }

    QString name = key.toString();
    name.remove(u'&');
    const QString value = lookup(name);

    QString result;
    result.reserve(head.size() + (value.isEmpty() ? key.size() : value.size()) + tail.size());
    result += head;
    if (value.isEmpty())
        result += key;
    else
        result += value;
    result += tail;
    return result;
}

void LanguageTable::load(const QString &fileName)
{
    m_lines = readLanguageFile(fileName);
}

void LanguageTable::save(const QString &fileName) const
{
    writeLanguageFile(fileName, m_lines);
}

void LanguageTable::changeLanguage(const QString &chosenFile, const QString &programDir)
{
    load(chosenFile);
    save(programDir + iniFileName());
}

QString LanguageTable::iniFileName()
{
    return u"language.ini"_s;
}

} // namespace vinary
