// One running program per user: the guard in one process, and two real starts of the program.

#include "app/singleinstance.h"
#include "programdir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <atomic>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vinary;
using vinary::testing::ProgramDir;

namespace
{

QString program()
{
    return QStringLiteral(VINARY_CELLAR_DIR "/vinary");
}

// Every file of a directory with its size and modification time, to see that nothing changed.
QStringList snapshot(const QString &path)
{
    QStringList lines;
    const QFileInfoList entries =
        QDir(path).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &info : entries) {
        lines.append(
            u"%1 %2 %3"_s.arg(info.fileName()).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()));
    }
    return lines;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondClaimFailsAndActivatesTheFirst();
    void requestsWaitForTheEndOfStartUp();
    void leftoverSocketIsTakenOver();
    void nameComesFromProgramAndUser();
    void foldersOthersCanEnterAreNotUsed();
    void socketIsTheUsersOnly();
    void bringToFrontRestoresAMinimisedWindow();
    void secondStartOfTheProgramEndsAtOnce();

private:
    QTemporaryDir m_runtime;
};

void TestSingleInstance::secondClaimFailsAndActivatesTheFirst()
{
    const QString name = m_runtime.filePath(u"claim"_s);
    SingleInstance first(name);
    QVERIFY(first.claim());
    QVERIFY(first.isRunningInstance());
    QSignalSpy activations(&first, &SingleInstance::activationRequested);
    first.setReady();

    SingleInstance second(name);
    QVERIFY(!second.claim());
    QVERIFY(!second.isRunningInstance());

    // The second start waits for the answer, which the first gives from its event loop.
    std::atomic<int> answered{-1};
    std::thread asker([&] { answered = int(second.activateRunning(5000)); });
    QTRY_COMPARE(activations.count(), 1);
    QTRY_VERIFY(answered.load() != -1);
    asker.join();
    QCOMPARE(answered.load(), int(SingleInstance::Answer::Activated));

    SingleInstance nobody(m_runtime.filePath(u"nobody"_s));
    QCOMPARE(nobody.activateRunning(500), SingleInstance::Answer::None);

    // Something that listens there but does not answer as the program does is no instance.
    QLocalServer mute;
    QVERIFY(mute.listen(m_runtime.filePath(u"mute"_s)));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(SingleInstance(m_runtime.filePath(u"mute"_s)).activateRunning(500),
             SingleInstance::Answer::None);
    QVERIFY(clock.elapsed() < 5000);
}

void TestSingleInstance::requestsWaitForTheEndOfStartUp()
{
    const QString name = m_runtime.filePath(u"starting"_s);
    SingleInstance first(name);
    QVERIFY(first.claim());
    QSignalSpy activations(&first, &SingleInstance::activationRequested);

    {
        // While the start-up runs no event loop answers; a later start still learns that the
        // program is starting, not that it hangs.
        const QString busy = m_runtime.filePath(u"busy"_s);
        SingleInstance starting(busy);
        QVERIFY(starting.claim());
        std::atomic<int> blocked{-1};
        std::thread quick([&] { blocked = int(SingleInstance(busy).activateRunning(300)); });
        quick.join();
        QCOMPARE(blocked.load(), int(SingleInstance::Answer::Starting));
    }

    std::atomic<int> answered{-1};
    std::thread asker([&] { answered = int(SingleInstance(name).activateRunning(10000)); });
    // The request arrives while there is no window yet: it is kept, not answered.
    QTRY_COMPARE(first.waitingRequests(), 1);
    QCOMPARE(activations.count(), 0);
    QCOMPARE(answered.load(), -1);
    first.setReady();
    QTRY_COMPARE(activations.count(), 1);
    QTRY_COMPARE(answered.load(), int(SingleInstance::Answer::Activated));
    asker.join();
}

void TestSingleInstance::leftoverSocketIsTakenOver()
{
    // A run that ended abnormally leaves its socket file behind; nobody answers there.
    const QString name = m_runtime.filePath(u"leftover"_s);
    QVERIFY(testing::writeAll(name, QByteArray()));
    SingleInstance instance(name);
    QVERIFY(instance.claim());
    SingleInstance later(name);
    QVERIFY(!later.claim());
}

