#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vinary::jet
{

// The tables a converted database must have, read from an SQL script by running it in memory:
// the CREATE TABLE texts are kept exactly as the script writes them.
class CellarSchema
{
public:
    struct Column {
        QString name;
        QString declaredType; // as written: "TEXT(50)", "REAL", "DATETIME"...
    };
    struct Table {
        QString name;
        QString createSql;
        QList<Column> columns;
        bool autoIncrement = false; // has an INTEGER PRIMARY KEY AUTOINCREMENT column

        const Column *column(const QString &name) const; // letter case ignored
    };

    CellarSchema() = default;
    // Raises VinaryError when the script does not run.
    static CellarSchema fromSql(const QString &script);
    // The schema of the delivered cellar database (resources/db/vinary.sql).
    static const CellarSchema &cellar();

    const QList<Table> &tables() const { return m_tables; }
    const Table *table(const QString &name) const; // letter case ignored
    // Indexes, triggers and views, to be created once the rows are in.
    const QStringList &laterStatements() const { return m_later; }

private:
    QList<Table> m_tables;
    QStringList m_later;
};

} // namespace vinary::jet
