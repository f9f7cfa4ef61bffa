#include "stock/manutefrm.h"

#include "data/backups.h"
#include "stock/importfrm.h"
#include "stock/restorefrm.h"

#include "tests/stock/stockfixture.h"
#include "widgets/datebox.h"
#include "widgets/dbedit.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;
using vinary::DateBox;
using vinary::DbEdit;
using vinary::TManutenzioneForm;
using vinary::test::StockFixture;

namespace
{

// Journal rows 1 to 6; 3 and 5 are older than the rows before them, and the last row is old.
const QStringList kDates = {u"2024-01-10 00:00:00"_s, u"2024-02-01 00:00:00"_s, u"2024-01-20 00:00:00"_s,
                            u"2024-03-05 00:00:00"_s, u"2024-01-20 00:00:00"_s, u"2024-01-05 00:00:00"_s};

void addJournal(StockFixture &f)
{
    int n = 0;
    for (const QString &date : kDates)
        f.insert(u"Giornale"_s, {{u"Causale"_s, u"C"_s},
                                 {u"Data"_s, date},
                                 {u"Descrizione"_s, QString::number(++n)},
                                 {u"Quantita"_s, 1.0}});
}

// The window as the main menu opens it: the settings row in edit mode, then shown. The plain
// message is recorded instead of shown.
struct Window {
    StockFixture &f;
    std::unique_ptr<TManutenzioneForm> w;
    QStringList plainMessages;
    DateBox *date = nullptr;
    QToolButton *purge = nullptr;
    DbEdit *utente = nullptr;
    DbEdit *ricarico = nullptr;

    explicit Window(StockFixture &fixture, bool show = true)
        : f(fixture), w(new TManutenzioneForm(fixture.cellar))
    {
        w->setPlainMessage([this](QWidget *, const QString &text) { plainMessages << text; });
        date = w->findChild<DateBox *>(u"DateEdit1"_s);
        purge = w->findChild<QToolButton *>(u"btnPulizia"_s);
        utente = w->findChild<DbEdit *>(u"EditUtente"_s);
        ricarico = w->findChild<DbEdit *>(u"EditRicarico"_s);
        if (show)
            this->show();
    }

    void show()
    {
        f.cellar.intestazione.edit();
        w->show();
        w->activateWindow();
        (void)QTest::qWaitForWindowActive(w.get());
    }

    bool complete() const { return date && purge && utente && ricarico; }

    QStringList journal()
    {
        QStringList rows;
        vinary::db::Statement s = f.cellar.DB.prepare(u"SELECT Descrizione FROM Giornale ORDER BY ID"_s);
        while (s.step())
            rows << s.text(0);
        return rows;
    }
};

} // namespace

class TestManuteFrm : public QObject
{
    Q_OBJECT

private slots:
    void translatedLayout();
    void noDatePurgesNothingSilently_data();
    void noDatePurgesNothingSilently();
    void declinedQuestionDeletesNothing();
    void purgeUpToTheDate_data();
    void purgeUpToTheDate();
    void purgeErrorLeavesTheJournalAsItWas();
    void longPurgeShowsItsProgressWithoutWayOut();
    void settingsSavedThroughTheCloseBox();
    void openAndCloseWithoutTyping();
    void markupInTheUsersLocales_data();
    void markupInTheUsersLocales();
    void settingsTableWithoutRow();
    void unsavableSettingsKeepTheWindowOpen();
    void modalOpening();
    void datedBackupsFromTheWindow();
    void exportAndImportFromTheWindow();
};

void TestManuteFrm::translatedLayout()
{
    StockFixture f;
    f.open();
    Window win(f, false);
    QVERIFY(win.complete());
    TManutenzioneForm &w = *win.w;
    QCOMPARE(w.objectName(), u"ManutenzioneForm"_s);
    QCOMPARE(w.windowTitle(), u"Maintenance"_s);
    QStringList groups;
    const QList<QGroupBox *> boxes = w.findChildren<QGroupBox *>();
    for (const QGroupBox *g : boxes)
        groups << g->title();
    QCOMPARE(groups, (QStringList{u" Purge the journal "_s, u" Settings "_s, u" Dated backups "_s,
                                  u" Spreadsheets "_s}));
    QCOMPARE(win.purge->text(), u"Delete movements up to this date"_s);
    QVERIFY(!win.purge->icon().isNull());
    QVERIFY(win.purge->autoRaise());
    QCOMPARE(w.findChild<QLabel *>(u"Label1"_s)->text(), u"Owner"_s);
    QCOMPARE(w.findChild<QLabel *>(u"Label1"_s)->buddy(), win.utente);
    QCOMPARE(w.findChild<QLabel *>(u"Label2"_s)->text(), u"Markup"_s);
    QCOMPARE(w.findChild<QLabel *>(u"Label2"_s)->buddy(), win.ricarico);
    QVERIFY(win.date->isEmpty());
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w.minimumSize(), w.maximumSize());

    win.show();
    QCOMPARE(win.utente->text(), QString());
    QCOMPARE(win.ricarico->text(), u"2"_s);
    win.date->setDate(QDate(2024, 1, 31));
    if (qEnvironmentVariableIsSet("VINARY_GRAB_DIR"))
        QVERIFY(w.grab().save(qEnvironmentVariable("VINARY_GRAB_DIR") + u"/manutenzione.png"_s));
}

