#include "data/cellar.h"
#include "data/movements.h"
#include "data/picklist.h"
#include "engine/common/errors.h"
#include "tests/support/cellardb.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using vinary::Movement;
using vinary::StockMovements;

namespace
{

const QDateTime kNow(QDate(2024, 3, 14), QTime(16, 45, 12, 345));
const QDateTime kToday(QDate(2024, 3, 14), QTime(0, 0));

// A cellar over its own copy of the delivered database, with a fixed clock.
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
    }

    // A card; a null stock or markup stays empty in the table.
    void addCard(const QString &codice, const QString &descrizione, const QString &anno,
                 const QVariant &quantita, double acquisto, double vendita, const QVariant &ricarico,
                 const QString &gruppo = QString())
    {
        vinary::db::Statement s = cellar.DB.prepare(u"INSERT INTO Schede (Codice, Descrizione, Anno, "
                                                    u"Quantita, Prezzo_Acq, Prezzo_Ven, Ricarico, Gruppo) "
                                                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s);
        s.bind(1, codice);
        s.bind(2, descrizione);
        s.bind(3, anno);
        s.bind(4, quantita);
        s.bind(5, acquisto);
        s.bind(6, vendita);
        s.bind(7, ricarico);
        s.bind(8, gruppo);
        s.exec();
    }

    void open()
    {
        cellar.intestazione.open();
        cellar.Schede.open();
        cellar.giornale.open();
    }

    qint64 count(const QString &sql)
    {
        vinary::db::Statement s = cellar.DB.prepare(sql);
        return s.step() ? s.int64(0) : -1;
    }

    QVariant card(const char *field) { return cellar.Schede.fieldByName(QString::fromLatin1(field)).value(); }
    QVariant journal(const char *field)
    {
        return cellar.giornale.fieldByName(QString::fromLatin1(field)).value();
    }
};

} // namespace

class TestMovements : public QObject
{
    Q_OBJECT

private slots:
    void loadWritesTheJournalRowAndTheCard();
    void unloadNegatesTheJournalQuantityAndLowersTheStock();
    void emptyStockReadsAsZero();
    void loadOfQuantityZeroIsRecorded();
    void stockTest_data();
    void stockTest();
    void salePriceFillIn_data();
    void salePriceFillIn();
    void emptyPurchasePriceWritesZero();
    void datesCarryNoTimeOfDay();
    void postingTheCardRunsItsRules();
    void failingCardPostLeavesNoJournalRow_data();
    void failingCardPostLeavesNoJournalRow();
    void failingJournalPostLeavesTheCardAlone();
    void noCardWritesNothing();
};

void TestMovements::loadWritesTheJournalRowAndTheCard()
{
    Fixture f;
    f.addCard(u"8001234567890"_s, u"Barolo Riserva"_s, u"2016"_s, 4.0, 10.0, 20.0, 2.0);
    f.open();
    StockMovements m(f.cellar);
    QCOMPARE(m.record({Movement::Kind::Load, 6.0, 12.5, 25.0}), 25.0);

    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale"_s), 1);
    f.cellar.giornale.first();
    QCOMPARE(f.journal("Causale").toString(), u"C"_s);
    QCOMPARE(f.journal("Data").toDateTime(), kToday);
    QCOMPARE(f.journal("Codice").toString(), u"8001234567890"_s);
    QCOMPARE(f.journal("Descrizione").toString(), u"Barolo Riserva"_s);
    QCOMPARE(f.journal("Anno").toString(), u"2016"_s);
    QCOMPARE(f.journal("Quantita").toDouble(), 6.0);
    QCOMPARE(f.journal("Prezzo_acq").toDouble(), 12.5);
    QCOMPARE(f.journal("Prezzo_ven").toDouble(), 25.0);

    QCOMPARE(f.card("Quantita").toDouble(), 10.0);
    QCOMPARE(f.card("Ultimo_carico").toDateTime(), kToday);
    QCOMPARE(f.card("Prezzo_Acq").toDouble(), 12.5);
    QCOMPARE(f.card("Prezzo_Ven").toDouble(), 25.0);
    QCOMPARE(f.cellar.Schede.state(), vinary::db::DataState::Browse);
    QVERIFY(!f.cellar.DB.inTransaction());
    // Written, not only in the cursor.
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede WHERE Quantita = 10 AND Prezzo_Acq = 12.5"_s), 1);
}

