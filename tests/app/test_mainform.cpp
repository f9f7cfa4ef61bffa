// The main window: its creation in a program directory, menu, title, status line, the commands of
// its menu, activation, minimum size and closing.

#include "app/desktoplauncher.h"
#include "app/infofrm.h"
#include "app/mainform.h"
#include "app/mainparts.h"
#include "app/mymsg.h"
#include "app/splash.h"
#include "app/startup.h"
#include "catalogue/vinaryfrm.h"
#include "data/backups.h"
#include "data/picklist.h"
#include "data/schemaupgrade.h"
#include "engine/db/connection.h"
#include "programdir.h"
#include "recordinglauncher.h"
#include "stock/manutefrm.h"
#include "stock/movimentifrm.h"
#include "tests/support/recordingerrorbox.h"
#include "tests/support/scriptedfiledialog.h"
#include "tests/support/scriptedmessagebox.h"
#include "widgets/applicationtitle.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace vinary;
using vinary::testing::ProgramDir;
using vinary::testing::RecordingLauncher;

namespace
{

// The delivered database as this version leaves it after its first start, then the test's own SQL:
// the rows it changes are the user's, which the start-up upgrade leaves alone.
bool createCurrentDatabase(const ProgramDir &dir, const QString &sql)
{
    if (!dir.createDatabase())
        return false;
    {
        db::Connection cellar;
        cellar.setDatabaseName(dir.database());
        cellar.open();
        upgradeCellar(cellar);
    }
    return testing::runSql(dir.database(), sql);
}

const QStringList kLanguage = {
    u"[TITOLO]=Cantina di prova"_s,
    u"[MENU_SCHEDE]=&Schede dei vini"_s,
    u"[MENU_CAR_SCAR]=&Carichi e scarichi"_s,
    u"[MENU_STAMPE]=S&tampe"_s,
    u"[MENU_MANUTENZIONE]=&Manutenzione"_s,
    u"[MENU_AIUTO]=&Aiuto"_s,
    u"[AIUTO_MANUALE]=Manuale"_s,
    u"[AIUTO_SITO]=Sito web"_s,
    u"[MENU_MOD_PRINT]=Modifica stampe"_s,
    u"[AIUTO_LINGUA]=Cambio lingua"_s,
    u"[AIUTO_INFO]=Informazioni"_s,
    // [MENU_USCITA] is left out on purpose: a key without a value stays as it is.
    u"[SPLASH]=Gestione della cantina"_s,
    u"[CARICAMENTO]=Caricamento in corso"_s,
    u"[VERSIONE]=Versione"_s,
    u"[STAMPA_CATALOGO]=Catalogo"_s,
    u"[STAMPA_CARTA_VINI]=Carta dei vini"_s,
    u"[CARICO_LINGUA]=Lingua caricata"_s,
    u"[MANUALE]=manuale.html"_s,
};

// The report rows of the delivered database plus a plain-named one that sorts first.
const QString kOwnerAndPlainReport =
    u"UPDATE Configurazione SET Utente = 'Enoteca Rossi';"
    "INSERT INTO Stampe (ID, Stampa, Ordine, Tracciato, Ordinamento, Selezione)"
    " VALUES (40, 'Inventario di fine anno', 0, 'inventario.frf', 'G', 'C');"_s;

QStringList captions(const QList<QAction *> &actions)
{
    QStringList texts;
    for (const QAction *action : actions)
        texts.append(action->isSeparator() ? u"-"_s : action->text());
    return texts;
}

QStringList objectNames(const QList<QAction *> &actions)
{
    QStringList names;
    for (const QAction *action : actions)
        names.append(action->objectName());
    return names;
}

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setApplicationTitle(u"[TITOLO]"_s); }

    void startUpTranslatesTitleMenuAndPrintItems();
    void menuBarLayout();
    void printItemsFollowOrdine();
    void missingLanguageFileStopsTheCreation();
    void missingDatabaseStopsBeforeTheTables();
    void damagedDatabaseOffersTheNewestDatedCopy();
    void emptySettingsAndReportTables();
    void startUpBacksUpAndCompacts();
    void lockFilePresentLeavesTheFilesAlone();
    void compactionStoppedByAFullDiskIsToldOnce();
    void minimumSize();
    void movementsItemFiltersWhileOpen();
    void maintenanceItemEditsTheSettings();
    void catalogueAndAboutItemsShowTheirWindows();
    void activationRefillsPickLists();
    void webSiteAndManual();
    void printItemRunsThePrintHandler();
    void hintsGoToTheFirstPanel();
    void changeOfLanguage();
    void closingSettlesEditsAndReleasesTheDatabase();
    void placementKeptInSectionMain();
    void looksFinished();
};