void TestManuteFrm::noDatePurgesNothingSilently_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty box") << QString();
    QTest::newRow("text that is no date") << u"tomorrow"_s;
    QTest::newRow("day out of range") << u"31/31/2024"_s;
}

void TestManuteFrm::noDatePurgesNothingSilently()
{
    QFETCH(QString, text);
    StockFixture f;
    addJournal(f);
    f.open();
    Window win(f);
    win.date->lineEdit()->setText(text);
    f.messages.setNextAnswer(true);
    QTest::mouseClick(win.purge, Qt::LeftButton);
    QVERIFY(f.messages.shown().isEmpty());
    QVERIFY(win.plainMessages.isEmpty());
    QCOMPARE(win.journal().size(), kDates.size());
}

void TestManuteFrm::declinedQuestionDeletesNothing()
{
    StockFixture f;
    addJournal(f);
    f.open();
    Window win(f);
    win.date->setDate(QDate(2025, 1, 1));
    f.messages.setNextAnswer(false);
    QTest::mouseClick(win.purge, Qt::LeftButton);
    QCOMPARE(f.messages.questions(), QStringList{u"   Do you really want to delete?    "_s});
    QVERIFY(win.plainMessages.isEmpty());
    QCOMPARE(win.journal().size(), kDates.size());
}

void TestManuteFrm::purgeUpToTheDate_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("before every row")
        << QDate(2024, 1, 4) << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s};
    QTest::newRow("equal to rows between newer ones") << QDate(2024, 1, 20) << QStringList{u"2"_s, u"4"_s};
    QTest::newRow("after every row") << QDate(2024, 3, 6) << QStringList();
}

void TestManuteFrm::purgeUpToTheDate()
{
    QFETCH(QDate, day);
    QFETCH(QStringList, left);
    StockFixture f;
    addJournal(f);
    f.open();
    f.cellar.giornale.last();
    Window win(f);
    win.date->setDate(day);
    f.messages.setNextAnswer(true);
    QTest::mouseClick(win.purge, Qt::LeftButton);
    QCOMPARE(f.messages.questions().size(), 1);
    QCOMPARE(win.plainMessages, QStringList{u"The journal has been purged."_s});
    QCOMPARE(win.journal(), left);
    QVERIFY(f.errors.shown().isEmpty());
    // Back on the first row; the date stays in the box.
    QCOMPARE(f.cellar.giornale.recordCount(), left.size());
    if (!left.isEmpty())
        QCOMPARE(f.cellar.giornale.fieldByName(u"Descrizione"_s).asString(), left.first());
    QCOMPARE(win.date->date(), day);
}

void TestManuteFrm::purgeErrorLeavesTheJournalAsItWas()
{
    StockFixture f;
    addJournal(f);
    f.cellar.DB.exec(u"CREATE TRIGGER keep BEFORE DELETE ON Giornale WHEN OLD.Descrizione = '5' "
                     "BEGIN SELECT RAISE(ABORT, 'Journal line 5 is locked'); END"_s);
    f.open();
    Window win(f);
    win.date->setDate(QDate(2024, 1, 20));
    f.messages.setNextAnswer(true);
    QTest::mouseClick(win.purge, Qt::LeftButton);
    QCOMPARE(f.errors.messages().size(), 1);
    QVERIFY(f.errors.messages().first().contains(u"Journal line 5 is locked"_s));
    QVERIFY(win.plainMessages.isEmpty());
    // Lines 1 and 3, deleted before line 5 stopped the purge, are there again with every other line.
    QCOMPARE(win.journal(), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s}));
    QCOMPARE(f.cellar.giornale.recordCount(), 6);
    QVERIFY(!f.cellar.DB.inTransaction());
}

