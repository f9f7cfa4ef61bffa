#include "engine/db/connection.h"

#include "engine/db/lockfile.h"
#include "engine/db/table.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vinary::db
{

namespace
{

QString sqliteMessage(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

bool isAsciiAlphanumeric(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

// Compares texts without regard to letter case over the whole of Unicode, with accented letters
// next to their base letters (the user's collation). Texts that first differ in an ASCII letter or
// digit, by far the most common case, are told apart byte by byte without conversion: the collator
// orders those the same way. Everything else (other characters, punctuation and spaces, which the
// collator orders differently from their codes) goes through the collator from the first
// difference on, so that the order is one and the same whichever texts are compared: a sort of a
// few records agrees with the sort of all.
int compareNoCase(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    const auto *pa = static_cast<const unsigned char *>(a);
    const auto *pb = static_cast<const unsigned char *>(b);
    const int n = lengthA < lengthB ? lengthA : lengthB;
    for (int i = 0; i < n; ++i) {
        unsigned char ca = pa[i];
        unsigned char cb = pb[i];
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb + 32);
        if (ca == cb && !(ca & 0x80))
            continue;
        if (isAsciiAlphanumeric(ca) && isAsciiAlphanumeric(cb))
            return ca < cb ? -1 : 1;
        {
            const QString sa = QString::fromUtf8(reinterpret_cast<const char *>(pa) + i, lengthA - i);
            const QString sb = QString::fromUtf8(reinterpret_cast<const char *>(pb) + i, lengthB - i);
            static thread_local QCollator collator = [] {
                // The C locale collates by code point; take the common Latin order instead.
                QLocale locale;
                if (locale.language() == QLocale::C)
                    locale = QLocale(QLocale::English);
                QCollator c(locale);
                c.setCaseSensitivity(Qt::CaseInsensitive);
                return c;
            }();
            const int r = collator.compare(sa, sb);
            if (r != 0)
                return r < 0 ? -1 : 1;
            const int folded = sa.compare(sb, Qt::CaseInsensitive);
            if (folded != 0)
                return folded < 0 ? -1 : 1;
            const int exact = sa.compare(sb, Qt::CaseSensitive);
            return exact < 0 ? -1 : (exact > 0 ? 1 : 0);
        }
    }
    if (lengthA != lengthB)
        return lengthA < lengthB ? -1 : 1;
    return 0;
}

QList<ForeignFormat> &foreignFormats()
{
    static QList<ForeignFormat> formats;
    return formats;
}

QByteArray fileHeader(const QString &fileName, qint64 size = 256)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(size);
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

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// A system error that stops a compaction without any fault of the database file.
void throwIfBlocked(int err, const QString &fileName, const QString &dir)
{
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        throw CompactionBlocked(
            CompactionBlocked::Reason::NoSpace,
            QStringLiteral("Cannot compact %1: there is not enough free space in %2").arg(fileName, dir));
    case EACCES:
    case EPERM:
    case EROFS:
        throw CompactionBlocked(CompactionBlocked::Reason::NoPermission,
                                QStringLiteral("Cannot compact %1: %2 is read-only").arg(fileName, dir));
    default:
        break;
    }
}

// A temporary file and the journal the engine may have left beside it.
void removeTemporary(const QString &temp)
{
    QFile::remove(temp);
    QFile::remove(temp + QStringLiteral("-journal"));
}

QString quoteLiteral(const QString &text)
{
    QString out = text;
    out.replace(u'\'', QStringLiteral("''"));
    return u'\'' + out + u'\'';
}

} // namespace

// ---------------------------------------------------------------- Statement

Statement::Statement(sqlite3 *db, const QString &sql) : m_db(db)
{
    const QByteArray utf8 = sql.toUtf8();
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, &tail) != SQLITE_OK) {
        const QString message = sqliteMessage(db);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DbError(message);
    }
    if (!m_stmt)
        throw DbError(QStringLiteral("No SQL statement available"));
    for (; tail && *tail; ++tail) {
        if (!QChar::isSpace(uchar(*tail)) && *tail != ';') {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            throw DbError(QStringLiteral("Only one SQL statement is allowed"));
        }
    }
}

Statement::~Statement()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement &&other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

