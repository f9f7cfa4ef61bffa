#pragma once

#include <QString>

namespace vinary
{

namespace db
{
class Connection;
}

// Copies srcDir + srcName to dstDir + dstName (dstName empty: the source name), overwriting the
// target. The copy is written beside the target and renamed over it, so a failed copy never
// leaves a half-written target; it gets the source's mode and, where allowed, its group. Answers
// false on failure; raises nothing.
bool trasferisci(const QString &srcDir, const QString &srcName, const QString &dstDir,
                 const QString &dstName);

// What the start-up preparation did not do to a sound database file, and why.
struct Preparation {
    enum class Skipped {
        Nothing,      // prepared as usual, or left alone because another process holds it
        NoSpace,      // not compacted: too little free space
        NoPermission, // not compacted: the folder may not be written
        InUse,        // not compacted: another process opened the file meanwhile
        Failed,       // not compacted: another failure outside the file (detail says which)
    };
    Skipped skipped = Skipped::Nothing;
    QString detail; // the engine's message

    // The notice for the user, a translation key padded as messages are (the engine's message
    // follows it for Failed); empty when there is nothing to say.
    QString notice() const;
};

// The start-up preparation of the database file in the program directory dir (ending in "/"):
// when no process holds the lock file "vinary.ldb" (a stale one is removed), the backup
// "vinary_backup.mdb" of the file as the last run left it, then a repair and a compaction. DB is
// closed first and gets its database name; it is not connected here.
//
// A compaction stopped by something outside the file (disk space, permissions, a reader that
// came meanwhile) leaves the file as it was and is reported in the answer; only an error of the
// file itself (missing, damaged, unreadable, a failed migration) is raised. The backup is replaced
// only once the database has proved sound, so a missing or damaged database never costs the last
// good backup; a temporary file left by an interrupted compaction is put back or removed, and a
// journal left by an interrupted write is rolled back, before anything else happens.
Preparation prepareDatabaseFile(db::Connection &DB, const QString &dir);

// The backup step of the preparation: "vinary_backup.mdb" becomes a copy of "vinary.mdb" in dir,
// the old backup staying whole when the copy fails. Answers whether the copy was made.
bool makeStartupBackup(const QString &dir);

// The clean-up of an interrupted compaction: when "vinary.mdb" is missing and a complete "mdb*.tmp"
// beside it is a sound database, that file takes its place; other leftovers are removed with
// their journals.
void recoverInterruptedCompaction(const QString &dir);

} // namespace vinary
