#pragma once

#include "engine/report/reportmodel.h"

#include <QString>

#include <functional>

namespace vinary::report
{

// The engine's own words: every caption, hint and message of the preview, the designer and the
// engine's errors has a key of its own (such as "[MOT_CHIUDI]") and its English wording. A program
// that speaks other languages installs a translator, which answers the key's text in the user's
// language, or an empty text when it has none; the English wording shows then, never the key.
using Translator = std::function<QString(const QString &key)>;

// Replaces the translator in force; an empty one leaves the English wording.
void setTranslator(Translator translator);

// The key's text: the translator's answer, or the English wording.
QString engineText(const QString &key, const QString &english);

// What the designer and the messages call a band type and an object kind.
QString bandTypeLabel(BandType type);
QString objectKindLabel(ObjectKind kind);

// The start of the name a new object of that kind gets, followed by a number.
QString objectNamePrefix(ObjectKind kind);

} // namespace vinary::report