void TestMainForm::startUpTranslatesTitleMenuAndPrintItems()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase(kOwnerAndPlainReport));
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TSplashForm splash;

    TMainForm main(&splash);

    QCOMPARE(errors.messages(), QStringList());
    QCOMPARE(main.programDir(), QDir::currentPath() + u'/');
    QCOMPARE(main.cellar().DB.databaseName(), main.programDir() + u"vinary.mdb"_s);
    QCOMPARE(applicationTitle(), u"Cantina di prova"_s);
    QCOMPARE(main.windowTitle(), u"Cantina di prova - Enoteca Rossi"_s);
    QCOMPARE(main.userPanel->text(), u"Enoteca Rossi"_s);
    QCOMPARE(main.Archivio->text(), u"&Schede dei vini"_s);
    QCOMPARE(main.Stampe1->title(), u"S&tampe"_s);
    QCOMPARE(main.Aiuto1->title(), u"&Aiuto"_s);
    QCOMPARE(captions(main.Aiuto1->actions()),
             QStringList({u"Manuale"_s, u"Sito web"_s, u"Modifica stampe"_s, u"-"_s, u"Cambio lingua"_s,
                          u"-"_s, u"Informazioni"_s}));
    QCOMPARE(main.Uscita1->text(), u"[MENU_USCITA]"_s);

    const QList<QAction *> items = main.printItems();
    QVERIFY(items.size() >= 3);
    QCOMPARE(items.at(0)->text(), u"Inventario di fine anno"_s);
    QCOMPARE(items.at(0)->data().toInt(), 40);
    QCOMPARE(items.at(1)->text(), u"Catalogo"_s);
    QCOMPARE(items.at(1)->data().toInt(), 1);
    QCOMPARE(items.at(2)->text(), u"Carta dei vini"_s);

    QVERIFY(splash.wasShown());
    QCOMPARE(splash.Label1->text(), u"Gestione della cantina"_s);
    QCOMPARE(splash.Label4->text(), u"Versione 04.02"_s);
    QCOMPARE(splash.Label2->text(), u"Caricamento in corso"_s);
    QCOMPARE(splash.build_label->text(), u"build 12.11.2010"_s);

    Cellar &cellar = main.cellar();
    QCOMPARE(cellar.filterMode, QChar(u' '));
    QVERIFY(cellar.DB.isOpen());
    QVERIFY(cellar.intestazione.isActive());
    QVERIFY(cellar.Schede.isActive());
    QVERIFY(cellar.giornale.isActive());
    QVERIFY2(!cellar.stampe.isActive(), "the report table is open only while the menu is built");
    QCOMPARE(cellar.traduci(u"   [CARICO_LINGUA]   "_s), u"   Lingua caricata   "_s);
}

void TestMainForm::menuBarLayout()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;

    QCOMPARE(objectNames(main.menuBar()->actions()),
             QStringList({u"Archivio"_s, u"Movimenti"_s, u"Stampe1"_s, u"Manutenzione1"_s, u"Aiuto1"_s,
                          u"Uscita1"_s}));
    QCOMPARE(objectNames(main.Aiuto1->actions()),
             QStringList({u"Manuale1"_s, u"Sito1"_s, u"Personalizzazionestampe1"_s, u"N2"_s,
                          u"CambioLingua"_s, u"N1"_s, u"Informazioni1"_s}));
    QVERIFY(main.N1->isSeparator());
    QVERIFY(main.N2->isSeparator());
    QCOMPARE(main.findChild<QMenu *>(u"Stampe1"_s), main.Stampe1);
    QCOMPARE(main.findChild<QMenu *>(u"Aiuto1"_s), main.Aiuto1);
    QCOMPARE(main.objectName(), u"MainForm"_s);
    QCOMPARE(main.StatusLine->objectName(), u"StatusLine"_s);

    // No keyboard shortcuts anywhere in the menu.
    const QList<QAction *> all = main.findChildren<QAction *>();
    for (const QAction *action : all)
        QVERIFY2(action->shortcuts().isEmpty(), qPrintable(action->objectName()));
}

