// The start-up sequence: the windows in their order with their global names, translated through
// the main window's language table; the splash; and their release.

#include "app/infofrm.h"
#include "app/mainform.h"
#include "app/splash.h"
#include "app/startup.h"
#include "catalogue/vinaryfrm.h"
#include "programdir.h"
#include "reports/select.h"
#include "stock/manutefrm.h"
#include "stock/movimentifrm.h"
#include "tests/support/recordingerrorbox.h"
#include "widgets/applicationtitle.h"
#include "widgets/datagrid.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using vinary::testing::ProgramDir;

namespace
{

const QStringList kLanguage = {
    u"[TITOLO]=Cantina"_s,
    u"[SELEZIONE]=Selezione"_s,
    u"[MANUTENZIONE]=Manutenzione"_s,
    u"[INFORMAZIONI]=Informazioni"_s,
    u"[MOVIMENTI]=Movimenti"_s,
    u"[SPLASH]=Gestione della cantina"_s,
    u"[CARICAMENTO]=Caricamento in corso..."_s,
    u"[VERSIONE]=Versione"_s,
};

// Start-up keeps the splash on screen for two seconds; these tests do not wait for it.
class NoSplashWait : public SplashTiming
{
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
    void sleep(int) override {}
};
NoSplashWait noSplashWait;
const bool splashWaitInstalled = (setSplashTiming(&noSplashWait), true);

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowsInOrderWithTheirNames();
    void untranslatedWhenTheLanguageIsMissing();
    void splashLooksFinished();
    void gridLayoutIsSavedInTheUsersSettings();
};

void TestStartup::windowsInOrderWithTheirNames()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase(u"UPDATE Configurazione SET Utente = 'Mario';"_s));
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;

    Forms &f = createForms();

    QCOMPARE(errors.messages(), QStringList());
    QVERIFY2(!f.SplashForm, "the splash is released at the end of start-up");
    QVERIFY(f.MainForm && f.SelezioneForm && f.frmVinary && f.ManutenzioneForm && f.frmInfo && f.frmInOut);
    QCOMPARE(&forms(), &f);
    QCOMPARE(f.MainForm->windowTitle(), u"Cantina - Mario"_s);
    QCOMPARE(applicationTitle(), u"Cantina"_s);

    // Created in this order, each once, all owned by the main window and hidden until called for.
    QList<QDialog *> created;
    const QList<QDialog *> children = f.MainForm->findChildren<QDialog *>(Qt::FindDirectChildrenOnly);
    for (QDialog *d : children) {
        if (d == f.SelezioneForm || d == f.frmVinary || d == f.ManutenzioneForm || d == f.frmInfo ||
            d == f.frmInOut)
            created.append(d);
    }
    QCOMPARE(created,
             QList<QDialog *>({f.SelezioneForm, f.frmVinary, f.ManutenzioneForm, f.frmInfo, f.frmInOut}));
    const QStringList names = {u"SelezioneForm"_s, u"frmVinary"_s, u"ManutenzioneForm"_s, u"frmInfo"_s,
                               u"frmInOut"_s};
    const QStringList titles = {u"Selezione"_s, u"Cantina"_s, u"Manutenzione"_s, u"Informazioni"_s,
                                u"Movimenti"_s};
    for (int i = 0; i < created.size(); ++i) {
        QCOMPARE(created.at(i)->objectName(), names.at(i));
        QCOMPARE(created.at(i)->windowTitle(), titles.at(i));
        QVERIFY(!created.at(i)->isVisible());
    }

    QPointer<QDialog> info = f.frmInfo;
    releaseForms();
    QVERIFY(!forms().MainForm && !forms().frmInfo);
    QVERIFY(info.isNull());
    QVERIFY(!QFileInfo::exists(dir.file(u"vinary.ldb"_s)));
}

void TestStartup::untranslatedWhenTheLanguageIsMissing()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.enter());
    RecordingErrorBox errors;

    Forms &f = createForms();

    // Only the main window's creation fails; the later windows are still created and keep their keys.
    QCOMPARE(errors.messages(), QStringList({u"Cannot open file language.ini"_s}));
    QVERIFY(f.frmInOut);
    QCOMPARE(f.SelezioneForm->windowTitle(), u"[SELEZIONE]"_s);
    QCOMPARE(f.frmInfo->windowTitle(), u"[INFORMAZIONI]"_s);
    QCOMPARE(applicationTitle(), u"[TITOLO]"_s);
    releaseForms();
}

void TestStartup::splashLooksFinished()
{
    LanguageTable language(kLanguage);
    TSplashForm splash;
    QCOMPARE(splash.objectName(), u"SplashForm"_s);
    QCOMPARE(splash.size(), QSize(313, 271));
    QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    for (QLabel *label : {splash.Label1, splash.Label2, splash.Label4})
        label->setText(language.traduci(label->text()));
    QCOMPARE(splash.Label4->text(), u"Versione 04.02"_s);
    QVERIFY(!splash.wasShown());
    splash.showSplash();
    QVERIFY(splash.wasShown());
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    // The labels fit their bands: the texts are not cut.
    for (QLabel *label : {splash.Label1, splash.Label2, splash.Label4, splash.build_label})
        QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
    const QString grabDir = qEnvironmentVariable("VINARY_GRAB_DIR");
    if (!grabDir.isEmpty())
        splash.grab().save(grabDir + u"/splash-window.png"_s);
    splash.hideSplash();
    QVERIFY(!splash.isVisible());
}

void TestStartup::gridLayoutIsSavedInTheUsersSettings()
{
    QTemporaryDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    setProgramIdentity();
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    Forms &f = createForms();

    DataGrid *grid = f.frmVinary->grid();
    grid->setColumnWidth(0, 123);
    grid->menuAction(u"exSaveLayout"_s)->trigger();

    // Written and not reported as a failure.
    QCOMPARE(errors.messages(), QStringList());
    QSettings written(config.filePath(u"Vinary/vinary.conf"_s), QSettings::IniFormat);
    QCOMPARE(written.value(u"GridLayouts/frmVinary.schedeGrid/Widths"_s).toStringList().value(0), u"123"_s);
    releaseForms();
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
