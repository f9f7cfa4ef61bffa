#include "engine/db/lockfile.h"

#include "engine/db/connection.h"

#include <QByteArrayList>
#include <QFile>
#include <QSysInfo>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vinary::db
{

namespace
{

// The locks this process holds, as a signal handler may read them: no allocation, no Qt.
struct HeldLock {
    volatile sig_atomic_t fd = -1;
    char path[4096] = {};
};
std::array<HeldLock, 8> g_held;

void remember(int fd, const QByteArray &path)
{
    if (path.size() >= qsizetype(sizeof(HeldLock::path)))
        return;
    for (HeldLock &slot : g_held) {
        if (slot.fd < 0) {
            std::memcpy(slot.path, path.constData(), size_t(path.size()) + 1);
            slot.fd = fd;
            return;
        }
    }
}

void forget(int fd)
{
    for (HeldLock &slot : g_held) {
        if (slot.fd == fd)
            slot.fd = -1;
    }
}

extern "C" void releaseHeldLocksAndEnd(int signalNumber)
{
    for (HeldLock &slot : g_held) {
        const int fd = slot.fd;
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(slot.path);
    }
    // The handler was installed to run once: the default action ends the process on return.
    ::raise(signalNumber);
}

// The start time of a process in clock ticks since boot (field 22 of /proc/<pid>/stat), which tells
// a holder from a later process that got the same id; 0 when unknown.
quint64 processStartTime(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold spaces; the fields after it do not.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QByteArrayList fields = line.mid(close + 2).split(' ');
    return fields.size() > 19 ? fields.at(19).toULongLong() : 0;
}

bool processRuns(qint64 pid, quint64 startTime)
{
    if (pid <= 0)
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    const quint64 now = processStartTime(pid);
    return startTime == 0 || now == 0 || now == startTime;
}

QByteArray holderText()
{
    const qint64 pid = ::getpid();
    return "pid=" + QByteArray::number(pid) + "\nstart=" + QByteArray::number(processStartTime(pid)) +
           "\nhost=" + QSysInfo::machineHostName().toUtf8() + '\n';
}

enum class Holder { Nobody, ThisHost, OtherHost, Unknown };

// Who the lock file's text names: nobody (an empty file, left by an older run), a process of this
// host (then pid and start are set), another host, or something written by another program.
Holder parseHolder(const QByteArray &text, qint64 *pid, quint64 *start)
{
    if (text.trimmed().isEmpty())
        return Holder::Nobody;
    QByteArray host;
    bool havePid = false;
    for (const QByteArray &line : text.split('\n')) {
        if (line.startsWith("pid="))
            *pid = line.mid(4).toLongLong(&havePid);
        else if (line.startsWith("start="))
            *start = line.mid(6).toULongLong();
        else if (line.startsWith("host="))
            host = line.mid(5);
    }
    if (!havePid || host.isEmpty())
        return Holder::Unknown;
    return host == QSysInfo::machineHostName().toUtf8() ? Holder::ThisHost : Holder::OtherHost;
}

bool samePath(int fd, const QByteArray &path)
{
    struct stat byFd {
    };
    struct stat byPath {
    };
    return ::fstat(fd, &byFd) == 0 && ::stat(path.constData(), &byPath) == 0 &&
           byFd.st_ino == byPath.st_ino && byFd.st_dev == byPath.st_dev;
}

} // namespace

LockFile::LockFile(const QString &path) : m_path(path) {}

LockFile::~LockFile()
{
    release();
}

void LockFile::acquire()
{
    if (m_fd >= 0)
        return;
    const QByteArray native = QFile::encodeName(m_path);
    // Another process may remove the file between our open and our lock; retry until the locked
    // descriptor is the file that stands at the path.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            throw DbError(QStringLiteral("Cannot create the lock file %1: %2")
                              .arg(m_path, QString::fromLocal8Bit(std::strerror(errno))));
        }
        if (::flock(fd, LOCK_SH) != 0) {
            const int err = errno;
            ::close(fd);
            throw DbError(QStringLiteral("Cannot lock the file %1: %2")
                              .arg(m_path, QString::fromLocal8Bit(std::strerror(err))));
        }
        if (samePath(fd, native)) {
            // The last process to take the lock names itself; any holder keeps the file alive.
            const QByteArray text = holderText();
            if (::ftruncate(fd, 0) == 0) {
                [[maybe_unused]] const ssize_t written =
                    ::pwrite(fd, text.constData(), size_t(text.size()), 0);
            }
            m_fd = fd;
            remember(fd, native);
            return;
        }
        ::close(fd);
    }
    throw DbError(QStringLiteral("Cannot lock the file %1").arg(m_path));
}

void LockFile::release()
{
    if (m_fd < 0)
        return;
    forget(m_fd);
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}

bool LockFile::isHeldByAnyone(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return !free;
}

bool LockFile::removeIfStale(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    // Held exclusively while it is judged and removed, so that no process takes it meanwhile.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    QByteArray text(4096, '\0');
    const ssize_t n = ::pread(fd, text.data(), size_t(text.size()), 0);
    text.truncate(n > 0 ? n : 0);
    qint64 pid = 0;
    quint64 start = 0;
    const Holder holder = parseHolder(text, &pid, &start);
    const bool stale = holder == Holder::Nobody || (holder == Holder::ThisHost && !processRuns(pid, start));
    bool removed = false;
    if (stale && samePath(fd, native))
        removed = ::unlink(native.constData()) == 0 || errno == ENOENT;
    ::close(fd);
    return removed;
}

void LockFile::releaseOnTerminationSignals()
{
    struct sigaction action {
    };
    action.sa_handler = releaseHeldLocksAndEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}

} // namespace vinary::db
