#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace vinary {

class FileDialog;
class LanguageTable;
class MessageBox;

// The filters of the language-file dialog: language files first (and selected), then all files.
QStringList languageFileFilters();

// Asks for a language file, starting in the current directory; empty when the user cancels.
QString chooseLanguageFile(QWidget *parent, FileDialog &dialog);

// The whole change of language: choose a file, make it the table and "language.ini" in the program
// directory, then tell the user in the new language. Returns false when the user cancelled.
// Raises the table's errors, after which no notice is shown.
bool runLanguageChange(QWidget *parent, FileDialog &dialog, LanguageTable &table, const QString &programDir,
                       MessageBox &box);

} // namespace vinary
