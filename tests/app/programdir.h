#pragma once

// A throw-away program directory for start-up tests: the delivered database built from its SQL,
// a language.ini, and the current directory moved there for the test's lifetime.

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace vinary::testing
{

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Runs SQL on a database file, creating it when needed; false (and a warning) on any error.
inline bool runSql(const QString &file, const QString &sql)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    char *error = nullptr;
    const bool ok = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK;
    if (!ok)
        qWarning("SQL failed: %s", error ? error : "?");
    sqlite3_free(error);
    sqlite3_close(db);
    return ok;
}

// The first column of the first row of a query, as text; a null QString when there is no row.
inline QString queryText(const QString &file, const QString &sql)
{
    sqlite3 *db = nullptr;
    QString result;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char *text = sqlite3_column_text(stmt, 0);
            result = text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QStringLiteral("");
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

class ProgramDir
{
public:
    ProgramDir() : m_previous(QDir::currentPath()) {}
    ~ProgramDir() { QDir::setCurrent(m_previous); }
    ProgramDir(const ProgramDir &) = delete;
    ProgramDir &operator=(const ProgramDir &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString database() const { return file(QStringLiteral("vinary.mdb")); }

    // The delivered database, then any SQL of the test's own.
    bool createDatabase(const QString &extraSql = QString()) const
    {
        const QByteArray sql = readAll(QStringLiteral(VINARY_SOURCE_DIR "/resources/db/vinary.sql"));
        if (sql.isEmpty() || !runSql(database(), QString::fromUtf8(sql)))
            return false;
        return extraSql.isEmpty() || runSql(database(), extraSql);
    }

    // language.ini as CR LF lines.
    bool writeLanguage(const QStringList &lines, const QString &name = QStringLiteral("language.ini")) const
    {
        return writeAll(file(name), (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    }

    // The current directory becomes the program directory, as at a start from there.
    bool enter() const { return QDir::setCurrent(m_dir.path()); }

    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

} // namespace vinary::testing
