#pragma once

#include <QString>

namespace vinary::bench
{

// Writes a cellar database at file with the delivered schema and rows, plus cards cards and
// lines journal lines of plausible, reproducible content. About one card in a hundred carries the
// word "SCONTO" in its notes, so a search for it passes 1 % of the cards.
void generateCellar(const QString &file, int cards, int lines, unsigned seed = 42);

// The search text that passes about 1 % of generated cards.
inline QString rareSearchText()
{
    return QStringLiteral("sconto");
}

// The sqlite3 shell's own time for one statement on the file ("Run Time: real"), in ms; -1 when the
// shell gives none.
double shellStatementMs(const QString &file, const QString &sql);

// Kilobytes of a /proc/self/status entry: VmRSS (resident now), VmHWM (resident at its peak); -1
// when it cannot be read.
long statusKb(const char *key);

} // namespace vinary::bench
