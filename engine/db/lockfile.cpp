#include "engine/db/lockfile.h"

#include "engine/db/connection.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vinary::db {

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
        const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0664);
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
        struct stat byFd {};
        struct stat byPath {};
        if (::fstat(fd, &byFd) == 0 && ::stat(native.constData(), &byPath) == 0 && byFd.st_ino == byPath.st_ino &&
            byFd.st_dev == byPath.st_dev) {
            m_fd = fd;
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

} // namespace vinary::db
