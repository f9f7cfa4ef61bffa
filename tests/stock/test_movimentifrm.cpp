#include "stock/movimentifrm.h"
#include "stock/takebackfrm.h"

#include "tests/stock/stockfixture.h"
#include "widgets/datagrid.h"
#include "widgets/numberbox.h"

#include <QAbstractItemModelTester>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <QScopeGuard>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;
using vinary::DataGrid;
using vinary::NumberBox;
using vinary::TfrmInOut;
using vinary::test::StockFixture;

namespace
{

const QString kBaroloCode = u"8001234567890"_s;

// Four cards, listed by description: Barolo, Chianti, Dolcetto, Nebbiolo.
void addCards(StockFixture &f)
{
    f.insert(u"Schede"_s, {{u"Codice"_s, kBaroloCode},
                           {u"Descrizione"_s, u"Barolo Riserva"_s},
                           {u"Anno"_s, u"2016"_s},
                           {u"Produttore"_s, u"Cantina Alta"_s},
                           {u"Quantita"_s, 6.0},
                           {u"Prezzo_Acq"_s, 12.5},
                           {u"Prezzo_Ven"_s, 25.0},
                           {u"Ricarico"_s, 2.0}});
    f.insert(u"Schede"_s, {{u"Codice"_s, u"8009876543210"_s},
                           {u"Descrizione"_s, u"Chianti Classico"_s},
                           {u"Anno"_s, u"2020"_s},
                           {u"Quantita"_s, 12.0},
                           {u"Prezzo_Acq"_s, 5.0},
                           {u"Prezzo_Ven"_s, 9.0},
                           {u"Ricarico"_s, 2.0}});
    f.insert(u"Schede"_s, {{u"Codice"_s, u"2000000000017"_s},
                           {u"Descrizione"_s, u"Dolcetto d'Alba"_s},
                           {u"Anno"_s, u"2021"_s},
                           {u"Prezzo_Acq"_s, 3.5},
                           {u"Ricarico"_s, 2.0}});
    f.insert(u"Schede"_s, {{u"Codice"_s, u"2000000000024"_s},
                           {u"Descrizione"_s, u"Nebbiolo"_s},
                           {u"Anno"_s, u"2019"_s},
                           {u"Quantita"_s, 3.0},
                           {u"Prezzo_Acq"_s, 3.5},
                           {u"Ricarico"_s, 0.0}});
}

// The window as the main menu opens it: filtering on, then shown.
struct Window {
    StockFixture &f;
    std::unique_ptr<TfrmInOut> w;
    QLineEdit *search = nullptr;
    DataGrid *grid = nullptr;
    NumberBox *prAcq = nullptr;
    NumberBox *prVen = nullptr;
    NumberBox *quant = nullptr;
    QPushButton *load = nullptr;
    QPushButton *unload = nullptr;

    explicit Window(StockFixture &fixture, bool show = true) : f(fixture), w(new TfrmInOut(fixture.cellar))
    {
        search = w->findChild<QLineEdit *>(u"ckdescrizione"_s);
        grid = w->findChild<DataGrid *>(u"DBGrid1"_s);
        prAcq = w->findChild<NumberBox *>(u"PrAcq"_s);
        prVen = w->findChild<NumberBox *>(u"PrVen"_s);
        quant = w->findChild<NumberBox *>(u"Quant"_s);
        load = w->findChild<QPushButton *>(u"BitBtn1"_s);
        unload = w->findChild<QPushButton *>(u"BitBtn2"_s);
        if (show)
            this->show();
    }

    void show()
    {
        f.cellar.Schede.setFiltered(true);
        w->show();
        w->activateWindow();
        (void)QTest::qWaitForWindowActive(w.get());
    }

    void close()
    {
        w->close();
        f.cellar.Schede.setFiltered(false);
    }

    bool complete() const { return search && grid && prAcq && prVen && quant && load && unload; }
    bool selected() const { return load->isEnabled() && unload->isEnabled(); }
    bool cleared() const
    {
        return prAcq->value() == 0.0 && prVen->value() == 0.0 && quant->value() == 0.0 &&
               prAcq->text().isEmpty() && prVen->text().isEmpty() && quant->text().isEmpty() &&
               !load->isEnabled() && !unload->isEnabled();
    }
    // Empty and focused search box, empty boxes, disabled buttons.
    bool reset() const { return search->text().isEmpty() && search->hasFocus() && cleared(); }

