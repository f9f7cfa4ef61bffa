#include "engine/db/connection.h"
#include "engine/db/lockfile.h"
#include "engine/db/table.h"
#include "tests/support/cellardb.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vinary;
using namespace vinary::db;

namespace
{

QByteArray digest(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

qint64 scalar(Connection &db, const QString &sql)
{
    Statement s = db.prepare(sql);
    return s.step() ? s.int64(0) : -1;
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;

    QString path(const QString &name) const { return m_dir->filePath(name); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_file = path(QStringLiteral("vinary.mdb"));
        test::createCellarDatabase(m_file);
    }

    void lockFileLivesWhileConnected()
    {
        const QString lock = path(QStringLiteral("vinary.ldb"));
        Connection a;
        a.setDatabaseName(m_file);
        a.open();
        QVERIFY(QFileInfo::exists(lock));
        QVERIFY(LockFile::isHeldByAnyone(lock));
        // A second holder (another process in real life) keeps the file alive.
        Connection b;
        b.setDatabaseName(m_file);
        b.open();
        a.close();
        QVERIFY(QFileInfo::exists(lock));
        b.close();
        QVERIFY(!QFileInfo::exists(lock));
    }

    void leftoverLockFileIsTakenOver()
    {
        const QString lock = path(QStringLiteral("vinary.ldb"));
        QFile f(lock);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(!LockFile::isHeldByAnyone(lock));
        Connection a;
        a.setDatabaseName(m_file);
        a.open();
        QVERIFY(QFileInfo::exists(lock));
        a.close();
        QVERIFY(!QFileInfo::exists(lock));
    }

    void terminationSignalsRemoveTheLock_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("otherHolder");
        QTest::newRow("Ctrl+C") << int(SIGINT) << false;
        QTest::newRow("kill") << int(SIGTERM) << false;
        QTest::newRow("terminal closed") << int(SIGHUP) << false;
        QTest::newRow("kill, the program still holding it") << int(SIGTERM) << true;
    }

    void terminationSignalsRemoveTheLock()
    {
        // The print tool's way: a process holding the lock ends by a signal.
        QFETCH(int, signalNumber);
        QFETCH(bool, otherHolder);
        const QString lock = path(QStringLiteral("vinary.ldb"));
        LockFile program(lock);
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            LockFile held(lock);
            try {
                held.acquire();
            } catch (...) {
                ::_exit(3);
            }
            LockFile::releaseOnTerminationSignals();
            [[maybe_unused]] const ssize_t n = ::write(ready[1], "r", 1);
            for (;;)
                ::pause();
        }
        char byte = 0;
        QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));
        ::close(ready[0]);
        ::close(ready[1]);
        QVERIFY(LockFile::isHeldByAnyone(lock));
        if (otherHolder)
            program.acquire();
        QCOMPARE(::kill(child, signalNumber), 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), signalNumber);
        QCOMPARE(QFileInfo::exists(lock), otherHolder);
    }

    void readOnlyOpenRollsBackAHotJournal()
    {
        // A crash in the middle of a write leaves the database with its journal and no lock.
        QTemporaryDir crashed;
        const QString copy = crashed.filePath(QStringLiteral("vinary.mdb"));
        {
            Connection writer;
            writer.setDatabaseName(m_file);
            writer.open();
            writer.exec(QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                "INSERT INTO Schede (Descrizione, Note) SELECT 'wine ' || i, 'kept' FROM n"));
            // A small cache makes the write reach the database file before the commit.
            writer.exec(QStringLiteral("PRAGMA cache_size = 2"));
            writer.exec(QStringLiteral("BEGIN"));
            writer.exec(QStringLiteral("UPDATE Schede SET Note = 'half written'"));
            QVERIFY(QFile::copy(m_file, copy));
            QVERIFY(QFile::copy(m_file + QStringLiteral("-journal"), copy + QStringLiteral("-journal")));
            writer.exec(QStringLiteral("ROLLBACK"));
        }
        Connection reader;
        reader.setReadOnly(true);
        reader.setDatabaseName(copy);
        reader.open();
        QCOMPARE(scalar(reader, QStringLiteral("SELECT count(*) FROM Schede WHERE Note = 'kept'")), 2000);
        QVERIFY(!QFileInfo::exists(copy + QStringLiteral("-journal")));
    }

    void missingDatabaseMessage()
    {
        Connection a;
        a.setFallbackDirectory(QString());
        a.setDatabaseName(path(QStringLiteral("none/vinary.mdb")));
        try {
            a.open();
            QFAIL("open succeeded");
        } catch (const VinaryError &e) {
            QCOMPARE(e.message(),
                     QStringLiteral("Cannot find Database:\n") + path(QStringLiteral("none/vinary.mdb")));
        }
        QVERIFY(!a.isOpen());
    }

    void fallsBackToExecutableDirectory()
    {
        QTemporaryDir other;
        Connection a;
        a.setFallbackDirectory(m_dir->path());
        a.setDatabaseName(other.filePath(QStringLiteral("vinary.mdb")));
        a.open();
        QCOMPARE(a.fileName(), m_file);
        QVERIFY(QFileInfo::exists(path(QStringLiteral("vinary.ldb"))));
    }

    void foreignFilesAreRefusedUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("zero length") << QByteArray();
        QTest::newRow("random bytes") << QByteArray(4096, '\x5a');
        QTest::newRow("a text file") << QByteArray("Dear cellar,\nthis is not a database.\n");
        QByteArray fakeSqlite("SQLite format 3\0", 16);
        fakeSqlite.append(QByteArray(2000, '\xff'));
        QTest::newRow("damaged header") << fakeSqlite;
    }
    void foreignFilesAreRefusedUntouched()
    {
        QFETCH(QByteArray, content);
        QFile::remove(m_file);
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        const QByteArray before = digest(m_file);
        Connection a;
        a.setFallbackDirectory(QString());
        a.setDatabaseName(m_file);
        QVERIFY_THROWS_EXCEPTION(VinaryError, a.open());
        QVERIFY(!a.isOpen());
        QCOMPARE(digest(m_file), before);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("vinary.ldb"))));
        QVERIFY_THROWS_EXCEPTION(VinaryError, Connection::compact(m_file));
        QCOMPARE(digest(m_file), before);
        QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("mdb*.tmp")}).size(), 0);
    }

    void lockedDatabaseFailsAfterBoundedWait()
    {
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_file).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        Connection a;
        a.setBusyTimeout(300);
        a.setDatabaseName(m_file);
        QElapsedTimer timer;
        timer.start();
        bool failed = false;
        try {
            a.open();
            Table t(a, QStringLiteral("Schede"));
            t.open();
        } catch (const VinaryError &) {
            failed = true;
        }
        QVERIFY(failed);
        QVERIFY(timer.elapsed() < 5000);
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }

    void compactionKeepsTablesRowsAndCounters()
    {
        {
            Connection a;
            a.setDatabaseName(m_file);
            a.open();
            a.exec(QStringLiteral("INSERT INTO Schede (Descrizione) VALUES ('a'), ('b'), ('c')"));
            a.exec(QStringLiteral("DELETE FROM Schede WHERE Descrizione = 'c'"));
        }
        Connection::compact(m_file);
        QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("mdb*.tmp")}).size(), 0);
        Connection a;
        a.setDatabaseName(m_file);
        a.open();
        QCOMPARE(scalar(a, QStringLiteral("SELECT count(*) FROM Schede")), 2);
        QCOMPARE(scalar(a, QStringLiteral("SELECT count(*) FROM Stampe")), 9);
        // The counter is never reused: the next card continues after the deleted one.
        a.exec(QStringLiteral("INSERT INTO Schede (Descrizione) VALUES ('d')"));
        QCOMPARE(scalar(a, QStringLiteral("SELECT max(ID) FROM Schede")), 4);
    }

    void compactionRefusesAHeldDatabase()
    {
        Connection a;
        a.setDatabaseName(m_file);
        a.open();
        try {
            Connection::compact(m_file);
            QFAIL("a database in use was compacted");
        } catch (const CompactionBlocked &e) {
            QCOMPARE(e.reason(), CompactionBlocked::Reason::InUse);
        }
    }

    void fullDiskDuringCompactionLeavesTheFile()
    {
        {
            Connection a;
            a.setDatabaseName(m_file);
            a.open();
            a.exec(QStringLiteral("BEGIN"));
            for (int i = 0; i < 2000; ++i)
                a.exec(QStringLiteral("INSERT INTO Schede (Descrizione, Note) VALUES ('wine %1', '%2')")
                           .arg(i)
                           .arg(QString(90, u'n')));
            a.exec(QStringLiteral("COMMIT"));
        }
        const QByteArray before = digest(m_file);
        // A file size limit stands in for a full disk: writes beyond it fail with EFBIG.
        struct rlimit old {
        };
        getrlimit(RLIMIT_FSIZE, &old);
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tiny = old;
        tiny.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        bool failed = false;
        try {
            Connection::compact(m_file);
        } catch (const CompactionBlocked &e) {
            failed = e.reason() == CompactionBlocked::Reason::NoSpace;
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        QVERIFY(failed);
        QCOMPARE(digest(m_file), before);
        QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("mdb*.tmp")}).size(), 0);
    }

    void foreignFormatIsConvertedByCompaction()
    {
        ForeignFormat fake;
        fake.name = QStringLiteral("test format");
        fake.detect = [](const QByteArray &header) { return header.startsWith("FAKEDB"); };
        fake.convert = [](const QString &, const QString &target) { test::createCellarDatabase(target); };
        fake.openMessage = QStringLiteral("%1 is a test file");
        Connection::registerForeignFormat(fake);
        QFile::remove(m_file);
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("FAKEDB and more");
        f.close();
        Connection a;
        a.setDatabaseName(m_file);
        try {
            a.open();
            QFAIL("opened a foreign file");
        } catch (const VinaryError &e) {
            QCOMPARE(e.message(), m_file + QStringLiteral(" is a test file"));
        }
        Connection::compact(m_file);
        QVERIFY(Connection::isSqliteFile(m_file));
        a.open();
        QCOMPARE(scalar(a, QStringLiteral("SELECT count(*) FROM Indici")), 9);
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "test_connection.moc"
