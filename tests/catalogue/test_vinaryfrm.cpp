#include "catalogue/vinaryfrm.h"
#include "data/cellar.h"
#include "engine/common/errors.h"
#include "language/languagetable.h"
#include "tests/data/cellarfixture.h"
#include "tests/support/recordingerrorbox.h"
#include "widgets/datagrid.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbnavigator.h"
#include "widgets/gridmodel.h"

#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace vinary;
using vinary::test::CellarFixture;

namespace {

QVariantMap card(const char *descrizione, const char *produttore = "", double quantita = 0)
{
    QVariantMap m{{QStringLiteral("Descrizione"), QString::fromUtf8(descrizione)},
                  {QStringLiteral("Quantita"), quantita}};
    if (*produttore)
        m.insert(QStringLiteral("Produttore"), QString::fromUtf8(produttore));
    return m;
}

// One catalogue window over its own cellar, with the boxes and buttons found by their names.
struct Catalogue {
    CellarFixture f;
    RecordingErrorBox errors;
    std::unique_ptr<TfrmVinary> w;

    explicit Catalogue(const QList<QVariantMap> &cards = {}, LanguageTable *language = nullptr)
    {
        for (const QVariantMap &c : cards)
            f.insertCard(c);
        f.reopen();
        f.cellar().language = language;
        w = std::make_unique<TfrmVinary>(f.cellar());
    }
    ~Catalogue()
    {
        w.reset();
        f.cellar().language = nullptr;
    }

    Cellar &cellar() { return f.cellar(); }
    db::Table &schede() { return f.cellar().Schede; }
    template <typename T = QWidget> T *find(const char *name) const
    {
        T *widget = w->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qWarning("no widget %s", name);
        return widget;
    }
    QToolButton *button(const char *name) const { return find<QToolButton>(name); }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    void open()
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    bool editMode() const { return button("btnConferma")->isVisible() && button("btnAnnulla")->isVisible(); }
    QString page() const { return find<QStackedWidget>("PageControl1")->currentWidget()->objectName(); }

    // Replaces a box's text as a user does: select everything, then type.
    void type(const char *box, const QString &text) const
    {
        QWidget *target = find(box);
        target->setFocus();
        if (auto *edit = qobject_cast<QLineEdit *>(target))
            edit->selectAll();
        else if (auto *combo = qobject_cast<QComboBox *>(target))
            combo->lineEdit()->selectAll();
        QTest::keyClicks(target, text);
    }

    // The stored cards, by a column, in the order of their IDs.
    QVariantList stored(const QString &column)
    {
        QVariantList out;
        db::Statement s = f.cellar().DB.prepare(QStringLiteral("SELECT %1 FROM Schede ORDER BY ID").arg(column));
        while (s.step())
            out << s.value(0);
        return out;
    }
    QStringList shownDescriptions()
    {
        QStringList out;
        const int column = schede().fieldByName(QStringLiteral("Descrizione")).index();
        for (int i = 0; i < schede().recordCount(); ++i)
            out << schede().valueAt(i, column).toString();
        return out;
    }
};

} // namespace

class TestVinaryFrm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsInBrowseModeWithTheSearchFilterOn();
    void editModeLocksTheToolButtons();
    void newAndConfirmSetsTheDefaultSalePrice_data();
    void newAndConfirmSetsTheDefaultSalePrice();
    void numbersInTheUsersLocales_data();
    void numbersInTheUsersLocales();
    void markupShowsItsDecimals();
    void confirmWithoutDescriptionKeepsEditMode();
    void cancelAfterNewRemovesTheCard();
    void cancelAfterModifyRestoresTheStoredValues();
    void refusedSaveKeepsEditModeAndTypedValues();
    void titleClicksSortWithDescriptionSecond();
    void doubleClickShowsTheClickedCard();
    void closeBoxSavesANewTypedCardWithoutChecks();
    void closeDropsAnUntouchedNewCard();
    void modifyWithNoCardPassingBeginsANewCard();
    void deleteWithNoCardPassingReportsTheEmptyTable();
    void deleteAsksAndRefusesStock();
    void searchAppliesOnlyOnTheButtons();
    void reopeningKeepsTheSearchText();
    void modalOpeningThroughExec();
    void pasteIsCutToTheColumnSize();
    void pickListsAreTheSevenBoxes();
    void tabOrderFollowsTheCard();
    void translatesCaptionsAndHints();
    void extraButtonsRunTheirHandlers();
    void looksFinished();
};