void TestSingleInstance::nameComesFromProgramAndUser()
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    const QString inRuntime = SingleInstance::defaultName();
    qunsetenv("XDG_RUNTIME_DIR");
    const QString bare = SingleInstance::defaultName();
    qputenv("XDG_RUNTIME_DIR", saved);

    QCOMPARE(QFileInfo(inRuntime).path(), m_runtime.path());
    QVERIFY2(QFileInfo(inRuntime).fileName().startsWith(u"test_singleinstance-"_s), qPrintable(inRuntime));
    QVERIFY(QFileInfo(inRuntime).fileName().size() > u"test_singleinstance-"_s.size());
    // Without a runtime directory the socket goes to a folder of the user's own, never bare into
    // the shared temporary folder.
    QCOMPARE(QFileInfo(bare).fileName(), QFileInfo(inRuntime).fileName());
    struct stat st {
    };
    QCOMPARE(::lstat(QFile::encodeName(QFileInfo(bare).path()).constData(), &st), 0);
    QVERIFY(S_ISDIR(st.st_mode));
    QCOMPARE(st.st_uid, ::getuid());
    QCOMPARE(st.st_mode & (S_IRWXG | S_IRWXO), mode_t(0));
}

void TestSingleInstance::foldersOthersCanEnterAreNotUsed()
{
    // Another user who made the folder first, or left it open, cannot listen in the program's place.
    QTemporaryDir tmp;
    const QString open = tmp.filePath(u"open"_s);
    QVERIFY(QDir().mkdir(open));
    QVERIFY(QFile::setPermissions(open, QFileDevice::Permissions(0x7777)));
    QCOMPARE(SingleInstance::privateDirectory(open), QString());
    QVERIFY(QFile::link(m_runtime.path(), tmp.filePath(u"link"_s)));
    QCOMPARE(SingleInstance::privateDirectory(tmp.filePath(u"link"_s)), QString());
    const QString made = tmp.filePath(u"made"_s);
    QCOMPARE(SingleInstance::privateDirectory(made), made);
    QCOMPARE(QFileInfo(made).permissions() & 0x0077, QFileDevice::Permissions());
    if (::getuid() == 0) {
        const QString others = tmp.filePath(u"others"_s);
        QVERIFY(QDir().mkdir(others));
        QVERIFY(QFile::setPermissions(others, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner));
        QCOMPARE(::chown(QFile::encodeName(others).constData(), 65534, 65534), 0);
        QCOMPARE(SingleInstance::privateDirectory(others), QString());
    }
}

void TestSingleInstance::socketIsTheUsersOnly()
{
    const QString name = m_runtime.filePath(u"private"_s);
    SingleInstance instance(name);
    QVERIFY(instance.claim());
    struct stat st {
    };
    QCOMPARE(::stat(QFile::encodeName(name).constData(), &st), 0);
    QVERIFY(S_ISSOCK(st.st_mode));
    QCOMPARE(st.st_mode & (S_IRWXG | S_IRWXO), mode_t(0));
}

void TestSingleInstance::bringToFrontRestoresAMinimisedWindow()
{
    QWidget window;
    window.resize(300, 200);
    window.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setWindowState(window.windowState() | Qt::WindowMinimized);
    QVERIFY(window.isMinimized());
    bringToFront(&window);
    QVERIFY(!window.isMinimized());
    QVERIFY(window.windowState().testFlag(Qt::WindowMaximized));
    QTRY_VERIFY(window.isActiveWindow());
}

void TestSingleInstance::secondStartOfTheProgramEndsAtOnce()
{
    QVERIFY2(QFileInfo(program()).isExecutable(), "the program is built before its tests");
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
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

    QProcess first;
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(dir.path());
    first.start(program(), {});
    QVERIFY(first.waitForStarted());
    // Running once its database is connected.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dir.file(u"vinary.ldb"_s)), 30000);
    // The guard's socket lies in the user's runtime directory; the program answers there once it
    // has finished starting.
    const QStringList sockets = QDir(runtime.path()).entryList({u"vinary-*"_s}, QDir::System);
    QCOMPARE(sockets.size(), 1);
    QCOMPARE(SingleInstance(runtime.filePath(sockets.first())).activateRunning(30000),
             SingleInstance::Answer::Activated);
    // Its main window's first activation indexes the pick-list columns: that write of its own is
    // over before the files are compared.
    QTRY_COMPARE_WITH_TIMEOUT(
        testing::queryText(
            dir.database(),
            u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name LIKE 'Schede\\_%' ESCAPE '\\'"_s),
        u"7"_s, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(dir.database() + u"-journal"_s), 30000);
    const QStringList before = snapshot(dir.path());

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(dir.path());
    second.start(program(), {});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    QCOMPARE(first.state(), QProcess::Running);
    const QStringList after = snapshot(dir.path());
    QVERIFY2(after == before,
             qPrintable(u"before: "_s + before.join(u"; "_s) + u"\nafter: "_s + after.join(u"; "_s)));

    // A desktop logout ends the first one as the user would: the database is released.
    first.terminate();
    QVERIFY(first.waitForFinished(30000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(dir.file(u"vinary.ldb"_s)));
}

QTEST_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
