#include "app/dbprepare.h"

#include "data/backups.h"
#include "engine/db/connection.h"
#include "engine/db/lockfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{
const QString kDatabase = u"vinary.mdb"_s;
const QString kLock = u"vinary.ldb"_s;
const QString kBackup = u"vinary_backup.mdb"_s;
const QString kJournal = u"-journal"_s;

Preparation::Skipped skippedFor(db::CompactionBlocked::Reason reason)
{
    switch (reason) {
    case db::CompactionBlocked::Reason::NoSpace:
        return Preparation::Skipped::NoSpace;
    case db::CompactionBlocked::Reason::NoPermission:
        return Preparation::Skipped::NoPermission;
    case db::CompactionBlocked::Reason::InUse:
        return Preparation::Skipped::InUse;
    }
    return Preparation::Skipped::Failed;
}
} // namespace

bool trasferisci(const QString &srcDir, const QString &srcName, const QString &dstDir, const QString &dstName)
{
    const QString source = srcDir + srcName;
    const QString target = dstDir + (dstName.isEmpty() ? srcName : dstName);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    // A copy of a private file stays private: the source's mode, and its group where allowed.
    struct stat original {
    };
    if (::fstat(in.handle(), &original) == 0) {
        // Outside the file's group the copy keeps ours, and the mode alone is copied.
        [[maybe_unused]] const int grouped = ::fchown(out.handle(), uid_t(-1), original.st_gid);
        if (::fchmod(out.handle(), original.st_mode & 07777) != 0) {
            out.cancelWriting();
            return false;
        }
    }
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
        if (out.write(buffer, n) != n) {
            out.cancelWriting();
            return false;
        }
    }
    // A full disk may only show in the last flush; committing after it would put a cut copy in
    // place of the last good backup.
    if (!out.flush()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

void recoverInterruptedCompaction(const QString &dir)
{
    const QDir d(dir);
    const QString database = d.filePath(kDatabase);
    const QStringList leftovers = d.entryList({u"mdb*.tmp"_s}, QDir::Files, QDir::Time);
    for (const QString &name : leftovers) {
        const QString path = d.filePath(name);
        // A copy with a journal beside it was still being written: it is not whole.
        const bool whole = !QFileInfo::exists(path + kJournal);
        if (whole && !QFileInfo::exists(database) && db::Connection::isSoundDatabase(path)) {
            // The compaction was cut off between putting the copy aside and moving it in place.
            if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(database).constData()) ==
                0)
                continue;
        }
        QFile::remove(path);
    }
    for (const QString &name : d.entryList({u"mdb*.tmp-journal"_s}, QDir::Files))
        QFile::remove(d.filePath(name));
}

bool makeStartupBackup(const QString &dir)
{
    // The copy replaces the old backup in one step, so a failed copy keeps the old one.
    return trasferisci(dir, kDatabase, dir, kBackup);
}

Preparation prepareDatabaseFile(db::Connection &DB, const QString &dir)
{
    DB.close();
    DB.setDatabaseName(dir + kDatabase);
    // A lock file whose holder has gone (a crash, a lost display, a killed print run) would
    // otherwise stop every later backup; one held by a running process or another host is kept.
    if (!db::LockFile::removeIfStale(dir + kLock))
        return {};

    recoverInterruptedCompaction(dir);
    const QString database = dir + kDatabase;
    db::Connection::rollBackHotJournal(database);

    // A file of another format (the Jet file of the Windows program) is migrated by the
    // compaction. Its copy replaces the backup only once the migration has succeeded, so that a
    // file that cannot be migrated leaves every file as it was; the name "mdb*.tmp" makes an
    // interrupted start remove the copy.
    const bool foreign = db::Connection::detectForeignFormat(database) != nullptr;
    const QString foreignCopy = dir + u"mdbbackup.tmp"_s;
    if (foreign)
        trasferisci(dir, kDatabase, dir, u"mdbbackup.tmp"_s);
    else if (db::Connection::isSoundDatabase(database) && makeStartupBackup(dir))
        keepDatedBackup(dir);
    try {
        db::Connection::repair(database);
        db::Connection::compact(database);
    } catch (const db::CompactionBlocked &e) {
        QFile::remove(foreignCopy);
        // An unmigrated file cannot be opened at all: then the reason is the start's error.
        if (foreign)
            throw;
        return {skippedFor(e.reason()), e.message()};
    } catch (const VinaryError &e) {
        QFile::remove(foreignCopy);
        // Only a file that is itself unusable stops the start; a sound one is opened as it is.
        if (db::Connection::isSqliteFile(database) && db::Connection::isSoundDatabase(database))
            return {Preparation::Skipped::Failed, e.message()};
        throw;
    }
    if (foreign && QFileInfo::exists(foreignCopy))
        std::rename(QFile::encodeName(foreignCopy).constData(), QFile::encodeName(dir + kBackup).constData());
    return {};
}

QString Preparation::notice() const
{
    switch (skipped) {
    case Skipped::Nothing:
        return QString();
    case Skipped::NoSpace:
        return u"   [COMPATTA_SPAZIO]   "_s;
    case Skipped::NoPermission:
        return u"   [COMPATTA_PERMESSI]   "_s;
    case Skipped::InUse:
        return u"   [COMPATTA_IN_USO]   "_s;
    case Skipped::Failed:
        break;
    }
    return u"   [COMPATTA_NON_RIUSCITA] "_s + detail + u"   "_s;
}

} // namespace vinary
