#pragma once

#include <QString>

namespace vinary
{

class LanguageTable;

// Qt's own texts (file and print dialogs, the menu of a text box, standard buttons) in the language
// of the language file. Only the words change: numbers and dates keep following the user's locale.

// The language a table names in "[LINGUA_ISO]" (an ISO 639 code, optionally with a country, such as
// "it" or "pt_BR"), in Qt's spelling; the system locale's when the table has no such key; empty when
// the key names no language Qt knows.
QString qtCatalogueLanguage(const LanguageTable &table);

// Installs Qt's catalogue for that language in place of the one installed before, if any. A language
// without a catalogue leaves Qt's English. Returns whether a catalogue is now installed.
bool installQtCatalogue(const QString &language);

} // namespace vinary
