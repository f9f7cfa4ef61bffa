#include "reports/select.h"

#include "data/cellar.h"
#include "data/filters.h"
#include "data/picklist.h"
#include "tests/reports/printfixture.h"
#include "widgets/datebox.h"
#include "widgets/sortedcombobox.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace vinary;

class TestSelect : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void controlsHaveTheirNamesAndCaptions();
    void initialState();
    void pagesSwitchOnlyByName();
    void orderListKeepsTheGivenOrder();
    void formActivateCopiesPickListsKeepingTexts();
    void enterConfirmsAndEscCancels();
    void stateLastsFromOnePrintToTheNext();
    void filtersReadTheBoxesAtEachTest();
    void readersGoWithTheDialog();
    void looksRight();

private:
    // Shows the dialog modally, runs `step` inside it, and returns execute()'s answer.
    bool runModal(const std::function<void()> &step);

    std::unique_ptr<test::PrintFixture> m_f;
    std::unique_ptr<TSelezioneForm> m_form;
    StringPickList m_groups;
    StringPickList m_producers;
    StringPickList m_suppliers;
    StringPickList m_types;
};

void TestSelect::init()
{
    m_f = std::make_unique<test::PrintFixture>();
    QVERIFY2(m_f->isValid(), qPrintable(m_f->errorText()));
    CardRules &rules = m_f->cellar().rules;
    rules.setPickList(0, &m_groups);
    rules.setPickList(2, &m_producers);
    rules.setPickList(3, &m_suppliers);
    rules.setPickList(4, &m_types);
    m_form = std::make_unique<TSelezioneForm>(m_f->cellar());
}

void TestSelect::cleanup()
{
    m_form.reset();
    for (int i = 0; i < CardRules::kPickListCount; ++i)
        m_f->cellar().rules.setPickList(i, nullptr);
    m_f.reset();
    m_groups.clearItems();
    m_producers.clearItems();
    m_suppliers.clearItems();
    m_types.clearItems();
}

bool TestSelect::runModal(const std::function<void()> &step)
{
    bool ran = false;
    QTimer::singleShot(0, m_form.get(), [&] {
        ran = true;
        step();
    });
    const bool confirmed = m_form->execute();
    [&] { QVERIFY(ran); }();
    return confirmed;
}

