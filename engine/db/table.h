#pragma once

#include "engine/db/connection.h"
#include "engine/db/dataset.h"

#include <QHash>
#include <deque>
#include <functional>
#include <list>
#include <optional>
#include <unordered_map>

namespace vinary::db
{

// A cursor over one table: sort list, filter callback, calculated fields and the five hooks.
// It keeps the keys of its records in cursor order (a keyset), so it gives random access to its
// accepted records by position without running the filter again; field values are read from
// the database as needed and kept in a small cache for grids.
class Table : public Dataset
{
    Q_OBJECT
public:
    using Hook = std::function<void(Table &)>;
    using FilterHook = std::function<void(Table &, bool &accept)>;

    Table(Connection &connection, const QString &tableName, QObject *parent = nullptr);
    ~Table() override;

    const QString &tableName() const { return m_tableName; }

    // Calculated fields exist only in memory; the calculation hook fills them.
    void addCalculatedField(const QString &name, FieldType type);
    // Sets a display format on a field, by name; the fields exist after the first open, or
    // after loadFields().
    void setDisplayFormat(const QString &field, const QString &format);
    // Reads the table's columns from the database without opening the cursor.
    void loadFields();

    void open() override;
    void close() override;
    void first() override;
    void last();
    void next() override;
    void prior();
    bool eof() const override { return m_eof; }
    bool bof() const { return m_bof; }
    int recordCount() const override { return int(m_rows.size()); }

    // Moves to the first record, in cursor order, whose stored column equals value (the filter is
    // not consulted; only accepted records can become current). False leaves the record as it was.
    bool locate(const QString &column, const QVariant &value);

    void append();
    void edit();
    void post();
    void cancel();
    void deleteRecord();
    // Posts a pending change when a field was modified, cancels it otherwise.
    void settle();
    bool isModified() const { return m_modified; }

    bool filtered() const { return m_filtered; }
    void setFiltered(bool on);
    const QStringList &sortedBy() const { return m_sortedBy; }
    void setSortedBy(const QStringList &items);
    void resort();
    // The ORDER BY clause a sort list gives; raises when an item names no column.
    QString orderClause(const QStringList &items);

    Hook onNewRecord;
    Hook onCalcFields;
    Hook beforeDelete; // raise SilentAbort to cancel the deletion
    Hook afterPost;
    FilterHook onFilterRecord;

    // A filter may offer the records it can accept, so that a large table tests only those: a query
    // giving their rowids, with the values bound to its parameters in order. Every record the filter
    // would accept must be among them; the filter is still called for each one, so the records
    // accepted are those of a test of every record. Offering nothing means every record is tested.
    struct Candidates {
        QString rowidQuery;
        QVariantList values;
    };
    using CandidatesHook = std::function<std::optional<Candidates>(Table &)>;
    CandidatesHook onFilterCandidates;

    // Random access to accepted records by position (0-based). The current record while editing
    // shows its pending values.
    int recNo() const { return m_pos; }
    void moveTo(int position);
    QVariant valueAt(int position, int fieldIndex);
    QString displayTextAt(int position, int fieldIndex);
    qint64 rowIdAt(int position) const { return m_rows.at(size_t(position)); }
    qint64 currentRowId() const;

    // Brings the cursor back in line with the database after a rolled-back transaction.
    void resynchronize();
    bool touchedInTransaction() const { return m_touched; }
    void clearTouched() { m_touched = false; }

    QVariant fieldValue(int index) const override;
    void setFieldValue(int index, const QVariant &value) override;
    // Appends the UTF-8 text of a field of the active record to out; during a filter scan it is
    // copied straight from the database row, with no conversion (searches test every record).
    void appendUtf8(int index, QByteArray &out) const;

private:
    struct Row {
        qint64 rowid = 0;
        std::vector<QVariant> values; // stored columns, then calculated fields
        std::vector<char> loaded;     // per stored column, for rows read lazily from a scan
        bool calculated = false;
    };

