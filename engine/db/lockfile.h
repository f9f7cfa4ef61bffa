#pragma once

#include <QString>

namespace vinary::db {

// The lock file beside a database. Every process that holds the database keeps a shared advisory
// lock on it; a process that can upgrade to an exclusive lock at release is the last holder and
// removes the file. A file left by a crashed run holds no lock and is taken over by the next run.
class LockFile
{
public:
    explicit LockFile(const QString &path);
    ~LockFile();
    LockFile(const LockFile &) = delete;
    LockFile &operator=(const LockFile &) = delete;

    // Creates the file when needed and takes the shared lock; raises on failure.
    void acquire();
    // Drops the lock; removes the file when no other process holds it.
    void release();
    bool isHeld() const { return m_fd >= 0; }
    const QString &path() const { return m_path; }

    // True when some process holds a lock on the file at path (a leftover file answers false).
    static bool isHeldByAnyone(const QString &path);

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace vinary::db
