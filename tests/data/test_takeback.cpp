#include "data/cellar.h"
#include "data/movements.h"
#include "data/takeback.h"
#include "engine/common/errors.h"
#include "tests/support/cellardb.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vinary::Movement;
using vinary::MovementTakeBack;
using vinary::StockMovements;
using Outcome = vinary::MovementTakeBack::Outcome;

namespace
{

const QDateTime kNow(QDate(2024, 3, 14), QTime(16, 45));
const QDateTime kToday(QDate(2024, 3, 14), QTime(0, 0));

struct Fixture {
    QTemporaryDir dir;
    vinary::Cellar cellar;
    QDateTime now = kNow;

    Fixture()
    {
        vinary::test::createCellarDatabase(dir.filePath(u"vinary.mdb"_s));
        cellar.setDatabaseDirectory(dir.path() + u'/');
        cellar.clock = [this] { return now; };
        cellar.connect();
        cellar.DB.exec(
            u"INSERT INTO Schede (Codice, Descrizione, Anno, Quantita, Prezzo_Acq, Prezzo_Ven, Ricarico, "
            "Ultimo_carico) VALUES ('A1', 'Barolo', '2016', 4, 10, 20, 2, '2024-01-05 00:00:00')"_s);
        cellar.DB.exec(
            u"INSERT INTO Schede (Codice, Descrizione, Anno, Quantita, Prezzo_Acq, Prezzo_Ven, Ricarico) "
            "VALUES ('B2', 'Chianti', '2020', 0, 5, 9, 2)"_s);
        cellar.intestazione.open();
        cellar.Schede.open();
        cellar.giornale.open();
    }

    void select(const QString &codice) { QVERIFY(cellar.Schede.locate(u"Codice"_s, codice)); }

    qint64 record(const QString &codice, Movement::Kind kind, double quantity, double purchase, double sale)
    {
        select(codice);
        StockMovements(cellar).record({kind, quantity, purchase, sale});
        return cellar.giornale.currentRowId();
    }

    QVariant value(const QString &sql)
    {
        vinary::db::Statement s = cellar.DB.prepare(sql);
        return s.step() ? s.value(0) : QVariant();
    }
    double stock(const QString &codice)
    {
        return value(u"SELECT Quantita FROM Schede WHERE Codice = '%1'"_s.arg(codice)).toDouble();
    }
    qint64 journalLines() { return value(u"SELECT COUNT(*) FROM Giornale"_s).toLongLong(); }
};

} // namespace

class TestTakeBack : public QObject
{
    Q_OBJECT

private slots:
    void takingBackALoadRestoresTheCardAsItWas();
    void takingBackAnUnloadAfterALaterLoadKeepsTheNewerPrices();
    void onlyTodaysMovementsAreOffered();
    void refusals_data();
    void refusals();
    void failingCardPostWritesNothing();
};

void TestTakeBack::takingBackALoadRestoresTheCardAsItWas()
{
    Fixture f;
    const qint64 id = f.record(u"A1"_s, Movement::Kind::Load, 6, 12.5, 25);
    QCOMPARE(f.stock(u"A1"_s), 10.0);

    MovementTakeBack takeBack(f.cellar);
    const QList<vinary::JournalMovement> today = takeBack.todaysMovements();
    QCOMPARE(today.size(), 1);
    QCOMPARE(today.first().journalId, id);

    QCOMPARE(takeBack.takeBack(id), Outcome::Done);
    // The original line stays; the reversal carries the opposite quantity, today and the same prices.
    QCOMPARE(f.journalLines(), 2);
    QCOMPARE(
        f.value(
             u"SELECT Causale || '|' || Data || '|' || Codice || '|' || Descrizione || '|' || Anno || '|' || "
             "Quantita || '|' || Prezzo_acq || '|' || Prezzo_ven FROM Giornale WHERE ID > %1"_s.arg(id))
            .toString(),
        u"R|2024-03-14 00:00:00|A1|Barolo|2016|-6.0|12.5|25.0"_s);
    QCOMPARE(f.value(u"SELECT Quantita || '|' || Prezzo_Acq || '|' || Prezzo_Ven || '|' || Ultimo_carico "
                     "FROM Schede WHERE Codice = 'A1'"_s)
                 .toString(),
             u"4.0|10.0|20.0|2024-01-05 00:00:00"_s);
    // The cursors show it without a re-open.
    QCOMPARE(f.cellar.Schede.fieldByName(u"Quantita"_s).asFloat(), 4.0);
    QCOMPARE(f.cellar.giornale.recordCount(), 2);

    QVERIFY(takeBack.todaysMovements().isEmpty());
    QCOMPARE(takeBack.takeBack(id), Outcome::AlreadyTakenBack);
    // A reversal is not itself offered, nor taken back.
    QCOMPARE(takeBack.takeBack(f.cellar.giornale.currentRowId()), Outcome::NotFound);
    QCOMPARE(f.journalLines(), 2);
}

