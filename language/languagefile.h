#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vinary
{

// Reading and writing of language files ("language.ini" and the *.lng files): KEY=VALUE text lines.
// Files written by older versions are in the Western European 8-bit code page, newer ones in UTF-8,
// so both are read; files are always written as UTF-8.

// Decodes Windows-1252 on its own table, since the ICU codecs may be missing. The five bytes that
// the code page leaves undefined map to the control characters of the same value, as Windows does.
QString decodeWindows1252(const QByteArray &bytes);

// The text of a file's bytes: everything before the first zero byte, as UTF-8 when those bytes are
// valid UTF-8 (an initial byte-order mark is dropped), otherwise as Windows-1252.
QString decodeLanguageText(const QByteArray &bytes);

// Splits a text into lines ended by CR LF, a lone CR or a lone LF. A line end at the very end of the
// text does not start one more line; the empty text has no lines.
QStringList splitLanguageLines(const QString &text);

// The lines of a file exactly as written. Throws VinaryError "Cannot open file <name>", and the
// damaged-file message when the file cannot be a language file (a line longer than
// kMaxLanguageLineBytes: such a value would end up as a window title or a message).
QStringList readLanguageFile(const QString &fileName);

// The longest line a language file may hold, in bytes.
constexpr qsizetype kMaxLanguageLineBytes = 64 * 1024;

// The error for a file that is damaged or no language file at all.
QString damagedLanguageFileMessage(const QString &fileName);

// Replaces a file with the lines, each followed by CR LF, as UTF-8. The file is written aside and
// renamed over the old one, so a failed write leaves the old file whole.
// Throws VinaryError "Cannot create file <name>".
void writeLanguageFile(const QString &fileName, const QStringList &lines);

} // namespace vinary
