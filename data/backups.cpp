#include "data/backups.h"

#include "data/cellar.h"
#include "engine/db/onlinebackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

const QString kDatabase = u"vinary.mdb"_s;
const QString kSettings = u"backup.ini"_s;

QDateTime takenFromName(const QString &name)
{
    static const QRegularExpression pattern(u"^vinary-(\\d{4}-\\d{2}-\\d{2}-\\d{6})(?:-\\d+)?\\.mdb$"_s);
    const QRegularExpressionMatch m = pattern.match(name);
    if (!m.hasMatch())
        return {};
    return QDateTime::fromString(m.captured(1), u"yyyy-MM-dd-HHmmss"_s);
}

int readSetting(const QStringList &lines, const QString &key, int fallback, int maximum)
{
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            bool ok = false;
            const int value = line.mid(eq + 1).trimmed().toInt(&ok);
            return ok ? std::clamp(value, 0, maximum) : fallback;
        }
    }
    return fallback;
}

} // namespace

CellarBackups::CellarBackups(const QString &dir) : m_dir(dir), m_folder(dir + u"backup/"_s) {}

QString CellarBackups::databaseFile() const
{
    return m_dir + kDatabase;
}

BackupRetention CellarBackups::retention() const
{
    BackupRetention r;
    QFile file(m_folder + kSettings);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || file.size() > 64 * 1024)
        return r;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    r.days = std::max(1, readSetting(lines, u"Giorni"_s, r.days, BackupRetention::kMaxDays));
    r.weeks = readSetting(lines, u"Settimane"_s, r.weeks, BackupRetention::kMaxWeeks);
    return r;
}

void CellarBackups::setRetention(const BackupRetention &retention) const
{
    const QString name = m_folder + kSettings;
    if (!QDir().mkpath(m_folder))
        throw VinaryError(u"Cannot create the folder %1"_s.arg(m_folder));
    QSaveFile file(name);
    const QByteArray text = QStringLiteral("[Copie]\nGiorni=%1\nSettimane=%2\n")
                                .arg(std::clamp(retention.days, 1, BackupRetention::kMaxDays))
                                .arg(std::clamp(retention.weeks, 0, BackupRetention::kMaxWeeks))
                                .toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw VinaryError(u"Cannot write the file %1: %2"_s.arg(name, why));
    }
    if (!file.commit())
        throw VinaryError(u"Cannot write the file %1: %2"_s.arg(name, file.errorString()));
}

QList<BackupCopy> CellarBackups::copies() const
{
    QList<BackupCopy> list;
    const QDir dir(m_folder);
    for (const QString &name : dir.entryList({u"vinary-*.mdb"_s}, QDir::Files)) {
        const QDateTime taken = takenFromName(name);
        if (taken.isValid()) {
            BackupCopy copy;
            copy.fileName = dir.filePath(name);
            copy.taken = taken;
            list.append(copy);
        }
    }
    std::sort(list.begin(), list.end(), [](const BackupCopy &a, const BackupCopy &b) {
        return a.taken != b.taken ? a.taken > b.taken : a.fileName > b.fileName;
    });
    return list;
}

QList<BackupCopy> CellarBackups::inspectedCopies() const
{
    QList<BackupCopy> list = copies();
    for (BackupCopy &copy : list) {
        const BackupCopy seen = inspect(copy.fileName);
        copy.sound = seen.sound;
        copy.why = seen.why;
        copy.cards = seen.cards;
        copy.journal = seen.journal;
    }
    return list;
}

std::optional<BackupCopy> CellarBackups::newestSoundCopy() const
{
    for (const BackupCopy &copy : copies()) {
        const BackupCopy seen = inspect(copy.fileName);
        if (seen.sound)
            return seen;
    }
    return std::nullopt;
}

QString CellarBackups::newCopyName(const QDateTime &now) const
{
    const QString stem = m_folder + u"vinary-"_s + now.toString(u"yyyy-MM-dd-HHmmss"_s);
    QString name = stem + u".mdb"_s;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + u"-%1.mdb"_s.arg(n);
    return name;
}

QString CellarBackups::keepDatedCopy(const QDateTime &now) const
{
    if (!QDir().mkpath(m_folder))
        throw VinaryError(u"Cannot create the folder %1"_s.arg(m_folder));
    const QString name = newCopyName(now);
    db::backupFile(databaseFile(), name);
    return name;
}

QString CellarBackups::keepDatedCopy(db::Connection &open, const QDateTime &now) const
{
    if (!QDir().mkpath(m_folder))
        throw VinaryError(u"Cannot create the folder %1"_s.arg(m_folder));
    const QString name = newCopyName(now);
    db::backupConnection(open, name);
    return name;
}