void TestMovements::unloadNegatesTheJournalQuantityAndLowersTheStock()
{
    Fixture f;
    f.addCard(u"A1"_s, u"Chianti"_s, u"2020"_s, 12.0, 5.0, 9.0, 2.0);
    f.open();
    StockMovements m(f.cellar);
    m.record({Movement::Kind::Unload, 5.0, 5.0, 9.0});
    f.cellar.giornale.first();
    QCOMPARE(f.journal("Causale").toString(), u"S"_s);
    QCOMPARE(f.journal("Quantita").toDouble(), -5.0);
    QCOMPARE(f.card("Quantita").toDouble(), 7.0);
    // An unload dates the card's last load like a load does.
    QCOMPARE(f.card("Ultimo_carico").toDateTime(), kToday);
}

void TestMovements::emptyStockReadsAsZero()
{
    Fixture f;
    f.addCard(u"A1"_s, u"Chianti"_s, u"2020"_s, QVariant(), 5.0, 9.0, 2.0);
    f.open();
    StockMovements m(f.cellar);
    QCOMPARE(m.stock(), 0.0);
    QVERIFY(m.stockCovers(0.0));
    QVERIFY(!m.stockCovers(1.0));
    m.record({Movement::Kind::Load, 3.0, 5.0, 9.0});
    QCOMPARE(f.card("Quantita").toDouble(), 3.0);
}

void TestMovements::loadOfQuantityZeroIsRecorded()
{
    Fixture f;
    f.addCard(u"A1"_s, u"Chianti"_s, u"2020"_s, 2.0, 5.0, 9.0, 2.0);
    f.open();
    StockMovements m(f.cellar);
    m.record({Movement::Kind::Load, 0.0, 6.0, 11.0});
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale WHERE Quantita = 0"_s), 1);
    QCOMPARE(f.card("Quantita").toDouble(), 2.0);
    QCOMPARE(f.card("Ultimo_carico").toDateTime(), kToday);
    QCOMPARE(f.card("Prezzo_Acq").toDouble(), 6.0);
    QCOMPARE(f.card("Prezzo_Ven").toDouble(), 11.0);
}

void TestMovements::stockTest_data()
{
    QTest::addColumn<QVariant>("stock");
    QTest::addColumn<double>("quantity");
    QTest::addColumn<bool>("covered");
    QTest::newRow("unload equal to the stock") << QVariant(6.0) << 6.0 << true;
    QTest::newRow("one bottle more than the stock") << QVariant(6.0) << 7.0 << false;
    QTest::newRow("a fraction more than the stock") << QVariant(6.0) << 6.01 << false;
    QTest::newRow("negative unload") << QVariant(6.0) << -2.0 << true;
    QTest::newRow("empty stock, quantity 1") << QVariant() << 1.0 << false;
    QTest::newRow("negative stock, quantity 0") << QVariant(-1.0) << 0.0 << false;
}

void TestMovements::stockTest()
{
    QFETCH(QVariant, stock);
    QFETCH(double, quantity);
    QFETCH(bool, covered);
    Fixture f;
    f.addCard(u"A1"_s, u"Chianti"_s, u"2020"_s, stock, 5.0, 9.0, 2.0);
    f.open();
    QCOMPARE(StockMovements(f.cellar).stockCovers(quantity), covered);
}

