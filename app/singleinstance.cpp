#include "app/singleinstance.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QWidget>

#include <utility>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

const QByteArray kActivate = "activate\n";
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

QString SingleInstance::defaultName()
{
    QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (program.isEmpty())
        program = u"vinary"_s;
    const QString base = program + u'-' + userName();
    // The runtime directory is the user's own; without one the socket goes to the temporary one.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(base);
    return base;
}

bool SingleInstance::claim()
{
    if (m_server)
        return true;
    // A running instance answers at once, and a later start then touches no file at all.
    if (answers(m_name))
        return false;
    // Two starts at the same moment must not both take a leftover socket for stale.
    QString lockPath = m_name;
    if (QFileInfo(m_name).isRelative())
        lockPath = QDir(QDir::tempPath()).filePath(m_name);
    QLockFile lock(lockPath + u".lock"_s);
    if (!lock.tryLock(5000))
        return false;
    if (listen())
        return true;
    if (answers(m_name))
        return false;
    QLocalServer::removeServer(m_name);
    return listen();
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
        if (m_ready)
            answer(socket);
        else
            m_waiting.append(socket);
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
    const QList<QPointer<QLocalSocket>> waiting = std::exchange(m_waiting, {});
    for (const QPointer<QLocalSocket> &socket : waiting) {
        if (socket && socket->state() == QLocalSocket::ConnectedState)
            answer(socket);
    }
}

bool SingleInstance::activateRunning(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kActivate);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine() == kDone;
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