void TestTakeBack::takingBackAnUnloadAfterALaterLoadKeepsTheNewerPrices()
{
    Fixture f;
    const qint64 unload = f.record(u"A1"_s, Movement::Kind::Unload, 3, 11, 22);
    f.record(u"A1"_s, Movement::Kind::Load, 5, 13, 26);
    QCOMPARE(f.stock(u"A1"_s), 6.0);

    QCOMPARE(MovementTakeBack(f.cellar).takeBack(unload), Outcome::Done);
    QCOMPARE(f.value(u"SELECT Quantita || '|' || Prezzo_Acq || '|' || Prezzo_Ven || '|' || Ultimo_carico "
                     "FROM Schede WHERE Codice = 'A1'"_s)
                 .toString(),
             u"9.0|13.0|26.0|2024-03-14 00:00:00"_s);
    QCOMPARE(f.value(u"SELECT Quantita FROM Giornale WHERE Causale = 'R'"_s).toDouble(), 3.0);
}

void TestTakeBack::onlyTodaysMovementsAreOffered()
{
    Fixture f;
    f.now = kNow.addDays(-1);
    f.record(u"A1"_s, Movement::Kind::Load, 1, 10, 20);
    f.now = kNow;
    const qint64 second = f.record(u"B2"_s, Movement::Kind::Load, 2, 5, 9);
    const qint64 third = f.record(u"A1"_s, Movement::Kind::Unload, 1, 10, 20);
    // A line written by hand, without the note of its card, cannot be found again.
    f.cellar.DB.exec(
        u"INSERT INTO Giornale (Causale, Data, Codice, Quantita) VALUES ('C', '%1', 'A1', 1)"_s.arg(
            kToday.toString(u"yyyy-MM-dd 00:00:00"_s)));

    QList<qint64> ids;
    for (const vinary::JournalMovement &m : MovementTakeBack(f.cellar).todaysMovements())
        ids << m.journalId;
    QCOMPARE(ids, (QList<qint64>{third, second}));
}

void TestTakeBack::refusals_data()
{
    QTest::addColumn<QString>("between");
    QTest::addColumn<int>("outcome");
    QTest::newRow("stock changed by hand")
        << u"UPDATE Schede SET Quantita = 7 WHERE Codice = 'B2'"_s << int(Outcome::StockMismatch);
    QTest::newRow("card deleted") << u"DELETE FROM Schede WHERE Codice = 'B2'"_s << int(Outcome::CardMissing);
    QTest::newRow("a later line purged")
        << u"DELETE FROM Giornale WHERE Causale = 'S'"_s << int(Outcome::StockMismatch);
    QTest::newRow("bottles gone since") << QString() << int(Outcome::StockTooLow);
}

void TestTakeBack::refusals()
{
    QFETCH(QString, between);
    QFETCH(int, outcome);
    Fixture f;
    const qint64 load = f.record(u"B2"_s, Movement::Kind::Load, 6, 5, 9);
    f.record(u"B2"_s, Movement::Kind::Unload, 4, 5, 9);
    if (!between.isEmpty())
        f.cellar.DB.exec(between);
    const qint64 lines = f.journalLines();
    const double stock = f.stock(u"B2"_s);

    QCOMPARE(int(MovementTakeBack(f.cellar).takeBack(load)), outcome);
    QCOMPARE(f.journalLines(), lines);
    QCOMPARE(f.stock(u"B2"_s), stock);
    QVERIFY(!f.cellar.DB.inTransaction());
}

void TestTakeBack::failingCardPostWritesNothing()
{
    Fixture f;
    const qint64 id = f.record(u"A1"_s, Movement::Kind::Load, 6, 12.5, 25);
    f.cellar.DB.exec(
        u"CREATE TRIGGER refuse BEFORE UPDATE ON Schede BEGIN SELECT RAISE(ABORT, 'locked'); END"_s);
    QVERIFY_THROWS_EXCEPTION(vinary::VinaryError, MovementTakeBack(f.cellar).takeBack(id));
    QCOMPARE(f.journalLines(), 1);
    QCOMPARE(f.stock(u"A1"_s), 10.0);
    QCOMPARE(f.cellar.giornale.recordCount(), 1);
    f.cellar.DB.exec(u"DROP TRIGGER refuse"_s);
    QCOMPARE(MovementTakeBack(f.cellar).takeBack(id), Outcome::Done);
}

QTEST_GUILESS_MAIN(TestTakeBack)
#include "test_takeback.moc"
