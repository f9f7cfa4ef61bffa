#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vinary
{

class Cellar;

namespace db
{
class Connection;
}

// How many dated copies are kept: the newest copy of each of the last `days` days that have one,
// and the newest of each of the last `weeks` calendar weeks that have one.
struct BackupRetention {
    static constexpr int kMaxDays = 366;
    static constexpr int kMaxWeeks = 520;
    int days = 7;
    int weeks = 4;
};

// One dated copy in the backup folder, with what a restore needs to know of it.
struct BackupCopy {
    QString fileName; // full path
    QDateTime taken;
    bool sound = false;
    QString why; // why it is not a sound cellar
    qint64 cards = -1;
    qint64 journal = -1;
};

// The dated copies of the cellar in the folder "backup/" of the program directory. Each start that
// makes the backup copy also keeps a dated copy here, named "vinary-YYYY-MM-DD-HHMMSS.mdb" after
// the moment it was taken, and prunes the copies that the retention no longer keeps. The retention
// lives beside the copies, in "backup/backup.ini", so that restoring a copy does not change it.
class CellarBackups
{
public:
    // dir: the program directory, ending with "/".
    explicit CellarBackups(const QString &dir);

    QString folder() const { return m_folder; }
    QString databaseFile() const;

    BackupRetention retention() const;
    // Raises VinaryError when the file cannot be written.
    void setRetention(const BackupRetention &retention) const;

    // The copies by their names, newest first, without opening them.
    QList<BackupCopy> copies() const;
    // The same, each opened read-only to tell whether it is a sound cellar and to count its cards
    // and journal lines.
    QList<BackupCopy> inspectedCopies() const;
    std::optional<BackupCopy> newestSoundCopy() const;

    // Copies the database file (closed), or the open connection, to a new dated copy and returns
    // its name. Raises DbError.
    QString keepDatedCopy(const QDateTime &now) const;
    QString keepDatedCopy(db::Connection &open, const QDateTime &now) const;
    // Removes the copies the retention does not keep; returns the names removed.
    QStringList prune(const QDate &today) const;

    // The copies (newest first) that the retention does not keep. Every copy of today is kept, so
    // that a restore made today, or a mistake noticed later the same day, can still be undone.
    static QList<int> toPrune(const QList<BackupCopy> &copies, const BackupRetention &retention,
                              const QDate &today);
    // A file that is a sound SQLite database holding the cellar's tables.
    static bool isSoundCellar(const QString &fileName, QString *why = nullptr);
    static BackupCopy inspect(const QString &fileName);

private:
    QString newCopyName(const QDateTime &now) const;

    QString m_dir;
    QString m_folder;
};

// The start-up's dated copy: made and pruned after the backup copy; a failure is ignored, as a
// failed backup copy is. Returns whether a copy was made.
bool keepDatedBackup(const QString &dir) noexcept;

// Restores a dated copy (or any cellar file) into the open cellar: a source that is not a sound
// cellar is refused before anything is replaced; the current database is first kept as one more
// dated copy; then its content is replaced in one step and the tables that were open are opened
// again. Returns the name of the copy kept. Raises VinaryError, with the cellar as it was.
QString restoreCellar(Cellar &cellar, const QString &source, const QDateTime &now);

// At a start without a usable database file (the connection closed): puts the copy source in
// place of "vinary.mdb", keeping a damaged file beside it as "vinary.mdb.damaged". Raises.
void restoreDatabaseFile(const QString &dir, const QString &source);

} // namespace vinary