void TestMainForm::printItemsFollowOrdine()
{
    ProgramDir dir;
    QVERIFY(createCurrentDatabase(
        dir, u"DELETE FROM Stampe;"
             "INSERT INTO Stampe (ID, Stampa, Ordine) VALUES (1, 'Terza', 30), (2, '[STAMPA_CATALOGO]', 10),"
             " (3, 'Seconda & co', 20);"_s));
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;

    QCOMPARE(captions(main.printItems()), QStringList({u"Catalogo"_s, u"Seconda & co"_s, u"Terza"_s}));
    QList<int> ids;
    for (const QAction *item : main.printItems())
        ids.append(item->data().toInt());
    QCOMPARE(ids, QList<int>({2, 3, 1}));
}

void TestMainForm::missingLanguageFileStopsTheCreation()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase(kOwnerAndPlainReport));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TSplashForm splash;

    TMainForm main(&splash);

    QCOMPARE(errors.messages(), QStringList({u"Cannot open file language.ini"_s}));
    QCOMPARE(applicationTitle(), u"[TITOLO]"_s);
    QCOMPARE(main.windowTitle(), u"[TITOLO]"_s);
    QCOMPARE(main.Archivio->text(), u"[MENU_SCHEDE]"_s);
    QCOMPARE(main.Stampe1->title(), u"[MENU_STAMPE]"_s);
    QCOMPARE(main.printItems().at(1)->text(), u"[STAMPA_CATALOGO]"_s);
    QCOMPARE(main.userPanel->text(), u"Utente"_s);
    QVERIFY(!splash.wasShown());
    QCOMPARE(splash.Label1->text(), u"[SPLASH]"_s);
    // What was set up before the failing step stays; the tables of the last step stay closed.
    QVERIFY(main.cellar().intestazione.isActive());
    QVERIFY(!main.cellar().Schede.isActive());
    QVERIFY(!main.cellar().giornale.isActive());
    QCOMPARE(main.traduci(u"[TITOLO]"_s), u"[TITOLO]"_s);
}

void TestMainForm::missingDatabaseStopsBeforeTheTables()
{
    ProgramDir dir;
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(testing::writeAll(dir.file(u"vinary_backup.mdb"_s), "the last good backup"));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;

    TMainForm main;

    QCOMPARE(errors.messages().size(), 1);
    QVERIFY(!main.cellar().DB.isOpen());
    QVERIFY(!main.cellar().intestazione.isActive());
    QVERIFY(main.printItems().isEmpty());
    QCOMPARE(main.Archivio->text(), u"[MENU_SCHEDE]"_s);
    QCOMPARE(testing::readAll(dir.file(u"vinary_backup.mdb"_s)), QByteArray("the last good backup"));
    QVERIFY(!QFileInfo::exists(dir.file(u"vinary.ldb"_s)));
}

void TestMainForm::damagedDatabaseOffersTheNewestDatedCopy()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase(kOwnerAndPlainReport));
    QVERIFY(
        dir.writeLanguage(kLanguage + QStringList{u"[RIPRISTINO_AVVIO]=Ripristinare la copia del %1?"_s}));
    QVERIFY(dir.enter());
    CellarBackups(dir.path() + u'/').keepDatedCopy(QDateTime(QDate(2024, 3, 12), QTime(9, 30)));
    QVERIFY(testing::writeAll(dir.database(), "damaged by a crash"));
    RecordingErrorBox errors;

    QString asked;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<MymsgDialog *>(QApplication::activeModalWidget());
        if (!box)
            return;
        asked = box->findChild<QLabel *>(u"lblText"_s)->text();
        box->findChild<QPushButton *>(u"btnSi"_s)->click();
    });
    TMainForm main;

    // The engine's error first, then the question naming the copy's date; the start goes on with it.
    QCOMPARE(errors.messages().size(), 1);
    QVERIFY2(
        asked.contains(QLocale().toString(QDateTime(QDate(2024, 3, 12), QTime(9, 30)), QLocale::ShortFormat)),
        qPrintable(asked));
    QVERIFY(main.cellar().DB.isOpen());
    QCOMPARE(main.cellar().intestazione.fieldByName(u"Utente"_s).asString(), u"Enoteca Rossi"_s);
    db::Statement reports = main.cellar().DB.prepare(u"SELECT COUNT(*) FROM Stampe"_s);
    QVERIFY(reports.step());
    QCOMPARE(main.printItems().size(), int(reports.int64(0))); // the print menu built once
    QCOMPARE(testing::readAll(dir.file(u"vinary.mdb.damaged"_s)), QByteArray("damaged by a crash"));
}