void TestMovements::salePriceFillIn_data()
{
    QTest::addColumn<QVariant>("markup");
    QTest::addColumn<double>("purchase");
    QTest::addColumn<double>("sale");
    QTest::addColumn<double>("written");
    QTest::newRow("markup 2 and 3.50 give 7.00") << QVariant(2.0) << 3.5 << 0.0 << 7.0;
    QTest::newRow("markup 0 gives 0") << QVariant(0.0) << 3.5 << 0.0 << 0.0;
    QTest::newRow("empty markup gives 0") << QVariant() << 3.5 << 0.0 << 0.0;
    QTest::newRow("product rounded to two decimals") << QVariant(1.5) << 3.33 << 0.0 << 5.0;
    QTest::newRow("half a cent rounds up") << QVariant(1.5) << 1.11 << 0.0 << 1.67;
    QTest::newRow("a sale price given is kept") << QVariant(2.0) << 3.5 << 9.9 << 9.9;
}

void TestMovements::salePriceFillIn()
{
    QFETCH(QVariant, markup);
    QFETCH(double, purchase);
    QFETCH(double, sale);
    QFETCH(double, written);
    for (const Movement::Kind kind : {Movement::Kind::Load, Movement::Kind::Unload}) {
        Fixture f;
        f.addCard(u"A1"_s, u"Chianti"_s, u"2020"_s, 10.0, 1.0, 1.0, markup);
        f.open();
        StockMovements m(f.cellar);
        QCOMPARE(m.filledSalePrice(purchase, sale), written);
        QCOMPARE(m.record({kind, 1.0, purchase, sale}), written);
        f.cellar.giornale.first();
        QCOMPARE(f.journal("Prezzo_ven").toDouble(), written);
        QCOMPARE(f.card("Prezzo_Ven").toDouble(), written);
    }
}

void TestMovements::emptyPurchasePriceWritesZero()
{
    Fixture f;
    f.addCard(u"A1"_s, u"Chianti"_s, u"2020"_s, 10.0, 4.0, 8.0, 2.0);
    f.open();
    StockMovements(f.cellar).record({Movement::Kind::Unload, 1.0, 0.0, 8.0});
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede WHERE Prezzo_Acq = 0 AND Prezzo_Ven = 8"_s), 1);
}

void TestMovements::datesCarryNoTimeOfDay()
{
    Fixture f;
    f.addCard(u"A1"_s, u"Chianti"_s, u"2020"_s, 10.0, 4.0, 8.0, 2.0);
    f.open();
    StockMovements m(f.cellar);
    f.now = QDateTime(QDate(2024, 3, 14), QTime(0, 0, 0, 1));
    m.record({Movement::Kind::Load, 1.0, 4.0, 8.0});
    f.now = QDateTime(QDate(2024, 3, 14), QTime(23, 59, 59, 999));
    m.record({Movement::Kind::Unload, 1.0, 4.0, 8.0});
    QCOMPARE(f.count(u"SELECT COUNT(DISTINCT Data) FROM Giornale"_s), 1);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale WHERE Data = '2024-03-14 00:00:00'"_s), 2);
    QCOMPARE(f.card("Ultimo_carico").toDateTime(), kToday);
}

void TestMovements::postingTheCardRunsItsRules()
{
    Fixture f;
    f.addCard(u"A1"_s, u"Chianti"_s, u"2020"_s, 10.0, 4.0, 8.0, 2.0, u"Rossi toscani"_s);
    vinary::StringPickList groups;
    f.cellar.rules.setPickList(0, &groups);
    f.open();
    StockMovements(f.cellar).record({Movement::Kind::Load, 1.0, 4.0, 8.0});
    QCOMPARE(groups.items(), QStringList{u"Rossi toscani"_s});
    // The calculated value follows the new stock.
    QCOMPARE(f.card("Valore").toDouble(), 44.0);
}

void TestMovements::failingCardPostLeavesNoJournalRow_data()
{
    QTest::addColumn<bool>("inHook");
    QTest::addColumn<QString>("message");
    QTest::newRow("the engine refuses the card") << false << u"card locked by the test"_s;
    QTest::newRow("the after-post hook fails") << true << u"after-post failed"_s;
}

