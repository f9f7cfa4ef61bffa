#include "reports/printcommand.h"

#include "data/cellar.h"
#include "engine/common/errors.h"
#include "engine/report/exports.h"
#include "engine/report/report.h"
#include "engine/report/uiservices.h"
#include "reports/tabledataset.h"
#include "tests/reports/printfixture.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using vinary::test::PrintFixture;
using vinary::test::ScriptedSelection;

namespace
{

const QStringList kEnglishOrders = {
    u"By description"_s,           u"By producer"_s, u"By type"_s,          u"By region and zone"_s,
    u"By vintage, newest first"_s, u"By code"_s,     u"By drink-by date"_s, u"By group and type"_s,
    u"By supplier and producer"_s};

// The non-empty lines of a prepared report's plain-text export, trimmed.
QStringList textLines(const report::PreparedReport &prepared)
{
    QStringList lines;
    const QStringList all = report::textExport(prepared).split(u'\n');
    for (const QString &line : all) {
        const QString t = line.trimmed().remove(u'\f');
        if (!t.isEmpty())
            lines << t;
    }
    return lines;
}

// The lines holding one of the names, in the order they print.
QStringList linesNaming(const QStringList &lines, const QStringList &names)
{
    QStringList found;
    for (const QString &line : lines) {
        for (const QString &name : names) {
            if (line.contains(name))
                found << name;
        }
    }
    return found;
}

// One print with everything a test looks at: the fixture's cellar, a report component whose
// preview is replaced by a hook that records the prepared report and the state of the tables
// while it shows, and a scripted selection.
struct Printer {
    explicit Printer(PrintFixture &f) : fixture(f), datasets(f.cellar(), frReport1.datasets())
    {
        frReport1.setPreviewHook([this](const report::PreparedReport &prepared) {
            ++previews;
            lines = textLines(prepared);
            captureState();
            if (duringPreview)
                duringPreview();
        });
        frReport1.setErrorHook([this](const QString &message) {
            errors << message;
            captureState();
        });
    }

    void captureState()
    {
        Cellar &c = fixture.cellar();
        modeWhileShown = c.filterMode;
        schedeFilteredWhileShown = c.Schede.filtered();
        giornaleFilteredWhileShown = c.giornale.filtered();
    }

    // Runs the print; the error's message, or an empty text.
    QString run(int reportId)
    {
        PrintCommand command(fixture.cellar(), frReport1, selection);
        if (showStep)
            command.setShowStep(showStep);
        try {
            command.run(reportId);
        } catch (const VinaryError &e) {
            return e.message();
        }
        return QString();
    }

    PrintFixture &fixture;
    report::Report frReport1;
    CellarDatasets datasets;
    ScriptedSelection selection;
    std::function<void()> showStep;
    std::function<void()> duringPreview;
    int previews = 0;
    QStringList lines;
    QStringList errors;
    QChar modeWhileShown = u'?';
    bool schedeFilteredWhileShown = false;
    bool giornaleFilteredWhileShown = false;
};

void verifyRestored(Cellar &c)
{
    QCOMPARE(c.filterMode, QChar(u' '));
    QVERIFY(!c.Schede.filtered());
    QVERIFY(!c.giornale.filtered());
    QVERIFY2(!c.stampe.isActive(), "Stampe left open");
    QVERIFY2(!c.indici.isActive(), "Indici left open");
}

} // namespace

class TestPrintCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void catalogueSelectionIsPrepared();
    void cancellingTouchesNothing();
    void orderingDigitFixesTheOrder();
    void starStartsOnTheFirstOrderAgain();
    void codeNamingNoOrder_data();
    void codeNamingNoOrder();
    void invalidOrderingCode_data();
    void invalidOrderingCode();
    void journalSelectionTakesFirstAndLastRow();
    void journalEmptyLeavesDatesEmpty();
    void otherCodeKeepsThePreviousPageAndDates();
    void catalogueAfterJournalSwitchesPage();
    void reportFoundByIdNotByPosition();
    void unknownReportIsAnError();
    void ordersAreTakenByPositionDespiteIdGaps();

    void catalogueOfOneGroupInProducerOrder();
    void journalReportFiltersByDateAndKeepsCardOrder();
    void failingShowStillRestores();
    void failingPreparationStillRestores();
    void cancelledPreparationShowsNothingAndRestores();
    void missingTemplateEndsBeforeAnyChange();
    void tracciatoWithoutExtension();
    void sortTextNamingNoColumn();
    void sortTextOfQuotedBlanksIsHarmless();
    void sortTextOfQuotedCommasFailsCleanly();