void TestMainForm::emptySettingsAndReportTables()
{
    ProgramDir dir;
    QVERIFY(createCurrentDatabase(dir, u"DELETE FROM Configurazione; DELETE FROM Stampe;"_s));
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;

    TMainForm main;

    QCOMPARE(errors.messages(), QStringList());
    QCOMPARE(main.windowTitle(), u"Cantina di prova - "_s);
    QCOMPARE(main.userPanel->text(), QString());
    QVERIFY(main.printItems().isEmpty());
    QVERIFY(main.cellar().Schede.isActive());
}

void TestMainForm::startUpBacksUpAndCompacts()
{
    ProgramDir dir;
    // Free pages left by a dropped table: a compaction gives them back.
    QVERIFY(
        dir.createDatabase(u"CREATE TABLE Scarto (x BLOB);"
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500)"
                           " INSERT INTO Scarto SELECT randomblob(1000) FROM n;"
                           "DROP TABLE Scarto;"_s));
    QVERIFY(dir.writeLanguage(kLanguage));
    const QByteArray before = testing::readAll(dir.database());
    const QString reports = testing::queryText(dir.database(), u"SELECT COUNT(*) FROM Stampe"_s);
    QVERIFY(dir.enter());
    RecordingErrorBox errors;

    TMainForm main;

    QCOMPARE(errors.messages(), QStringList());
    QCOMPARE(testing::readAll(dir.file(u"vinary_backup.mdb"_s)), before);
    const qint64 after = QFileInfo(dir.database()).size();
    QVERIFY2(after < before.size() / 2, qPrintable(u"%1 -> %2 bytes"_s.arg(before.size()).arg(after)));
    QCOMPARE(testing::queryText(dir.database(), u"SELECT COUNT(*) FROM Stampe"_s), reports);
    QVERIFY(QFileInfo::exists(dir.file(u"vinary.ldb"_s)));
}

void TestMainForm::lockFilePresentLeavesTheFilesAlone()
{
    ProgramDir dir;
    QVERIFY(
        dir.createDatabase(u"CREATE TABLE Scarto (x BLOB); INSERT INTO Scarto VALUES (randomblob(100000));"
                           "DROP TABLE Scarto;"_s));
    QVERIFY(dir.writeLanguage(kLanguage));
    // Written by a running program on another machine that shares the folder.
    QVERIFY(testing::writeAll(dir.file(u"vinary.ldb"_s),
                              "pid=1\nhost=another-" + QSysInfo::machineHostName().toUtf8() + '\n'));
    const QByteArray before = testing::readAll(dir.database());
    QVERIFY(dir.enter());
    RecordingErrorBox errors;

    TMainForm main;

    QCOMPARE(errors.messages(), QStringList());
    QVERIFY(!QFileInfo::exists(dir.file(u"vinary_backup.mdb"_s)));
    QCOMPARE(testing::readAll(dir.database()), before);
    // A lock file that nobody holds is taken over: the program still runs on its data.
    QVERIFY(main.cellar().Schede.isActive());
}

void TestMainForm::compactionStoppedByAFullDiskIsToldOnce()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase(kOwnerAndPlainReport));
    QVERIFY(dir.writeLanguage(kLanguage +
                              QStringList{u"[COMPATTA_SPAZIO]=Disco pieno: archivio non compattato"_s}));
    const QByteArray before = testing::readAll(dir.database());
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    ScriptedMessageBox box;
    // A file size limit below the database's size stands in for a full disk.
    struct rlimit old {
    };
    getrlimit(RLIMIT_FSIZE, &old);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = rlim_t(before.size() / 2);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    auto main = std::make_unique<TMainForm>();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    QCOMPARE(errors.messages(), QStringList());
    QCOMPARE(testing::readAll(dir.database()), before);
    QVERIFY(main->cellar().Schede.isActive());
    QCOMPARE(main->windowTitle(), u"Cantina di prova - Enoteca Rossi"_s);
    main->setMessageBox(&box);
    main->showAtPlacement();
    QTRY_COMPARE(box.notices(), QStringList{u"   Disco pieno: archivio non compattato   "_s});
    QTest::qWait(50);
    QCOMPARE(box.notices().size(), 1);
}