    void requireOpen() const;
    void requireConnection() const;
    void reopen(bool filteredSetting);
    std::deque<qint64> readKeys(const QString &order);
    void ensureKeys();
    void applyFilter();
    // Runs the filter over the records a statement gives (rowid first, then the stored columns) and
    // hands on the rowid of each accepted one, in the statement's order.
    void scanFilter(Statement &scan, const std::function<void(qint64)> &accepted, bool rowidsOnly = false);
    // Loads the record at m_pos; `walking` says the cursor moved on by one with next(), when the
    // records that follow are read ahead with it.
    void loadCurrent(bool walking = false);
    bool readRow(qint64 rowid, Row &row);
    bool takeReadAhead(Row &row);
    void readAhead();
    void calculate(Row &row);
    const Row *activeRow() const { return m_active; }
    QVariant readScanColumn(int index) const;
    void readScanColumns() const;
    QString selectList() const;
    void invalidateCache(qint64 rowid);
    void clearCache();
    Row *cachedRow(int position);
    void setEof(bool eof, bool bof);

    QString m_tableName;
    QString m_quotedName;
    int m_storedCount = 0;
    int m_counterIndex = -1;
    bool m_fieldsLoaded = false;
    QStringList m_calcNames;
    std::vector<FieldType> m_calcTypes;

    QStringList m_sortedBy;
    QString m_order;
    bool m_filtered = false;

    // Deques, so that deleting rows one by one from the front (a journal purge) costs no more than
    // deleting them from the back.
    std::deque<qint64> m_keys; // every record of the cursor, in cursor order
    // The keys are read only when needed: a re-open under a filter that offers its candidates reads
    // and sorts those alone. Keys read in the current order while the database has not changed since
    // serve a re-open again.
    bool m_keysStale = true;
    QString m_keysOrder;
    std::pair<qint64, qint64> m_keysMark{-1, -1};
    std::deque<qint64> m_rows; // the accepted ones
    int m_pos = -1;
    bool m_eof = true;
    bool m_bof = true;

    Row m_current;
    Row m_backup; // the record as it was before edit
    Row m_scan;   // the candidate record during a filter scan
    mutable Row *m_active = &m_current;
    // The statement the filter scan reads the candidate record from. A scan of every record starts
    // with the rowids alone and turns to one with the columns at the first column the filter reads,
    // so that a filter that reads none (an empty search) costs no more than the rowids.
    mutable Statement *m_scanStatement = nullptr;
    mutable Statement m_columnScan;
    mutable bool m_scanRowidsOnly = false;
    QString m_columnScanSql;
    std::vector<char> m_modifiedFields;
    bool m_modified = false;
    bool m_touched = false;

    Statement m_readByRowid;
    // A walk through the records with next() reads the stored columns of the records that follow in
    // one statement, so that a report over a large table does not pay a query (and a file lock) per
    // record. The rows are used only while the connection has written nothing since, and are dropped
    // whenever the cache is.
    Statement m_readAheadStatement;
    std::vector<Row> m_readAhead;
    int m_readAheadFrom = -1;
    qint64 m_readAheadChanges = -1;
    std::list<Row> m_cacheRows;
    std::unordered_map<qint64, std::list<Row>::iterator> m_cache;
};

// A read-only query whose SQL text is replaced before each use (the pick-list query).
class Query : public Dataset
{
    Q_OBJECT
public:
    explicit Query(Connection &connection, QObject *parent = nullptr);

    void setSql(const QString &sql);
    void clearSql() { m_sql.clear(); }
    const QString &sql() const { return m_sql; }

    void open() override;
    void close() override;
    void first() override;
    void next() override;
    bool eof() const override { return m_eof; }
    int recordCount() const override { return int(m_rowsData.size()); }

    QVariant fieldValue(int index) const override;
    void setFieldValue(int index, const QVariant &value) override;

private:
    QString m_sql;
    std::vector<std::vector<QVariant>> m_rowsData;
    int m_pos = -1;
    bool m_eof = true;
};

// Splits a sort item ("[Descrizione] ASC", "Descrizione", "\"[Anno] DESC\"") into its column name
// and direction; raises on an item that is not of that form.
struct SortItem {
    QString column;
    bool descending = false;
};
SortItem parseSortItem(const QString &item);

} // namespace vinary::db
