#pragma once

#include <QString>
#include <QStringList>

namespace vinary
{

// Splits a sort order's text (Indici.Ordine) into the lines of a sort list. Entries are separated
// by a comma and/or blanks; blanks and control characters (codes 1 to 32) around them are
// skipped. An entry that begins with a double quote runs to its closing quote, blanks and commas
// included, and "" inside it stands for one quote; so a line with a direction is written quoted:
// "\"[Anno] DESC\", [Descrizione]" gives "[Anno] DESC" and "[Descrizione]". Two commas in a row
// give an empty entry; a NUL character ends the text.
QStringList splitSortText(const QString &text);

} // namespace vinary