void Statement::bind(int index, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        bindNull(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        bindInt64(index, value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        bindDouble(index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(m_stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    default:
        bindText(index, value.toString());
    }
}

void Statement::bindText(int index, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void Statement::bindDouble(int index, double value)
{
    sqlite3_bind_double(m_stmt, index, value);
}

void Statement::bindInt64(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void Statement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString message = sqliteMessage(m_db);
    sqlite3_reset(m_stmt);
    throw DbError(message);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

void Statement::exec()
{
    while (step()) {
    }
    reset();
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

QString Statement::columnDeclaredType(int column) const
{
    return QString::fromUtf8(sqlite3_column_decltype(m_stmt, column));
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

int Statement::columnType(int column) const
{
    return sqlite3_column_type(m_stmt, column);
}

qint64 Statement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

QString Statement::text(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, column)) : QString();
}

QByteArray Statement::blob(int column) const
{
    const auto *p = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
    return p ? QByteArray(p, sqlite3_column_bytes(m_stmt, column)) : QByteArray();
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(int64(column));
    case SQLITE_FLOAT:
        return QVariant(real(column));
    case SQLITE_TEXT:
        return QVariant(text(column));
    case SQLITE_BLOB:
        return QVariant(blob(column));
    default:
        return QVariant();
    }
}

bool Statement::isReadOnly() const
{
    return sqlite3_stmt_readonly(m_stmt) != 0;
}

// ---------------------------------------------------------------- Connection

Connection::Connection(QObject *parent) : QObject(parent)
{
    m_fallbackDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

Connection::~Connection()
{
    close();
}

void Connection::setDatabaseName(const QString &fileName)
{
    m_databaseName = fileName;
}

void Connection::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    if (m_db)
        sqlite3_busy_timeout(m_db, milliseconds);
}

QString Connection::lockFileName(const QString &databaseFile)
{
    QString name = databaseFile;
    const int dot = int(name.lastIndexOf(u'.'));
    const int slash = int(name.lastIndexOf(u'/'));
    if (dot > slash)
        name.truncate(dot);
    return name + QStringLiteral(".ldb");
}

void Connection::raise(const QString &what) const
{
    throw DbError(what);
}

void Connection::open()
{
    if (m_db)
        return;
    QString file = m_databaseName;
    if (file.isEmpty() || !QFileInfo::exists(file)) {
        const QString fallback = m_fallbackDir.isEmpty()
                                     ? QString()
                                     : QDir(m_fallbackDir).filePath(QFileInfo(m_databaseName).fileName());
        if (!fallback.isEmpty() && QFileInfo::exists(fallback))
            file = fallback;
        else
            raise(QStringLiteral("Cannot find Database:\n%1").arg(m_databaseName));
    }
    const QFileInfo info(file);
    if (info.isDir())
        raise(QStringLiteral("Cannot open database %1: it is a folder").arg(file));
    if (info.size() == 0)
        raise(QStringLiteral("Cannot open database %1: the file is empty, it is not a Vinary database")
                  .arg(file));
    if (!isSqliteFile(file)) {
        if (const ForeignFormat *foreign = detectForeignFormat(file))
            raise(foreign->openMessage.arg(file));
        if (!QFileInfo(file).isReadable())
            raise(QStringLiteral("Cannot open database %1: permission denied").arg(file));
        raise(QStringLiteral("Cannot open database %1: it is not a Vinary database").arg(file));
    }
    if (!m_readOnly && !info.isWritable())
        raise(QStringLiteral("Cannot open database %1 for writing: the file is read-only").arg(file));

    const QString lockName = lockFileName(file);
    // A write cut off by a crash leaves a journal that a read-only connection cannot roll back;
    // when no process holds the database, one read-write open puts the file in order first.
    if (m_readOnly && !LockFile::isHeldByAnyone(lockName))
        rollBackHotJournal(file);

    // Take the lock before the database, so that a preparation at the next start sees us. In a
    // folder where no file can be created nobody can compact the database either: it is read
    // without a lock file.
    auto lock = std::make_unique<LockFile>(lockName);
    const QByteArray folder = QFile::encodeName(QFileInfo(lockName).absolutePath());
    if (QFileInfo::exists(lockName) || ::access(folder.constData(), W_OK) == 0 ||
        (errno != EROFS && errno != EACCES))
        lock->acquire();

    sqlite3 *db = nullptr;
    const int flags = (m_readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, flags, nullptr) != SQLITE_OK) {
        const QString message = sqliteMessage(db);
        sqlite3_close(db);
        raise(QStringLiteral("Cannot open database %1: %2").arg(file, message));
    }
    m_db = db;
    try {
        configure();
    } catch (...) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
    m_lock = std::move(lock);
    m_fileName = file;
    Q_EMIT opened();
}

void Connection::configure()
{
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, m_busyTimeout);
    sqlite3_create_collation(m_db, "VINARY_NOCASE", SQLITE_UTF8, nullptr, &compareNoCase);
    // Reading the schema proves the file is a database we can use; a foreign or damaged file
    // fails here, before anything is written.
    Statement check(m_db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    check.step();
    if (!m_readOnly) {
        exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        exec(QStringLiteral("PRAGMA synchronous=FULL"));
    }
}

void Connection::close()
{
    if (!m_db)
        return;
    Q_EMIT closing();
    for (Table *t : std::as_const(m_tables)) {
        if (t->isActive())
            t->close();
    }
    if (m_txnDepth > 0) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_txnDepth = 0;
    }
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_lock.reset();
    m_fileName.clear();
}

Statement Connection::prepare(const QString &sql)
{
    if (!m_db)
        raise(QStringLiteral("The database is not connected"));
    return Statement(m_db, sql);
}

void Connection::exec(const QString &sql)
{
    if (!m_db)
        raise(QStringLiteral("The database is not connected"));
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = error ? QString::fromUtf8(error) : sqliteMessage(m_db);
        sqlite3_free(error);
        raise(message);
    }
}

qint64 Connection::lastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int Connection::changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

std::pair<qint64, qint64> Connection::changeMark()
{
    if (!m_db)
        return {-1, -1};
    Statement version(m_db, QStringLiteral("PRAGMA data_version"));
    return {version.step() ? version.int64(0) : -1, sqlite3_total_changes64(m_db)};
}

void Connection::begin()
{
    if (m_txnDepth == 0) {
        exec(QStringLiteral("BEGIN IMMEDIATE"));
        for (Table *t : std::as_const(m_tables))
            t->clearTouched();
    }
    ++m_txnDepth;
}

void Connection::commit()
{
    if (m_txnDepth == 0)
        return;
    if (m_txnDepth > 1) {
        --m_txnDepth;
        return;
    }
    exec(QStringLiteral("COMMIT"));
    m_txnDepth = 0;
}

void Connection::rollback()
{
    if (m_txnDepth == 0)
        return;
    m_txnDepth = 0;
    if (m_db)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    for (Table *t : std::as_const(m_tables)) {
        if (t->isActive() && t->touchedInTransaction())
            t->resynchronize();
    }
}

void Connection::attach(Table *table)
{
    if (!m_tables.contains(table))
        m_tables.append(table);
}

void Connection::detach(Table *table)
{
    m_tables.removeAll(table);
}

bool Connection::isSqliteFile(const QString &fileName)
{
    return fileHeader(fileName, 16) == QByteArray("SQLite format 3\0", 16);
}

void Connection::registerForeignFormat(const ForeignFormat &format)
{
    for (const ForeignFormat &f : std::as_const(foreignFormats())) {
        if (f.name == format.name)
            return;
    }
    foreignFormats().append(format);
}

const ForeignFormat *Connection::detectForeignFormat(const QString &fileName)
{
    const QByteArray header = fileHeader(fileName, 4096);
    if (header.isEmpty())
        return nullptr;
    for (const ForeignFormat &f : std::as_const(foreignFormats())) {
        if (f.detect && f.detect(header))
            return &f;
    }
    return nullptr;
}

bool Connection::isSoundDatabase(const QString &fileName, QString *why)
{
    auto fail = [why](const QString &message) {
        if (why)
            *why = message;
        return false;
    };
    const QFileInfo info(fileName);
    if (!info.exists())
        return fail(QStringLiteral("the file does not exist"));
    if (info.size() == 0)
        return fail(QStringLiteral("the file is empty"));
    if (!isSqliteFile(fileName))
        return fail(QStringLiteral("it is not a Vinary database"));
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(fileName).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        const QString message = sqliteMessage(db);
        sqlite3_close(db);
        return fail(message);
    }
    bool ok = false;
    QString message;
    try {
        Statement check(db, QStringLiteral("PRAGMA quick_check"));
        ok = check.step() && check.text(0) == u"ok";
        if (!ok)
            message = check.text(0);
    } catch (const std::exception &e) {
        message = QString::fromUtf8(e.what());
    }
    sqlite3_close(db);
    return ok ? true : fail(message);
}