QList<int> CellarBackups::toPrune(const QList<BackupCopy> &copies, const BackupRetention &retention,
                                  const QDate &today)
{
    QList<int> order(copies.size());
    for (int i = 0; i < copies.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return copies.at(a).taken > copies.at(b).taken; });
    QList<QDate> days;
    QList<int> weeks;
    QSet<int> keep;
    for (const int i : std::as_const(order)) {
        const QDate day = copies.at(i).taken.date();
        if (day >= today)
            keep.insert(i);
        if (!days.contains(day)) {
            days.append(day);
            if (days.size() <= retention.days)
                keep.insert(i);
        }
        int year = 0;
        const int week = day.weekNumber(&year) + year * 100;
        if (!weeks.contains(week)) {
            weeks.append(week);
            if (weeks.size() <= retention.weeks)
                keep.insert(i);
        }
    }
    QList<int> prune;
    for (int i = 0; i < copies.size(); ++i) {
        if (!keep.contains(i))
            prune.append(i);
    }
    return prune;
}

QStringList CellarBackups::prune(const QDate &today) const
{
    const QList<BackupCopy> list = copies();
    QStringList removed;
    for (const int i : toPrune(list, retention(), today)) {
        if (QFile::remove(list.at(i).fileName))
            removed.append(list.at(i).fileName);
    }
    return removed;
}

bool CellarBackups::isSoundCellar(const QString &fileName, QString *why)
{
    if (!db::Connection::isSoundDatabase(fileName, why))
        return false;
    try {
        const qint64 tables =
            db::queryFile(fileName, u"SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                    "AND name IN ('Configurazione', 'Schede', 'Giornale')"_s)
                .toLongLong();
        if (tables == 3)
            return true;
        if (why)
            *why = u"it is not a Vinary database"_s;
    } catch (const std::exception &e) {
        if (why)
            *why = QString::fromUtf8(e.what());
    }
    return false;
}

BackupCopy CellarBackups::inspect(const QString &fileName)
{
    BackupCopy copy;
    copy.fileName = fileName;
    copy.taken = takenFromName(QFileInfo(fileName).fileName());
    copy.sound = isSoundCellar(fileName, &copy.why);
    if (copy.sound) {
        try {
            copy.cards = db::queryFile(fileName, u"SELECT count(*) FROM Schede"_s).toLongLong();
            copy.journal = db::queryFile(fileName, u"SELECT count(*) FROM Giornale"_s).toLongLong();
        } catch (const std::exception &e) {
            copy.sound = false;
            copy.why = QString::fromUtf8(e.what());
        }
    }
    return copy;
}

bool keepDatedBackup(const QString &dir) noexcept
{
    try {
        const CellarBackups backups(dir);
        if (!db::Connection::isSoundDatabase(backups.databaseFile()))
            return false;
        const QDateTime now = QDateTime::currentDateTime();
        backups.keepDatedCopy(now);
        backups.prune(now.date());
        return true;
    } catch (...) {
        return false;
    }
}

QString restoreCellar(Cellar &cellar, const QString &source, const QDateTime &now)
{
    QString why;
    if (!CellarBackups::isSoundCellar(source, &why))
        throw VinaryError(cellar.traduci(u"[ERR_RIPRISTINO]"_s) + u"\n"_s + source + u": "_s + why);

    db::Table *const tables[] = {&cellar.intestazione, &cellar.Schede, &cellar.giornale};
    for (db::Table *table : tables) {
        if (table->isEditing())
            table->settle();
    }
    const CellarBackups backups(cellar.programDir);
    const QString kept = backups.keepDatedCopy(cellar.DB, now);

    QList<db::Table *> reopen;
    for (db::Table *table : tables) {
        if (table->isActive()) {
            reopen.append(table);
            table->close();
        }
    }
    auto openAgain = [&] {
        for (db::Table *table : std::as_const(reopen))
            table->open();
    };
    try {
        db::restoreInto(cellar.DB, source);
    } catch (...) {
        openAgain();
        throw;
    }
    // The restored file may differ in its schema: the table objects read their fields afresh.
    cellar.disconnect();
    cellar.connect();
    openAgain();
    return kept;
}

void restoreDatabaseFile(const QString &dir, const QString &source)
{
    QString why;
    if (!CellarBackups::isSoundCellar(source, &why))
        throw VinaryError(u"%1: %2"_s.arg(source, why));
    const QString database = dir + kDatabase;
    const QString damaged = database + u".damaged"_s;
    const bool present = QFileInfo::exists(database);
    if (present) {
        QFile::remove(damaged);
        if (std::rename(QFile::encodeName(database).constData(), QFile::encodeName(damaged).constData()) != 0)
            throw VinaryError(u"Cannot move %1 aside"_s.arg(database));
    }
    try {
        db::backupFile(source, database);
    } catch (...) {
        if (present)
            std::rename(QFile::encodeName(damaged).constData(), QFile::encodeName(database).constData());
        throw;
    }
}

} // namespace vinary
