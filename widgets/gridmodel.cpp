#include "widgets/gridmodel.h"

#include "engine/db/table.h"

namespace vinary {

namespace {

bool isNumeric(db::FieldType type)
{
    return type == db::FieldType::Float || type == db::FieldType::Integer ||
           type == db::FieldType::Integer16 || type == db::FieldType::Counter;
}

} // namespace

TableGridModel::TableGridModel(QObject *parent) : QAbstractTableModel(parent) {}

void TableGridModel::setTable(db::Table *table)
{
    beginResetModel();
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_table = table;
    if (table) {
        m_connections << connect(table, &db::Dataset::rowsReset, this, &TableGridModel::reset)
                      << connect(table, &db::Dataset::rowInserted, this, &TableGridModel::onRowInserted)
                      << connect(table, &db::Dataset::rowRemoved, this, &TableGridModel::onRowRemoved)
                      << connect(table, &db::Dataset::rowChanged, this, &TableGridModel::onRowChanged)
                      << connect(table, &db::Dataset::recordChanged, this, &TableGridModel::onRecordChanged)
                      << connect(table, &db::Dataset::stateChanged, this, &TableGridModel::onStateChanged)
                      << connect(table, &QObject::destroyed, this, &TableGridModel::reset);
    }
    resolveFields();
    m_rows = tableRowCount();
    m_currentRow = m_table && m_table->isActive() ? m_table->recNo() : -1;
    endResetModel();
}

void TableGridModel::setColumns(const QList<GridColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    resolveFields();
    m_rows = tableRowCount();
    endResetModel();
}

QString TableGridModel::fieldAt(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column).field : QString();
}

int TableGridModel::columnOf(const QString &field) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TableGridModel::setTitle(int column, const QString &title)
{
    if (column < 0 || column >= m_columns.size())
        return;
    m_columns[column].title = title;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

db::FieldType TableGridModel::typeAt(int column) const
{
    return column >= 0 && size_t(column) < m_types.size() ? m_types[size_t(column)] : db::FieldType::Text;
}

void TableGridModel::setDisplayBoolean(bool on)
{
    if (m_displayBoolean == on)
        return;
    m_displayBoolean = on;
    if (m_rows > 0 && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1));
}

void TableGridModel::resolveFields()
{
    m_fieldIndexes.assign(size_t(m_columns.size()), -1);
    m_types.assign(size_t(m_columns.size()), db::FieldType::Text);
    if (!m_table)
        return;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (const db::Field *f = m_table->findField(m_columns.at(i).field)) {
            m_fieldIndexes[size_t(i)] = f->index();
            m_types[size_t(i)] = f->type();
        }
    }
}

int TableGridModel::fieldIndex(int column) const
{
    return column >= 0 && size_t(column) < m_fieldIndexes.size() ? m_fieldIndexes[size_t(column)] : -1;
}

int TableGridModel::tableRowCount() const
{
    return m_table && m_table->isActive() ? m_table->recordCount() : 0;
}

void TableGridModel::reset()
{
    beginResetModel();
    resolveFields();
    m_rows = tableRowCount();
    m_currentRow = m_table && m_table->isActive() ? m_table->recNo() : -1;
    endResetModel();
    Q_EMIT currentRecordChanged();
}

// The table has already changed when it tells: the model keeps its own count so that views see a
// consistent before and after. A count that does not add up means a change the model missed.
void TableGridModel::onRowInserted(int position)
{
    if (tableRowCount() != m_rows + 1 || position < 0 || position > m_rows) {
        reset();
        return;
    }
    m_pendingInsert = position;
    beginInsertRows(QModelIndex(), position, position);
    m_pendingInsert = -1;
    ++m_rows;
    endInsertRows();
}

void TableGridModel::onRowRemoved(int position)
{
    if (tableRowCount() != m_rows - 1 || position < 0 || position >= m_rows) {
        reset();
        return;
    }
    m_pendingRemove = position;
    beginRemoveRows(QModelIndex(), position, position);
    m_pendingRemove = -1;
    --m_rows;
    endRemoveRows();
}

void TableGridModel::onRowChanged(int position)
{
    if (position >= 0 && position < m_rows && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(position, 0), index(position, int(m_columns.size()) - 1));
}

void TableGridModel::onRecordChanged()
{
    if (tableRowCount() != m_rows) {
        reset();
        return;
    }
    const int previous = m_currentRow;
    m_currentRow = m_table && m_table->isActive() ? m_table->recNo() : -1;
    // The current row shows the pending values of an edit.
    onRowChanged(m_currentRow);
    if (previous != m_currentRow) {
        if (previous >= 0 && previous < m_rows)
            Q_EMIT headerDataChanged(Qt::Vertical, previous, previous);
        if (m_currentRow >= 0 && m_currentRow < m_rows)
            Q_EMIT headerDataChanged(Qt::Vertical, m_currentRow, m_currentRow);
    }
    Q_EMIT currentRecordChanged();
}

void TableGridModel::onStateChanged()
{
    // A post changes the state before it tells about the row it added; that row comes next.
    if (tableRowCount() == m_rows)
        onRecordChanged();
}

int TableGridModel::tablePosition(int row) const
{
    // Views that look before a change is announced done see the rows as they were.
    if (m_pendingInsert >= 0 && row >= m_pendingInsert)
        return row + 1;
    if (m_pendingRemove >= 0 && row >= m_pendingRemove)
        return row == m_pendingRemove ? -1 : row - 1;
    return row;
}

QString TableGridModel::cellText(int row, int column) const
{
    const int f = fieldIndex(column);
    if (!m_table || f < 0 || row < 0 || row >= m_rows || !m_table->isActive())
        return QString();
    row = tablePosition(row);
    if (row < 0)
        return QString();
    try {
        return m_table->displayTextAt(row, f);
    } catch (const std::exception &) {
        // A row that cannot be read (deleted by another process) shows empty.
        return QString();
    }
}

QVariant TableGridModel::cellValue(int row, int column) const
{
    const int f = fieldIndex(column);
    if (!m_table || f < 0 || row < 0 || row >= m_rows || !m_table->isActive())
        return QVariant();
    row = tablePosition(row);
    if (row < 0)
        return QVariant();
    try {
        return m_table->valueAt(row, f);
    } catch (const std::exception &) {
        return QVariant();
    }
}

int TableGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TableGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TableGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns.size())
        return QVariant();
    const db::FieldType type = typeAt(index.column());
    const bool checkMark = m_displayBoolean && type == db::FieldType::Boolean;
    switch (role) {
    case Qt::DisplayRole:
        return checkMark ? QVariant() : QVariant(cellText(index.row(), index.column()));
    case Qt::CheckStateRole:
        if (!checkMark)
            return QVariant();
        return cellValue(index.row(), index.column()).toBool() ? Qt::Checked : Qt::Unchecked;
    case Qt::ToolTipRole:
        return m_cellHints && !checkMark ? QVariant(cellText(index.row(), index.column())) : QVariant();
    case Qt::TextAlignmentRole:
        if (isNumeric(type))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant TableGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_columns.size())
            return QVariant();
        if (role == Qt::DisplayRole)
            return m_columns.at(section).title;
        if (role == Qt::ToolTipRole)
            return m_columns.at(section).title;
        return QVariant();
    }
    if (section < 0 || section >= m_rows)
        return QVariant();
    // The row indicator: a mark on the current record, nothing elsewhere.
    if (role == Qt::DisplayRole)
        return section == m_currentRow ? QVariant(QStringLiteral("\u25B6")) : QVariant(QString());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return QVariant();
}

Qt::ItemFlags TableGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace vinary