void Connection::repair(const QString &fileName, const QString &password)
{
    compact(fileName, password);
}

void Connection::rollBackHotJournal(const QString &fileName)
{
    if (QFileInfo(fileName + QStringLiteral("-journal")).size() <= 0)
        return;
    // The first read of a connection that may write rolls a hot journal back and removes it.
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(fileName).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK)
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void Connection::compact(const QString &fileName, const QString &password)
{
    if (!password.isEmpty())
        throw DbError(QStringLiteral("Cannot compact %1: password-protected databases are not supported")
                          .arg(fileName));
    const QFileInfo info(fileName);
    const QString dir = fileName.contains(u'/') ? info.absolutePath() : QDir::currentPath();
    const QString named = QDir(dir).filePath(info.fileName());
    if (!QFileInfo::exists(named))
        throw DbError(QStringLiteral("Cannot find Database:\n%1").arg(fileName));
    if (QFileInfo(named).size() == 0)
        throw DbError(QStringLiteral("Cannot compact %1: the file is empty, it is not a Vinary database")
                          .arg(fileName));
    if (LockFile::isHeldByAnyone(lockFileName(named))) {
        throw CompactionBlocked(CompactionBlocked::Reason::InUse,
                                QStringLiteral("Cannot compact %1: the database is in use").arg(fileName));
    }

    // A symbolic link (to a synced or network folder, say) stays as it is: the file it points to
    // is compacted in its own directory, where the copy can be renamed over it.
    const QString target = QFileInfo(named).canonicalFilePath();
    const QString targetDir = QFileInfo(target).absolutePath();
    struct stat original {
    };
    if (::stat(QFile::encodeName(target).constData(), &original) != 0)
        throw DbError(QStringLiteral("Cannot compact %1: %2").arg(fileName, errnoText(errno)));

    // Reserve a unique name beside the database; only the name is kept.
    QByteArray reserved = QFile::encodeName(QDir(targetDir).filePath(QStringLiteral("mdbXXXXXX.tmp")));
    const int reservedFd = ::mkstemps(reserved.data(), 4);
    if (reservedFd < 0) {
        const int err = errno;
        throwIfBlocked(err, fileName, targetDir);
        throw DbError(
            QStringLiteral("Cannot create a temporary file in %1: %2").arg(targetDir, errnoText(err)));
    }
    ::close(reservedFd);
    const QString temp = QFile::decodeName(reserved);
    QFile::remove(temp);

    try {
        if (const ForeignFormat *foreign = isSqliteFile(target) ? nullptr : detectForeignFormat(target)) {
            foreign->convert(target, temp);
        } else {
            sqlite3 *db = nullptr;
            if (sqlite3_open_v2(QFile::encodeName(target).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
                SQLITE_OK) {
                const QString message = sqliteMessage(db);
                sqlite3_close(db);
                throw DbError(QStringLiteral("Cannot compact %1: %2").arg(fileName, message));
            }
            char *error = nullptr;
            const QString sql = QStringLiteral("VACUUM INTO %1").arg(quoteLiteral(temp));
            const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
            const QString message = error ? QString::fromUtf8(error) : sqliteMessage(db);
            const int code = sqlite3_extended_errcode(db);
            const int systemError = sqlite3_system_errno(db);
            sqlite3_free(error);
            sqlite3_close(db);
            if (rc != SQLITE_OK) {
                if ((code & 0xff) == SQLITE_FULL)
                    throwIfBlocked(ENOSPC, fileName, targetDir);
                if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED) {
                    throw CompactionBlocked(
                        CompactionBlocked::Reason::InUse,
                        QStringLiteral("Cannot compact %1: the database is in use").arg(fileName));
                }
                throwIfBlocked(systemError, fileName, targetDir);
                if (message.contains(QStringLiteral("not a database")))
                    throw DbError(
                        QStringLiteral("Cannot compact %1: it is not a Vinary database").arg(fileName));
                throw DbError(QStringLiteral("Cannot compact %1: %2").arg(fileName, message));
            }
        }
        QString why;
        if (!isSoundDatabase(temp, &why))
            throw DbError(
                QStringLiteral("Cannot compact %1: the compacted copy is damaged (%2)").arg(fileName, why));
        // The copy takes the database's place, so it takes its mode and, where allowed, its group.
        const QByteArray nativeTemp = QFile::encodeName(temp);
        ::chmod(nativeTemp.constData(), original.st_mode & 07777);
        if (::chown(nativeTemp.constData(), uid_t(-1), original.st_gid) == 0)
            ::chmod(nativeTemp.constData(), original.st_mode & 07777); // chown clears set-group-id
        if (!syncPath(temp, false)) {
            throwIfBlocked(errno, fileName, targetDir);
            throw DbError(QStringLiteral("Cannot compact %1: the compacted copy cannot be written to disk")
                              .arg(fileName));
        }
    } catch (...) {
        removeTemporary(temp);
        throw;
    }

    // The copy replaces the database in one step: there is never a moment without the file.
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        removeTemporary(temp);
        return;
    }
    syncPath(targetDir, true);
}

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(Connection &connection) : m_connection(connection)
{
    m_connection.begin();
}

Transaction::~Transaction()
{
    if (!m_done)
        m_connection.rollback();
}

void Transaction::commit()
{
    m_connection.commit();
    m_done = true;
}

} // namespace vinary::db
