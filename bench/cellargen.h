#pragma once

#include <QString>

namespace vinary::bench {

// Writes a cellar database at file with the delivered schema and rows, plus cards cards and
// lines journal lines of plausible, reproducible content. About one card in a hundred carries the
// word "SCONTO" in its notes, so a search for it passes 1 % of the cards.
void generateCellar(const QString &file, int cards, int lines, unsigned seed = 42);

// The search text that passes about 1 % of generated cards.
inline QString rareSearchText() { return QStringLiteral("sconto"); }

} // namespace vinary::bench
