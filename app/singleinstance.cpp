#include "app/singleinstance.h"

#include "app/mymsg.h"
#include "engine/common/errors.h"
#include "language/languagetable.h"
#include "widgets/applicationtitle.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QWidget>

#include <utility>

#include <cerrno>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

const QByteArray kActivate = "activate\n";
const QByteArray kStarting = "starting\n";
const QByteArray kDone = "ok\n";

QString userName()
{
    if (const passwd *pw = ::getpwuid(::getuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::getuid());
}

bool answers(const QString &name)
{
    QLocalSocket probe;
    probe.connectToServer(name);
    return probe.waitForConnected(1000);
}

} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent) : QObject(parent), m_name(name) {}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::besideSocket(const QString &suffix) const
{
    const QString path = QFileInfo(m_name).isRelative() ? QDir(QDir::tempPath()).filePath(m_name) : m_name;
    return path + suffix;
}

QString SingleInstance::defaultName()
{
    QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (program.isEmpty())
        program = u"vinary"_s;
    const QString base = program + u'-' + userName();
    // The runtime directory is the user's own. Without one, a name in the shared temporary folder
    // could be taken first by another user, who would then answer for this program: the socket
    // goes to a folder that only this user can enter, in the temporary folder or else at home.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(base);
    const QString folder = QStringLiteral("vinary-%1").arg(::getuid());
    const QStringList candidates = {QDir(QDir::tempPath()).filePath(folder),
                                    QDir::home().filePath(u'.' + folder)};
    for (const QString &candidate : candidates) {
        const QString dir = privateDirectory(candidate);
        if (!dir.isEmpty())
            return QDir(dir).filePath(base);
    }
    return QString();
}

QString SingleInstance::privateDirectory(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    struct stat st {
    };
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return QString();
    return path;
}

bool SingleInstance::claim()
{
    if (m_server || m_name.isEmpty())
        return true;
    // A running instance answers at once, and a later start then touches no file at all.
    if (answers(m_name))
        return false;
    // Two starts at the same moment must not both take a leftover socket for stale.
    QLockFile lock(besideSocket(u".lock"_s));
    if (!lock.tryLock(5000))
        return false;
    if (!listen()) {
        if (answers(m_name))
            return false;
        QLocalServer::removeServer(m_name);
        if (!listen())
            return false;
    }
    // The start-up runs without the event loop, so the socket cannot answer before the window is
    // up; this lock, held until then, tells a later start that the program is starting.
    m_starting = std::make_unique<QLockFile>(besideSocket(u".starting"_s));
    m_starting->setStaleLockTime(0);
    m_starting->tryLock(0);
    return true;
}

bool SingleInstance::listen()
{
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_name)) {
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection())
            serve(socket);
    });
    return true;
}

void SingleInstance::serve(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine())
            return;
        if (socket->readLine() != kActivate) {
            socket->disconnectFromServer();
            return;
        }
        if (m_ready) {
            answer(socket);
        } else {
            // Told at once, so that the later start can say so; confirmed when the window is up.
            socket->write(kStarting);
            socket->flush();
            m_waiting.append(socket);
        }
    });
}

void SingleInstance::answer(QLocalSocket *socket)
{
    Q_EMIT activationRequested();
    socket->write(kDone);
    socket->flush();
    socket->disconnectFromServer();
}

void SingleInstance::setReady()
{
    m_ready = true;
    m_starting.reset();
    const QList<QPointer<QLocalSocket>> waiting = std::exchange(m_waiting, {});
    for (const QPointer<QLocalSocket> &socket : waiting) {
        if (socket && socket->state() == QLocalSocket::ConnectedState)
            answer(socket);
    }
}

SingleInstance::Answer SingleInstance::activateRunning(int timeoutMs) const
{
    if (m_name.isEmpty())
        return Answer::None;
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return int(qMax<qint64>(0, timeoutMs - clock.elapsed())); };
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return Answer::None;
    socket.write(kActivate);
    if (!socket.waitForBytesWritten(left()))
        return Answer::None;
    bool starting = false;
    for (;;) {
        while (socket.canReadLine()) {
            const QByteArray line = socket.readLine();
            if (line == kDone)
                return Answer::Activated;
            if (line == kStarting)
                starting = true;
        }
        if (left() == 0 || !socket.waitForReadyRead(left()))
            return starting || isStarting() ? Answer::Starting : Answer::None;
    }
}

bool SingleInstance::isStarting() const
{
    // Held by a running process: that one is still starting. A lock left by a process that has
    // ended is taken over here, and says nothing.
    QLockFile probe(besideSocket(u".starting"_s));
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

void showSecondStartNotice(SingleInstance::Answer answer)
{
    if (answer == SingleInstance::Answer::Activated)
        return;
    // No window exists yet: the language table is read here for this one message.
    LanguageTable language;
    try {
        language.load(LanguageTable::iniFileName());
    } catch (const VinaryError &) {
        // Without a language the key shows as it is, as everywhere in the program.
    }
    setApplicationTitle(language.traduci(u"[TITOLO]"_s));
    Mymsg box;
    box.notice(language.traduci(answer == SingleInstance::Answer::Starting
                                    ? u"   [GIA_IN_AVVIO]   "_s
                                    : u"   [ISTANZA_NON_RISPONDE]   "_s));
}

void bringToFront(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
    // A modal window shown from the main window is the one the user must see.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != window) {
        modal->raise();
        modal->activateWindow();
    }
}

} // namespace vinary