void TestSelect::controlsHaveTheirNamesAndCaptions()
{
    TSelezioneForm &d = *m_form;
    QCOMPARE(d.objectName(), u"SelezioneForm"_s);
    QCOMPARE(d.windowTitle(), u"Print selection"_s);
    QVERIFY(!(d.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(d.windowFlags() & Qt::WindowMinMaxButtonsHint));

    auto *notebook = d.findChild<QStackedWidget *>(u"Notebook1"_s);
    QVERIFY(notebook);
    QCOMPARE(notebook->count(), 2);
    QCOMPARE(notebook->widget(0)->objectName(), u"VINARY"_s);
    QCOMPARE(notebook->widget(1)->objectName(), u"GIORNALE"_s);
    QVERIFY2(!d.findChild<QTabBar *>(), "the pages have no tabs");

    struct Row {
        const char *label;
        const char *caption;
        const char *box;
        const char *page;
    };
    const Row rows[] = {
        {"Label1", "Group", "selGruppo", "VINARY"},
        {"Label2", "Producer", "selproduttore", "VINARY"},
        {"Label3", "Supplier", "selfornitore", "VINARY"},
        {"Label4", "Type", "seltipologia", "VINARY"},
        {"Label7", "Sort order", "selOrder", "VINARY"},
        {"Label5", "From", "dadata", "GIORNALE"},
        {"Label6", "To", "adata", "GIORNALE"},
    };
    for (const Row &row : rows) {
        auto *label = d.findChild<QLabel *>(QString::fromLatin1(row.label));
        auto *box = d.findChild<QWidget *>(QString::fromLatin1(row.box));
        QVERIFY2(label && box, row.box);
        QCOMPARE(label->text(), QString::fromLatin1(row.caption));
        QCOMPARE(label->buddy(), box);
        QVERIFY2(notebook->findChild<QWidget *>(QString::fromLatin1(row.page))->isAncestorOf(box), row.box);
    }
    for (const char *name : {"selGruppo", "selproduttore", "selfornitore", "seltipologia"}) {
        auto *box = d.findChild<SortedComboBox *>(QString::fromLatin1(name));
        QVERIFY2(box && box->isEditable(), name);
    }
    QVERIFY(d.findChild<QComboBox *>(u"selOrder"_s));
    QVERIFY(d.findChild<DateBox *>(u"dadata"_s));
    QCOMPARE(d.findChild<QRadioButton *>(u"incarta"_s)->text(), u"Only wines on the wine list"_s);
    QCOMPARE(d.findChild<QRadioButton *>(u"noincarta"_s)->text(), u"All wines"_s);
    auto *confirm = d.findChild<QPushButton *>(u"BitBtn1"_s);
    auto *cancel = d.findChild<QPushButton *>(u"BitBtn2"_s);
    QCOMPARE(confirm->text(), u"Confirm"_s);
    QCOMPARE(cancel->text(), u"Cancel"_s);
    QVERIFY(confirm->isDefault());
    QVERIFY(!d.dadata->calendarButton()->toolTip().isEmpty());
    QCOMPARE(d.dadata->calendarButton()->accessibleName(), d.dadata->calendarButton()->toolTip());

    // Tab order down the first page, then the buttons.
    QWidget *w = d.selGruppo;
    QStringList chain;
    for (int i = 0; i < 40 && chain.size() < 8; ++i) {
        w = w->nextInFocusChain();
        const QString name = w->objectName();
        if (QStringList{u"selproduttore"_s, u"selfornitore"_s, u"seltipologia"_s, u"incarta"_s,
                        u"noincarta"_s, u"selOrder"_s, u"BitBtn1"_s, u"BitBtn2"_s}
                .contains(name) &&
            !chain.contains(name))
            chain << name;
    }
    QCOMPARE(chain, (QStringList{u"selproduttore"_s, u"selfornitore"_s, u"seltipologia"_s, u"incarta"_s,
                                 u"noincarta"_s, u"selOrder"_s, u"BitBtn1"_s, u"BitBtn2"_s}));
}

void TestSelect::initialState()
{
    TSelezioneForm &d = *m_form;
    QCOMPARE(d.activePage(), u"VINARY"_s);
    for (SortedComboBox *box : {d.selGruppo, d.selproduttore, d.selfornitore, d.seltipologia})
        QVERIFY(box->currentText().isEmpty());
    QVERIFY(d.noincarta->isChecked());
    QVERIFY(!d.incarta->isChecked());
    QVERIFY(d.dadata->isEmpty());
    QVERIFY(d.adata->isEmpty());
    QCOMPARE(d.orderCount(), 0);
}

void TestSelect::pagesSwitchOnlyByName()
{
    TSelezioneForm &d = *m_form;
    d.setActivePage(u"GIORNALE"_s);
    QCOMPARE(d.activePage(), u"GIORNALE"_s);
    QCOMPARE(d.Notebook1->currentWidget(), d.pageGiornale);
    d.setActivePage(u"giornale"_s);
    QCOMPARE(d.activePage(), u"GIORNALE"_s);
    d.setActivePage(u"VINARY"_s);
    QCOMPARE(d.Notebook1->currentWidget(), d.pageVinary);

    d.setFromDate(QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    d.setToDate(QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
    QCOMPARE(d.dadata->date(), QDate(2024, 2, 29));
    QCOMPARE(d.adata->date(), QDate(2024, 3, 1));
    d.setFromDate(QDateTime());
    QVERIFY(d.dadata->isEmpty());
    QVERIFY(d.dadata->lineEdit()->text().isEmpty());
}

void TestSelect::orderListKeepsTheGivenOrder()
{
    TSelezioneForm &d = *m_form;
    d.addOrder(u"Zeta"_s);
    d.addOrder(u"Alfa"_s);
    d.setOrderIndex(1);
    QCOMPARE(d.selOrder->itemText(0), u"Zeta"_s);
    QCOMPARE(d.orderIndex(), 1);
    d.setOrderEnabled(false);
    QVERIFY(!d.selOrder->isEnabled());
    QVERIFY(d.Label7->isEnabled());
    d.clearOrders();
    QCOMPARE(d.orderCount(), 0);
    QCOMPARE(d.orderIndex(), -1);
}

void TestSelect::formActivateCopiesPickListsKeepingTexts()
{
    TSelezioneForm &d = *m_form;
    m_groups.addItem(u"Rossi"_s);
    m_groups.addItem(u"Bianchi"_s);
    m_producers.addItem(u"Gaja"_s);
    m_suppliers.addItem(u"Enoteca"_s);
    m_types.addItem(u"Fermo"_s);
    d.selGruppo->setEditText(u"Rosati"_s);

    const bool confirmed = runModal([&] {
        QCOMPARE(d.selGruppo->items(), (QStringList{u"Bianchi"_s, u"Rossi"_s}));
        QCOMPARE(d.selproduttore->items(), QStringList{u"Gaja"_s});
        QCOMPARE(d.selfornitore->items(), QStringList{u"Enoteca"_s});
        QCOMPARE(d.seltipologia->items(), QStringList{u"Fermo"_s});
        QCOMPARE(d.selGruppo->currentText(), u"Rosati"_s);
        d.reject();
    });
    QVERIFY(!confirmed);

    // A group saved meanwhile is offered at the next showing; the typed text still stands.
    m_groups.addItem(u"Rosati"_s);
    runModal([&] {
        QCOMPARE(d.selGruppo->items(), (QStringList{u"Bianchi"_s, u"Rosati"_s, u"Rossi"_s}));
        QCOMPARE(d.selGruppo->currentText(), u"Rosati"_s);
        d.reject();
    });
}

void TestSelect::enterConfirmsAndEscCancels()
{
    TSelezioneForm &d = *m_form;
    QVERIFY(runModal([&] {
        QTRY_VERIFY(d.isVisible());
        QTest::keyClicks(d.selproduttore, u"Conterno"_s);
        QTest::keyClick(d.selproduttore, Qt::Key_Return);
    }));
    QVERIFY(!d.isVisible());
    QCOMPARE(d.selproduttore->currentText(), u"Conterno"_s);
    // Enter in a pick-list box confirms; it does not add the text to the list.
    QVERIFY(!d.selproduttore->containsNoCase(u"Conterno"_s));

    QVERIFY(!runModal([&] {
        QTRY_VERIFY(d.isVisible());
        QTest::keyClick(d.selGruppo, Qt::Key_Escape);
    }));

    // A date typed on the journal page is taken when Enter confirms.
    d.setActivePage(u"GIORNALE"_s);
    QVERIFY(runModal([&] {
        QTRY_VERIFY(d.isVisible());
        d.dadata->lineEdit()->setFocus();
        QTest::keyClicks(d.dadata->lineEdit(),
                         QLocale().toString(QDate(2024, 5, 6), DateBox::displayFormat()));
        QTest::keyClick(d.dadata->lineEdit(), Qt::Key_Enter);
    }));
    QCOMPARE(d.dadata->date(), QDate(2024, 5, 6));
}

void TestSelect::stateLastsFromOnePrintToTheNext()
{
    TSelezioneForm &d = *m_form;
    m_groups.addItem(u"Rossi"_s);
    QVERIFY(runModal([&] {
        d.selGruppo->setCurrentIndex(0);
        d.seltipologia->setEditText(u"Spumante"_s);
        d.incarta->setChecked(true);
        d.accept();
    }));
    m_groups.clearItems();
    m_groups.addItem(u"Bianchi"_s);
    m_groups.addItem(u"Rossi"_s);
    QVERIFY(runModal([&] {
        QCOMPARE(d.selGruppo->currentText(), u"Rossi"_s);
        QCOMPARE(d.seltipologia->currentText(), u"Spumante"_s);
        QVERIFY(d.incarta->isChecked());
        d.accept();
    }));
}

void TestSelect::filtersReadTheBoxesAtEachTest()
{
    m_f->addCard(u"Barolo"_s, u"Rossi"_s, u"Conterno"_s, {{u"Incarta"_s, 1}, {u"Fornitore"_s, u"Enoteca"_s}});
    m_f->addCard(u"Dolcetto"_s, u"Rossi"_s, u"Mascarello"_s);
    m_f->addCard(u"Arneis"_s, u"Bianchi"_s, u"Conterno"_s, {{u"Tipologia"_s, u"Fermo"_s}});
    m_f->reopen();
    Cellar &c = m_f->cellar();
    TSelezioneForm &d = *m_form;
    db::Table &schede = c.Schede;
    c.filterMode = u'P';
    auto passing = [&] {
        QStringList names;
        for (schede.first(); !schede.eof(); schede.next())
            names << schede.fieldByName(u"Descrizione"_s).asString();
        return names;
    };
    schede.setFiltered(true);
    QCOMPARE(passing().size(), 3);
    d.selproduttore->setEditText(u"Conterno"_s);
    QCOMPARE(passing(), (QStringList{u"Arneis"_s, u"Barolo"_s}));
    d.selGruppo->setEditText(u"Rossi"_s);
    QCOMPARE(passing(), QStringList{u"Barolo"_s});
    d.selGruppo->setEditText(u"rossi"_s);
    QCOMPARE(passing(), QStringList());
    d.selGruppo->setEditText(QString());
    d.incarta->setChecked(true);
    QCOMPARE(passing(), QStringList{u"Barolo"_s});
    d.noincarta->setChecked(true);
    d.selproduttore->setEditText(u"Nobody"_s);
    QCOMPARE(passing(), QStringList());
    schede.setFiltered(false);
    c.filterMode = u' ';

    // The journal filter reads the two date boxes.
    d.setFromDate(QDateTime(QDate(2024, 1, 2), QTime(0, 0)));
    QCOMPARE(readDateBox(c.criteria.dadata()).date(), QDate(2024, 1, 2));
    QVERIFY(c.criteria.adata().isEmpty());
}

void TestSelect::readersGoWithTheDialog()
{
    Cellar &c = m_f->cellar();
    QVERIFY(c.criteria.selGruppo);
    m_form.reset();
    QVERIFY(!c.criteria.selGruppo);
    QVERIFY(!c.criteria.selproduttore);
    QVERIFY(!c.criteria.incarta);
    QVERIFY(!c.criteria.dadata);
    QVERIFY(!c.criteria.adata);
    bool accept = false;
    c.filterMode = u'P';
    SchedeFilterRecord(c, c.Schede, accept);
    QVERIFY(accept);
    c.filterMode = u' ';
}

void TestSelect::looksRight()
{
    TSelezioneForm &d = *m_form;
    m_groups.addItem(u"Rossi"_s);
    for (const char *order : {"By description", "By producer"})
        d.addOrder(QString::fromLatin1(order));
    d.setOrderIndex(0);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    // The whole of each page fits: no control is cut off at the bottom or the right.
    for (QWidget *page : {d.pageVinary, d.pageGiornale}) {
        d.setActivePage(page->objectName());
        QApplication::processEvents();
        const QList<QWidget *> controls = page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *w : controls) {
            if (!w->isVisible())
                continue;
            QVERIFY2(page->rect().contains(w->geometry()), qPrintable(w->objectName()));
        }
        const QString dir = qEnvironmentVariable("VINARY_GRAB_DIR");
        if (!dir.isEmpty())
            d.grab().save(QDir(dir).filePath(u"select-%1.png"_s.arg(page->objectName())));
    }
    QVERIFY(d.BitBtn1->geometry().bottom() < d.BitBtn2->geometry().top());
    QVERIFY(d.rect().contains(d.BitBtn2->geometry()));
    QCOMPARE(d.BitBtn1->size(), QSize(145, 25));
    d.hide();
}

QTEST_MAIN(TestSelect)
#include "test_select.moc"