    void clickRow(int row)
    {
        const QRect cell = grid->visualRect(grid->model()->index(row, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }

    // Types into the search box, then lets the window run the search the keys queued.
    void typeSearch(const QString &text)
    {
        QTest::keyClicks(search, text);
        QCoreApplication::processEvents();
    }

    void type(NumberBox *box, const QString &text)
    {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }

    QString card(const char *field) const
    {
        return f.cellar.Schede.fieldByName(QString::fromLatin1(field)).asString();
    }
};

} // namespace

class TestMovimentiFrm : public QObject
{
    Q_OBJECT

private slots:
    void translatedLayoutAndTabOrder();
    void listShowsTheCardsWithTheirFormats();
    void firstShowingHasNothingSelected();
    void searchSelectsTheOnlyMatch_data();
    void searchSelectsTheOnlyMatch();
    void emptyingTheSearchListsEveryCard();
    void barcodeScanSelectsTheCardWithoutMouse();
    void typingAheadOfTheSearchEndsAsKeyByKey_data();
    void typingAheadOfTheSearchEndsAsKeyByKey();
    void cellClickSelectsAndFocusesQuantity();
    void keyboardInTheListSelectsTheCard();
    void loadUpdatesJournalAndCard();
    void loadOfQuantityZero();
    void unloadAgainstTheStock_data();
    void unloadAgainstTheStock();
    void negativeQuantities_data();
    void negativeQuantities();
    void salePriceFillIn_data();
    void salePriceFillIn();
    void resetAfterEveryMovement();
    void takeBackFromTheWindow();
    void numbersInTheUsersLocales_data();
    void numbersInTheUsersLocales();
    void failingCardPostKeepsNothingAndShowsTheError();
    void filterModeWhileOpen();
    void modalOpeningAndCloseBox();
    void placementHooks();
};

void TestMovimentiFrm::translatedLayoutAndTabOrder()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f, false);
    QVERIFY(win.complete());
    TfrmInOut &w = *win.w;
    QCOMPARE(w.objectName(), u"frmInOut"_s);
    QCOMPARE(w.windowTitle(), u"Stock in and out"_s);
    QCOMPARE(w.findChild<QGroupBox *>()->title(), u" Search "_s);
    QCOMPARE(win.load->text(), u"Stock in"_s);
    QCOMPARE(win.unload->text(), u"Stock out"_s);
    QCOMPARE(w.size(), QSize(406, 306));
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);

    QStringList labels;
    for (NumberBox *box : {win.prAcq, win.prVen, win.quant}) {
        const QList<QLabel *> all = w.findChildren<QLabel *>();
        const auto it = std::find_if(all.begin(), all.end(), [box](QLabel *l) { return l->buddy() == box; });
        QVERIFY2(it != all.end(), qPrintable(box->objectName()));
        labels << (*it)->text();
    }
    QCOMPARE(labels, (QStringList{u"Purchase price"_s, u"Sale price"_s, u"Quantity"_s}));

    const QStringList titles = {u"Description"_s, u"Vintage"_s,       u"Producer"_s,      u"Alcohol"_s,
                                u"Code"_s,        u"Supplier"_s,      u"Group"_s,         u"Grape variety"_s,
                                u"Type"_s,        u"Position"_s,      u"Quantity"_s,      u"Purchase price"_s,
                                u"Sale price"_s,  u"Reorder level"_s, u"Last stock in"_s, u"Drink by"_s};
    const QStringList fields = {u"Descrizione"_s, u"Anno"_s,         u"Produttore"_s,    u"Gradi"_s,
                                u"Codice"_s,      u"Fornitore"_s,    u"Gruppo"_s,        u"Composizione"_s,
                                u"Tipologia"_s,   u"Collocazione"_s, u"Quantita"_s,      u"Prezzo_Acq"_s,
                                u"Prezzo_Ven"_s,  u"Scorta"_s,       u"Ultimo_carico"_s, u"Scadenza"_s};
    QCOMPARE(win.grid->model()->columnCount(), titles.size());
    for (int i = 0; i < titles.size(); ++i) {
        QCOMPARE(win.grid->model()->headerData(i, Qt::Horizontal).toString(), titles.at(i));
        QCOMPARE(win.grid->fieldOfColumn(i), fields.at(i));
    }

    win.show();
    QCOMPARE(win.grid->columnWidth(0), 228);
    QVERIFY(win.grid->verticalHeader()->isVisible()); // the row indicator
    QCOMPARE(win.grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(win.grid->editTriggers(), QAbstractItemView::NoEditTriggers);

    // Tab order: search box, list, PrAcq, PrVen, Quant, Load, Unload, then the take-back button.
    win.search->setFocus();
    QTest::keyClicks(win.search, u"riserva"_s);
    QWidget *const order[] = {win.grid,
                              win.prAcq,
                              win.prVen,
                              win.quant,
                              win.load,
                              win.unload,
                              w.findChild<QPushButton *>(u"btnStorno"_s),
                              win.search};
    for (QWidget *next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }

    // The layout fits inside the window: nothing cut at the right or bottom edge.
    for (QWidget *child : {static_cast<QWidget *>(win.unload), static_cast<QWidget *>(win.prVen)}) {
        const QRect r(child->mapTo(&w, QPoint(0, 0)), child->size());
        QVERIFY2(w.rect().contains(r), qPrintable(child->objectName()));
    }
    // Where a person looks at the window: VINARY_GRAB_DIR=/some/dir keeps a picture of it.
    if (qEnvironmentVariableIsSet("VINARY_GRAB_DIR"))
        QVERIFY(w.grab().save(qEnvironmentVariable("VINARY_GRAB_DIR") + u"/movimenti.png"_s));
}