// The progress window of a long purge (shown here from the start) offers no Cancel and no close
// box, follows the purge, and is gone before the message that ends it.
void TestManuteFrm::longPurgeShowsItsProgressWithoutWayOut()
{
    StockFixture f;
    {
        vinary::db::Transaction t(f.cellar.DB);
        for (int i = 0; i < 3000; ++i)
            f.insert(u"Giornale"_s,
                     {{u"Causale"_s, u"C"_s},
                      {u"Data"_s, i % 2 ? u"2024-01-05 00:00:00"_s : u"2024-03-05 00:00:00"_s}});
        t.commit();
    }
    f.open();
    Window win(f);
    win.w->setProgressDelay(0);
    win.date->setDate(QDate(2024, 1, 31));
    f.messages.setNextAnswer(true);
    QStringList seen;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *progress = qobject_cast<QProgressDialog *>(w);
            if (!progress || !progress->isVisible())
                continue;
            seen << u"%1 %2 %3 %4"_s.arg(progress->labelText())
                        .arg(progress->value() * 100 / progress->maximum())
                        .arg(progress->findChildren<QPushButton *>().size())
                        .arg(bool(progress->windowFlags() & Qt::WindowCloseButtonHint));
            if (qEnvironmentVariableIsSet("VINARY_GRAB_DIR"))
                progress->grab().save(qEnvironmentVariable("VINARY_GRAB_DIR") + u"/purge-progress.png"_s);
        }
    });
    probe.start(0);
    QTest::mouseClick(win.purge, Qt::LeftButton);
    probe.stop();
    // Shown at the first report, after 1024 of the 3000 lines: no button, no close box.
    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen.first(), u"Purge the journal\u2026 34 0 0"_s);
    QCOMPARE(win.plainMessages, QStringList{u"The journal has been purged."_s});
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Giornale"_s), 1500);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QProgressDialog *>(w) || !w->isVisible());
}

void TestManuteFrm::settingsSavedThroughTheCloseBox()
{
    StockFixture f;
    f.open();
    Window win(f);
    win.utente->setFocus();
    QTest::keyClicks(win.utente, u"Enoteca Rossi"_s);
    win.ricarico->setFocus();
    win.ricarico->selectAll();
    QTest::keyClicks(win.ricarico, u"1.8"_s);
    win.w->close();
    QVERIFY(!win.w->isVisible());
    QCOMPARE(f.cellar.intestazione.state(), vinary::db::DataState::Browse);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Configurazione"_s), 1);
    QCOMPARE(f.value(u"SELECT Utente FROM Configurazione"_s).toString(), u"Enoteca Rossi"_s);
    QCOMPARE(f.value(u"SELECT Ricarico FROM Configurazione"_s).toDouble(), 1.8);
    // The next new card takes the new default markup.
    f.cellar.Schede.append();
    QCOMPARE(f.cellar.Schede.fieldByName(u"Ricarico"_s).asFloat(), 1.8);
    f.cellar.Schede.cancel();
}

void TestManuteFrm::openAndCloseWithoutTyping()
{
    StockFixture f;
    f.cellar.DB.exec(u"UPDATE Configurazione SET Utente = 'Cantina Bianchi', Ricarico = 1.5"_s);
    f.open();
    Window win(f);
    QCOMPARE(f.cellar.intestazione.state(), vinary::db::DataState::Edit);
    QCOMPARE(win.utente->text(), u"Cantina Bianchi"_s);
    QTest::keyClick(win.w.get(), Qt::Key_Escape);
    QVERIFY(!win.w->isVisible());
    QCOMPARE(f.cellar.intestazione.state(), vinary::db::DataState::Browse);
    QCOMPARE(
        f.count(u"SELECT COUNT(*) FROM Configurazione WHERE Utente = 'Cantina Bianchi' AND Ricarico = 1.5"_s),
        1);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Configurazione"_s), 1);
}

void TestManuteFrm::markupInTheUsersLocales_data()
{
    QTest::addColumn<QString>("locale");
    for (const QString &name : {u"it_IT"_s, u"de_DE"_s, u"fr_FR"_s, u"en_US"_s})
        QTest::newRow(qPrintable(name)) << name;
}

