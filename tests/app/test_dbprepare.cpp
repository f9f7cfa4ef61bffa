#include "app/dbprepare.h"
#include "engine/db/connection.h"
#include "engine/db/lockfile.h"
#include "tests/support/cellardb.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace vinary;
using namespace vinary::db;

namespace
{

bool writeFile(const QString &file, const QByteArray &contents)
{
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(contents) == contents.size();
}

QByteArray bytes(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList dump(const QString &file)
{
    Connection c;
    c.setReadOnly(true);
    c.setDatabaseName(file);
    c.open();
    QStringList out;
    for (const char *table :
         {"Configurazione", "Schede", "Giornale", "Stampe", "Indici", "sqlite_sequence"}) {
        Statement s =
            c.prepare(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(QString::fromLatin1(table)));
        while (s.step()) {
            QStringList row;
            for (int i = 0; i < s.columnCount(); ++i)
                row << s.value(i).toString();
            out << QString::fromLatin1(table) + u':' + row.join(u'|');
        }
    }
    return out;
}

} // namespace

class TestDbPrepare : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_prog;

    QString file(const QString &name) const { return m_prog + name; }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_prog = m_dir->path() + u'/';
        test::createCellarDatabase(file(QStringLiteral("vinary.mdb")));
        Connection c;
        c.setDatabaseName(file(QStringLiteral("vinary.mdb")));
        c.open();
        c.exec(
            QStringLiteral("INSERT INTO Schede (Descrizione, Quantita) VALUES ('Barolo', 6), ('Soave', 12)"));
        c.exec(QStringLiteral("DELETE FROM Schede WHERE Descrizione = 'Soave'"));
        c.exec(QStringLiteral(
            "INSERT INTO Giornale (Causale, Data, Quantita) VALUES ('C', '2026-12-01 00:00:00', 6)"));
    }

    void normalStartBacksUpThenCompacts()
    {
        const QByteArray before = bytes(file(QStringLiteral("vinary.mdb")));
        const QStringList content = dump(file(QStringLiteral("vinary.mdb")));
        Connection DB;
        prepareDatabaseFile(DB, m_prog);
        QCOMPARE(DB.databaseName(), file(QStringLiteral("vinary.mdb")));
        QVERIFY(!DB.isOpen());
        QCOMPARE(bytes(file(QStringLiteral("vinary_backup.mdb"))), before);
        QCOMPARE(dump(file(QStringLiteral("vinary.mdb"))), content);
        QCOMPARE(QDir(m_prog).entryList({QStringLiteral("mdb*.tmp")}), QStringList());
        // Besides the backup, a dated copy with the same content.
        const QStringList dated = QDir(file(QStringLiteral("backup"))).entryList({QStringLiteral("vinary-*.mdb")});
        QCOMPARE(dated.size(), 1);
        QCOMPARE(dump(file(QStringLiteral("backup/")) + dated.first()), content);
        DB.open();
        DB.exec(QStringLiteral("INSERT INTO Schede (Descrizione) VALUES ('next')"));
        Statement s = DB.prepare(QStringLiteral("SELECT max(ID) FROM Schede"));
        QVERIFY(s.step());
        QCOMPARE(s.int64(0), 3); // the deleted card's number is not reused
    }

    void lockFileOfARunningHolderChangesNoFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("held");
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        QTest::newRow("held now") << QByteArray() << true;
        QTest::newRow("running process of this host")
            << "pid=" + QByteArray::number(QCoreApplication::applicationPid()) + "\nhost=" + host + '\n'
            << false;
        QTest::newRow("another host") << QByteArray("pid=1\nhost=another-" + host + '\n') << false;
        QTest::newRow("another program") << QByteArray("Admin\0\0\0MACCHINA", 16) << false;
    }

    void lockFileOfARunningHolderChangesNoFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, held);
        LockFile holder(file(u"vinary.ldb"_s));
        if (held)
            holder.acquire();
        else
            QVERIFY(writeFile(file(u"vinary.ldb"_s), contents));
        const QByteArray before = bytes(file(u"vinary.mdb"_s));
        const QStringList listing = QDir(m_prog).entryList(QDir::Files);
        Connection DB;
        QCOMPARE(prepareDatabaseFile(DB, m_prog).skipped, Preparation::Skipped::Nothing);
        QCOMPARE(bytes(file(u"vinary.mdb"_s)), before);
        QCOMPARE(QDir(m_prog).entryList(QDir::Files), listing);
        QVERIFY(!QFileInfo::exists(file(u"backup"_s)));
        if (!held)
            QCOMPARE(bytes(file(u"vinary.ldb"_s)), contents);
    }

    void staleLockFileIsRemovedAndTheFilePrepared_data()
    {
        QTest::addColumn<QByteArray>("contents");
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        QTest::newRow("left empty by an older run") << QByteArray();
        // Beyond the largest process id Linux hands out.
        QTest::newRow("process of this host that has ended")
            << "pid=2147483000\nstart=1\nhost=" + host + '\n';
        QTest::newRow("process id taken by another process since")
            << "pid=" + QByteArray::number(QCoreApplication::applicationPid()) + "\nstart=1\nhost=" + host +
                   '\n';
    }

    void staleLockFileIsRemovedAndTheFilePrepared()
    {
        // A crash, a lost display or a killed print run left the lock file: the backups go on.
        QFETCH(QByteArray, contents);
        QVERIFY(writeFile(file(u"vinary.ldb"_s), contents));
        const QByteArray before = bytes(file(u"vinary.mdb"_s));
        Connection DB;
        QCOMPARE(prepareDatabaseFile(DB, m_prog).skipped, Preparation::Skipped::Nothing);
        QCOMPARE(bytes(file(u"vinary_backup.mdb"_s)), before);
        QVERIFY(bytes(file(u"vinary.mdb"_s)) != before);
        QVERIFY(!QFileInfo::exists(file(u"vinary.ldb"_s)));
        DB.open();
        const QByteArray written = bytes(file(u"vinary.ldb"_s));
        QVERIFY2(written.contains("pid=" + QByteArray::number(QCoreApplication::applicationPid()) + '\n'),
                 written.constData());
        QVERIFY2(written.contains("host=" + QSysInfo::machineHostName().toUtf8() + '\n'),
                 written.constData());
    }

    void fullDiskLeavesTheFileAndConnects()
    {
        const QByteArray before = bytes(file(u"vinary.mdb"_s));
        // A file size limit below the database's size stands in for a full disk.
        struct rlimit old {
        };
        getrlimit(RLIMIT_FSIZE, &old);
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tiny = old;
        tiny.rlim_cur = rlim_t(before.size() / 2);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        Connection DB;
        Preparation prepared;
        QString error;
        try {
            prepared = prepareDatabaseFile(DB, m_prog);
        } catch (const VinaryError &e) {
            error = e.message();
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(error, QString());
        QCOMPARE(prepared.skipped, Preparation::Skipped::NoSpace);
        QCOMPARE(prepared.notice().trimmed(), u"[COMPATTA_SPAZIO]"_s);
        QCOMPARE(bytes(file(u"vinary.mdb"_s)), before);
        QCOMPARE(QDir(m_prog).entryList({u"mdb*"_s}), QStringList());
        DB.open();
        Statement s = DB.prepare(u"SELECT Descrizione FROM Schede"_s);
        QVERIFY(s.step());
        QCOMPARE(s.text(0), u"Barolo"_s);
    }

    void modeAndGroupAreKept()
    {
        // A cellar kept private stays private, and a shared one stays in its group.
        const QString database = file(u"vinary.mdb"_s);
        QVERIFY(QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const gid_t group = ::getuid() == 0 ? 65534 : ::getgid();
        QCOMPARE(::chown(QFile::encodeName(database).constData(), uid_t(-1), group), 0);
        const mode_t mask = ::umask(077);
        Connection DB;
        prepareDatabaseFile(DB, m_prog);
        DB.open();
        ::umask(mask);
        for (const QString &name : {u"vinary.mdb"_s, u"vinary_backup.mdb"_s}) {
            struct stat st {
            };
            QCOMPARE(::stat(QFile::encodeName(file(name)).constData(), &st), 0);
            QCOMPARE(st.st_mode & 07777, mode_t(0640));
            QCOMPARE(st.st_gid, group);
        }
        // The lock file follows the user's mask, never wider.
        struct stat lock {
        };
        QCOMPARE(::stat(QFile::encodeName(file(u"vinary.ldb"_s)).constData(), &lock), 0);
        QCOMPARE(lock.st_mode & 07777, mode_t(0600));
    }

    void symbolicLinkStaysAndItsTargetIsCompacted()
    {
        QTemporaryDir synced;
        const QString target = synced.filePath(u"cellar.mdb"_s);
        QVERIFY(QFile::rename(file(u"vinary.mdb"_s), target));
        QVERIFY(QFile::link(target, file(u"vinary.mdb"_s)));
        const QByteArray before = bytes(target);
        const QStringList content = dump(target);
        Connection DB;
        QCOMPARE(prepareDatabaseFile(DB, m_prog).skipped, Preparation::Skipped::Nothing);
        QCOMPARE(QFileInfo(file(u"vinary.mdb"_s)).symLinkTarget(), target);
        QVERIFY(bytes(target) != before);
        QCOMPARE(dump(target), content);
        QCOMPARE(bytes(file(u"vinary_backup.mdb"_s)), before);
        QVERIFY(!QFileInfo(file(u"vinary_backup.mdb"_s)).isSymLink());
        QCOMPARE(QDir(synced.path()).entryList(QDir::Files), QStringList{u"cellar.mdb"_s});
        QCOMPARE(QDir(m_prog).entryList({u"mdb*"_s}), QStringList());
    }

    void missingDatabaseKeepsTheBackup()
    {
        QVERIFY(QFile::rename(file(QStringLiteral("vinary.mdb")), file(QStringLiteral("vinary_backup.mdb"))));
        const QByteArray backup = bytes(file(QStringLiteral("vinary_backup.mdb")));
        Connection DB;
        DB.setFallbackDirectory(QString());
        try {
            prepareDatabaseFile(DB, m_prog);
            QFAIL("preparation of a missing database succeeded");
        } catch (const VinaryError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Cannot find Database:")),
                     qPrintable(e.message()));
        }
        QCOMPARE(bytes(file(QStringLiteral("vinary_backup.mdb"))), backup);
    }

    void corruptDatabaseKeepsTheBackup()
    {
        QVERIFY(QFile::copy(file(QStringLiteral("vinary.mdb")), file(QStringLiteral("vinary_backup.mdb"))));
        const QByteArray backup = bytes(file(QStringLiteral("vinary_backup.mdb")));
        QFile f(file(QStringLiteral("vinary.mdb")));
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(100);
        f.write(QByteArray(8000, '\x00'));
        f.close();
        const QByteArray damaged = bytes(file(QStringLiteral("vinary.mdb")));
        Connection DB;
        QVERIFY_THROWS_EXCEPTION(VinaryError, prepareDatabaseFile(DB, m_prog));
        QCOMPARE(bytes(file(QStringLiteral("vinary_backup.mdb"))), backup);
        QCOMPARE(bytes(file(QStringLiteral("vinary.mdb"))), damaged);
    }

    void failedMigrationLeavesEveryFileAsItWas()
    {
        ForeignFormat broken;
        broken.name = u"broken test format"_s;
        broken.detect = [](const QByteArray &header) { return header.startsWith("BROKENDB"); };
        broken.convert = [](const QString &, const QString &target) {
            QFile partial(target);
            if (partial.open(QIODevice::WriteOnly))
                partial.write("partial");
            throw VinaryError(u"Cannot read the old database: it is damaged"_s);
        };
        broken.openMessage = u"%1 is a broken test file"_s;
        Connection::registerForeignFormat(broken);
        QVERIFY(QFile::copy(file(u"vinary.mdb"_s), file(u"vinary_backup.mdb"_s)));
        const QByteArray backup = bytes(file(u"vinary_backup.mdb"_s));
        QVERIFY(writeFile(file(u"vinary.mdb"_s), "BROKENDB and the rest of an old file"));
        Connection DB;
        try {
            prepareDatabaseFile(DB, m_prog);
            QFAIL("a file that cannot be migrated was prepared");
        } catch (const VinaryError &e) {
            QCOMPARE(e.message(), u"Cannot read the old database: it is damaged"_s);
        }
        QCOMPARE(bytes(file(u"vinary.mdb"_s)), QByteArray("BROKENDB and the rest of an old file"));
        QCOMPARE(bytes(file(u"vinary_backup.mdb"_s)), backup);
        QCOMPARE(QDir(m_prog).entryList(QDir::Files), QStringList({u"vinary.mdb"_s, u"vinary_backup.mdb"_s}));
    }

    void unwritableBackupDoesNotStopTheStart()
    {
        // A folder in the backup's place can be neither deleted nor overwritten, even by root.
        QVERIFY(QDir(m_prog).mkpath(QStringLiteral("vinary_backup.mdb/inside")));
        Connection DB;
        prepareDatabaseFile(DB, m_prog);
        DB.open();
        QVERIFY(DB.isOpen());
    }

    void interruptedCompactionIsRecovered()
    {
        // Cut off after the copy was made and the database removed: the copy takes its place.
        QVERIFY(QFile::rename(file(u"vinary.mdb"_s), file(u"mdbAbC123.tmp"_s)));
        QVERIFY(writeFile(file(u"mdbZZZ999.tmp"_s), "half written"));
        // A copy whose journal is still there was being written; a journal alone is a leftover too.
        QVERIFY(QFile::copy(file(u"mdbAbC123.tmp"_s), file(u"mdbNEW000.tmp"_s)));
        QVERIFY(writeFile(file(u"mdbNEW000.tmp-journal"_s), "journal"));
        QVERIFY(writeFile(file(u"mdbOLD111.tmp-journal"_s), "journal"));
        Connection DB;
        prepareDatabaseFile(DB, m_prog);
        QCOMPARE(QDir(m_prog).entryList({u"mdb*"_s}), QStringList());
        DB.open();
        Statement s = DB.prepare(u"SELECT Descrizione FROM Schede"_s);
        QVERIFY(s.step());
        QCOMPARE(s.text(0), u"Barolo"_s);
    }

    void leftoverTempBesideAGoodDatabaseIsRemoved()
    {
        QVERIFY(QFile::copy(file(QStringLiteral("vinary.mdb")), file(QStringLiteral("mdbOLD000.tmp"))));
        recoverInterruptedCompaction(m_prog);
        QCOMPARE(QDir(m_prog).entryList({QStringLiteral("mdb*.tmp")}), QStringList());
        QVERIFY(QFileInfo::exists(file(QStringLiteral("vinary.mdb"))));
    }

    void trasferisciCopiesAndReportsFailure()
    {
        QVERIFY(trasferisci(m_prog, QStringLiteral("vinary.mdb"), m_prog, QStringLiteral("copy.mdb")));
        QCOMPARE(bytes(file(QStringLiteral("copy.mdb"))), bytes(file(QStringLiteral("vinary.mdb"))));
        QVERIFY(QDir(m_prog).mkdir(QStringLiteral("sub")));
        QVERIFY(
            trasferisci(m_prog, QStringLiteral("vinary.mdb"), m_prog + QStringLiteral("sub/"), QString()));
        QVERIFY(QFileInfo::exists(m_prog + QStringLiteral("sub/vinary.mdb")));
        QVERIFY(!trasferisci(m_prog, QStringLiteral("missing.mdb"), m_prog, QStringLiteral("x.mdb")));
        QVERIFY(!QFileInfo::exists(file(QStringLiteral("x.mdb"))));
    }

    void trasferisciOnAFullDiskKeepsTheOldCopy()
    {
        // The last few kilobytes stay in the file's buffer until the final flush, which is where a
        // full disk shows; a file size limit just below the copy's size stands in for it.
        QVERIFY(writeFile(file(u"big.mdb"_s), QByteArray(70000, 'x')));
        QVERIFY(writeFile(file(u"old.mdb"_s), QByteArray("the last good copy")));
        struct rlimit old {
        };
        getrlimit(RLIMIT_FSIZE, &old);
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tiny = old;
        tiny.rlim_cur = 69999;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        const bool copied = trasferisci(m_prog, u"big.mdb"_s, m_prog, u"old.mdb"_s);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        QVERIFY(!copied);
        QCOMPARE(bytes(file(u"old.mdb"_s)), QByteArray("the last good copy"));
    }
};

QTEST_GUILESS_MAIN(TestDbPrepare)
#include "test_dbprepare.moc"