private:
    std::unique_ptr<PrintFixture> m_fixture;
    PrintFixture &f() { return *m_fixture; }
    Cellar &c() { return m_fixture->cellar(); }
};

void TestPrintCommand::init()
{
    m_fixture = std::make_unique<PrintFixture>();
    QVERIFY2(m_fixture->isValid(), qPrintable(m_fixture->errorText()));
}

void TestPrintCommand::cleanup()
{
    m_fixture.reset();
}

void TestPrintCommand::catalogueSelectionIsPrepared()
{
    Printer p(f());
    p.selection.from = QDate(2020, 1, 1);
    p.selection.to = QDate(2020, 2, 1);
    p.selection.page = ScriptedSelection::giornalePage();
    p.selection.orders = {u"left over"_s};
    p.selection.confirm = false;
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.selection.shown, 1);
    QCOMPARE(p.selection.page, ScriptedSelection::vinaryPage());
    QVERIFY(!p.selection.from.isValid());
    QVERIFY(!p.selection.to.isValid());
    QCOMPARE(p.selection.orders, kEnglishOrders);
    QCOMPARE(p.selection.orderIndex_, 0);
    QVERIFY(p.selection.orderEnabled);
    verifyRestored(c());
}

void TestPrintCommand::cancellingTouchesNothing()
{
    Printer p(f());
    f().addCard(u"Barolo"_s, u"Rossi"_s, u"Conterno"_s);
    f().reopen();
    // A first run leaves a translated template and title behind.
    QCOMPARE(p.run(1), QString());
    const report::ReportTemplate loaded = p.frReport1.reportTemplate();
    const QString title = p.frReport1.title();
    const QStringList sort = c().Schede.sortedBy();
    QCOMPARE(title, u"Vinary - Reports"_s);

    p.selection.confirm = false;
    p.selection.onShow = [](ScriptedSelection &s) { s.orderIndex_ = 1; };
    QCOMPARE(p.run(2), QString());
    QVERIFY(p.frReport1.reportTemplate() == loaded);
    QCOMPARE(p.frReport1.title(), title);
    QCOMPARE(c().Schede.sortedBy(), sort);
    QCOMPARE(p.previews, 1);
    verifyRestored(c());
}

void TestPrintCommand::orderingDigitFixesTheOrder()
{
    Printer p(f());
    p.selection.confirm = false;
    QCOMPARE(p.run(2), QString()); // the wine list: ordering code "3"
    QCOMPARE(p.selection.orderIndex_, 2);
    QVERIFY(!p.selection.orderEnabled);
}

void TestPrintCommand::starStartsOnTheFirstOrderAgain()
{
    Printer p(f());
    p.selection.confirm = false;
    p.selection.onShow = [](ScriptedSelection &s) { s.orderIndex_ = 4; };
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.selection.orderIndex_, 4);
    p.selection.onShow = nullptr;
    p.selection.orderEnabled = false;
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.selection.orderIndex_, 0);
    QVERIFY(p.selection.orderEnabled);
}

void TestPrintCommand::codeNamingNoOrder_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("zero") << u"0"_s;
    QTest::newRow("beyond the last") << u"12"_s;
    QTest::newRow("negative") << u"-2"_s;
}

void TestPrintCommand::codeNamingNoOrder()
{
    QFETCH(QString, code);
    f().addReport(20, u"Mine"_s, 20, u"catalogo.frf"_s, code, u"C"_s);
    f().addCard(u"Zibibbo"_s, u"Bianchi"_s, u"Alfa"_s);
    f().addCard(u"Albana"_s, u"Bianchi"_s, u"Zeta"_s);
    f().reopen();
    c().Schede.setSortedBy({u"[Produttore] DESC"_s});
    c().Schede.resort();

    Printer p(f());
    QCOMPARE(p.run(20), QString());
    QCOMPARE(p.selection.orderIndex_, 0);
    QVERIFY(!p.selection.orderEnabled);
    // Printed in the first sort order, by description.
    QCOMPARE(c().Schede.sortedBy(), QStringList{u"[Descrizione] ASC"_s});
    QCOMPARE(linesNaming(p.lines, {u"Albana"_s, u"Zibibbo"_s}), (QStringList{u"Albana"_s, u"Zibibbo"_s}));
}

