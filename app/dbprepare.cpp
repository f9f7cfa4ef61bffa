#include "app/dbprepare.h"

#include "data/backups.h"
#include "engine/db/connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace vinary {

namespace {
const QString kDatabase = QStringLiteral("vinary.mdb");
const QString kLock = QStringLiteral("vinary.ldb");
const QString kBackup = QStringLiteral("vinary_backup.mdb");
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
    return out.commit();
}

void recoverInterruptedCompaction(const QString &dir)
{
    const QDir d(dir);
    const QStringList leftovers = d.entryList({QStringLiteral("mdb*.tmp")}, QDir::Files, QDir::Time);
    if (leftovers.isEmpty())
        return;
    const QString database = d.filePath(kDatabase);
    for (const QString &name : leftovers) {
        const QString path = d.filePath(name);
        if (!QFileInfo::exists(database) && db::Connection::isSoundDatabase(path)) {
            // The compaction was cut off between putting the copy aside and moving it in place.
            if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(database).constData()) == 0)
                continue;
        }
        QFile::remove(path);
    }
}

void prepareDatabaseFile(db::Connection &DB, const QString &dir)
{
    DB.close();
    DB.setDatabaseName(dir + kDatabase);
    if (QFileInfo::exists(dir + kLock))
        return;

    recoverInterruptedCompaction(dir);

    const QString database = dir + kDatabase;
    const bool sound = db::Connection::isSoundDatabase(database) || db::Connection::detectForeignFormat(database);
    // The copy replaces the old backup in one step, so a failed copy keeps the old one.
    if (sound) {
        trasferisci(dir, kDatabase, dir, kBackup);
        keepDatedBackup(dir);
    }
    db::Connection::repair(database);
    db::Connection::compact(database);
}

} // namespace vinary