void TestVinaryFrm::showsInBrowseModeWithTheSearchFilterOn()
{
    Catalogue c({card("Barolo"), card("Amarone")});
    c.open();
    QCOMPARE(c.cellar().filterMode, QChar(u'S'));
    QVERIFY(c.schede().filtered());
    QVERIFY(!c.editMode());
    QCOMPARE(c.page(), QStringLiteral("SINGOLO"));
    QCOMPARE(c.schede().recNo(), 0);
    QCOMPARE(c.find<QLineEdit>("EditDESCRIZION")->text(), QStringLiteral("Amarone"));
    // Browse mode refuses typing.
    QVERIFY(c.find<QLineEdit>("EditDESCRIZION")->isReadOnly());

    c.click("btnfind");
    QCOMPARE(c.page(), QStringLiteral("LISTA"));
    c.click("btnEsci");
    QVERIFY(!c.w->isVisible());
    QCOMPARE(c.cellar().filterMode, QChar(u' '));
    QVERIFY(!c.schede().filtered());

    // Every opening resets mode and page.
    c.open();
    QCOMPARE(c.page(), QStringLiteral("SINGOLO"));
}

void TestVinaryFrm::editModeLocksTheToolButtons()
{
    Catalogue c({card("Barolo")});
    c.open();
    c.click("btnModify");
    QVERIFY(c.editMode());
    for (const char *name : {"btnEsci", "btnNew", "btnModify", "btnDelete", "btnfind"})
        QVERIFY2(!c.button(name)->isEnabled(), name);
    QVERIFY(!c.find<DbNavigator>("DBNav")->isEnabled());
    // The search buttons stay as they are.
    QVERIFY(c.button("SpeedButton2")->isEnabled());
    QVERIFY(c.find<QLineEdit>("ricerca")->isEnabled());
    QVERIFY(!c.find<QLineEdit>("EditDESCRIZION")->isReadOnly());
    QCOMPARE(QApplication::focusWidget(), c.find("EditCODICE"));

    c.click("btnAnnulla");
    QVERIFY(!c.editMode());
    for (const char *name : {"btnEsci", "btnNew", "btnModify", "btnDelete", "btnfind"})
        QVERIFY2(c.button(name)->isEnabled(), name);
    QVERIFY(c.find<DbNavigator>("DBNav")->isEnabled());
}

void TestVinaryFrm::newAndConfirmSetsTheDefaultSalePrice_data()
{
    QTest::addColumn<QString>("typedSale");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty sale price gives 15") << QString() << 15.0;
    QTest::newRow("a typed 12 is kept") << QStringLiteral("12") << 12.0;
    QTest::newRow("a typed 0 is replaced") << QStringLiteral("0") << 15.0;
}

void TestVinaryFrm::newAndConfirmSetsTheDefaultSalePrice()
{
    QFETCH(QString, typedSale);
    QFETCH(double, expected);
    Catalogue c;
    c.open();
    c.click("btnNew");
    QVERIFY(c.editMode());
    QCOMPARE(c.schede().state(), db::DataState::Insert);
    // The new card's markup defaults from the settings (2 in the delivered database).
    QCOMPARE(c.schede().fieldByName(QStringLiteral("Ricarico")).asFloat(), 2.0);
    c.type("EditDESCRIZION", QStringLiteral("Barolo"));
    c.type("EditPrezzoAcq", QStringLiteral("10"));
    c.type("EditRicarico", QStringLiteral("1.5"));
    if (!typedSale.isEmpty())
        c.type("EditPrezzoVen", typedSale);
    c.click("btnConferma");

    QVERIFY(!c.editMode());
    QVERIFY(c.errors.messages().isEmpty());
    QCOMPARE(c.stored(QStringLiteral("Prezzo_Ven")), QVariantList{expected});
    QCOMPARE(c.stored(QStringLiteral("Ricarico")), QVariantList{1.5});
    QCOMPARE(c.find<QLineEdit>("EditPrezzoVen")->text(), QString::number(expected, 'f', 2));
}