void TestPrintCommand::invalidOrderingCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("letter") << u"x"_s;
    QTest::newRow("lower-case g") << u"g"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("star and digit") << u"*3"_s;
}

void TestPrintCommand::invalidOrderingCode()
{
    QFETCH(QString, code);
    f().addReport(20, u"Mine"_s, 20, u"catalogo.frf"_s, code, u"C"_s);
    Printer p(f());
    QCOMPARE(p.run(20), u"'%1' is not a valid integer value"_s.arg(code));
    QCOMPARE(p.selection.shown, 0);
    verifyRestored(c());
    // The next print lists every sort order again.
    p.selection.confirm = false;
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.selection.orders.size(), 9);
}

void TestPrintCommand::journalSelectionTakesFirstAndLastRow()
{
    // The journal's own order is its rows' order, whatever their dates.
    f().addJournalLine(QDate(2024, 3, 5), u"A"_s, 1);
    f().addJournalLine(QDate(2024, 1, 1), u"B"_s, 2);
    f().addJournalLine(QDate(2024, 2, 10), u"C"_s, 3);
    f().reopen();
    c().giornale.next();

    Printer p(f());
    p.selection.confirm = false;
    QCOMPARE(p.run(6), QString());
    QCOMPARE(p.selection.page, ScriptedSelection::giornalePage());
    QCOMPARE(p.selection.from, QDate(2024, 3, 5));
    QCOMPARE(p.selection.to, QDate(2024, 2, 10));
    QVERIFY(!p.selection.orderEnabled);
    QCOMPARE(c().giornale.fieldByName(u"Codice"_s).asString(), u"A"_s);
}

void TestPrintCommand::journalEmptyLeavesDatesEmpty()
{
    Printer p(f());
    p.selection.from = QDate(2020, 1, 1);
    p.selection.to = QDate(2020, 1, 2);
    p.selection.confirm = false;
    QCOMPARE(p.run(6), QString());
    QCOMPARE(p.selection.page, ScriptedSelection::giornalePage());
    QVERIFY(!p.selection.from.isValid());
    QVERIFY(!p.selection.to.isValid());
}

void TestPrintCommand::otherCodeKeepsThePreviousPageAndDates()
{
    f().addJournalLine(QDate(2024, 1, 1), u"A"_s, 1);
    f().addJournalLine(QDate(2024, 1, 31), u"B"_s, 1);
    f().reopen();
    f().addReport(20, u"Other"_s, 20, u"catalogo.frf"_s, u"*"_s, u"X"_s);

    Printer p(f());
    p.selection.confirm = false;
    QCOMPARE(p.run(6), QString());
    // A later journal line would move the to-date if the journal were read again.
    f().addJournalLine(QDate(2024, 6, 1), u"C"_s, 1);
    f().reopen();
    QCOMPARE(p.run(20), QString());
    QCOMPARE(p.selection.page, ScriptedSelection::giornalePage());
    QCOMPARE(p.selection.from, QDate(2024, 1, 1));
    QCOMPARE(p.selection.to, QDate(2024, 1, 31));
    // The order list is prepared all the same.
    QCOMPARE(p.selection.orders, kEnglishOrders);
    QVERIFY(p.selection.orderEnabled);
}

void TestPrintCommand::catalogueAfterJournalSwitchesPage()
{
    f().addJournalLine(QDate(2024, 1, 1), u"A"_s, 1);
    f().reopen();
    Printer p(f());
    p.selection.confirm = false;
    QCOMPARE(p.run(6), QString());
    QVERIFY(p.selection.from.isValid());
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.selection.page, ScriptedSelection::vinaryPage());
    QVERIFY(!p.selection.from.isValid());
    QVERIFY(!p.selection.to.isValid());
}

void TestPrintCommand::reportFoundByIdNotByPosition()
{
    // Report 30 stands first in the menu (Ordine 0) and shares no number with its position.
    f().addReport(30, u"Journal first"_s, 0, u"giornale.frf"_s, u"G"_s, u"G"_s);
    f().exec(u"UPDATE Stampe SET Ordine = 30 WHERE ID = 1"_s);
    Printer p(f());
    p.selection.confirm = false;
    QCOMPARE(p.run(30), QString());
    QCOMPARE(p.selection.page, ScriptedSelection::giornalePage());
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.selection.page, ScriptedSelection::vinaryPage());
    QVERIFY(p.selection.orderEnabled);
}

