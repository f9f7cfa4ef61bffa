#pragma once

#include <QString>
#include <QStringList>

#include <utility>

namespace vinary {

// The program's language table: KEY=VALUE lines kept exactly as read (no trimming, no sorting,
// duplicates kept), and the translation of bracketed keys through it.
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
    // brackets is ignored for the look-up. A key without a value stays as written. Never fails.
    QString traduci(const QString &text) const;

    // Replaces the table with the lines of a language file; on failure the table is unchanged.
    // Throws VinaryError "Cannot open file <name>".
    void load(const QString &fileName);

    // Throws VinaryError "Cannot create file <name>".
    void save(const QString &fileName) const;

    // The change of language: the table becomes the chosen file's lines and is saved as
    // programDir + "language.ini", which the next start reads. When the chosen file cannot be read
    // nothing changes and nothing is written. When the save fails the new table stays in force for
    // this run and the error is raised.
    void changeLanguage(const QString &chosenFile, const QString &programDir);

    // The file read at start-up from the current directory, and written by the change of language.
    static QString iniFileName();

    // A tail longer than this after the key is cut.
    static constexpr qsizetype kMaxTail = 255;

private:
    QStringList m_lines;
};

} // namespace vinary
