#pragma once

#include <QString>

namespace vinary {

namespace db {
class Connection;
}

// Copies srcDir + srcName to dstDir + dstName (dstName empty: the source name), overwriting the
// target. The copy is written beside the target and renamed over it, so a failed copy never
// leaves a half-written target. Answers false on failure; raises nothing.
bool trasferisci(const QString &srcDir, const QString &srcName, const QString &dstDir, const QString &dstName);

// The start-up preparation of the database file in the program directory dir (ending in "/"):
// when no lock file "vinary.ldb" exists, the backup "vinary_backup.mdb" of the file as the last run
// left it, then a repair and a compaction. DB is closed first and gets its database name; it is not
// connected here. Engine errors of the repair and the compaction are raised.
//
// Unlike a plain delete-and-copy, the backup is replaced only once the database has proved sound,
// so a missing or damaged database never costs the last good backup; and a temporary file left by
// an interrupted compaction is put back or removed before anything else happens.
void prepareDatabaseFile(db::Connection &DB, const QString &dir);

// The clean-up of an interrupted compaction: when "vinary.mdb" is missing and a "mdb*.tmp" beside it
// is a sound database, that file takes its place; other leftovers are removed.
void recoverInterruptedCompaction(const QString &dir);

} // namespace vinary
