#include "engine/jet/cellarschema.h"

#include "engine/common/errors.h"
#include "engine/jet/sqlitefile.h"

#include "cellarsql.h"

namespace vinary::jet
{

const CellarSchema::Column *CellarSchema::Table::column(const QString &wanted) const
{
    for (const Column &c : columns) {
        if (c.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

CellarSchema CellarSchema::fromSql(const QString &script)
{
    SqliteFile db(QStringLiteral(":memory:"));
    try {
        db.exec(script);
    } catch (const VinaryError &e) {
        throw VinaryError(QStringLiteral("The cellar schema does not run: %1").arg(e.message()));
    }

    CellarSchema schema;
    SqliteStatement objects(db, QStringLiteral("SELECT type, name, sql FROM sqlite_master "
                                               "WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite\\_%' "
                                               "ESCAPE '\\' ORDER BY rowid"));
    while (objects.step()) {
        const QString type = objects.text(0);
        if (type != u"table") {
            schema.m_later.append(objects.text(2));
            continue;
        }
        Table table;
        table.name = objects.text(1);
        table.createSql = objects.text(2);
        table.autoIncrement = table.createSql.contains(QStringLiteral("AUTOINCREMENT"), Qt::CaseInsensitive);
        schema.m_tables.append(table);
    }
    for (Table &table : schema.m_tables) {
        SqliteStatement info(db, QStringLiteral("SELECT name, type FROM pragma_table_info(?1) ORDER BY cid"));
        info.bind(1, table.name);
        while (info.step())
            table.columns.append(Column{info.text(0), info.text(1)});
    }
    return schema;
}

const CellarSchema &CellarSchema::cellar()
{
    static const CellarSchema schema = fromSql(
        QString::fromUtf8(reinterpret_cast<const char *>(kCellarSql), qsizetype(sizeof kCellarSql) - 1));
    return schema;
}

const CellarSchema::Table *CellarSchema::table(const QString &name) const
{
    for (const Table &t : m_tables) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

} // namespace vinary::jet
