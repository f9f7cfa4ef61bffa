#include "engine/db/connection.h"
#include "engine/jet/jetformat.h"
#include "engine/jet/sqlitefile.h"
#include "jetfixtures.h"

#include <QtTest>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using vinary::VinaryError;
using vinary::db::Connection;

namespace
{

QStringList filesIn(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

// The Jet format seen through the database binding: the compaction at start-up and the connection.
class TestJetFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void detectsJetFilesForTheBinding();
    void compactionOfAJetFileWithoutCellarTablesChangesNothing_data();
    void compactionOfAJetFileWithoutCellarTablesChangesNothing();
    void connectingToAJetFileAsksToCloseItElsewhere_data();
    void connectingToAJetFileAsksToCloseItElsewhere();
    void sqliteDatabasesStillCompact();
    void damagedJetFileEndsInAClearErrorWithinLimits_data();
    void damagedJetFileEndsInAClearErrorWithinLimits();
};

void TestJetFormat::initTestCase()
{
    vinary::jet::registerJetFormat();
    vinary::jet::registerJetFormat(); // a second call changes nothing
    vinary::jet::setJetImportProgram(QStringLiteral(VINARY_JET_IMPORT));
}

void TestJetFormat::detectsJetFilesForTheBinding()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QTemporaryDir dir;
    for (const QString &sample : {u"jet3-sample.mdb"_s, u"jet4-sample.mdb"_s}) {
        const QString file = jetfixtures::copy(dir, sample, u"vinary.mdb"_s);
        const vinary::db::ForeignFormat *format = Connection::detectForeignFormat(file);
        QVERIFY2(format, qPrintable(sample));
        QCOMPARE(format->name, u"Jet"_s);
        QVERIFY(!Connection::isSqliteFile(file));
    }
    QFile text(dir.filePath(u"notes.txt"_s));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Standard Jet DB, but not at the start");
    text.close();
    QCOMPARE(Connection::detectForeignFormat(text.fileName()), nullptr);
}

void TestJetFormat::compactionOfAJetFileWithoutCellarTablesChangesNothing_data()
{
    QTest::addColumn<QString>("sample");
    QTest::newRow("Jet 3") << u"jet3-sample.mdb"_s;
    QTest::newRow("Jet 4") << u"jet4-sample.mdb"_s;
}

void TestJetFormat::compactionOfAJetFileWithoutCellarTablesChangesNothing()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(QString, sample);
    QTemporaryDir dir;
    const QString database = jetfixtures::copy(dir, sample, u"vinary.mdb"_s);
    const QString backup = jetfixtures::copy(dir, sample, u"vinary_backup.mdb"_s);

    for (auto step : {&Connection::repair, &Connection::compact}) {
        try {
            step(database, QString());
            QFAIL("a Jet file without the cellar tables was compacted");
        } catch (const VinaryError &e) {
            QVERIFY2(e.message().contains(u"it has no tables \"Configurazione\", \"Schede\", \"Giornale\", "
                                          u"\"Stampe\" and \"Indici\""_s),
                     qPrintable(e.message()));
        }
    }
    QVERIFY(jetfixtures::contents(database) == jetfixtures::original(sample));
    QVERIFY(jetfixtures::contents(backup) == jetfixtures::original(sample));
    // No temporary file stays behind.
    QCOMPARE(filesIn(dir), QStringList({u"vinary.mdb"_s, u"vinary_backup.mdb"_s}));
}

void TestJetFormat::connectingToAJetFileAsksToCloseItElsewhere_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<bool>("lockFile");
    QTest::newRow("Jet 4 held by the other program") << u"jet4-sample.mdb"_s << true;
    QTest::newRow("Jet 3 held by the other program") << u"jet3-sample.mdb"_s << true;
    QTest::newRow("Jet 4 without a lock file") << u"jet4-sample.mdb"_s << false;
}

