#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace vinary::jet
{

// The few SQLite calls the conversion needs, raising VinaryError with the engine's message.
// Kept apart from the program's connection: the converter writes a file nobody has open yet.
class SqliteFile
{
public:
    // ":memory:" opens a private in-memory database.
    explicit SqliteFile(const QString &fileName);
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    void exec(const QString &sql);
    sqlite3 *handle() const { return m_db; }
    [[noreturn]] void fail(const QString &what) const;
    void close();

private:
    sqlite3 *m_db = nullptr;
};

class SqliteStatement
{
public:
    SqliteStatement(SqliteFile &file, const QString &sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // Binds null, qint64/int/bool, double, QString or QByteArray (1-based index).
    void bind(int index, const QVariant &value);
    bool step(); // true while a row is available
    void reset();
    QString text(int column) const;
    qint64 int64(int column) const;
    bool isNull(int column) const;
    int columnCount() const;
    // The stored value in its own type: null, qint64, double, QString or QByteArray.
    QVariant value(int column) const;

private:
    SqliteFile &m_file;
    sqlite3_stmt *m_stmt = nullptr;
};

// "name" with inner quotes doubled, for identifiers in SQL.
QString quoteIdentifier(const QString &name);

} // namespace vinary::jet