void TestMovimentiFrm::listShowsTheCardsWithTheirFormats()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    QAbstractItemModelTester tester(win.grid->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(win.grid->model()->rowCount(), 4);
    QCOMPARE(win.grid->model()->index(0, 0).data().toString(), u"Barolo Riserva"_s);
    QCOMPARE(win.grid->model()->index(0, 11).data().toString(), u"12.50"_s);
    QCOMPARE(win.grid->model()->index(2, 10).data().toString(), QString()); // empty stock
    QCOMPARE(win.grid->model()->index(2, 12).data().toString(), QString()); // a zero price shows empty
}

void TestMovimentiFrm::firstShowingHasNothingSelected()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    QVERIFY(win.cleared());
    QCOMPARE(f.cellar.Schede.recordCount(), 4);
}

void TestMovimentiFrm::searchSelectsTheOnlyMatch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("matches");
    QTest::addColumn<QString>("code");
    QTest::newRow("lower-case words of the description") << u"riserva"_s << 1 << kBaroloCode;
    QTest::newRow("a producer") << u"cantina"_s << 1 << kBaroloCode;
    QTest::newRow("end of the code and start of the description") << u"567890barolo"_s << 1 << kBaroloCode;
    QTest::newRow("no card") << u"zzz"_s << 0 << QString();
    QTest::newRow("two cards") << u"200000000"_s << 2 << QString();
    QTest::newRow("a price finds nothing") << u"12.5"_s << 0 << QString();
}

void TestMovimentiFrm::searchSelectsTheOnlyMatch()
{
    QFETCH(QString, text);
    QFETCH(int, matches);
    QFETCH(QString, code);
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    // A card selected before must not leak into a search that selects none.
    win.clickRow(1);
    QVERIFY(win.selected());
    win.search->setFocus();
    win.typeSearch(text);
    QCOMPARE(f.cellar.Schede.recordCount(), matches);
    QCOMPARE(win.grid->model()->rowCount(), matches);
    QVERIFY(win.search->hasFocus());
    if (matches == 1) {
        QCOMPARE(win.card("Codice"), code);
        QVERIFY(win.selected());
        QCOMPARE(win.prAcq->value(), 12.5);
        QCOMPARE(win.prVen->value(), 25.0);
        QCOMPARE(win.quant->value(), 1.0);
        QCOMPARE(win.prAcq->text(), u"12.50"_s);
        QCOMPARE(win.quant->text(), u"1"_s);
    } else {
        QVERIFY(win.cleared());
    }
}

void TestMovimentiFrm::emptyingTheSearchListsEveryCard()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.search->setFocus();
    win.typeSearch(u"riserva"_s);
    QVERIFY(win.selected());
    win.search->clear();
    QCOMPARE(win.grid->model()->rowCount(), 4);
    QVERIFY(win.cleared());

    // With a single card in the table, the empty search selects it.
    StockFixture g;
    g.insert(u"Schede"_s,
             {{u"Descrizione"_s, u"Only one"_s}, {u"Prezzo_Acq"_s, 4.0}, {u"Prezzo_Ven"_s, 8.0}});
    g.open();
    Window one(g);
    one.search->setFocus();
    one.typeSearch(u"x"_s);
    QVERIFY(one.cleared());
    QTest::keyClick(one.search, Qt::Key_Backspace);
    QCoreApplication::processEvents();
    QVERIFY(one.selected());
    QCOMPARE(one.prVen->value(), 8.0);
}