void TestMainForm::minimumSize()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;

    main.resize(500, 150);
    QCOMPARE(main.size(), QSize(600, 200));
    main.resize(900, 150);
    QCOMPARE(main.size(), QSize(900, 200));
    main.resize(500, 420);
    QCOMPARE(main.size(), QSize(600, 420));

    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.resize(500, 150);
    QTRY_COMPARE(main.frameGeometry().size().expandedTo(QSize(600, 200)), main.frameGeometry().size());
    QCOMPARE(main.frameGeometry().size(), QSize(600, 200));
}

void TestMainForm::movementsItemFiltersWhileOpen()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;
    auto *inOut = new TfrmInOut(main.cellar(), &main);
    Forms forms;
    forms.frmInOut = inOut;
    main.attachForms(forms);

    bool shown = false;
    bool filteredWhileOpen = false;
    QTimer::singleShot(0, inOut, [&] {
        shown = inOut->isVisible();
        filteredWhileOpen = main.cellar().Schede.filtered();
        inOut->reject();
    });
    main.Movimenti->trigger();

    QTRY_VERIFY(shown);
    QVERIFY(filteredWhileOpen);
    QVERIFY(!main.cellar().Schede.filtered());
    QVERIFY(!inOut->isVisible());
    QCOMPARE(errors.messages(), QStringList());
}

void TestMainForm::maintenanceItemEditsTheSettings()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;
    auto *maintenance = new TManutenzioneForm(main.cellar(), &main);
    Forms forms;
    forms.ManutenzioneForm = maintenance;
    main.attachForms(forms);

    bool editingWhileOpen = false;
    QTimer::singleShot(0, maintenance, [&] {
        editingWhileOpen = main.cellar().intestazione.isEditing() && maintenance->isVisible();
        maintenance->reject();
    });
    main.Manutenzione1->trigger();
    QTRY_VERIFY(editingWhileOpen);
    QCOMPARE(errors.messages(), QStringList());
}

void TestMainForm::catalogueAndAboutItemsShowTheirWindows()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;
    Forms forms;
    forms.frmVinary = new TfrmVinary(main.cellar(), &main);
    forms.frmInfo = new TfrmInfo(main.cellar(), &main);
    main.attachForms(forms);

    for (auto [item, window] : {std::pair<QAction *, QDialog *>(main.Archivio, forms.frmVinary),
                                std::pair<QAction *, QDialog *>(main.Informazioni1, forms.frmInfo)}) {
        bool modal = false;
        QTimer::singleShot(0, window, [&, window] {
            modal = window->isVisible() && QApplication::activeModalWidget() == window;
            window->reject();
        });
        item->trigger();
        QTRY_VERIFY2(modal, qPrintable(item->objectName()));
    }
    QCOMPARE(errors.messages(), QStringList());
}

void TestMainForm::activationRefillsPickLists()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase(
        u"INSERT INTO Schede (Descrizione, Gruppo) VALUES ('Barolo', 'Rossi'), ('Soave', 'Bianchi');"_s));
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;
    auto *catalogue = new TfrmVinary(main.cellar(), &main);
    Forms forms;
    forms.frmVinary = catalogue;
    main.attachForms(forms);
    StringPickList groups;
    main.cellar().rules.setPickList(0, &groups);

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&main, &activate);
    QCOMPARE(groups.items(), QStringList({u"Bianchi"_s, u"Rossi"_s}));

    // A modal window closing hands the activation back: the lists see what it changed.
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTimer::singleShot(0, catalogue, [&] {
        QVERIFY(testing::runSql(dir.database(),
                                u"INSERT INTO Schede (Descrizione, Gruppo) VALUES ('Asti', 'Dolci');"_s));
        catalogue->reject();
    });
    main.Archivio->trigger();
    QTRY_COMPARE(groups.items(), QStringList({u"Bianchi"_s, u"Dolci"_s, u"Rossi"_s}));
    main.cellar().rules.setPickList(0, nullptr);
    QCOMPARE(errors.messages(), QStringList());
}

