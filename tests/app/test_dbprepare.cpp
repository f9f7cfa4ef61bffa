#include "app/dbprepare.h"
#include "engine/db/connection.h"
#include "tests/support/cellardb.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>

using namespace vinary;
using namespace vinary::db;

namespace {

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
    for (const char *table : {"Configurazione", "Schede", "Giornale", "Stampe", "Indici", "sqlite_sequence"}) {
        Statement s = c.prepare(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(QString::fromLatin1(table)));
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
        c.exec(QStringLiteral("INSERT INTO Schede (Descrizione, Quantita) VALUES ('Barolo', 6), ('Soave', 12)"));
        c.exec(QStringLiteral("DELETE FROM Schede WHERE Descrizione = 'Soave'"));
        c.exec(QStringLiteral("INSERT INTO Giornale (Causale, Data, Quantita) VALUES ('C', '2026-12-01 00:00:00', 6)"));
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

    void lockFilePresentChangesNoFile()
    {
        QFile lock(file(QStringLiteral("vinary.ldb")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        const QByteArray before = bytes(file(QStringLiteral("vinary.mdb")));
        const QStringList listing = QDir(m_prog).entryList(QDir::Files);
        Connection DB;
        prepareDatabaseFile(DB, m_prog);
        QCOMPARE(bytes(file(QStringLiteral("vinary.mdb"))), before);
        QCOMPARE(QDir(m_prog).entryList(QDir::Files), listing);
        QVERIFY(!QFileInfo::exists(file(QStringLiteral("backup"))));
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
            QVERIFY2(e.message().startsWith(QStringLiteral("Cannot find Database:")), qPrintable(e.message()));
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
        QVERIFY(QFile::rename(file(QStringLiteral("vinary.mdb")), file(QStringLiteral("mdbAbC123.tmp"))));
        QFile junk(file(QStringLiteral("mdbZZZ999.tmp")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("half written");
        junk.close();
        Connection DB;
        prepareDatabaseFile(DB, m_prog);
        QCOMPARE(QDir(m_prog).entryList({QStringLiteral("mdb*.tmp")}), QStringList());
        DB.open();
        Statement s = DB.prepare(QStringLiteral("SELECT Descrizione FROM Schede"));
        QVERIFY(s.step());
        QCOMPARE(s.text(0), QStringLiteral("Barolo"));
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
        QVERIFY(trasferisci(m_prog, QStringLiteral("vinary.mdb"), m_prog + QStringLiteral("sub/"), QString()));
        QVERIFY(QFileInfo::exists(m_prog + QStringLiteral("sub/vinary.mdb")));
        QVERIFY(!trasferisci(m_prog, QStringLiteral("missing.mdb"), m_prog, QStringLiteral("x.mdb")));
        QVERIFY(!QFileInfo::exists(file(QStringLiteral("x.mdb"))));
    }
};

QTEST_GUILESS_MAIN(TestDbPrepare)
#include "test_dbprepare.moc"