void TestMovimentiFrm::barcodeScanSelectsTheCardWithoutMouse()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.search->setFocus();
    // A scanner types the code like a keyboard and ends with Return.
    QTest::keyClicks(win.search, kBaroloCode);
    QTest::keyClick(win.search, Qt::Key_Return);
    QCOMPARE(win.card("Codice"), kBaroloCode);
    QVERIFY(win.selected());
    QCOMPARE(win.quant->value(), 1.0);
    QVERIFY(win.search->hasFocus());
    QVERIFY(win.w->isVisible());
    // Return pressed no movement button.
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale"_s), 0);

    // The unload goes on from the keyboard too: Tab to the quantity, type it, Tab twice, Space.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), win.quant);
    QTest::keyClicks(win.quant, u"2"_s);
    QTest::keyClick(win.quant, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), win.unload);
    QTest::keyClick(win.unload, Qt::Key_Space);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede WHERE Codice = '8001234567890' AND Quantita = 4"_s), 1);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale WHERE Causale = 'S' AND Quantita = -2"_s), 1);
}

void TestMovimentiFrm::typingAheadOfTheSearchEndsAsKeyByKey_data()
{
    QTest::addColumn<QString>("keys"); // '\b' stands for Backspace
    QTest::addColumn<QString>("then");
    QTest::newRow("barcode, then a pause") << kBaroloCode << u"pause"_s;
    QTest::newRow("barcode ended by Return") << kBaroloCode << u"return"_s;
    QTest::newRow("barcode, then the load button") << kBaroloCode << u"load"_s;
    QTest::newRow("barcode, then Tab") << kBaroloCode << u"tab"_s;
    QTest::newRow("one card, then none") << u"riserva x"_s << u"return"_s;
    QTest::newRow("two cards") << u"2000000000"_s << u"return"_s;
    QTest::newRow("two cards, then a click below the list") << u"2000000000"_s << u"click below"_s;
    QTest::newRow("typed over") << u"chianti\b\b\b\b\b\b\bneb"_s << u"pause"_s;
    QTest::newRow("typed and deleted") << u"dolcetto\b\b\b\b\b\b\b\b"_s << u"return"_s;
}

// Keys typed faster than the searches run (a barcode scanner) leave the window as a search per
// key does, also for the key or click that comes right after them; the searches run once.
void TestMovimentiFrm::typingAheadOfTheSearchEndsAsKeyByKey()
{
    QFETCH(QString, keys);
    QFETCH(QString, then);
    QStringList seen[2];
    int searches[2] = {0, 0};
    for (const bool keyByKey : {true, false}) {
        StockFixture f;
        addCards(f);
        f.open();
        Window win(f);
        win.search->setFocus();
        QSignalSpy reread(&f.cellar.Schede, &vinary::db::Dataset::rowsReset);
        for (const QChar key : keys) {
            if (key == u'\b')
                QTest::keyClick(win.search, Qt::Key_Backspace);
            else
                QTest::keyClicks(win.search, QString(key));
            if (keyByKey)
                QCoreApplication::processEvents();
        }
        if (then == u"return"_s)
            QTest::keyClick(win.search, Qt::Key_Return);
        else if (then == u"tab"_s)
            QTest::keyClick(win.search, Qt::Key_Tab);
        else if (then == u"load"_s)
            QTest::mouseClick(win.load, Qt::LeftButton);
        else if (then == u"click below"_s)
            QTest::mouseClick(win.grid->viewport(), Qt::LeftButton, {},
                              QPoint(20, win.grid->viewport()->height() - 4));
        else
            QCoreApplication::processEvents();
        searches[keyByKey] = int(reread.size());
        const int listed = f.cellar.Schede.recordCount();
        seen[keyByKey] = QStringList{
            QString::number(listed),
            QString::number(win.grid->model()->rowCount()),
            listed > 0 ? win.card("Codice") : QString(),
            win.prAcq->text(),
            win.prVen->text(),
            win.quant->text(),
            win.load->isEnabled() ? u"enabled"_s : u"disabled"_s,
            QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(),
            f.value(u"SELECT group_concat(Causale || Codice || Quantita) FROM Giornale"_s).toString()};
    }
    QCOMPARE(seen[false], seen[true]);
    QCOMPARE(searches[true], int(keys.size()) + (then == u"load"_s ? 1 : 0));
    QCOMPARE(searches[false], then == u"load"_s ? 2 : 1);
    if (keys == kBaroloCode)
        QCOMPARE(seen[false].at(2), kBaroloCode);
    if (then == u"load"_s)
        QCOMPARE(seen[false].last(), u"C"_s + kBaroloCode + u"1.0"_s);
}