void TestVinaryFrm::numbersInTheUsersLocales_data()
{
    QTest::addColumn<QString>("locale");
    for (const char *name : {"it_IT", "de_DE", "fr_FR", "en_US"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// The card's number boxes take either separator and the keypad's; a text that cannot be read
// stays, stops the confirm and is never saved.
void TestVinaryFrm::numbersInTheUsersLocales()
{
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    Catalogue c;
    c.open();
    c.click("btnNew");
    c.type("EditDESCRIZION", QStringLiteral("Barolo"));
    const struct {
        const char *box;
        const char *typed;
        const char *column;
        double stored;
    } numbers[] = {{"EditPrezzoAcq", "7.20", "Prezzo_Acq", 7.2}, {"EditRicarico", "1,5", "Ricarico", 1.5},
                   {"EditPrezzoVen", "10.8", "Prezzo_Ven", 10.8}, {"EditGiacenza", "12", "Quantita", 12},
                   {"EditScorta", "2.5", "Scorta", 2.5},         {"EditP1", "8,5", "Punti1", 8.5}};
    for (const auto &n : numbers)
        c.type(n.box, QString::fromLatin1(n.typed));
    c.type("EditPrezzoBic", QStringLiteral("3"));
    QTest::keyClick(c.find("EditPrezzoBic"), Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClick(c.find("EditPrezzoBic"), Qt::Key_5);
    QCOMPARE(c.find<QLineEdit>("EditPrezzoBic")->text(), QStringLiteral("3") + QLocale().decimalPoint() + u'5');

    c.type("EditP2", QStringLiteral("7.5,"));
    c.click("btnConferma");
    QVERIFY(c.editMode());
    QVERIFY(c.find("EditP2")->hasFocus());
    QCOMPARE(c.find<QLineEdit>("EditP2")->text(), QStringLiteral("7.5,"));
    QVERIFY(c.stored(QStringLiteral("ID")).isEmpty());
    c.w->close();
    QVERIFY(c.w->isVisible());
    QVERIFY(c.stored(QStringLiteral("ID")).isEmpty());

    c.type("EditP2", QStringLiteral("7"));
    c.click("btnConferma");
    QVERIFY(!c.editMode());
    for (const auto &n : numbers)
        QCOMPARE(c.stored(QString::fromLatin1(n.column)), QVariantList{n.stored});
    QCOMPARE(c.stored(QStringLiteral("Prezzo_Bic")), QVariantList{3.5});
    QCOMPARE(c.stored(QStringLiteral("Punti2")), QVariantList{7.0});
}

// The markup is a factor: 1.5 must not read as 2 on the card or in the list. The stock keeps its
// whole-number format.
void TestVinaryFrm::markupShowsItsDecimals()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    const QList<std::pair<double, QString>> markups = {{1.5, QStringLiteral("1,5")},
                                                       {2, QStringLiteral("2")},
                                                       {1.255, QStringLiteral("1,26")},
                                                       {0, QString()}};
    QList<QVariantMap> cards;
    for (int i = 0; i < markups.size(); ++i)
        cards << QVariantMap{{QStringLiteral("Descrizione"), QString::number(i)},
                             {QStringLiteral("Ricarico"), markups.at(i).first},
                             {QStringLiteral("Quantita"), 2.6}};
    Catalogue c(cards);
    c.open();
    const TableGridModel *grid = c.find<DataGrid>("schedeGrid")->gridModel();
    const int markupColumn = grid->columnOf(QStringLiteral("Ricarico"));
    for (int i = 0; i < markups.size(); ++i) {
        QVERIFY(c.schede().locate(QStringLiteral("Descrizione"), QString::number(i)));
        QCOMPARE(c.find<QLineEdit>("EditRicarico")->text(), markups.at(i).second);
        QCOMPARE(grid->cellText(i, markupColumn), markups.at(i).second);
        QCOMPARE(c.find<QLineEdit>("EditGiacenza")->text(), QStringLiteral("3"));
    }
}

void TestVinaryFrm::confirmWithoutDescriptionKeepsEditMode()
{
    LanguageTable language({QStringLiteral("[MSG_OBB_DESCR]=Description missing")});
    Catalogue c({}, &language);
    c.open();
    c.click("btnNew");
    c.type("EditPrezzoAcq", QStringLiteral("10"));
    c.type("EditRicarico", QStringLiteral("1.5"));
    c.click("btnConferma");

    QCOMPARE(c.f.messages().notices(), QStringList{QStringLiteral("   Description missing   ")});
    QVERIFY(c.editMode());
    QCOMPARE(c.schede().state(), db::DataState::Insert);
    QVERIFY(c.stored(QStringLiteral("ID")).isEmpty());
    // The computed price stays in the open card and shows.
    QCOMPARE(c.find<QLineEdit>("EditPrezzoVen")->text(), QStringLiteral("15.00"));
    QCOMPARE(c.find<QLineEdit>("EditPrezzoAcq")->text(), QStringLiteral("10.00"));

    // Adding the description and confirming again saves the card with that price.
    c.type("EditDESCRIZION", QStringLiteral("Soave"));
    c.click("btnConferma");
    QVERIFY(!c.editMode());
    QCOMPARE(c.stored(QStringLiteral("Prezzo_Ven")), QVariantList{15.0});
}

void TestVinaryFrm::cancelAfterNewRemovesTheCard()
{
    Catalogue c({card("Barolo")});
    c.open();
    c.click("btnNew");
    c.type("EditDESCRIZION", QStringLiteral("Nuovo vino"));
    c.click("btnAnnulla");
    QVERIFY(!c.editMode());
    QCOMPARE(c.page(), QStringLiteral("SINGOLO"));
    QCOMPARE(c.schede().recordCount(), 1);
    QCOMPARE(c.stored(QStringLiteral("Descrizione")), QVariantList{QStringLiteral("Barolo")});
    QCOMPARE(c.find<QLineEdit>("EditDESCRIZION")->text(), QStringLiteral("Barolo"));
}

void TestVinaryFrm::cancelAfterModifyRestoresTheStoredValues()
{
    Catalogue c({card("Barolo", "Conterno")});
    c.open();
    c.click("btnModify");
    c.type("EditDESCRIZION", QStringLiteral("Barbaresco"));
    c.type("EDITProduttore", QStringLiteral("Gaja"));
    QCOMPARE(c.schede().fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("Barbaresco"));
    c.click("btnAnnulla");
    QVERIFY(!c.editMode());
    QCOMPARE(c.find<QLineEdit>("EditDESCRIZION")->text(), QStringLiteral("Barolo"));
    QCOMPARE(c.find<QComboBox>("EDITProduttore")->currentText(), QStringLiteral("Conterno"));
    QCOMPARE(c.stored(QStringLiteral("Descrizione")), QVariantList{QStringLiteral("Barolo")});
}

void TestVinaryFrm::refusedSaveKeepsEditModeAndTypedValues()
{
    Catalogue c;
    c.f.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Schede "
                            "BEGIN SELECT RAISE(ABORT, 'no room in the cellar'); END"));
    c.open();
    c.click("btnNew");
    c.type("EditDESCRIZION", QStringLiteral("Barolo"));
    c.click("btnConferma");
    QCOMPARE(c.errors.messages().size(), 1);
    QVERIFY2(c.errors.messages().first().contains(u"no room in the cellar"), qPrintable(c.errors.messages().first()));
    QVERIFY(c.editMode());
    QCOMPARE(c.find<QLineEdit>("EditDESCRIZION")->text(), QStringLiteral("Barolo"));

    // Closing cannot save the card either: the window stays open with it.
    c.w->close();
    QVERIFY(c.w->isVisible());
    QCOMPARE(c.errors.messages().size(), 2);
    QCOMPARE(c.cellar().filterMode, QChar(u'S'));
    QVERIFY(c.editMode());

    c.click("btnAnnulla");
    c.w->close();
    QVERIFY(!c.w->isVisible());
    QVERIFY(c.stored(QStringLiteral("ID")).isEmpty());
}

void TestVinaryFrm::titleClicksSortWithDescriptionSecond()
{
    Catalogue c({card("Soave", "Pieropan"), card("Barolo", "Conterno"), card("Amarone", "Pieropan"),
                 card("Barbaresco", "Gaja")});
    c.open();
    c.click("btnfind");
    auto *grid = c.find<DataGrid>("schedeGrid");
    QHeaderView *titles = grid->horizontalHeader();
    auto clickTitle = [&](const char *field) {
        const int logical = grid->columnOfField(QString::fromLatin1(field));
        grid->scrollTo(grid->model()->index(0, logical));
        const int x = titles->sectionViewportPosition(logical) + titles->sectionSize(logical) / 2;
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, QPoint(x, titles->height() / 2));
    };

    c.schede().next();
    clickTitle("Produttore");
    QCOMPARE(c.schede().sortedBy(), (QStringList{QStringLiteral("Produttore"), QStringLiteral("Descrizione")}));
    QCOMPARE(c.shownDescriptions(), (QStringList{QStringLiteral("Barolo"), QStringLiteral("Barbaresco"),
                                                 QStringLiteral("Amarone"), QStringLiteral("Soave")}));
    QCOMPARE(c.schede().recNo(), 0);

    clickTitle("Descrizione");
    QCOMPARE(c.schede().sortedBy(), QStringList{QStringLiteral("Descrizione")});
    const QStringList byDescription = {QStringLiteral("Amarone"), QStringLiteral("Barbaresco"),
                                       QStringLiteral("Barolo"), QStringLiteral("Soave")};
    QCOMPARE(c.shownDescriptions(), byDescription);
    // No toggling: a second click sorts the same way.
    clickTitle("Descrizione");
    QCOMPARE(c.shownDescriptions(), byDescription);
    clickTitle("Produttore");
    clickTitle("Produttore");
    QCOMPARE(c.shownDescriptions().first(), QStringLiteral("Barolo"));

    // The order belongs to the table and survives the window's closing.
    c.w->close();
    QCOMPARE(c.schede().sortedBy(), (QStringList{QStringLiteral("Produttore"), QStringLiteral("Descrizione")}));
    QCOMPARE(c.shownDescriptions().first(), QStringLiteral("Barolo"));
}

