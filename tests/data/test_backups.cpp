#include "data/backups.h"
#include "data/cellar.h"
#include "engine/common/errors.h"
#include "engine/db/connection.h"
#include "tests/support/cellardb.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vinary::BackupCopy;
using vinary::BackupRetention;
using vinary::CellarBackups;

namespace
{

struct Fixture {
    QTemporaryDir dir;
    vinary::Cellar cellar;

    Fixture()
    {
        vinary::test::createCellarDatabase(dir.filePath(u"vinary.mdb"_s));
        cellar.programDir = dir.path() + u'/';
        cellar.setDatabaseDirectory(cellar.programDir);
        cellar.connect();
        cellar.DB.exec(u"INSERT INTO Schede (Descrizione, Quantita) VALUES ('Barolo', 6), ('Soave', 2)"_s);
        cellar.DB.exec(u"INSERT INTO Giornale (Causale, Quantita) VALUES ('C', 6)"_s);
        cellar.intestazione.open();
        cellar.Schede.open();
        cellar.giornale.open();
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    qint64 cards() { return count(u"SELECT count(*) FROM Schede"_s); }
    qint64 count(const QString &sql)
    {
        vinary::db::Statement s = cellar.DB.prepare(sql);
        return s.step() ? s.int64(0) : -1;
    }
    void write(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

BackupCopy copyAt(const QString &when)
{
    BackupCopy copy;
    copy.fileName = when;
    copy.taken = QDateTime::fromString(when, u"yyyy-MM-dd HH:mm"_s);
    return copy;
}

} // namespace

class TestBackups : public QObject
{
    Q_OBJECT

private slots:
    void pruningKeepsDaysAndWeeks();
    void startUpCopyIsDatedAndPruned();
    void restoreAndItsUndo();
    void unsoundSourceIsRefusedBeforeAnythingChanges_data();
    void unsoundSourceIsRefusedBeforeAnythingChanges();
    void restoreAtStartPutsTheCopyInPlace();
};

void TestBackups::pruningKeepsDaysAndWeeks()
{
    // Friday 15 March 2024; ISO weeks: 11 from 11 March, 10 from 4 March, 8 from 19 February.
    QList<BackupCopy> copies;
    for (const char *when :
         {"2024-03-15 18:00", "2024-03-15 09:00", "2024-03-14 09:00", "2024-03-13 17:00", "2024-03-13 08:00",
          "2024-03-12 09:00", "2024-03-11 09:00", "2024-03-10 09:00", "2024-03-09 09:00", "2024-03-08 09:00",
          "2024-03-05 09:00", "2024-02-20 09:00", "2024-02-10 09:00", "2024-01-30 09:00", "2023-12-01 09:00"})
        copies.append(copyAt(QString::fromLatin1(when)));
    std::reverse(copies.begin(), copies.end()); // the order given does not matter

    QStringList pruned;
    for (int i : CellarBackups::toPrune(copies, BackupRetention{}, QDate(2024, 3, 15)))
        pruned << copies.at(i).fileName;
    pruned.sort();
    // Kept: both of today, the newest of 14, 13, 12, 11, 10 and 9 March, the week of 19 February and
    // that of 5 February (the fourth week with a copy).
    QCOMPARE(pruned, (QStringList{u"2023-12-01 09:00"_s, u"2024-01-30 09:00"_s, u"2024-03-05 09:00"_s,
                                  u"2024-03-08 09:00"_s, u"2024-03-13 08:00"_s}));

    const QList<int> fewer = CellarBackups::toPrune(copies, BackupRetention{2, 0}, QDate(2024, 3, 15));
    QCOMPARE(fewer.size(), copies.size() - 3); // today's two and 14 March
}

void TestBackups::startUpCopyIsDatedAndPruned()
{
    Fixture f;
    f.cellar.disconnect();
    const CellarBackups backups(f.cellar.programDir);
    QCOMPARE(backups.retention().days, 7);
    backups.setRetention({2, 0});
    QCOMPARE(backups.retention().weeks, 0);
    // Three old copies and a file that is no copy of ours.
    for (const QString &name : {u"vinary-2020-01-01-080000.mdb"_s, u"vinary-2020-01-02-080000.mdb"_s,
                                u"vinary-2020-01-03-080000.mdb"_s, u"notes.txt"_s})
        QVERIFY(QFile::copy(f.path(u"vinary.mdb"_s), f.path(u"backup/"_s + name)));

    QVERIFY(vinary::keepDatedBackup(f.cellar.programDir));
    QStringList left = QDir(backups.folder()).entryList(QDir::Files);
    left.sort();
    QCOMPARE(left.size(), 4);
    QVERIFY2(left.at(0) == u"backup.ini"_s && left.at(1) == u"notes.txt"_s &&
                 left.at(2) == u"vinary-2020-01-03-080000.mdb"_s && left.at(3).startsWith(u"vinary-20"_s),
             qPrintable(left.join(u' ')));
    const QList<BackupCopy> listed = backups.inspectedCopies();
    QCOMPARE(listed.size(), 2);
    QVERIFY(listed.first().sound);
    QCOMPARE(listed.first().cards, 2);
    QCOMPARE(listed.first().journal, 1);
    QCOMPARE(listed.first().taken.date(), QDate::currentDate());

    // Without a sound database there is nothing to keep.
    QFile::remove(f.path(u"vinary.mdb"_s));
    QVERIFY(!vinary::keepDatedBackup(f.cellar.programDir));
}

void TestBackups::restoreAndItsUndo()
{
    Fixture f;
    const CellarBackups backups(f.cellar.programDir);
    const QString monday = backups.keepDatedCopy(f.cellar.DB, QDateTime(QDate(2024, 3, 11), QTime(9, 0)));
    f.cellar.DB.exec(u"DELETE FROM Schede WHERE Descrizione = 'Soave'"_s);
    f.cellar.Schede.open(); // read again
    f.cellar.intestazione.edit();
    f.cellar.intestazione.fieldByName(u"Utente"_s).setAsString(u"Enoteca"_s);

    const QString kept = vinary::restoreCellar(f.cellar, monday, QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    QCOMPARE(f.cards(), 2);
    QVERIFY(f.cellar.Schede.isActive());
    QCOMPARE(f.cellar.Schede.recordCount(), 2);
    QVERIFY(f.cellar.intestazione.isActive());
    // The copy kept first holds the cellar as it was, the owner's name typed in included.
    const BackupCopy before = CellarBackups::inspect(kept);
    QVERIFY(before.sound);
    QCOMPARE(before.cards, 1);
    QCOMPARE(before.taken, QDateTime(QDate(2024, 3, 15), QTime(10, 0)));

    vinary::restoreCellar(f.cellar, kept, QDateTime(QDate(2024, 3, 15), QTime(10, 5)));
    QCOMPARE(f.cards(), 1);
    QCOMPARE(f.cellar.intestazione.fieldByName(u"Utente"_s).asString(), u"Enoteca"_s);
    QCOMPARE(backups.copies().size(), 3);
}

void TestBackups::unsoundSourceIsRefusedBeforeAnythingChanges_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("text") << QByteArray("Codice;Descrizione\n1;Barolo\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("truncated database") << QByteArray("SQLite format 3\0", 16) + QByteArray(100, '\x01');
}

void TestBackups::unsoundSourceIsRefusedBeforeAnythingChanges()
{
    QFETCH(QByteArray, content);
    Fixture f;
    f.write(u"other.mdb"_s, content);
    QVERIFY_THROWS_EXCEPTION(vinary::VinaryError, vinary::restoreCellar(f.cellar, f.path(u"other.mdb"_s),
                                                                        QDateTime::currentDateTime()));
    QCOMPARE(f.cards(), 2);
    QVERIFY(CellarBackups(f.cellar.programDir).copies().isEmpty());
    QVERIFY(f.cellar.Schede.isActive());

    // A sound SQLite file that is not a cellar is refused too.
    vinary::test::createCellarDatabase(f.path(u"plain.db"_s));
    vinary::db::Connection other;
    other.setDatabaseName(f.path(u"plain.db"_s));
    other.open();
    other.exec(u"DROP TABLE Giornale"_s);
    other.close();
    QVERIFY(!CellarBackups::isSoundCellar(f.path(u"plain.db"_s)));
    QVERIFY_THROWS_EXCEPTION(vinary::VinaryError, vinary::restoreCellar(f.cellar, f.path(u"plain.db"_s),
                                                                        QDateTime::currentDateTime()));
    QCOMPARE(f.cards(), 2);
}

void TestBackups::restoreAtStartPutsTheCopyInPlace()
{
    Fixture f;
    const CellarBackups backups(f.cellar.programDir);
    backups.keepDatedCopy(f.cellar.DB, QDateTime(QDate(2024, 3, 10), QTime(9, 0)));
    backups.keepDatedCopy(f.cellar.DB, QDateTime(QDate(2024, 3, 12), QTime(9, 0)));
    f.cellar.disconnect();
    // The newest copy is damaged: the one before it is offered.
    f.write(u"backup/vinary-2024-03-14-090000.mdb"_s, QByteArray(4096, 'x'));
    f.write(u"vinary.mdb"_s, QByteArray("damaged"));

    const std::optional<BackupCopy> newest = backups.newestSoundCopy();
    QVERIFY(newest);
    QCOMPARE(newest->taken, QDateTime(QDate(2024, 3, 12), QTime(9, 0)));
    vinary::restoreDatabaseFile(f.cellar.programDir, newest->fileName);
    QVERIFY(CellarBackups::isSoundCellar(f.path(u"vinary.mdb"_s)));
    QCOMPARE(QFile(f.path(u"vinary.mdb.damaged"_s)).size(), 7);
    f.cellar.connect();
    QCOMPARE(f.cards(), 2);
}

QTEST_GUILESS_MAIN(TestBackups)
#include "test_backups.moc"
