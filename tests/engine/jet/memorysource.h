#pragma once

#include "engine/common/errors.h"
#include "engine/jet/jetsource.h"

// A Jet source held in memory, for feeding the converter rows without a Jet file.
class MemorySource : public vinary::jet::JetSource
{
public:
    struct Table {
        QString name;
        QList<vinary::jet::JetColumn> columns;
        QList<QVariantList> rows;
    };

    explicit MemorySource(const QString &name = QStringLiteral("memory.mdb")) : m_name(name) {}

    Table &add(const QString &table, const QList<vinary::jet::JetColumn> &columns)
    {
        m_tables.append(Table{table, columns, {}});
        return m_tables.last();
    }
    Table &table(const QString &name)
    {
        for (Table &t : m_tables) {
            if (t.name.compare(name, Qt::CaseInsensitive) == 0)
                return t;
        }
        throw vinary::VinaryError(QStringLiteral("no table %1").arg(name));
    }
    void remove(const QString &name)
    {
        m_tables.removeIf([&](const Table &t) { return t.name == name; });
    }

    QString name() const override { return m_name; }
    QStringList tables() override
    {
        QStringList names;
        for (const Table &t : m_tables)
            names.append(t.name);
        return names;
    }
    QList<vinary::jet::JetColumn> columns(const QString &name) override { return table(name).columns; }
    void rows(const QString &name, const RowSink &sink) override
    {
        for (const QVariantList &row : table(name).rows)
            sink(row);
    }

private:
    QString m_name;
    QList<Table> m_tables;
};
