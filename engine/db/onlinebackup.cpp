#include "engine/db/onlinebackup.h"

#include "engine/db/connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>
#include <sqlite3.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace vinary::db
{

namespace
{

QString message(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

bool syncPath(const QString &path, bool directory)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          (directory ? O_RDONLY | O_DIRECTORY : O_RDWR) | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Runs a whole backup from one open database into another. A writer holding the source or the
// target is waited for a while, page batch by page batch.
void copyPages(sqlite3 *from, sqlite3 *to, const QString &what)
{
    sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        throw DbError(QStringLiteral("Cannot copy %1: %2").arg(what, message(to)));
    int rc = SQLITE_OK;
    int waits = 0;
    do {
        rc = sqlite3_backup_step(backup, 256);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (++waits > 100)
                break;
            QThread::msleep(50);
        }
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        const QString why = rc == SQLITE_BUSY || rc == SQLITE_LOCKED
                                ? QStringLiteral("the database is in use")
                                : QString::fromUtf8(sqlite3_errstr(rc));
        throw DbError(QStringLiteral("Cannot copy %1: %2").arg(what, why));
    }
}

QString reserveBeside(const QString &target)
{
    const QFileInfo info(target);
    QTemporaryFile reserve(QDir(info.absolutePath()).filePath(QStringLiteral("mdbXXXXXX.tmp")));
    reserve.setAutoRemove(false);
    if (!reserve.open())
        throw DbError(QStringLiteral("Cannot create a temporary file in %1: %2")
                          .arg(info.absolutePath(), reserve.errorString()));
    const QString name = reserve.fileName();
    reserve.close();
    QFile::remove(name);
    return name;
}

void copyTo(sqlite3 *from, const QString &source, const QString &target)
{
    const QString temp = reserveBeside(target);
    try {
        sqlite3 *to = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(temp).constData(), &to,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            const QString why = message(to);
            sqlite3_close(to);
            throw DbError(QStringLiteral("Cannot write %1: %2").arg(target, why));
        }
        try {
            copyPages(from, to, source);
        } catch (...) {
            sqlite3_close(to);
            throw;
        }
        sqlite3_close(to);
        QString why;
        if (!Connection::isSoundDatabase(temp, &why))
            throw DbError(QStringLiteral("Cannot copy %1: the copy is damaged (%2)").arg(source, why));
        QFile::setPermissions(temp, QFileInfo(source).permissions());
        if (!syncPath(temp, false))
            throw DbError(QStringLiteral("Cannot write %1: the copy cannot be written to disk").arg(target));
        if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0)
            throw DbError(QStringLiteral("Cannot write %1").arg(target));
    } catch (...) {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        throw;
    }
    syncPath(QFileInfo(target).absolutePath(), true);
}

} // namespace

void backupFile(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isFile())
        throw DbError(QStringLiteral("Cannot find Database:\n%1").arg(source));
    sqlite3 *from = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        const QString why = message(from);
        sqlite3_close(from);
        throw DbError(QStringLiteral("Cannot copy %1: %2").arg(source, why));
    }
    try {
        copyTo(from, source, target);
    } catch (...) {
        sqlite3_close(from);
        throw;
    }
    sqlite3_close(from);
}

void backupConnection(Connection &from, const QString &target)
{
    if (!from.isOpen())
        throw DbError(QStringLiteral("Cannot copy the database: it is not open"));
    copyTo(from.handle(), from.fileName(), target);
}

QVariant queryFile(const QString &fileName, const QString &sql)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(fileName).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        const QString why = message(db);
        sqlite3_close(db);
        throw DbError(QStringLiteral("Cannot read %1: %2").arg(fileName, why));
    }
    QVariant value;
    try {
        Statement s(db, sql);
        if (s.step())
            value = s.value(0);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
    return value;
}

void restoreInto(Connection &to, const QString &source)
{
    if (!to.isOpen())
        throw DbError(QStringLiteral("Cannot restore the database: it is not open"));
    if (to.inTransaction())
        throw DbError(QStringLiteral("Cannot restore the database while a change is being written"));
    sqlite3 *from = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        const QString why = message(from);
        sqlite3_close(from);
        throw DbError(QStringLiteral("Cannot read %1: %2").arg(source, why));
    }
    try {
        copyPages(from, to.handle(), source);
    } catch (...) {
        sqlite3_close(from);
        throw;
    }
    sqlite3_close(from);
}

} // namespace vinary::db