void TestMovements::failingCardPostLeavesNoJournalRow()
{
    QFETCH(bool, inHook);
    QFETCH(QString, message);
    Fixture f;
    f.addCard(u"A1"_s, u"Chianti"_s, u"2020"_s, 10.0, 4.0, 8.0, 2.0);
    f.addCard(u"B2"_s, u"Dolcetto"_s, u"2021"_s, 3.0, 2.0, 5.0, 2.0);
    vinary::db::Table::Hook rules = f.cellar.Schede.afterPost;
    if (inHook)
        f.cellar.Schede.afterPost = [message](vinary::db::Table &) { throw vinary::VinaryError(message); };
    else
        f.cellar.DB.exec(
            u"CREATE TRIGGER refuse BEFORE UPDATE ON Schede BEGIN SELECT RAISE(ABORT, '%1'); END"_s.arg(
                message));
    f.open();
    f.cellar.Schede.setFiltered(true);
    f.cellar.Schede.next(); // Dolcetto
    StockMovements m(f.cellar);
    try {
        m.record({Movement::Kind::Unload, 2.0, 2.5, 0.0});
        QFAIL("the movement should have failed");
    } catch (const vinary::VinaryError &e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale"_s), 0);
    QCOMPARE(
        f.count(u"SELECT COUNT(*) FROM Schede WHERE Codice = 'B2' AND Quantita = 3 AND Prezzo_Acq = 2"_s), 1);
    QVERIFY(!f.cellar.DB.inTransaction());
    // Both cursors are back in line: no phantom row, the same card current, nothing pending.
    QCOMPARE(f.cellar.giornale.recordCount(), 0);
    QVERIFY(f.cellar.giornale.eof());
    QCOMPARE(f.cellar.giornale.state(), vinary::db::DataState::Browse);
    QCOMPARE(f.cellar.Schede.state(), vinary::db::DataState::Browse);
    QCOMPARE(f.card("Codice").toString(), u"B2"_s);
    QCOMPARE(f.card("Quantita").toDouble(), 3.0);
    QCOMPARE(f.cellar.Schede.recordCount(), 2);

    // Once the fault is gone the next movement goes through whole.
    f.cellar.Schede.afterPost = rules;
    f.cellar.DB.exec(u"DROP TRIGGER IF EXISTS refuse"_s);
    m.record({Movement::Kind::Unload, 2.0, 2.5, 0.0});
    QCOMPARE(
        f.count(u"SELECT COUNT(*) FROM Giornale WHERE Codice = 'B2' AND Quantita = -2 AND Prezzo_ven = 5"_s),
        1);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede WHERE Codice = 'B2' AND Quantita = 1"_s), 1);
    QCOMPARE(f.cellar.giornale.recordCount(), 1);
}

void TestMovements::failingJournalPostLeavesTheCardAlone()
{
    Fixture f;
    f.addCard(u"A1"_s, u"Chianti"_s, u"2020"_s, 10.0, 4.0, 8.0, 2.0);
    f.cellar.DB.exec(
        u"CREATE TRIGGER refuse BEFORE INSERT ON Giornale BEGIN SELECT RAISE(ABORT, 'journal full'); END"_s);
    f.open();
    QVERIFY_THROWS_EXCEPTION(vinary::VinaryError,
                             StockMovements(f.cellar).record({Movement::Kind::Load, 1.0, 4.0, 8.0}));
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede WHERE Quantita = 10 AND Ultimo_carico IS NULL"_s), 1);
    QCOMPARE(f.cellar.giornale.state(), vinary::db::DataState::Browse);
    QCOMPARE(f.cellar.Schede.state(), vinary::db::DataState::Browse);
}

void TestMovements::noCardWritesNothing()
{
    Fixture f;
    f.open();
    StockMovements m(f.cellar);
    QVERIFY(!m.hasCard());
    QVERIFY_THROWS_EXCEPTION(vinary::VinaryError, m.record({Movement::Kind::Load, 1.0, 4.0, 8.0}));
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale"_s), 0);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede"_s), 0);
}

QTEST_GUILESS_MAIN(TestMovements)
#include "test_movements.moc"
