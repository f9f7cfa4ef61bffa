#pragma once

#include "engine/db/table.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

#include <vector>

namespace vinary {

// One column of a data grid: the field it shows, its title and its width in pixels (0: the grid's
// default for the field).
struct GridColumn {
    QString field;
    QString title;
    int width = 0;
};

// The rows of a table cursor as an item model, read by position through the table's own row
// cache: nothing is copied, and a screenful of cells costs at most one read per row. Read-only.
class TableGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TableGridModel(QObject *parent = nullptr);

    void setTable(db::Table *table);
    db::Table *table() const { return m_table; }

    void setColumns(const QList<GridColumn> &columns);
    const QList<GridColumn> &columns() const { return m_columns; }
    QString fieldAt(int column) const;
    // The column showing a field (case-insensitive), or -1.
    int columnOf(const QString &field) const;
    void setTitle(int column, const QString &title);
    // The field's type once the table has its fields; Text before.
    db::FieldType typeAt(int column) const;

    // Booleans as check marks instead of their text.
    void setDisplayBoolean(bool on);
    bool displayBoolean() const { return m_displayBoolean; }
    // The full cell text as a tooltip.
    void setCellHints(bool on) { m_cellHints = on; }
    bool cellHints() const { return m_cellHints; }

    // The text a cell shows, whatever the display options.
    QString cellText(int row, int column) const;
    // The stored value of a cell (a null QVariant when empty).
    QVariant cellValue(int row, int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    // The table's current record moved or changed.
    void currentRecordChanged();

private:
    void resolveFields();
    int fieldIndex(int column) const;
    int tableRowCount() const;
    int tablePosition(int row) const;
    void reset();
    void onRowInserted(int position);
    void onRowRemoved(int position);
    void onRowChanged(int position);
    void onRecordChanged();
    void onStateChanged();

    QPointer<db::Table> m_table;
    QList<GridColumn> m_columns;
    std::vector<int> m_fieldIndexes;
    std::vector<db::FieldType> m_types;
    QList<QMetaObject::Connection> m_connections;
    int m_rows = 0;
    int m_currentRow = -1;
    int m_pendingInsert = -1;
    int m_pendingRemove = -1;
    bool m_displayBoolean = true;
    bool m_cellHints = false;
};

} // namespace vinary