void TestVinaryFrm::doubleClickShowsTheClickedCard()
{
    Catalogue c({card("Amarone"), card("Barolo"), card("Soave")});
    c.open();
    c.click("btnfind");
    auto *grid = c.find<DataGrid>("schedeGrid");
    const QRect cell = grid->visualRect(grid->model()->index(2, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(c.page(), QStringLiteral("SINGOLO"));
    QCOMPARE(c.find<QLineEdit>("EditDESCRIZION")->text(), QStringLiteral("Soave"));
    QVERIFY(!c.editMode());
}

void TestVinaryFrm::closeBoxSavesANewTypedCardWithoutChecks()
{
    Catalogue c;
    c.open();
    c.click("btnNew");
    c.type("EditCODICE", QStringLiteral("X12"));
    c.type("EditPrezzoAcq", QStringLiteral("10"));
    // The window's own close box, not the exit button.
    QVERIFY(c.w->close());
    QVERIFY(!c.w->isVisible());
    QVERIFY(c.f.messages().shown().isEmpty());
    QCOMPARE(c.stored(QStringLiteral("Codice")), QVariantList{QStringLiteral("X12")});
    QCOMPARE(c.stored(QStringLiteral("Descrizione")), QVariantList{QVariant()});
    QCOMPARE(c.stored(QStringLiteral("Prezzo_Ven")), QVariantList{QVariant()});
    QCOMPARE(c.cellar().filterMode, QChar(u' '));
    QVERIFY(!c.schede().filtered());
    QVERIFY(!c.schede().isEditing());
    // The next opening is in browse mode again.
    c.open();
    QVERIFY(!c.editMode());
}

void TestVinaryFrm::closeDropsAnUntouchedNewCard()
{
    Catalogue c({card("Barolo")});
    c.open();
    c.click("btnNew");
    c.w->close();
    QCOMPARE(c.stored(QStringLiteral("Descrizione")), QVariantList{QStringLiteral("Barolo")});
    QVERIFY(!c.schede().isEditing());
}

void TestVinaryFrm::modifyWithNoCardPassingBeginsANewCard()
{
    Catalogue c({card("Barolo")});
    c.open();
    c.type("ricerca", QStringLiteral("nessuno"));
    c.click("SpeedButton2");
    QCOMPARE(c.schede().recordCount(), 0);
    c.click("btnModify");
    QVERIFY(c.editMode());
    QCOMPARE(c.schede().state(), db::DataState::Insert);
    QCOMPARE(c.schede().fieldByName(QStringLiteral("Ricarico")).asFloat(), 2.0);
    QCOMPARE(c.find<QLineEdit>("EditRicarico")->text(), QStringLiteral("2"));
    QVERIFY(c.errors.messages().isEmpty());
}

void TestVinaryFrm::deleteWithNoCardPassingReportsTheEmptyTable()
{
    Catalogue c({card("Barolo")});
    c.open();
    c.type("ricerca", QStringLiteral("nessuno"));
    c.click("SpeedButton2");
    c.click("btnDelete");
    QCOMPARE(c.errors.messages().size(), 1);
    QVERIFY2(c.errors.messages().first().contains(u"empty dataset"), qPrintable(c.errors.messages().first()));
    QVERIFY(c.f.messages().shown().isEmpty());
    QVERIFY(!c.editMode());
    QCOMPARE(c.stored(QStringLiteral("Descrizione")), QVariantList{QStringLiteral("Barolo")});
}

void TestVinaryFrm::deleteAsksAndRefusesStock()
{
    Catalogue c({card("Amarone", "", 6), card("Barolo")});
    c.open();
    c.click("btnDelete");
    QCOMPARE(c.f.messages().notices(), QStringList{QStringLiteral("   [CANCELLAZIONE_RIF]   ")});
    QVERIFY(c.errors.messages().isEmpty());
    c.click("btnfind");
    c.schede().next();
    c.f.messages().clear();
    c.f.messages().setNextAnswer(true);
    c.click("btnDelete");
    QCOMPARE(c.f.messages().questions(), QStringList{QStringLiteral("   [CONFERMA_CANCELLA]    ")});
    QCOMPARE(c.stored(QStringLiteral("Descrizione")), QVariantList{QStringLiteral("Amarone")});
    // Delete keeps browse mode and the page.
    QCOMPARE(c.page(), QStringLiteral("LISTA"));
    QVERIFY(!c.editMode());
}

void TestVinaryFrm::searchAppliesOnlyOnTheButtons()
{
    Catalogue c({card("Barolo"), card("Soave"), card("Barbaresco")});
    c.open();
    c.type("ricerca", QStringLiteral("BAR"));
    QCOMPARE(c.schede().recordCount(), 3);
    c.click("SpeedButton2");
    QCOMPARE(c.shownDescriptions(), (QStringList{QStringLiteral("Barbaresco"), QStringLiteral("Barolo")}));
    QCOMPARE(c.find<QLineEdit>("EditDESCRIZION")->text(), QStringLiteral("Barbaresco"));
    c.click("SpeedButton3");
    QVERIFY(c.find<QLineEdit>("ricerca")->text().isEmpty());
    QCOMPARE(c.schede().recordCount(), 3);
}

void TestVinaryFrm::reopeningKeepsTheSearchText()
{
    Catalogue c({card("Barolo"), card("Soave"), card("Barbaresco")});
    c.open();
    c.type("ricerca", QStringLiteral("soa"));
    c.w->close();
    QCOMPARE(c.schede().recordCount(), 3);
    c.open();
    QCOMPARE(c.find<QLineEdit>("ricerca")->text(), QStringLiteral("soa"));
    QCOMPARE(c.shownDescriptions(), QStringList{QStringLiteral("Soave")});
    QCOMPARE(c.find<QLineEdit>("EditDESCRIZION")->text(), QStringLiteral("Soave"));
}

void TestVinaryFrm::modalOpeningThroughExec()
{
    Catalogue c({card("Barolo")});
    bool sawOpen = false;
    QTimer::singleShot(0, c.w.get(), [&] {
        sawOpen = c.w->isVisible() && c.cellar().filterMode == u'S' && c.schede().filtered();
        c.click("btnEsci");
    });
    c.w->exec();
    QVERIFY(sawOpen);
    QCOMPARE(c.cellar().filterMode, QChar(u' '));
    QVERIFY(!c.schede().filtered());
}

void TestVinaryFrm::pasteIsCutToTheColumnSize()
{
    Catalogue c;
    c.open();
    c.click("btnNew");
    QApplication::clipboard()->setText(QString(10000, u'x'));
    auto *description = c.find<QLineEdit>("EditDESCRIZION");
    description->setFocus();
    QTest::keyClick(description, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(c.schede().fieldByName(QStringLiteral("Descrizione")).asString().size(), 50);
    auto *producer = c.find<QComboBox>("EDITProduttore");
    producer->setFocus();
    QTest::keyClick(producer, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(c.schede().fieldByName(QStringLiteral("Produttore")).asString().size(), 50);
    c.click("btnConferma");
    QCOMPARE(c.stored(QStringLiteral("length(Descrizione)")), QVariantList{50});
}

void TestVinaryFrm::pickListsAreTheSevenBoxes()
{
    Catalogue c({card("Barolo", "Conterno"), card("Soave", "Pieropan")});
    const char *names[] = {"EDITGruppo", "EditZona", "EDITProduttore", "EditFORNITORE",
                           "EditTipologia", "EditCapacita", "EditRegione"};
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(c.w->pickBox(i)->objectName(), QString::fromLatin1(names[i]));
        QVERIFY(c.cellar().rules.pickList(i) != nullptr);
    }
    c.open();
    c.cellar().rules.refillPickLists();
    auto *producer = c.find<DbComboBox>("EDITProduttore");
    QCOMPARE(producer->items(), (QStringList{QStringLiteral("Conterno"), QStringLiteral("Pieropan")}));
    // The refill keeps the current card's value shown.
    QCOMPARE(producer->currentText(), QStringLiteral("Conterno"));

    c.click("btnModify");
    c.type("EDITProduttore", QStringLiteral("gaja"));
    c.click("btnConferma");
    QCOMPARE(producer->items(),
             (QStringList{QStringLiteral("Conterno"), QStringLiteral("gaja"), QStringLiteral("Pieropan")}));

    // A window that is gone leaves no pick list behind.
    c.w.reset();
    for (int i = 0; i < 7; ++i)
        QVERIFY(c.cellar().rules.pickList(i) == nullptr);
    QVERIFY(!c.cellar().criteria.ricerca);
}

void TestVinaryFrm::tabOrderFollowsTheCard()
{
    Catalogue c({card("Barolo")});
    c.open();
    c.click("btnModify");
    const char *order[] = {"EditCODICE",    "EDITGruppo",      "EditDESCRIZION", "EditANNO",       "EditGRADI",
                           "EditZona",      "EditRegione",     "EDITProduttore", "EditFORNITORE",  "EditCOMPOSIZIO",
                           "EditTipologia", "EditCapacita",    "Editcarta",      "DBEdit9",        "BitBtn1",
                           "EditDegustazione", "EditP1",       "EditP2",         "EditP3",         "EditUltimoCarico",
                           "EditPrezzoAcq", "EditRicarico",    "EditScadenza",   "EditPrezzoVen",  "EditScorta",
                           "EditPrezzoBic", "EditGiacenza",    "EditNOTE"};
    auto owner = [&](QWidget *focus) -> QString {
        for (QWidget *w = focus; w; w = w->parentWidget()) {
            for (const char *name : order) {
                if (w->objectName() == QString::fromLatin1(name))
                    return w->objectName();
            }
        }
        return focus ? QStringLiteral("other: ") + focus->objectName() : QStringLiteral("none");
    };
    c.find("EditCODICE")->setFocus();
    for (size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(owner(QApplication::focusWidget()), QString::fromLatin1(order[i]));
    }
    c.click("btnAnnulla");
}

void TestVinaryFrm::translatesCaptionsAndHints()
{
    LanguageTable language({QStringLiteral("[TITOLO]=Vinary"), QStringLiteral("[HINT_DEGU]=Tasting"),
                            QStringLiteral("[CARTA_VINI]=Wine list"), QStringLiteral("[HINT_NUOVO]=New card"),
                            QStringLiteral("[HINT_PRIMO]=First card"), QStringLiteral("[CODICE]=Code"),
                            QStringLiteral("[SCHEDA]=Tasting card"), QStringLiteral("[CONFERMA]=Confirm"),
                            QStringLiteral("[HINT_CONFERMA]=Save the card"), QStringLiteral("[RICERCA]=Search"),
                            QStringLiteral("[DEGUSTAZIONE]=Tasting notes")});
    Catalogue c({}, &language);
    QCOMPARE(c.w->windowTitle(), QStringLiteral("Vinary"));
    QCOMPARE(c.find<QGroupBox>("GroupBox1")->title(), QStringLiteral(" Tasting "));
    QCOMPARE(c.find<QCheckBox>("Editcarta")->text(), QStringLiteral("Wine list"));
    QCOMPARE(c.button("btnNew")->toolTip(), QStringLiteral("New card"));
    QCOMPARE(c.button("btnNew")->accessibleName(), QStringLiteral("New card"));
    QCOMPARE(c.button("btnNew")->statusTip(), QStringLiteral("New card"));
    QCOMPARE(c.find<DbNavigator>("DBNav")->hints().first(), QStringLiteral("First card"));
    QCOMPARE(c.find<QLabel>("lblEditCODICE")->text(), QStringLiteral("Code"));
    QCOMPARE(c.find<QLabel>("lblEditCODICE")->buddy(), c.find("EditCODICE"));
    QCOMPARE(c.find<QLabel>("lblCampoRicerca")->text(), QStringLiteral("Search"));
    QCOMPARE(c.button("BitBtn1")->text(), QStringLiteral("Tasting card"));
    QCOMPARE(c.button("BitBtn1")->toolTip(), QStringLiteral("Stampa Scheda per degustazione"));
    QCOMPARE(c.button("btnConferma")->text(), QStringLiteral("Confirm"));
    QCOMPARE(c.button("btnConferma")->toolTip(), QStringLiteral("Save the card"));
    auto *grid = c.find<DataGrid>("schedeGrid");
    QCOMPARE(grid->model()->columnCount(), 27);
    QCOMPARE(grid->model()->headerData(22, Qt::Horizontal).toString(), QStringLiteral("Tasting notes"));
    QCOMPARE(grid->fieldOfColumn(26), QStringLiteral("Note"));
    QCOMPARE(grid->fieldWidth(QStringLiteral("Degustazione")), 304);
    QCOMPARE(grid->fieldWidth(QStringLiteral("Note")), 304);
    // Every icon-only button can be named by assistive technology.
    for (QToolButton *b : c.w->findChildren<QToolButton *>()) {
        if (b->isVisibleTo(c.w.get()) || b->parentWidget() == c.find("SINGOLO"))
            QVERIFY2(!b->accessibleName().isEmpty() || !b->text().isEmpty(), qPrintable(b->objectName()));
    }

    // The status line shows the hint of the control under the pointer.
    c.open();
    QTest::mouseMove(c.button("btnNew"));
    QStatusTipEvent tip(c.button("btnNew")->statusTip());
    QApplication::sendEvent(c.button("btnNew"), &tip);
    QCOMPARE(c.find<QStatusBar>("StatusBar1")->currentMessage(), QStringLiteral("New card"));
}

void TestVinaryFrm::extraButtonsRunTheirHandlers()
{
    Catalogue c({card("Barolo")});
    QStringList ran;
    TfrmVinary::ExtraHandlers handlers;
    handlers.SpeedButton1Click = [&] { ran << QStringLiteral("markup"); };
    handlers.BitBtn1Click = [&] { ran << QStringLiteral("tasting"); };
    handlers.BitBtn2Click = [&] { throw VinaryError(QStringLiteral("Cannot create file archivi/x.rtf")); };
    c.w->setExtraHandlers(handlers);
    c.open();
    for (const char *name : {"SpeedButton1", "BitBtn1", "BitBtn2", "BitBtn3"})
        c.click(name);
    QCOMPARE(ran, (QStringList{QStringLiteral("markup"), QStringLiteral("tasting")}));
    QCOMPARE(c.errors.messages(), QStringList{QStringLiteral("Cannot create file archivi/x.rtf")});
    QCOMPARE(c.button("BitBtn2")->focusPolicy() & Qt::TabFocus, 0);
    QCOMPARE(c.button("BitBtn3")->focusPolicy() & Qt::TabFocus, 0);
}

void TestVinaryFrm::looksFinished()
{
    LanguageTable language;
    language.load(QStringLiteral(VINARY_SOURCE_DIR "/resources/language/english.lng"));
    Catalogue c({{{QStringLiteral("Codice"), QStringLiteral("BRL-2016")},
                  {QStringLiteral("Descrizione"), QStringLiteral("Barolo Riserva Monfortino")},
                  {QStringLiteral("Anno"), QStringLiteral("2016")},
                  {QStringLiteral("Gradi"), QStringLiteral("14.5")},
                  {QStringLiteral("Produttore"), QStringLiteral("Giacomo Conterno")},
                  {QStringLiteral("Fornitore"), QStringLiteral("Enoteca Pinchiorri")},
                  {QStringLiteral("Zona"), QStringLiteral("Langhe")},
                  {QStringLiteral("Regione"), QStringLiteral("Piemonte")},
                  {QStringLiteral("Gruppo"), QStringLiteral("Rossi")},
                  {QStringLiteral("Tipologia"), QStringLiteral("Fermo")},
                  {QStringLiteral("Capacita"), QStringLiteral("0,75 l")},
                  {QStringLiteral("Collocazione"), QStringLiteral("A-12")},
                  {QStringLiteral("Composizione"), QStringLiteral("Nebbiolo")},
                  {QStringLiteral("Quantita"), 18},
                  {QStringLiteral("Prezzo_Acq"), 48.5},
                  {QStringLiteral("Ricarico"), 2},
                  {QStringLiteral("Prezzo_Ven"), 97},
                  {QStringLiteral("Prezzo_Bic"), 14},
                  {QStringLiteral("Incarta"), 1},
                  {QStringLiteral("Ultimo_carico"), QStringLiteral("2024-02-01 00:00:00")},
                  {QStringLiteral("Scadenza"), QStringLiteral("2034-12-31 00:00:00")},
                  {QStringLiteral("Scorta"), 6},
                  {QStringLiteral("Degustazione"), QStringLiteral("Rose, tar, liquorice; firm tannins")},
                  {QStringLiteral("Punti1"), 9},
                  {QStringLiteral("Punti2"), 9},
                  {QStringLiteral("Punti3"), 10},
                  {QStringLiteral("Note"), QStringLiteral("Decant two hours")}},
                 card("Soave Classico", "Pieropan", 24), card("Amarone della Valpolicella", "Quintarelli", 3)},
                &language);
    c.open();
    QVERIFY(c.w->width() >= 641 && c.w->height() >= 461);
    // Every control of the card page fits the design size without overlapping the next one.
    auto *page = c.find("SINGOLO");
    for (QWidget *child : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible())
            QVERIFY2(page->rect().contains(child->geometry()), qPrintable(child->objectName()));
    }
    const QString dir = qEnvironmentVariable("VINARY_SCREENSHOTS");
    if (!dir.isEmpty()) {
        QVERIFY(c.schede().locate(QStringLiteral("Codice"), QStringLiteral("BRL-2016")));
        c.w->grab().save(dir + QStringLiteral("/catalogue-card.png"));
        c.click("btnModify");
        c.w->grab().save(dir + QStringLiteral("/catalogue-edit.png"));
        c.click("btnAnnulla");
        c.click("btnfind");
        c.w->grab().save(dir + QStringLiteral("/catalogue-list.png"));
    }
}

QTEST_MAIN(TestVinaryFrm)
#include "test_vinaryfrm.moc"
