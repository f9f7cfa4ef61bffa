#pragma once

#include <QString>

namespace vinary::notesfiles
{

// The folder of the producers' and suppliers' notes, relative to the current directory. The
// program never creates it: staging does, and a user who removes it turns the notes off.
inline constexpr char16_t kFolder[] = u"archivi";

// The name with everything dropped but the ASCII letters and digits, in order and case kept.
// Separators, dots and drive colons go with the rest, so a cleaned name is always a plain file
// name: no producer can point a notes file outside the folder.
QString cleanName(const QString &name);

// "archivi/" + cleaned name + ".rtf", relative to the current directory; empty when the name
// cleans to nothing (such a name has no notes file).
QString notesFilePath(const QString &name);

// Makes sure a notes file exists at `path`: an existing file is left untouched, a missing one is
// created as an RTF document whose only paragraph is `name` exactly. Returns true when it wrote
// the file. Throws VinaryError "Cannot create file <path>" when the file cannot be created or
// written (the folder is missing, say); a half-written file is removed again.
bool ensureNotesFile(const QString &path, const QString &name);

} // namespace vinary::notesfiles
