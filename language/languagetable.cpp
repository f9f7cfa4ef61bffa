#include "language/languagetable.h"

#include "engine/common/errors.h"
#include "language/languagefile.h"

#include <QDir>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace vinary
{

QString LanguageTable::lookup(const QString &name) const
{
    return m_index.find(m_lines, name);
}

QString LanguageTable::Index::find(const QStringList &lines, const QString &name)
{
    if (!built) {
        values.clear();
        values.reserve(lines.size());
        for (const QString &line : lines) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq < 0)
                continue;
            const QString key = line.left(eq).toCaseFolded();
            if (!values.contains(key))
                values.insert(key, line.mid(eq + 1));
        }
        built = true;
    }
    return values.value(name.toCaseFolded());
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
    QString value = lookup(name);
    if (value.isEmpty())
        value = m_fallbackIndex.find(m_fallback, name);

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
    m_index = Index();
}

void LanguageTable::save(const QString &fileName) const
{
    writeLanguageFile(fileName, m_lines);
}

void LanguageTable::loadFallback(const QString &fileName)
{
    try {
        m_fallback = readLanguageFile(fileName);
    } catch (const VinaryError &) {
        m_fallback.clear();
    }
    m_fallbackIndex = Index();
}

void LanguageTable::changeLanguage(const QString &chosenFile, const QString &programDir)
{
    QStringList lines = readLanguageFile(chosenFile);
    if (!isLanguageText(lines)) {
        // Told in the language still in force, which the user can read.
        const QString name = QDir::toNativeSeparators(chosenFile);
        const QString message = traduci(u"[ERR_FILE_LINGUA]"_s);
        throw VinaryError(message.contains(u"%1"_s) ? message.arg(name) : message + u' ' + name);
    }
    m_lines = std::move(lines);
    m_index = Index();
    save(programDir + iniFileName());
}

bool LanguageTable::isLanguageText(const QStringList &lines)
{
    static const QRegularExpression entry(u"^\\[[A-Za-z0-9_]+\\]="_s);
    bool hasEntry = false;
    for (const QString &line : lines) {
        for (const QChar c : line) {
            if (c.category() == QChar::Other_Control && c != u'\t')
                return false;
        }
        hasEntry = hasEntry || entry.match(line).hasMatch();
    }
    return hasEntry;
}

QString LanguageTable::iniFileName()
{
    return u"language.ini"_s;
}

QString LanguageTable::fallbackFileName()
{
    return u"english.lng"_s;
}

} // namespace vinary
