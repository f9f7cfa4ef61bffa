#pragma once

#include "engine/db/connection.h"

namespace vinary::jet
{

// The Jet format as the database binding sees it: detected by its header, converted by the
// compaction into the SQLite cellar database, refused by a connection with a plain message.
// The conversion runs in the child process vinary-jet-import under the limits below, since a
// damaged file can make the reader allocate without bound.
db::ForeignFormat jetForeignFormat();

// Makes the compaction migrate Jet files and connections refuse them. The program calls it once
// at start-up, before the database file is prepared; later calls change nothing.
void registerJetFormat();

// The limits of one conversion: the child's address space, and the time it may take. A cellar of
// the Windows program converts in well under a second in a few tens of megabytes; the limits
// leave room for far larger files and slower machines.
struct JetImportLimits {
    qint64 memoryBytes = qint64(512) << 20;
    int seconds = 60;
};
void setJetImportLimits(const JetImportLimits &limits);
JetImportLimits jetImportLimits();

// The converter program; by default vinary-jet-import beside the running executable, or in
// ../libexec/vinary/ from it.
void setJetImportProgram(const QString &path);
QString jetImportProgram();

// Converts source into a new SQLite database at target in the child process. Raises VinaryError
// with the converter's own message, or with a plain one when the child ran out of memory or time
// or crashed; target is then removed and source was never written.
void convertJetFileInChild(const QString &source, const QString &target);

// Exit codes of vinary-jet-import besides 0.
constexpr int kJetImportFailed = 1;
constexpr int kJetImportUsage = 2;
constexpr int kJetImportOutOfMemory = 3;

} // namespace vinary::jet