void TestMainForm::webSiteAndManual()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    RecordingLauncher launcher;
    TMainForm main;
    main.resize(900, 400);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    // The manual named by the language, when it is there; nothing at all when it is not. While the
    // project has no web site, the web-site commands open the manual too, never a dead address.
    const QUrl manual = QUrl::fromLocalFile(main.programDir() + u"manuale.html"_s);
    const QUrl home = makerWebSite().isValid() ? makerWebSite() : manual;
    main.Manuale1->trigger();
    QCOMPARE(launcher.opened.size(), 0);
    QVERIFY(testing::writeAll(dir.file(u"manuale.html"_s), "<html></html>"));

    QTest::mouseClick(main.Image1, Qt::LeftButton, {}, main.Image1->pictureRect().center());
    QCOMPARE(launcher.opened, QList<QUrl>({home}));
    // Beside the picture the strip is only background.
    if (main.Image1->pictureRect().left() > 2) {
        QTest::mouseClick(main.Image1, Qt::LeftButton, {}, QPoint(1, 20));
        QCOMPARE(launcher.opened.size(), 1);
    }
    main.Sito1->trigger();
    QCOMPARE(launcher.opened.size(), 2);
    QCOMPARE(launcher.opened.last(), home);
    QVERIFY(!home.toString().contains(u"example"_s));

    main.Manuale1->trigger();
    QCOMPARE(launcher.opened.size(), 3);
    QCOMPARE(launcher.opened.last(), QUrl::fromLocalFile(main.programDir() + u"manuale.html"_s));
    QCOMPARE(errors.messages(), QStringList());
}

void TestMainForm::printItemRunsThePrintHandler()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase(kOwnerAndPlainReport));
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;
    QList<int> printed;
    main.setPrintHandler([&](QAction *item) {
        printed.append(item->data().toInt());
        if (printed.size() == 2)
            throw VinaryError(u"Cannot open file inventario.frf"_s);
    });
    int designed = 0;
    main.setDesignerHandler([&] { ++designed; });

    main.printItems().at(1)->trigger();
    main.printItems().at(0)->trigger();
    QCOMPARE(printed, QList<int>({1, 40}));
    // A failing print ends with its message and the program goes on.
    QCOMPARE(errors.messages(), QStringList({u"Cannot open file inventario.frf"_s}));
    main.Personalizzazionestampe1->trigger();
    QCOMPARE(designed, 1);
}

void TestMainForm::hintsGoToTheFirstPanel()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase(kOwnerAndPlainReport));
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;

    QStatusTipEvent tip(main.Image1->statusTip());
    QApplication::sendEvent(main.Image1, &tip);
    // The strip names what it opens: the web site, or the manual while there is none.
    QCOMPARE(main.hintPanel->text(), makerWebSite().isValid() ? makerWebSite().toString() : u"Manuale"_s);
    QCOMPARE(main.userPanel->text(), u"Enoteca Rossi"_s);
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&main, &none);
    QCOMPARE(main.hintPanel->text(), QString());
}

void TestMainForm::changeOfLanguage()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.writeLanguage(
        {u"[TITOLO]=Test cellar"_s, u"[CARICO_LINGUA]=Language loaded"_s, u"[MENU_SCHEDE]=&Wine cards"_s},
        u"test.lng"_s));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    ScriptedFileDialog files;
    ScriptedMessageBox box;
    TMainForm main;
    main.setFileDialog(&files);
    main.setMessageBox(&box);

    files.setNextFile(dir.file(u"test.lng"_s));
    main.CambioLingua->trigger();

    QCOMPARE(errors.messages(), QStringList());
    QCOMPARE(box.notices(), QStringList({u"   Language loaded   "_s}));
    QCOMPARE(testing::readAll(dir.file(u"language.ini"_s)), testing::readAll(dir.file(u"test.lng"_s)));
    QCOMPARE(files.requests().size(), 1);
    QCOMPARE(files.requests().first().directory, QDir::currentPath());
    // Texts translated at creation keep the language they were created in.
    QCOMPARE(main.Archivio->text(), u"&Schede dei vini"_s);
    QCOMPARE(main.traduci(u"[MENU_SCHEDE]"_s), u"&Wine cards"_s);

    files.setNextCancel();
    main.CambioLingua->trigger();
    QCOMPARE(box.notices().size(), 1);
}