void TestMovimentiFrm::cellClickSelectsAndFocusesQuantity()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.clickRow(2); // Dolcetto: empty stock and sale price
    QCOMPARE(win.card("Descrizione"), u"Dolcetto d'Alba"_s);
    QVERIFY(win.selected());
    QCOMPARE(win.prAcq->value(), 3.5);
    QCOMPARE(win.prVen->value(), 0.0);
    QCOMPARE(win.quant->value(), 1.0);
    QVERIFY(win.quant->hasFocus());
}

void TestMovimentiFrm::keyboardInTheListSelectsTheCard()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.clickRow(0);
    win.grid->setFocus();
    QTest::keyClick(win.grid, Qt::Key_Down);
    QCOMPARE(win.card("Descrizione"), u"Chianti Classico"_s);
    // The boxes follow the card the movement will change.
    QCOMPARE(win.prAcq->value(), 5.0);
    QCOMPARE(win.prVen->value(), 9.0);
    QVERIFY(win.selected());
}

void TestMovimentiFrm::loadUpdatesJournalAndCard()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.clickRow(1); // Chianti, 12 bottles
    win.type(win.quant, u"6"_s);
    win.type(win.prAcq, u"5.25"_s);
    win.type(win.prVen, u"10"_s);
    QTest::mouseClick(win.load, Qt::LeftButton);
    QCOMPARE(
        f.count(u"SELECT COUNT(*) FROM Giornale WHERE Causale = 'C' AND Data = '2024-03-14 00:00:00' AND "
                "Codice = '8009876543210' AND Descrizione = 'Chianti Classico' AND Anno = '2020' AND "
                "Quantita = 6 AND Prezzo_acq = 5.25 AND Prezzo_ven = 10"_s),
        1);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede WHERE Codice = '8009876543210' AND Quantita = 18 AND "
                     "Prezzo_Acq = 5.25 AND Prezzo_Ven = 10 AND Ultimo_carico = '2024-03-14 00:00:00'"_s),
             1);
    QVERIFY(win.reset());
    QVERIFY(f.errors.shown().isEmpty());
}

void TestMovimentiFrm::loadOfQuantityZero()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.clickRow(0);
    win.type(win.quant, u"0"_s);
    win.type(win.prAcq, u"13"_s);
    QTest::mouseClick(win.load, Qt::LeftButton);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale WHERE Quantita = 0 AND Prezzo_acq = 13"_s), 1);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede WHERE Codice = '8001234567890' AND Quantita = 6 AND "
                     "Prezzo_Acq = 13 AND Ultimo_carico = '2024-03-14 00:00:00'"_s),
             1);
}

void TestMovimentiFrm::unloadAgainstTheStock_data()
{
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("equal to the stock") << u"6"_s << true;
    QTest::newRow("one bottle more than the stock") << u"7"_s << false;
}

void TestMovimentiFrm::unloadAgainstTheStock()
{
    QFETCH(QString, quantity);
    QFETCH(bool, accepted);
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.search->setFocus();
    QTest::keyClicks(win.search, u"riserva"_s); // Barolo, 6 bottles
    win.type(win.quant, quantity);
    QTest::mouseClick(win.unload, Qt::LeftButton);
    if (accepted) {
        QVERIFY(f.messages.shown().isEmpty());
        QCOMPARE(f.value(u"SELECT Quantita FROM Schede WHERE Codice = '8001234567890'"_s).toDouble(), 0.0);
        QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale WHERE Causale = 'S' AND Quantita = -6"_s), 1);
        QCOMPARE(f.value(u"SELECT Ultimo_carico FROM Schede WHERE Codice = '8001234567890'"_s).toString(),
                 u"2024-03-14 00:00:00"_s);
        QVERIFY(win.reset());
    } else {
        QCOMPARE(f.messages.notices(),
                 QStringList{u"   There are not enough bottles in stock to take out this quantity.   "_s});
        QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale"_s), 0);
        QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede WHERE Codice = '8001234567890' AND Quantita = 6 AND "
                         "Ultimo_carico IS NULL"_s),
                 1);
        // The search box is emptied and focused; emptying it re-ran the search (four cards: none selected).
        QVERIFY(win.search->text().isEmpty());
        QVERIFY(win.search->hasFocus());
        QCOMPARE(win.grid->model()->rowCount(), 4);
        QVERIFY(win.cleared());
    }
}

