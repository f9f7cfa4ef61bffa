#include "data/cellar.h"
#include "data/journalpurge.h"
#include "engine/common/errors.h"
#include "tests/support/cellardb.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

// A cellar over its own copy of the delivered database.
struct Fixture {
    QTemporaryDir dir;
    vinary::Cellar cellar;

    Fixture()
    {
        vinary::test::createCellarDatabase(dir.filePath(u"vinary.mdb"_s));
        cellar.setDatabaseDirectory(dir.path() + u'/');
        cellar.connect();
    }

    // One journal row per date text, in that order; the description numbers them from 1.
    void addRows(const QStringList &dates)
    {
        vinary::db::Transaction t(cellar.DB);
        vinary::db::Statement s = cellar.DB.prepare(
            u"INSERT INTO Giornale (Causale, Data, Descrizione, Quantita) VALUES ('C', ?, ?, 1)"_s);
        int n = 0;
        for (const QString &date : dates) {
            s.reset();
            s.bind(1, date.isEmpty() ? QVariant() : QVariant(date));
            s.bind(2, QString::number(++n));
            s.exec();
        }
        t.commit();
    }

    // The descriptions of the rows left, read from the file through a second connection so that
    // only committed deletions count.
    QStringList committedRows()
    {
        vinary::db::Connection other;
        other.setDatabaseName(cellar.DB.fileName());
        other.open();
        vinary::db::Statement s = other.prepare(u"SELECT Descrizione FROM Giornale ORDER BY ID"_s);
        QStringList rows;
        while (s.step())
            rows << s.text(0);
        return rows;
    }

    QStringList cursorRows()
    {
        QStringList rows;
        for (int i = 0; i < cellar.giornale.recordCount(); ++i)
            rows << cellar.giornale.valueAt(i, cellar.giornale.fieldByName(u"Descrizione"_s).index())
                        .toString();
        return rows;
    }
};

const QStringList kDates = {
    u"2024-01-10 00:00:00"_s, // 1
    u"2024-02-01 00:00:00"_s, // 2
    u"2024-01-20 00:00:00"_s, // 3: older than the row before it
    u"2024-03-05 00:00:00"_s, // 4
    u"2024-01-20 00:00:00"_s, // 5
    u"2024-02-01 00:00:00"_s, // 6
    u"2024-01-05 00:00:00"_s, // 7: the last row is among the old ones
};

} // namespace

class TestJournalPurge : public QObject
{
    Q_OBJECT

private slots:
    void purgeByDate_data();
    void purgeByDate();
    void timeOfDayAfterMidnightStays();
    void rowWithoutDateCountsAsOlder();
    void noDateDeletesNothing();
    void batchesAreCommitted_data();
    void batchesAreCommitted();
    void errorKeepsWhatWasDeletedBefore();
};

void TestJournalPurge::purgeByDate_data()
{
    QTest::addColumn<int>("batch");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QStringList>("left");
    const QStringList all = {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s};
    for (const int batch : {vinary::kPurgeBatch, 1, 2}) {
        const QByteArray b = " (batch " + QByteArray::number(batch) + ")";
        QTest::newRow(QByteArray("before every row" + b).constData()) << batch << QDate(2024, 1, 4) << all;
        QTest::newRow(QByteArray("day of the oldest row" + b).constData())
            << batch << QDate(2024, 1, 5) << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s};
        QTest::newRow(QByteArray("equal to rows standing between newer ones" + b).constData())
            << batch << QDate(2024, 1, 20) << QStringList{u"2"_s, u"4"_s, u"6"_s};
        QTest::newRow(QByteArray("between two dates" + b).constData())
            << batch << QDate(2024, 2, 29) << QStringList{u"4"_s};
        QTest::newRow(QByteArray("day of the newest row" + b).constData())
            << batch << QDate(2024, 3, 5) << QStringList();
        QTest::newRow(QByteArray("after every row" + b).constData())
            << batch << QDate(2025, 1, 1) << QStringList();
    }
}

