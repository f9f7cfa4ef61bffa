#pragma once

#include "engine/common/errors.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace vinary::db
{

class Table;
class LockFile;

// A database error carrying the engine's message.
class DbError : public VinaryError
{
public:
    using VinaryError::VinaryError;
};

// A compaction that could not run for a reason outside the database file: the file is as it was.
class CompactionBlocked : public DbError
{
public:
    enum class Reason { NoSpace, NoPermission, InUse };
    CompactionBlocked(Reason reason, const QString &message) : DbError(message), m_reason(reason) {}
    Reason reason() const { return m_reason; }

private:
    Reason m_reason;
};

// A prepared SQL statement on one connection; finalized when destroyed.
class Statement
{
public:
    Statement() = default;
    Statement(sqlite3 *db, const QString &sql);
    ~Statement();
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    void bind(int index, const QVariant &value); // 1-based; a null QVariant binds NULL
    void bindText(int index, const QString &value);
    void bindDouble(int index, double value);
    void bindInt64(int index, qint64 value);
    void bindNull(int index);
    bool step();  // true while a row is available; raises DbError on failure
    void reset(); // ready to run again, bindings kept
    void exec();  // runs to completion

    int columnCount() const;
    QString columnName(int column) const;
    QString columnDeclaredType(int column) const;
    bool isNull(int column) const;
    int columnType(int column) const; // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL
    qint64 int64(int column) const;
    double real(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;
    QVariant value(int column) const; // natural type of the stored value
    bool isReadOnly() const;
    sqlite3_stmt *handle() const { return m_stmt; }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
};

// A file format other than SQLite that the compaction can convert into a cellar database.
struct ForeignFormat {
    QString name;
    // Answers whether the first bytes of a file belong to this format.
    std::function<bool(const QByteArray &header)> detect;
    // Writes a new SQLite database at target holding the source's tables, rows and counters.
    std::function<void(const QString &source, const QString &target)> convert;
    // The error shown when a connection is asked to open such a file as it is.
    QString openMessage;
};

// The program's one database connection (DB). Opening takes an advisory hold on the lock file
// "<name>.ldb" beside the database; the last holder to close removes it.
class Connection : public QObject
{
    Q_OBJECT
public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    void setDatabaseName(const QString &fileName);
    QString databaseName() const { return m_databaseName; }
    // The directory searched when the database file is missing (default: the executable's).
    void setFallbackDirectory(const QString &dir) { m_fallbackDir = dir; }
    // Read-only connections never write the database (the print tool uses one).
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }
    // How long a statement waits for another process's lock before failing.
    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return m_busyTimeout; }

    void open();
    void close();
    bool isOpen() const { return m_db != nullptr; }
    // The file actually opened (the fallback one when the named file was missing).
    QString fileName() const { return m_fileName; }

    Statement prepare(const QString &sql);
    void exec(const QString &sql);
    qint64 lastInsertRowId() const;
    int changes() const;
    // Changes whenever the rows of the database may have changed since it was last taken: a write
    // by this connection (even one rolled back since) or a commit by another.
    std::pair<qint64, qint64> changeMark();
    sqlite3 *handle() const { return m_db; }

    // Explicit transactions; nested begin() calls join the outer one.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return m_txnDepth > 0; }

    // Copies the live data of file into a fresh file beside it and puts the copy in its place
    // atomically, with the file's mode and group. A symbolic link stays: the file it points to is
    // compacted in its own directory. The file must not be open anywhere. The password must be
    // empty. Raises CompactionBlocked when the disk, the permissions or another process stop it.
    static void compact(const QString &fileName, const QString &password = QString());
    // Rolls back the journal an interrupted write left beside the file (a hot journal), so that
    // read-only opens and copies see a consistent database. Does nothing when there is none.
    static void rollBackHotJournal(const QString &fileName);
    // With this engine a repair is a compaction.
    static void repair(const QString &fileName, const QString &password = QString());
    // Registers a convertible foreign format (for instance the Jet format).
    static void registerForeignFormat(const ForeignFormat &format);
    static const ForeignFormat *detectForeignFormat(const QString &fileName);
    // True when the file starts with the SQLite header.
    static bool isSqliteFile(const QString &fileName);
    // Opens a file read-only and runs the engine's quick integrity check; false on any failure.
    static bool isSoundDatabase(const QString &fileName, QString *why = nullptr);

    // Table objects register themselves so that a rollback can bring their cursors back in line.
    void attach(Table *table);
    void detach(Table *table);

    static QString lockFileName(const QString &databaseFile);

Q_SIGNALS:
    void opened();
    void closing();

private:
    void configure();
    void raise(const QString &what) const;

    QString m_databaseName;
    QString m_fallbackDir;
    QString m_fileName;
    sqlite3 *m_db = nullptr;
    std::unique_ptr<LockFile> m_lock;
    bool m_readOnly = false;
    int m_busyTimeout = 5000;
    int m_txnDepth = 0;
    QList<Table *> m_tables;
};

// Begins a transaction and rolls it back unless commit() is called.
class Transaction
{
public:
    explicit Transaction(Connection &connection);
    ~Transaction();
    void commit();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    Connection &m_connection;
    bool m_done = false;
};

} // namespace vinary::db