void TestMainForm::closingSettlesEditsAndReleasesTheDatabase()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase(kOwnerAndPlainReport));
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QVERIFY(QFileInfo::exists(dir.file(u"vinary.ldb"_s)));

    Cellar &cellar = main.cellar();
    cellar.intestazione.edit();
    cellar.intestazione.fieldByName(u"Utente"_s).setValue(u"Cantina Bianchi"_s);
    main.Uscita1->trigger();

    QVERIFY(!main.isVisible());
    QVERIFY(!cellar.DB.isOpen());
    QVERIFY(!QFileInfo::exists(dir.file(u"vinary.ldb"_s)));
    QCOMPARE(testing::queryText(dir.database(), u"SELECT Utente FROM Configurazione"_s),
             u"Cantina Bianchi"_s);
    QCOMPARE(errors.messages(), QStringList());
}

void TestMainForm::placementKeptInSectionMain()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    {
        // First run: no form.ini, the window opens maximised and its closing writes section MAIN.
        TMainForm main;
        main.showAtPlacement();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(main.isMaximized());
        main.close();
    }
    const QString ini = QString::fromUtf8(testing::readAll(dir.file(u"form.ini"_s)));
    QVERIFY2(ini.contains(u"[MAIN]"_s) && ini.contains(u"ShowCmd=3"_s), qPrintable(ini));
    {
        // A window never shown keeps what is stored.
        TMainForm hidden;
        hidden.close();
    }
    QCOMPARE(QString::fromUtf8(testing::readAll(dir.file(u"form.ini"_s))), ini);

    QString normal = ini;
    normal.replace(u"ShowCmd=3"_s, u"ShowCmd=1"_s);
    const qsizetype at = normal.indexOf(u"NormPos="_s);
    QVERIFY(at >= 0);
    normal.replace(at, normal.indexOf(u'\n', at) - at, u"NormPos=40,30,690,450"_s);
    QVERIFY(testing::writeAll(dir.file(u"form.ini"_s), normal.toUtf8()));
    TMainForm main;
    main.showAtPlacement();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QVERIFY(!main.isMaximized());
    QCOMPARE(main.size(), QSize(650, 420));
    QCOMPARE(errors.messages(), QStringList());
}

void TestMainForm::looksFinished()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase(u"UPDATE Configurazione SET Utente = 'Enoteca Rossi';"_s));
    QVERIFY(testing::writeAll(
        dir.file(u"language.ini"_s),
        testing::readAll(QStringLiteral(VINARY_SOURCE_DIR "/resources/language/english.lng"))));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TMainForm main;
    main.resize(900, 520);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    QCOMPARE(errors.messages(), QStringList());
    QCOMPARE(main.windowTitle(), u"Vinary - Enoteca Rossi"_s);
    QCOMPARE(main.Archivio->text(), u"&Wine cards"_s);
    // The strip lies along the bottom, just above the status line, and is painted.
    const QPoint stripBottom = main.Image1->mapTo(&main, QPoint(0, main.Image1->height()));
    QCOMPARE(stripBottom.y(), main.StatusLine->geometry().top());
    const QImage shot = main.grab().toImage();
    const QPoint middle = main.Image1->mapTo(&main, main.Image1->pictureRect().center());
    const QColor band = shot.pixelColor(middle * shot.devicePixelRatio());
    QVERIFY2(band.red() > band.green() && band.red() > band.blue(), qPrintable(band.name()));

    const QString grabDir = qEnvironmentVariable("VINARY_GRAB_DIR");
    if (!grabDir.isEmpty()) {
        main.grab().save(grabDir + u"/mainform.png"_s);
        main.Aiuto1->popup(main.mapToGlobal(QPoint(200, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(main.Aiuto1));
        main.Aiuto1->grab().save(grabDir + u"/mainform-help.png"_s);
        main.Aiuto1->close();
        main.Stampe1->popup(main.mapToGlobal(QPoint(200, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(main.Stampe1));
        main.Stampe1->grab().save(grabDir + u"/mainform-print.png"_s);
        main.Stampe1->close();
    }
}

QTEST_MAIN(TestMainForm)
#include "test_mainform.moc"
