#pragma once

#include <QString>

namespace vinary::db
{

// The lock file beside a database. Every process that holds the database keeps a shared advisory
// lock on it and writes its process id and host name into it; a process that can upgrade to an
// exclusive lock at release is the last holder and removes the file. A file left by a run that
// ended abnormally holds no lock and is taken over by the next run.
class LockFile
{
public:
    explicit LockFile(const QString &path);
    ~LockFile();
    LockFile(const LockFile &) = delete;
    LockFile &operator=(const LockFile &) = delete;

    // Creates the file when needed, takes the shared lock and names this process as the holder;
    // raises on failure.
    void acquire();
    // Drops the lock; removes the file when no other process holds it.
    void release();
    bool isHeld() const { return m_fd >= 0; }
    const QString &path() const { return m_path; }

    // True when some process holds a lock on the file at path (a leftover file answers false).
    static bool isHeldByAnyone(const QString &path);

    // Removes the lock file at path when it is stale: no process of this host holds it, and the
    // holder it names (this host's, or nobody: an empty file) no longer runs. A lock written by
    // another host or by another program is never stale. Answers true when no lock file remains.
    static bool removeIfStale(const QString &path);

    // SIGINT, SIGTERM and SIGHUP remove the locks this process holds (when it is their last holder)
    // before the process ends as the signal would have ended it. For tools without an event loop.
    static void releaseOnTerminationSignals();

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace vinary::db