// The default markup takes either separator; a text that cannot be read stays, keeps the window
// open on it and is not saved.
void TestManuteFrm::markupInTheUsersLocales()
{
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    StockFixture f;
    f.open();
    Window win(f);
    win.ricarico->setFocus();
    win.ricarico->selectAll();
    QTest::keyClicks(win.ricarico, u"1x.2.5"_s);
    QCOMPARE(win.ricarico->text(), u"1x.2.5"_s);
    win.w->close();
    QVERIFY(win.w->isVisible());
    QVERIFY(win.ricarico->hasFocus());
    QCOMPARE(win.ricarico->toolTip(),
             u"Not a valid number: digits only, with one comma or point for the decimals (e.g. 6.80)."_s);
    win.ricarico->selectAll();
    QTest::keyClicks(win.ricarico, u"1.25"_s);
    win.w->close();
    QVERIFY(!win.w->isVisible());
    QCOMPARE(f.value(u"SELECT Ricarico FROM Configurazione"_s).toDouble(), 1.25);
}

void TestManuteFrm::settingsTableWithoutRow()
{
    StockFixture f;
    f.cellar.DB.exec(u"DELETE FROM Configurazione"_s);
    f.open();
    Window win(f);
    // The opening began a new row.
    QCOMPARE(f.cellar.intestazione.state(), vinary::db::DataState::Insert);
    win.utente->setFocus();
    QTest::keyClicks(win.utente, u"New owner"_s);
    win.w->close();
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Configurazione WHERE Utente = 'New owner'"_s), 1);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Configurazione"_s), 1);
    // The next opening edits that row, not another new one.
    win.show();
    QCOMPARE(f.cellar.intestazione.state(), vinary::db::DataState::Edit);
    win.w->close();
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Configurazione"_s), 1);
}

void TestManuteFrm::unsavableSettingsKeepTheWindowOpen()
{
    StockFixture f;
    f.cellar.DB.exec(u"CREATE TRIGGER refuse BEFORE UPDATE ON Configurazione "
                     "BEGIN SELECT RAISE(ABORT, 'The settings are locked'); END"_s);
    f.open();
    Window win(f);
    win.utente->setFocus();
    QTest::keyClicks(win.utente, u"Typed"_s);
    win.w->close();
    QCOMPARE(f.errors.messages().size(), 1);
    QVERIFY(f.errors.messages().first().contains(u"The settings are locked"_s));
    QVERIFY(win.w->isVisible());
    QCOMPARE(win.utente->text(), u"Typed"_s);
    f.cellar.DB.exec(u"DROP TRIGGER refuse"_s);
    win.w->close();
    QVERIFY(!win.w->isVisible());
    QCOMPARE(f.value(u"SELECT Utente FROM Configurazione"_s).toString(), u"Typed"_s);
}