void TestPrintCommand::unknownReportIsAnError()
{
    Printer p(f());
    const QString error = p.run(99);
    QVERIFY2(error.contains(u"99"_s), qPrintable(error));
    QCOMPARE(p.selection.shown, 0);
    verifyRestored(c());
}

void TestPrintCommand::ordersAreTakenByPositionDespiteIdGaps()
{
    f().exec(u"DELETE FROM Indici WHERE ID = 2"_s);
    f().addCard(u"Barolo"_s, u"Rossi"_s, u"Conterno"_s);
    f().reopen();
    Printer p(f());
    p.selection.onShow = [](ScriptedSelection &s) { s.orderIndex_ = 1; };
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.selection.orders.size(), 8);
    QCOMPARE(p.selection.orders.at(1), u"By type"_s);
    QCOMPARE(c().Schede.sortedBy(), (QStringList{u"[Tipologia]"_s, u"[Descrizione]"_s}));
}

void TestPrintCommand::catalogueOfOneGroupInProducerOrder()
{
    // Cards of two groups; descriptions and producers in different orders.
    f().addCard(u"Amarone"_s, u"Rossi"_s, u"Zenato"_s, {{u"Quantita"_s, 6}});
    f().addCard(u"Barbaresco"_s, u"Rossi"_s, u"Gaja"_s, {{u"Quantita"_s, 2}});
    f().addCard(u"Chianti"_s, u"Rossi"_s, u"Antinori"_s, {{u"Quantita"_s, 12}});
    f().addCard(u"Dolcetto"_s, u"Rossi"_s, u"Mascarello"_s);
    f().addCard(u"Arneis"_s, u"Bianchi"_s, u"Bruno Giacosa"_s);
    f().addCard(u"Verdicchio"_s, u"Bianchi"_s, u"Bucci"_s);
    f().addCard(u"Rosso senza gruppo"_s, QString(), u"Aaa"_s);
    f().addCard(u"Rossi lower"_s, u"rossi"_s, u"Aab"_s);
    f().reopen();
    const int allCards = c().Schede.recordCount();
    c().criteria.selGruppo = [] { return u"Rossi"_s; };
    c().criteria.incarta = [] { return false; };

    Printer p(f());
    p.duringPreview = [&] {
        // The engine walked the shared cursor through the filter.
        QCOMPARE(c().Schede.recordCount(), 4);
    };
    p.selection.onShow = [](ScriptedSelection &s) { s.orderIndex_ = 1; }; // "By producer"
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.previews, 1);
    QCOMPARE(p.errors, QStringList());
    QCOMPARE(p.modeWhileShown, QChar(u'P'));
    QVERIFY(p.schedeFilteredWhileShown);
    QVERIFY(!p.giornaleFilteredWhileShown);

    const QStringList all = {
        u"Amarone"_s,    u"Barbaresco"_s,         u"Chianti"_s,    u"Dolcetto"_s, u"Arneis"_s,
        u"Verdicchio"_s, u"Rosso senza gruppo"_s, u"Rossi lower"_s};
    QCOMPARE(linesNaming(p.lines, all),
             (QStringList{u"Chianti"_s, u"Barbaresco"_s, u"Dolcetto"_s, u"Amarone"_s}));
    // Texts translated: the title and the column heads.
    QVERIFY(p.lines.join(u'\n').contains(u"Wine Catalogue"_s));
    QVERIFY(!p.lines.join(u'\n').contains(u"[RPT_CATALOGO]"_s));
    QCOMPARE(p.frReport1.title(), u"Vinary - Reports"_s);

    // Afterwards: no filter, mode ' ', every card again, in the report's order.
    verifyRestored(c());
    QCOMPARE(c().Schede.recordCount(), allCards);
    QCOMPARE(c().Schede.sortedBy(), (QStringList{u"[Produttore]"_s, u"[Descrizione]"_s}));
    QCOMPARE(c().Schede.fieldByName(u"Produttore"_s).asString(), u"Aaa"_s);
}