void TestMovimentiFrm::negativeQuantities_data()
{
    QTest::addColumn<bool>("unload");
    QTest::newRow("load") << false;
    QTest::newRow("unload") << true;
}

// Neither button takes a negative quantity: the notice is shown and nothing is written.
void TestMovimentiFrm::negativeQuantities()
{
    QFETCH(bool, unload);
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.clickRow(3); // Nebbiolo, 3 bottles
    win.type(win.quant, u"-4"_s);
    QTest::mouseClick(unload ? win.unload : win.load, Qt::LeftButton);
    QCOMPARE(f.messages.notices(),
             QStringList{u"   The quantity cannot be negative: enter the number of bottles "
                         u"without a minus sign.   "_s});
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale"_s), 0);
    QCOMPARE(f.value(u"SELECT Quantita FROM Schede WHERE Descrizione = 'Nebbiolo'"_s).toDouble(), 3.0);
    QVERIFY(win.quant->hasFocus());
    QVERIFY(win.selected());
}

void TestMovimentiFrm::salePriceFillIn_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("purchase");
    QTest::addColumn<bool>("unload");
    QTest::addColumn<double>("written");
    QTest::newRow("load, markup 2 and 3.50") << 2 << u"3.50"_s << false << 7.0;
    QTest::newRow("unload, markup 2 and 3.50") << 1 << u"3.50"_s << true << 7.0;
    QTest::newRow("markup 0") << 3 << u"3.50"_s << false << 0.0;
    QTest::newRow("rounded to two decimals") << 2 << u"1.111"_s << false << 2.22;
}

void TestMovimentiFrm::salePriceFillIn()
{
    QFETCH(int, row);
    QFETCH(QString, purchase);
    QFETCH(bool, unload);
    QFETCH(double, written);
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.clickRow(row);
    const QString code = win.card("Codice");
    win.type(win.prAcq, purchase);
    win.type(win.prVen, QString());
    QTest::keyClick(win.prVen, Qt::Key_Backspace);
    QCOMPARE(win.prVen->value(), 0.0);
    // The box shows the filled-in price when the movement is recorded.
    double shown = -1.0;
    QObject::connect(win.prVen, &NumberBox::valueChanged, win.w.get(), [&](double v) {
        if (shown < 0.0)
            shown = v;
    });
    QTest::mouseClick(unload ? win.unload : win.load, Qt::LeftButton);
    QVERIFY(f.errors.shown().isEmpty());
    QCOMPARE(f.value(u"SELECT Prezzo_ven FROM Giornale"_s).toDouble(), written);
    QCOMPARE(f.value(u"SELECT Prezzo_Ven FROM Schede WHERE Codice = '%1'"_s.arg(code)).toDouble(), written);
    if (written != 0.0)
        QCOMPARE(shown, written);
}

void TestMovimentiFrm::resetAfterEveryMovement()
{
    StockFixture f;
    f.insert(u"Schede"_s, {{u"Descrizione"_s, u"Only one"_s},
                           {u"Quantita"_s, 5.0},
                           {u"Prezzo_Acq"_s, 4.0},
                           {u"Prezzo_Ven"_s, 8.0}});
    f.open();
    Window win(f);
    for (bool unload : {false, true, false}) {
        win.search->setFocus();
        win.typeSearch(u"only"_s);
        QVERIFY(win.selected());
        QTest::mouseClick(unload ? win.unload : win.load, Qt::LeftButton);
        // Emptying the search selected the only card again; the reset still holds.
        QVERIFY(win.reset());
    }
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale"_s), 3);
    // Movements of one day carry one date, without a time of day.
    QCOMPARE(f.count(u"SELECT COUNT(DISTINCT Data) FROM Giornale"_s), 1);
    QCOMPARE(f.value(u"SELECT Data FROM Giornale"_s).toString(), u"2024-03-14 00:00:00"_s);
    QCOMPARE(f.value(u"SELECT Quantita FROM Schede"_s).toDouble(), 6.0);
}