void TestJournalPurge::purgeByDate()
{
    QFETCH(int, batch);
    QFETCH(QDate, day);
    QFETCH(QStringList, left);
    Fixture f;
    f.addRows(kDates);
    f.cellar.giornale.open();
    f.cellar.giornale.last();
    QCOMPARE(vinary::purgeJournal(f.cellar.giornale, day, batch), int(kDates.size() - left.size()));
    QCOMPARE(f.cursorRows(), left);
    QCOMPARE(f.committedRows(), left);
    QVERIFY(!f.cellar.DB.inTransaction());
    // Back on the first row.
    QCOMPARE(f.cellar.giornale.eof(), left.isEmpty());
    if (!left.isEmpty()) {
        QCOMPARE(f.cellar.giornale.recNo(), 0);
        QCOMPARE(f.cellar.giornale.fieldByName(u"Descrizione"_s).asString(), left.first());
    }
}

void TestJournalPurge::timeOfDayAfterMidnightStays()
{
    Fixture f;
    f.addRows({u"2024-01-10 00:00:00"_s, u"2024-01-10 00:00:01"_s, u"2024-01-09 23:59:59"_s});
    f.cellar.giornale.open();
    QCOMPARE(vinary::purgeJournal(f.cellar.giornale, QDate(2024, 1, 10)), 2);
    QCOMPARE(f.committedRows(), QStringList{u"2"_s});
}

void TestJournalPurge::rowWithoutDateCountsAsOlder()
{
    Fixture f;
    f.addRows({u"2024-01-10 00:00:00"_s, QString()});
    f.cellar.giornale.open();
    QCOMPARE(vinary::purgeJournal(f.cellar.giornale, QDate(2023, 1, 1)), 1);
    QCOMPARE(f.committedRows(), QStringList{u"1"_s});
}

void TestJournalPurge::noDateDeletesNothing()
{
    Fixture f;
    f.addRows(kDates);
    f.cellar.giornale.open();
    f.cellar.giornale.next();
    QCOMPARE(vinary::purgeJournal(f.cellar.giornale, QDate()), 0);
    QCOMPARE(f.committedRows().size(), kDates.size());
    QCOMPARE(f.cellar.giornale.recNo(), 1);
}

void TestJournalPurge::batchesAreCommitted_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("batch");
    QTest::newRow("exactly two batches") << 10 << 5;
    QTest::newRow("a partial last batch") << 11 << 5;
    QTest::newRow("fewer rows than a batch") << 3 << 5;
}

void TestJournalPurge::batchesAreCommitted()
{
    QFETCH(int, rows);
    QFETCH(int, batch);
    Fixture f;
    QStringList dates;
    for (int i = 0; i < rows; ++i)
        dates << u"2024-01-01 00:00:00"_s;
    dates << u"2024-06-01 00:00:00"_s;
    f.addRows(dates);
    f.cellar.giornale.open();
    QCOMPARE(vinary::purgeJournal(f.cellar.giornale, QDate(2024, 5, 1), batch), rows);
    QCOMPARE(f.committedRows(), QStringList{QString::number(rows + 1)});
    QVERIFY(!f.cellar.DB.inTransaction());
}

void TestJournalPurge::errorKeepsWhatWasDeletedBefore()
{
    Fixture f;
    f.addRows(kDates);
    f.cellar.DB.exec(u"CREATE TRIGGER keep BEFORE DELETE ON Giornale WHEN OLD.Descrizione = '5' "
                     "BEGIN SELECT RAISE(ABORT, 'row 5 is locked'); END"_s);
    f.cellar.giornale.open();
    try {
        vinary::purgeJournal(f.cellar.giornale, QDate(2024, 1, 31), 100);
        QFAIL("the purge should have stopped at row 5");
    } catch (const vinary::VinaryError &e) {
        QVERIFY2(e.message().contains(u"row 5 is locked"_s), qPrintable(e.message()));
    }
    // Rows 1 and 3 went before the error; row 7, after it, was never reached.
    const QStringList left = {u"2"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s};
    QCOMPARE(f.committedRows(), left);
    QCOMPARE(f.cursorRows(), left);
    QVERIFY(!f.cellar.DB.inTransaction());
    QCOMPARE(f.cellar.giornale.fieldByName(u"Descrizione"_s).asString(), u"5"_s);
}

QTEST_GUILESS_MAIN(TestJournalPurge)
#include "test_journalpurge.moc"