void TestPrintCommand::journalReportFiltersByDateAndKeepsCardOrder()
{
    f().addJournalLine(QDate(2024, 1, 10), u"JAN"_s, 1);
    f().addJournalLine(QDate(2024, 2, 10), u"FEB"_s, 2);
    f().addJournalLine(QDate(2024, 3, 10), u"MAR"_s, 3);
    f().reopen();
    const QStringList cardSort = {u"[Codice] DESC"_s};
    c().Schede.setSortedBy(cardSort);
    c().Schede.resort();

    Printer p(f());
    QDate from;
    QDate to;
    c().criteria.dadata = [&] { return from.isValid() ? from.toString(Qt::ISODate) : QString(); };
    c().criteria.adata = [&] { return to.isValid() ? to.toString(Qt::ISODate) : QString(); };
    p.selection.onShow = [&](ScriptedSelection &s) {
        QCOMPARE(s.from, QDate(2024, 1, 10));
        QCOMPARE(s.to, QDate(2024, 3, 10));
        from = QDate(2024, 2, 1);
        to = QDate(2024, 2, 10);
    };
    QCOMPARE(p.run(6), QString());
    QCOMPARE(p.previews, 1);
    QVERIFY(p.giornaleFilteredWhileShown);
    QVERIFY(!p.schedeFilteredWhileShown);
    QCOMPARE(p.modeWhileShown, QChar(u' '));
    QCOMPARE(linesNaming(p.lines, {u"JAN"_s, u"FEB"_s, u"MAR"_s}), QStringList{u"FEB"_s});
    QVERIFY(p.lines.join(u'\n').contains(u"Stock Journal"_s));
    verifyRestored(c());
    QCOMPARE(c().giornale.recordCount(), 3);
    QCOMPARE(c().Schede.sortedBy(), cardSort);
}

void TestPrintCommand::failingShowStillRestores()
{
    Printer p(f());
    p.showStep = [&] {
        p.captureState();
        throw VinaryError(u"printer on fire"_s);
    };
    QCOMPARE(p.run(1), u"printer on fire"_s);
    QCOMPARE(p.modeWhileShown, QChar(u'P'));
    QVERIFY(p.schedeFilteredWhileShown);
    verifyRestored(c());

    f().addJournalLine(QDate(2024, 1, 10), u"JAN"_s, 1);
    f().reopen();
    QCOMPARE(p.run(6), u"printer on fire"_s);
    QVERIFY(p.giornaleFilteredWhileShown);
    verifyRestored(c());
}

void TestPrintCommand::failingPreparationStillRestores()
{
    f().writeListTemplate(u"broken.frf"_s, u"MainForm.Nothing"_s, {u"Descrizione"_s});
    f().addReport(20, u"Broken"_s, 20, u"broken.frf"_s, u"G"_s, u"C"_s);
    Printer p(f());
    QCOMPARE(p.run(20), QString());
    QCOMPARE(p.previews, 0);
    QCOMPARE(p.errors.size(), 1);
    QCOMPARE(p.modeWhileShown, QChar(u'P'));
    verifyRestored(c());
}

// A preparation the user stops from its progress window: no preview, no message, and the tables
// are put back as after an error.
void TestPrintCommand::cancelledPreparationShowsNothingAndRestores()
{
    struct Stopper : report::UiServices {
        struct Window : report::ProgressIndicator {
            explicit Window(Stopper &s) : owner(s) {}
            void update(qint64, qint64, const QString &text) override
            {
                owner.texts << text;
                owner.fields.filterMode = owner.cellar.filterMode;
                owner.fields.schedeFiltered = owner.cellar.Schede.filtered();
            }
            bool cancelled() const override { return true; }
            Stopper &owner;
        };
        explicit Stopper(Cellar &c) : cellar(c) {}
        std::unique_ptr<report::ProgressIndicator> startProgress(QWidget *, const QString &title,
                                                                 const QString &) override
        {
            titles << title;
            return std::make_unique<Window>(*this);
        }
        Cellar &cellar;
        QStringList titles;
        QStringList texts;
        struct {
            QChar filterMode;
            bool schedeFiltered = false;
        } fields;
    } stopper(c());

    Printer p(f());
    p.frReport1.setUiServices(&stopper);
    p.frReport1.setProgressDelay(0);
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.previews, 0);
    QVERIFY(p.errors.isEmpty());
    QCOMPARE(stopper.titles.size(), 1);
    QVERIFY(!stopper.texts.isEmpty());
    QCOMPARE(stopper.fields.filterMode, QChar(u'P'));
    QVERIFY(stopper.fields.schedeFiltered);
    verifyRestored(c());

    // Left to run, the same report shows.
    p.frReport1.setProgressDelay(60000);
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.previews, 1);
}