void TestMovimentiFrm::takeBackFromTheWindow()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.search->setFocus();
    QTest::keyClicks(win.search, u"riserva"_s);
    win.type(win.quant, u"4"_s);
    QTest::mouseClick(win.load, Qt::LeftButton);
    QCOMPARE(f.value(u"SELECT Quantita FROM Schede WHERE Codice = '%1'"_s.arg(kBaroloCode)).toDouble(), 10.0);

    // The search narrows the list again; the take-back still finds its card.
    QTest::keyClicks(win.search, u"chianti"_s);
    bool listed = false;
    QTimer::singleShot(0, this, [&] {
        auto *form = qobject_cast<vinary::TTakeBackForm *>(QApplication::activeModalWidget());
        if (!form)
            return;
        listed = form->list()->topLevelItemCount() == 1 &&
                 form->list()->topLevelItem(0)->text(2) == u"Barolo Riserva"_s &&
                 form->list()->topLevelItem(0)->text(0) == u"Stock in"_s;
        if (qEnvironmentVariableIsSet("VINARY_GRAB_DIR"))
            form->grab().save(qEnvironmentVariable("VINARY_GRAB_DIR") + u"/storno.png"_s);
        f.messages.setNextAnswer(false);
        form->btnStornaClick(); // declined: nothing happens
        f.messages.setNextAnswer(true);
        form->btnStornaClick();
        form->accept();
    });
    win.w->findChild<QPushButton *>(u"btnStorno"_s)->click();
    QVERIFY(listed);
    QCOMPARE(f.messages.questions().size(), 2);
    QVERIFY(f.messages.notices().isEmpty());
    QCOMPARE(f.value(u"SELECT Quantita FROM Schede WHERE Codice = '%1'"_s.arg(kBaroloCode)).toDouble(), 6.0);
    QCOMPARE(f.value(u"SELECT group_concat(Causale || Quantita) FROM Giornale"_s).toString(),
             u"C4.0,R-4.0"_s);
    // Reset as after a movement; the focus waits in the search box for the window to be active again.
    QVERIFY(win.search->text().isEmpty() && win.cleared());
    QCOMPARE(win.w->focusWidget(), win.search);
}

void TestMovimentiFrm::numbersInTheUsersLocales_data()
{
    QTest::addColumn<QString>("locale");
    for (const QString &name : {u"it_IT"_s, u"de_DE"_s, u"fr_FR"_s, u"en_US"_s})
        QTest::newRow(qPrintable(name)) << name;
}

// Either separator is read, the keypad types the locale's own, a text that cannot be read stays
// and stops the movement, and the typed numbers are the ones written.
void TestMovimentiFrm::numbersInTheUsersLocales()
{
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    const QString point = QLocale().decimalPoint();
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f);
    win.clickRow(0);
    win.type(win.prAcq, u"6.80"_s);
    QCOMPARE(win.prAcq->value(), 6.8);
    win.type(win.prVen, u"9,4"_s);
    QCOMPARE(win.prVen->value(), 9.4);
    win.type(win.quant, u"1"_s);
    QTest::keyClick(win.quant, Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClick(win.quant, Qt::Key_5);
    QCOMPARE(win.quant->text(), u"1"_s + point + u"5"_s);
    QCOMPARE(win.quant->value(), 1.5);

    win.type(win.prVen, u"1a2.3.4x5"_s);
    QCOMPARE(win.prVen->text(), u"1a2.3.4x5"_s);
    QVERIFY(!win.prVen->toolTip().isEmpty());
    QTest::mouseClick(win.load, Qt::LeftButton);
    QTRY_VERIFY(win.prVen->hasFocus());
    QCOMPARE(win.prVen->text(), u"1a2.3.4x5"_s);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale"_s), 0);

    win.type(win.prVen, u"12"_s);
    QTest::mouseClick(win.load, Qt::LeftButton);
    QCOMPARE(f.value(u"SELECT Prezzo_acq FROM Giornale"_s).toDouble(), 6.8);
    QCOMPARE(f.value(u"SELECT Prezzo_ven FROM Giornale"_s).toDouble(), 12.0);
    QCOMPARE(f.value(u"SELECT Quantita FROM Giornale"_s).toDouble(), 1.5);
    QCOMPARE(f.value(u"SELECT Prezzo_Acq FROM Schede WHERE Codice = '%1'"_s.arg(kBaroloCode)).toDouble(),
             6.8);
}

