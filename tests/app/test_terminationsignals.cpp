// SIGTERM and SIGINT end the program the way closing its main window does.

#include "app/mainform.h"
#include "app/startup.h"
#include "app/terminationsignals.h"
#include "programdir.h"
#include "stock/movimentifrm.h"
#include "tests/support/recordingerrorbox.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace vinary;
using vinary::testing::ProgramDir;

namespace
{

volatile std::sig_atomic_t g_ownHandlerCalls = 0;
extern "C" void ownHandler(int)
{
    g_ownHandlerCalls = g_ownHandlerCalls + 1;
}

} // namespace

class TestTerminationSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void signalsArriveThroughTheEventLoop();
    void previousHandlersComeBack();
    void signalClosesModalWindowsThenTheMainWindow();
    void signalEndsTheProgramFromAStartUpErrorBox();
};

void TestTerminationSignals::signalsArriveThroughTheEventLoop()
{
    TerminationSignals signals_;
    QVERIFY(signals_.isInstalled());
    QVERIFY(!signals_.wasRequested());
    QSignalSpy spy(&signals_, &TerminationSignals::terminationRequested);

    QCOMPARE(::raise(SIGTERM), 0);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), SIGTERM);
    QVERIFY(signals_.wasRequested());

    QCOMPARE(::raise(SIGINT), 0);
    QTRY_COMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), SIGINT);
}

void TestTerminationSignals::previousHandlersComeBack()
{
    struct sigaction own {
    };
    own.sa_handler = ownHandler;
    sigemptyset(&own.sa_mask);
    struct sigaction saved {
    };
    QCOMPARE(::sigaction(SIGTERM, &own, &saved), 0);
    {
        TerminationSignals signals_;
        QSignalSpy spy(&signals_, &TerminationSignals::terminationRequested);
        QCOMPARE(::raise(SIGTERM), 0);
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(int(g_ownHandlerCalls), 0);
    }
    QCOMPARE(::raise(SIGTERM), 0);
    QCOMPARE(int(g_ownHandlerCalls), 1);
    ::sigaction(SIGTERM, &saved, nullptr);
}

void TestTerminationSignals::signalClosesModalWindowsThenTheMainWindow()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage({u"[TITOLO]=Vinary"_s}));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    TerminationSignals signals_;
    TMainForm main;
    Forms forms;
    forms.frmInOut = new TfrmInOut(main.cellar(), &main);
    main.attachForms(forms);
    connect(&signals_, &TerminationSignals::terminationRequested, &main, &TMainForm::closeOnSignal);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    // A change left pending in the settings row, and the movements window open.
    Cellar &cellar = main.cellar();
    cellar.intestazione.edit();
    cellar.intestazione.fieldByName(u"Utente"_s).setValue(u"Cantina Verdi"_s);
    bool filteredWhileOpen = false;
    QTimer::singleShot(0, forms.frmInOut, [&] {
        filteredWhileOpen = cellar.Schede.filtered() && forms.frmInOut->isVisible();
        ::raise(SIGTERM);
    });
    main.Movimenti->trigger();

    QVERIFY(filteredWhileOpen);
    QVERIFY(!forms.frmInOut->isVisible());
    QTRY_VERIFY(!main.isVisible());
    QVERIFY(!cellar.DB.isOpen());
    QVERIFY(!QFileInfo::exists(dir.file(u"vinary.ldb"_s)));
    QCOMPARE(testing::queryText(dir.database(), u"SELECT Utente FROM Configurazione"_s), u"Cantina Verdi"_s);
    QVERIFY(testing::readAll(dir.file(u"form.ini"_s)).contains("[MAIN]"));
    QCOMPARE(errors.messages(), QStringList());
}

void TestTerminationSignals::signalEndsTheProgramFromAStartUpErrorBox()
{
    const QString program = QStringLiteral(VINARY_CELLAR_DIR "/vinary");
    QVERIFY2(QFileInfo(program).isExecutable(), "the program is built before its tests");
    ProgramDir dir;
    const QByteArray corrupt = QByteArray("not a cellar ").repeated(400);
    QVERIFY(testing::writeAll(dir.database(), corrupt));
    QVERIFY(testing::writeAll(
        dir.file(u"language.ini"_s),
        testing::readAll(QStringLiteral(VINARY_SOURCE_DIR "/resources/language/english.lng"))));
    QTemporaryDir home;
    QTemporaryDir runtime;
    QVERIFY(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home.path());
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);

    QProcess vinary;
    vinary.setProcessEnvironment(env);
    vinary.setWorkingDirectory(dir.path());
    vinary.start(program, {});
    QVERIFY(vinary.waitForStarted());
    // The guard's socket appears just before the signals are taken over; the engine's error box
    // on the corrupt file follows at once. Whether the signal comes before the box or while it is
    // open, the program ends.
    QTRY_VERIFY_WITH_TIMEOUT(
        !QDir(runtime.path()).entryList({u"vinary-*"_s}, QDir::System | QDir::Files).isEmpty(), 30000);
    QTest::qWait(1000);
    QCOMPARE(vinary.state(), QProcess::Running);
    vinary.terminate();
    QVERIFY2(vinary.waitForFinished(5000), "SIGTERM ends the program while the error box is open");
    QCOMPARE(vinary.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vinary.exitCode(), 0);
    QCOMPARE(testing::readAll(dir.database()), corrupt);
    QVERIFY(dir.entries().filter(u".tmp"_s).isEmpty());
    QVERIFY(!QFileInfo::exists(dir.file(u"vinary.ldb"_s)));
}

QTEST_MAIN(TestTerminationSignals)
#include "test_terminationsignals.moc"
