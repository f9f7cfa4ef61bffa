#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <utility>

namespace vinary
{

// The program's language table: KEY=VALUE lines kept exactly as read (no trimming, no sorting,
// duplicates kept), and the translation of bracketed keys through it. A key the table lacks is
// looked up in the delivered English file, so that an old or hand-made language file shows English
// rather than a raw key.
class LanguageTable
{
public:
    LanguageTable() = default;
    explicit LanguageTable(QStringList lines) : m_lines(std::move(lines)) {}

    const QStringList &lines() const { return m_lines; }
    bool isEmpty() const { return m_lines.isEmpty(); }

    // The value of the first line whose name (the text before its first "=") equals the name,
    // regardless of letter case; empty when no line matches. Case is compared by Unicode case
    // folding, which for the Latin-script names of the language files is what the user's locale
    // rules give too.
    QString lookup(const QString &name) const;

    // Replaces the first bracketed key of a text by its value, keeping the text around it: the head
    // before the first "[" whole, the tail after the first "]" cut to 255 characters. "&" inside the
    // brackets is ignored for the look-up. A key without a value here takes the English file's; one
    // without a value there either stays as written. Never fails.
    QString traduci(const QString &text) const;

    // The English lines asked for a key this table lacks or leaves empty. They are never saved and
    // stay when a change of language replaces the table.
    void setFallback(QStringList lines)
    {
        m_fallback = std::move(lines);
        m_fallbackIndex = Index();
    }
    // Reads them from the delivered English file; a missing or unreadable file leaves none.
    void loadFallback(const QString &fileName);

    // Replaces the table with the lines of a language file; on failure the table is unchanged.
    // Throws VinaryError "Cannot open file <name>".
    void load(const QString &fileName);

    // Throws VinaryError "Cannot create file <name>".
    void save(const QString &fileName) const;

    // The change of language: the table becomes the chosen file's lines and is saved as
    // programDir + "language.ini", which the next start reads. When the chosen file cannot be read,
    // or is no language file, nothing changes and nothing is written; the error names the file.
    // When the save fails the new table stays in force for this run and the error is raised.
    void changeLanguage(const QString &chosenFile, const QString &programDir);

    // Whether lines read from a file make a language file: at least one "[KEY]=" entry, and no
    // control characters, which only a binary file, an image or a UTF-16 text would bring.
    static bool isLanguageText(const QStringList &lines);

    // The file read at start-up from the current directory, and written by the change of language.
    static QString iniFileName();
    // The delivered English file in the program directory, which fills in keys a file lacks.
    static QString fallbackFileName();

    // A tail longer than this after the key is cut.
    static constexpr qsizetype kMaxTail = 255;

private:
    // The value of each case-folded name, first line first, built at the first look-up after the
    // lines change: reports translate a word for every line they print.
    struct Index {
        QHash<QString, QString> values;
        bool built = false;
        QString find(const QStringList &lines, const QString &name);
    };

    QStringList m_lines;
    QStringList m_fallback;
    mutable Index m_index;
    mutable Index m_fallbackIndex;
};

} // namespace vinary