void TestMovimentiFrm::failingCardPostKeepsNothingAndShowsTheError()
{
    StockFixture f;
    addCards(f);
    f.cellar.DB.exec(u"CREATE TRIGGER refuse BEFORE UPDATE ON Schede "
                     "BEGIN SELECT RAISE(ABORT, 'The card is locked by another user'); END"_s);
    f.open();
    Window win(f);
    win.clickRow(1);
    win.type(win.quant, u"3"_s);
    QTest::mouseClick(win.load, Qt::LeftButton);
    QCOMPARE(f.errors.messages().size(), 1);
    QVERIFY2(f.errors.messages().first().contains(u"The card is locked by another user"_s),
             qPrintable(f.errors.messages().first()));
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale"_s), 0);
    QCOMPARE(f.cellar.giornale.recordCount(), 0);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede WHERE Quantita = 12 AND Ultimo_carico IS NULL"_s), 1);
    QCOMPARE(win.card("Quantita"), u"12"_s);
    QCOMPARE(f.cellar.Schede.state(), vinary::db::DataState::Browse);
    // The movement stopped: the window still holds it, so the user can try again.
    QCOMPARE(win.quant->value(), 3.0);
    QVERIFY(win.selected());

    f.cellar.DB.exec(u"DROP TRIGGER refuse"_s);
    QTest::mouseClick(win.load, Qt::LeftButton);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale WHERE Quantita = 3"_s), 1);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede WHERE Quantita = 15"_s), 1);
}

void TestMovimentiFrm::filterModeWhileOpen()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f, false);
    win.search->setText(u"riserva"_s); // left from an earlier opening
    win.show();
    QCOMPARE(f.cellar.filterMode, QChar(u'M'));
    QVERIFY(f.cellar.Schede.filtered());
    // Opening lists every card: the old text counts from its next change.
    QCOMPARE(f.cellar.Schede.recordCount(), 4);
    QCOMPARE(f.cellar.criteria.ckdescrizione(), u"riserva"_s);
    win.w->close();
    QCOMPARE(f.cellar.filterMode, QChar(u' '));
    QVERIFY(!f.cellar.Schede.filtered());
    QCOMPARE(f.cellar.Schede.recordCount(), 4);
    // The boxes keep their state to the next opening.
    QCOMPARE(win.search->text(), u"riserva"_s);
}

void TestMovimentiFrm::modalOpeningAndCloseBox()
{
    StockFixture f;
    addCards(f);
    f.open();
    Window win(f, false);
    bool checked = false;
    QTimer::singleShot(0, win.w.get(), [&] {
        // The close box, whatever the checks below find.
        const auto closer = qScopeGuard([&] { win.w->close(); });
        QTRY_VERIFY(win.w->isVisible());
        QCOMPARE(f.cellar.filterMode, QChar(u'M'));
        win.search->setFocus();
        win.typeSearch(u"chianti"_s);
        QVERIFY(win.selected());
        checked = true;
    });
    f.cellar.Schede.setFiltered(true);
    win.w->exec();
    f.cellar.Schede.setFiltered(false);
    QVERIFY(checked);
    QCOMPARE(f.cellar.filterMode, QChar(u' '));
    QVERIFY(!f.cellar.Schede.filtered());
    QCOMPARE(f.cellar.Schede.recordCount(), 4);
}

void TestMovimentiFrm::placementHooks()
{
    StockFixture f;
    f.open();
    QStringList calls;
    {
        Window win(f, false);
        win.w->setPlacementHooks(
            [&](TfrmInOut &) { calls << u"restore"_s; },
            [&](TfrmInOut &, bool stillOpen) { calls << (stillOpen ? u"save still open"_s : u"save"_s); });
        win.show();
        win.close();
        QCOMPARE(calls, (QStringList{u"restore"_s, u"save"_s}));
        win.show();
    }
    // Destroyed while open, as when the program ends with the window showing.
    QCOMPARE(calls, (QStringList{u"restore"_s, u"save"_s, u"restore"_s, u"save still open"_s}));
}

QTEST_MAIN(TestMovimentiFrm)
#include "test_movimentifrm.moc"