void TestPrintCommand::missingTemplateEndsBeforeAnyChange()
{
    f().addReport(20, u"Missing"_s, 20, u"missing.frf"_s, u"*"_s, u"C"_s);
    Printer p(f());
    p.selection.onShow = [](ScriptedSelection &s) { s.orderIndex_ = 3; };
    const QStringList sort = c().Schede.sortedBy();
    const QString error = p.run(20);
    QVERIFY2(error.contains(u"frReport1"_s) && error.contains(u"missing.frf"_s), qPrintable(error));
    QCOMPARE(p.previews, 0);
    QCOMPARE(c().Schede.sortedBy(), sort);
    QCOMPARE(p.frReport1.title(), u"Vinary - Reports"_s);
    QCOMPARE(p.frReport1.pageCount(), 1);
    QCOMPARE(p.frReport1.objectCount(0), 0);
    verifyRestored(c());
    p.selection.confirm = false;
    QCOMPARE(p.run(1), QString());
    QCOMPARE(p.selection.orders, kEnglishOrders);
}

void TestPrintCommand::tracciatoWithoutExtension()
{
    f().writeListTemplate(u"lista.frf"_s, u"MainForm.Schede"_s, {u"Descrizione"_s});
    f().addReport(20, u"List"_s, 20, u"lista"_s, u"G"_s, u"C"_s);
    f().addCard(u"Lagrein"_s, u"Rossi"_s, u"Hofstatter"_s);
    f().reopen();
    Printer p(f());
    QCOMPARE(p.run(20), QString());
    QCOMPARE(p.lines, QStringList{u"Lagrein"_s});
    QVERIFY(p.frReport1.fileName().endsWith(u"/lista.frf"_s));
}

void TestPrintCommand::sortTextNamingNoColumn()
{
    f().exec(u"UPDATE Indici SET Ordine = '[Produttore], [Nonexistent]' WHERE ID = 1"_s);
    f().addCard(u"Lagrein"_s, u"Rossi"_s, u"Hofstatter"_s);
    f().reopen();
    c().Schede.last();
    const QStringList sort = c().Schede.sortedBy();
    Printer p(f());
    const QString error = p.run(1);
    QVERIFY2(error.contains(u"Nonexistent"_s), qPrintable(error));
    QCOMPARE(p.previews, 0);
    QCOMPARE(c().Schede.sortedBy(), sort);
    verifyRestored(c());
}

void TestPrintCommand::sortTextOfQuotedBlanksIsHarmless()
{
    QString blanks = u"\"\", \"  \",\"\" ,"_s.repeated(5).left(60);
    QCOMPARE(blanks.size(), 60);
    f().exec(u"UPDATE Indici SET Ordine = '%1' WHERE ID = 1"_s.arg(blanks.replace(u'\'', u"''"_s)));
    f().writeListTemplate(u"lista.frf"_s, u"MainForm.Schede"_s, {u"Descrizione"_s});
    f().addReport(20, u"List"_s, 20, u"lista.frf"_s, u"G"_s, u"C"_s);
    f().addCard(u"Lagrein"_s, u"Rossi"_s, u"Hofstatter"_s);
    f().addCard(u"Teroldego"_s, u"Rossi"_s, u"Foradori"_s);
    f().reopen();
    Printer p(f());
    QCOMPARE(p.run(20), QString());
    // Blank lines sort nothing: the cards print in the order they were stored.
    QCOMPARE(p.lines, (QStringList{u"Lagrein"_s, u"Teroldego"_s}));
    verifyRestored(c());
}

void TestPrintCommand::sortTextOfQuotedCommasFailsCleanly()
{
    const QString commas = u"\",\" , \",,\","_s.repeated(6).left(60);
    f().exec(u"UPDATE Indici SET Ordine = '%1' WHERE ID = 1"_s.arg(commas));
    Printer p(f());
    const QStringList sort = c().Schede.sortedBy();
    const QString error = p.run(1);
    QVERIFY2(!error.isEmpty(), "a sort line that names no column was accepted");
    QCOMPARE(p.previews, 0);
    QCOMPARE(c().Schede.sortedBy(), sort);
    verifyRestored(c());
}

QTEST_MAIN(TestPrintCommand)
#include "test_printcommand.moc"