void TestJetFormat::connectingToAJetFileAsksToCloseItElsewhere()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(QString, sample);
    QFETCH(bool, lockFile);
    QTemporaryDir dir;
    const QString database = jetfixtures::copy(dir, sample, u"vinary.mdb"_s);
    const QString lock = dir.filePath(u"vinary.ldb"_s);
    const QByteArray lockContents("Admin\0\0\0MACCHINA", 16);
    if (lockFile) {
        QFile file(lock);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(lockContents);
    }
    const QStringList before = filesIn(dir);

    Connection connection;
    connection.setDatabaseName(database);
    try {
        connection.open();
        QFAIL("a Jet file was opened as it is");
    } catch (const VinaryError &e) {
        QVERIFY2(e.message().contains(database), qPrintable(e.message()));
        QVERIFY2(e.message().contains(u"first close the database in the other program"_s),
                 qPrintable(e.message()));
        QVERIFY2(e.message().contains(u"No file has been changed."_s), qPrintable(e.message()));
    }
    QVERIFY(!connection.isOpen());
    QCOMPARE(filesIn(dir), before);
    QVERIFY(jetfixtures::contents(database) == jetfixtures::original(sample));
    if (lockFile)
        QCOMPARE(jetfixtures::contents(lock), lockContents);
}

void TestJetFormat::sqliteDatabasesStillCompact()
{
    // Registering the Jet format leaves the ordinary compaction of a cellar database alone.
    QTemporaryDir dir;
    const QString database = dir.filePath(u"vinary.mdb"_s);
    QFile script(QStringLiteral(VINARY_SOURCE_DIR "/resources/db/vinary.sql"));
    QVERIFY(script.open(QIODevice::ReadOnly));
    {
        vinary::jet::SqliteFile db(database);
        db.exec(QString::fromUtf8(script.readAll()));
    }
    QCOMPARE(Connection::detectForeignFormat(database), nullptr);
    Connection::compact(database);
    QVERIFY(Connection::isSqliteFile(database));
    QCOMPARE(filesIn(dir), QStringList{u"vinary.mdb"_s});

    Connection connection;
    connection.setDatabaseName(database);
    connection.open();
    vinary::db::Statement count = connection.prepare(u"SELECT count(*) FROM Stampe"_s);
    QVERIFY(count.step());
    QCOMPARE(count.int64(0), 9);
}

void TestJetFormat::damagedJetFileEndsInAClearErrorWithinLimits_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<qint64>("size");
    for (const qint64 size : {4096, 3 * 4096 + 100, 40000, 1500000})
        QTest::addRow("Jet 4 cut at %lld bytes", size) << u"jet4-sample.mdb"_s << size;
    // Cut there, the Jet 3 sample sends the reader round in an endless loop that keeps allocating.
    QTest::addRow("Jet 3 cut at 98304 bytes") << u"jet3-sample.mdb"_s << qint64(98304);
}

void TestJetFormat::damagedJetFileEndsInAClearErrorWithinLimits()
{
    // A damaged Jet file once made the reader allocate without bound at every start.
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(QString, sample);
    QFETCH(qint64, size);
    QTemporaryDir dir;
    const QString database = jetfixtures::copy(dir, sample, u"vinary.mdb"_s);
    QVERIFY(size < QFileInfo(database).size());
    QVERIFY(QFile::resize(database, size));
    const QByteArray damaged = jetfixtures::contents(database);
    const vinary::jet::JetImportLimits limits{qint64(256) << 20, 8};
    vinary::jet::setJetImportLimits(limits);
    const auto restore = qScopeGuard([] { vinary::jet::setJetImportLimits({}); });

    QElapsedTimer clock;
    clock.start();
    try {
        Connection::compact(database);
        QFAIL("a damaged Jet file was migrated");
    } catch (const VinaryError &e) {
        QVERIFY2(e.message().contains(QDir::toNativeSeparators(database)), qPrintable(e.message()));
        QVERIFY2(e.message().contains(u"Jet database"_s), qPrintable(e.message()));
        qInfo("%lld ms: %s", clock.elapsed(), qPrintable(e.message()));
    }
    QVERIFY2(clock.elapsed() < 10000, qPrintable(u"%1 ms"_s.arg(clock.elapsed())));
    QVERIFY(jetfixtures::contents(database) == damaged);
    QCOMPARE(filesIn(dir), QStringList{u"vinary.mdb"_s});
    // The converter ran in a child process, and no child went past the memory limit.
    struct rusage children {
    };
    QCOMPARE(::getrusage(RUSAGE_CHILDREN, &children), 0);
    QVERIFY(qint64(children.ru_maxrss) * 1024 < limits.memoryBytes);
}

QTEST_GUILESS_MAIN(TestJetFormat)
#include "test_jetformat.moc"
