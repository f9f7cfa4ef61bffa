#include "data/cellar.h"
#include "data/journalpurge.h"
#include "engine/common/datetimes.h"
#include "engine/common/errors.h"
#include "tests/support/cellardb.h"
#include "tests/support/fulldisk.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

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

    // One journal row per date, in that order; the description numbers them from 1. An empty
    // text stands for no date.
    void addRows(const QVariantList &dates)
    {
        vinary::db::Transaction t(cellar.DB);
        vinary::db::Statement s = cellar.DB.prepare(
            u"INSERT INTO Giornale (Causale, Data, Descrizione, Quantita) VALUES ('C', ?, ?, 1)"_s);
        int n = 0;
        for (const QVariant &date : dates) {
            s.reset();
            s.bind(1, date.typeId() == QMetaType::QString && date.toString().isEmpty() ? QVariant() : date);
            s.bind(2, QString::number(++n));
            s.exec();
        }
        t.commit();
    }
    void addRows(const QStringList &dates)
    {
        QVariantList values;
        for (const QString &date : dates)
            values << date;
        addRows(values);
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
    void sameRowsAsTheRowByRowReading();
    void errorLeavesTheJournalAsItWas_data();
    void errorLeavesTheJournalAsItWas();
};

void TestJournalPurge::purgeByDate_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QStringList>("left");
    const QStringList all = {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s};
    QTest::newRow("before every row") << QDate(2024, 1, 4) << all;
    QTest::newRow("day of the oldest row")
        << QDate(2024, 1, 5) << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s};
    QTest::newRow("equal to rows standing between newer ones")
        << QDate(2024, 1, 20) << QStringList{u"2"_s, u"4"_s, u"6"_s};
    QTest::newRow("between two dates") << QDate(2024, 2, 29) << QStringList{u"4"_s};
    QTest::newRow("day of the newest row") << QDate(2024, 3, 5) << QStringList();
    QTest::newRow("after every row") << QDate(2025, 1, 1) << QStringList();
}

void TestJournalPurge::purgeByDate()
{
    QFETCH(QDate, day);
    QFETCH(QStringList, left);
    Fixture f;
    f.addRows(kDates);
    f.cellar.giornale.open();
    f.cellar.giornale.last();
    QCOMPARE(vinary::purgeJournal(f.cellar.giornale, day), int(kDates.size() - left.size()));
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
    f.addRows(QStringList{u"2024-01-10 00:00:00"_s, u"2024-01-10 00:00:01"_s, u"2024-01-09 23:59:59"_s});
    f.cellar.giornale.open();
    QCOMPARE(vinary::purgeJournal(f.cellar.giornale, QDate(2024, 1, 10)), 2);
    QCOMPARE(f.committedRows(), QStringList{u"2"_s});
}