void TestManuteFrm::modalOpening()
{
    StockFixture f;
    addJournal(f);
    f.open();
    Window win(f, false);
    bool checked = false;
    QTimer::singleShot(0, win.w.get(), [&] {
        const auto closer = qScopeGuard([&] { win.w->close(); });
        QTRY_VERIFY(win.w->isVisible());
        win.date->setDate(QDate(2024, 1, 10));
        f.messages.setNextAnswer(true);
        QTest::mouseClick(win.purge, Qt::LeftButton);
        win.utente->setFocus();
        QTest::keyClicks(win.utente, u"Modal"_s);
        checked = true;
    });
    f.cellar.intestazione.edit();
    win.w->exec();
    QVERIFY(checked);
    QCOMPARE(win.journal(), (QStringList{u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
    QCOMPARE(f.value(u"SELECT Utente FROM Configurazione"_s).toString(), u"Modal"_s);
}

QTEST_MAIN(TestManuteFrm)
void TestManuteFrm::datedBackupsFromTheWindow()
{
    StockFixture f;
    f.insert(u"Schede"_s, {{u"Descrizione"_s, u"Barolo"_s}});
    f.insert(u"Schede"_s, {{u"Descrizione"_s, u"Soave"_s}});
    f.open();
    const vinary::CellarBackups backups(f.cellar.programDir);
    backups.keepDatedCopy(f.cellar.DB, QDateTime(QDate(2024, 3, 12), QTime(9, 0)));
    f.cellar.DB.exec(u"DELETE FROM Schede WHERE Descrizione = 'Soave'"_s);

    Window win(f);
    QCOMPARE(win.w->dailyCopiesBox()->value(), 7);
    win.w->dailyCopiesBox()->setValue(10);
    win.w->weeklyCopiesBox()->setValue(0);

    QStringList rows;
    QTimer::singleShot(0, this, [&] {
        auto *form = qobject_cast<vinary::TRestoreForm *>(QApplication::activeModalWidget());
        if (!form)
            return;
        for (int i = 0; i < form->list()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = form->list()->topLevelItem(i);
            rows << item->text(1) + u'/' + item->text(2);
        }
        if (qEnvironmentVariableIsSet("VINARY_GRAB_DIR"))
            form->grab().save(qEnvironmentVariable("VINARY_GRAB_DIR") + u"/ripristino.png"_s);
        f.messages.setNextAnswer(true);
        form->btnRipristinaClick();
        form->accept();
    });
    win.w->findChild<QPushButton *>(u"btnRipristina"_s)->click();
    QCOMPARE(rows, QStringList{u"2/0"_s});
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede"_s), 2);
    QCOMPARE(win.plainMessages.size(), 1);
    QCOMPARE(backups.copies().size(), 2); // the cellar as it was, kept first
    // The settings row is editable again, and the retention is kept when the window closes.
    QVERIFY(f.cellar.intestazione.isEditing());
    win.w->close();
    QCOMPARE(backups.retention().days, 10);
    QCOMPARE(backups.retention().weeks, 0);
}

void TestManuteFrm::exportAndImportFromTheWindow()
{
    StockFixture f;
    f.insert(u"Schede"_s, {{u"Codice"_s, u"A1"_s}, {u"Descrizione"_s, u"Barolo"_s}, {u"Ricarico"_s, 1.5}});
    f.insert(u"Giornale"_s, {{u"Causale"_s, u"C"_s}, {u"Quantita"_s, 6.0}});
    f.open();
    Window win(f);
    const QString out = f.dir.filePath(u"export"_s);
    QDir().mkpath(out);
    win.w->setFolderChooser([&](QWidget *) { return out; });
    win.w->findChild<QPushButton *>(u"btnEsporta"_s)->click();
    QCOMPARE(win.plainMessages.size(), 1);
    QFile cards(out + u"/vinary-schede.csv"_s);
    QVERIFY(cards.open(QIODevice::ReadOnly));
    QVERIFY(cards.readAll().contains(",A1,Barolo,"));
    QVERIFY(QFileInfo::exists(out + u"/vinary-giornale.csv"_s));

    // An Italian spreadsheet: one good row, one bad, the markup left to the default. Its headers are
    // known from the language files of the program directory.
    const QDir languages(QStringLiteral(VINARY_SOURCE_DIR "/resources/language"));
    for (const QString &name : languages.entryList({u"*.lng"_s}))
        QVERIFY(QFile::copy(languages.filePath(name), f.dir.filePath(name)));
    const QString csv = f.dir.filePath(u"cantina.csv"_s);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "Codice;Descrizione;Prezzo d'acquisto;Colonna libera\r\nB2;Soave;7,50;x\r\nC3;Gavi;sette;y\r\n");
    file.close();
    win.w->setImportFileChooser([&](QWidget *) { return csv; });
    QStringList seen;
    QTimer::singleShot(0, this, [&] {
        auto *form = qobject_cast<vinary::TImportForm *>(QApplication::activeModalWidget());
        if (!form)
            return;
        for (int c = 0; c < 4; ++c)
            seen << form->mappingBox(c)->currentText();
        seen << QString::number(form->preview()->rowCount());
        for (int i = 0; i < form->badRows()->count(); ++i)
            seen << form->badRows()->item(i)->text();
        if (qEnvironmentVariableIsSet("VINARY_GRAB_DIR"))
            form->grab().save(qEnvironmentVariable("VINARY_GRAB_DIR") + u"/importa.png"_s);
        form->findChild<QPushButton *>(u"btnImporta"_s)->click();
    });
    win.w->findChild<QPushButton *>(u"btnImporta"_s)->click();
    QCOMPARE(seen, (QStringList{u"Code"_s, u"Description"_s, u"Purchase price"_s, u"(ignore)"_s, u"1"_s,
                                u"Line 3: Purchase price: \"sette\" is not a number"_s}));
    QCOMPARE(
        f.value(u"SELECT Codice || '|' || Prezzo_Acq || '|' || Ricarico FROM Schede WHERE Codice = 'B2'"_s)
            .toString(),
        u"B2|7.5|2.0"_s);
    QCOMPARE(f.count(u"SELECT COUNT(*) FROM Schede"_s), 2);
    QCOMPARE(win.plainMessages.last(), u"Cards added: 1. Cards updated: 0."_s);
}

#include "test_manutefrm.moc"