void TestJournalPurge::rowWithoutDateCountsAsOlder()
{
    Fixture f;
    f.addRows(QStringList{u"2024-01-10 00:00:00"_s, QString()});
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

// Dates of every shape a journal may hold (written by movements, converted from the old format or
// typed elsewhere): the purge deletes exactly the rows that reading them one by one through the
// table, as the purge used to, finds on or before the purge day.
void TestJournalPurge::sameRowsAsTheRowByRowReading()
{
    QRandomGenerator random(19);
    QVariantList dates;
    const QDate base(2024, 3, 20);
    for (int i = 0; i < 1500; ++i) {
        const QDate day = base.addDays(random.bounded(-15, 16));
        const QTime time =
            random.bounded(3) ? QTime(0, 0) : QTime::fromMSecsSinceStartOfDay(random.bounded(86400000));
        const QString iso = day.toString(u"yyyy-MM-dd"_s);
        switch (random.bounded(16)) {
        case 0:
            dates << QVariant(); // no date
            break;
        case 1:
            dates << iso; // day only
            break;
        case 2:
            dates << iso + u'T' + time.toString(u"HH:mm:ss.zzz"_s) + u'Z';
            break;
        case 3:
            dates << u"  "_s + iso + u' ' + time.toString(u"HH:mm"_s) + u' ';
            break;
        case 4: // a day count, as the old format kept dates
            dates << vinary::toDayCount(QDateTime(day, time));
            break;
        case 5: // text that is no date, or a date that does not exist
            dates << QStringList{u"2024-02-30 00:00:00"_s, u"2024-13-01 00:00:00"_s,
                                 u"2024-03-10 24:00:00"_s, u"0000-01-01 00:00:00"_s,
                                 u"0999-05-05 00:00:00"_s, u"14/03/2024"_s,
                                 u"2024-03-1O 00:00:00"_s, u"-"_s}
                         .at(random.bounded(8));
            break;
        case 6: // the night local time skips, and days around the start of day counts
            dates << QStringList{u"2024-03-31 02:30:00"_s, u"1899-12-29 06:00:00"_s, u"1899-12-30 00:00:00"_s,
                                 u"1850-06-01 00:00:00"_s}
                         .at(random.bounded(4));
            break;
        default:
            dates << iso + u' ' + time.toString(u"HH:mm:ss"_s);
        }
    }
    Fixture f;
    f.addRows(dates);
    f.cellar.giornale.open();
    // Later and later purge days, each one on what the one before left.
    QList<QDate> days = {QDate(1899, 12, 28), QDate(1899, 12, 30), base.addDays(-20)};
    for (int d = -15; d <= 16; d += 1 + int(random.bounded(3)))
        days << base.addDays(d);
    days << QDate(2024, 3, 31) << base.addDays(20);
    std::sort(days.begin(), days.end());
    for (const QDate &day : days) {
        const double limit = vinary::toDayCount(QDateTime(day, QTime(0, 0)));
        QStringList expected;
        vinary::db::Table &giornale = f.cellar.giornale;
        for (giornale.first(); !giornale.eof(); giornale.next()) {
            if (vinary::toDayCount(giornale.fieldByName(u"Data"_s).asDateTime()) > limit)
                expected << giornale.fieldByName(u"Descrizione"_s).asString();
        }
        qint64 reported = 0;
        const int before = giornale.recordCount();
        const int deleted = vinary::purgeJournal(giornale, day, [&](qint64 examined, qint64 total) {
            QVERIFY(examined > reported && examined <= total && total == before);
            reported = examined;
        });
        QCOMPARE(f.committedRows(), expected);
        QCOMPARE(f.cursorRows(), expected);
        QCOMPARE(deleted, before - int(expected.size()));
        QCOMPARE(reported, qint64(before / 1024 * 1024));
    }
    QVERIFY(f.committedRows().isEmpty());
}

void TestJournalPurge::errorLeavesTheJournalAsItWas_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("a line refused by the database") << u"trigger"_s;
    QTest::newRow("a full disk") << u"disk"_s;
    QTest::newRow("a progress report that fails") << u"progress"_s;
}

// An error part-way leaves every line where it was, in the file and in the table's cursor.
void TestJournalPurge::errorLeavesTheJournalAsItWas()
{
    QFETCH(QString, failure);
    Fixture f;
    QStringList dates;
    for (int i = 0; i < 3000; ++i)
        dates << (i % 3 ? u"2024-01-05 00:00:00"_s : u"2024-03-05 00:00:00"_s);
    f.addRows(dates);
    if (failure == u"trigger"_s)
        f.cellar.DB.exec(u"CREATE TRIGGER keep BEFORE DELETE ON Giornale WHEN OLD.Descrizione = '2900' "
                         "BEGIN SELECT RAISE(ABORT, 'line 2900 is locked'); END"_s);
    f.cellar.giornale.open();
    const QStringList before = f.cursorRows();
    f.cellar.giornale.moveTo(17);
    try {
        if (failure == u"disk"_s) {
            const vinary::testing::FullDisk full;
            QVERIFY(full.isValid());
            vinary::purgeJournal(f.cellar.giornale, QDate(2024, 1, 31));
        } else if (failure == u"progress"_s) {
            vinary::purgeJournal(f.cellar.giornale, QDate(2024, 1, 31), [](qint64 examined, qint64) {
                if (examined >= 2048)
                    throw vinary::VinaryError(u"the progress window is gone"_s);
            });
        } else {
            vinary::purgeJournal(f.cellar.giornale, QDate(2024, 1, 31));
        }
        QFAIL("the purge should have stopped");
    } catch (const vinary::VinaryError &e) {
        if (failure == u"trigger"_s)
            QVERIFY2(e.message().contains(u"line 2900 is locked"_s), qPrintable(e.message()));
        if (failure == u"progress"_s)
            QCOMPARE(e.message(), u"the progress window is gone"_s);
    }
    QCOMPARE(f.committedRows(), before);
    QCOMPARE(f.cursorRows(), before);
    QVERIFY(!f.cellar.DB.inTransaction());
    QCOMPARE(f.cellar.giornale.fieldByName(u"Descrizione"_s).asString(), u"1"_s);
    // Nothing is left behind that would stop the next purge.
    QCOMPARE(vinary::purgeJournal(f.cellar.giornale, QDate(2023, 1, 1)), 0);
}

QTEST_GUILESS_MAIN(TestJournalPurge)
#include "test_journalpurge.moc"
