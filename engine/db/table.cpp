#include "engine/db/table.h"

#include "engine/common/datetimes.h"

#include <QRegularExpression>
#include <sqlite3.h>
#include <unordered_set>

namespace vinary::db
{

namespace
{

constexpr size_t kCacheSize = 1024;
constexpr int kReadAhead = 64;

QString quoteIdent(const QString &name)
{
    QString n = name;
    n.replace(u'"', QStringLiteral("\"\""));
    return u'"' + n + u'"';
}

FieldType typeFromDeclaration(const QString &declared, bool primaryKey, int *size)
{
    const QString t = declared.trimmed().toUpper();
    *size = 0;
    static const QRegularExpression sizeRe(QStringLiteral("\\(\\s*(\\d+)\\s*\\)"));
    const auto m = sizeRe.match(t);
    if (m.hasMatch())
        *size = m.captured(1).toInt();
    const QString base = t.section(u'(', 0, 0).trimmed();
    if (primaryKey && base == u"INTEGER")
        return FieldType::Counter;
    if (base.isEmpty() || base.contains(u"CHAR") || base.contains(u"TEXT") || base.contains(u"CLOB") ||
        base == u"MEMO" || base == u"STRING")
        return FieldType::Text;
    if (base == u"SMALLINT" || base == u"INT2" || base == u"TINYINT")
        return FieldType::Integer16;
    if (base == u"BOOLEAN" || base == u"BOOL" || base == u"BIT")
        return FieldType::Boolean;
    if (base.startsWith(u"DATE") || base == u"TIMESTAMP" || base == u"TIME")
        return FieldType::DateTime;
    if (base.contains(u"INT") || base == u"LONG" || base == u"COUNTER")
        return FieldType::Integer;
    if (base == u"BLOB" || base == u"BINARY" || base == u"VARBINARY" || base == u"OLE")
        return FieldType::Blob;
    return FieldType::Float;
}

QVariant readColumn(const Statement &s, int column, FieldType type)
{
    const int stored = s.columnType(column);
    if (stored == SQLITE_NULL)
        return QVariant();
    switch (type) {
    case FieldType::Text: {
        QString text = s.text(column);
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case FieldType::Float:
        return s.real(column);
    case FieldType::Counter:
        return s.int64(column);
    case FieldType::Integer16:
    case FieldType::Integer:
        return int(s.int64(column));
    case FieldType::Boolean:
        if (stored == SQLITE_TEXT) {
            const QString t = s.text(column).trimmed();
            return t.compare(u"true", Qt::CaseInsensitive) == 0 || t == u"1";
        }
        return s.int64(column) != 0;
    case FieldType::DateTime: {
        QDateTime dt = stored == SQLITE_TEXT ? fromIsoText(s.text(column)) : fromDayCount(s.real(column));
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case FieldType::Blob:
        return s.blob(column);
    }
    return s.value(column);
}

void bindStored(Statement &s, int index, const QVariant &v, FieldType type)
{
    if (!v.isValid() || v.isNull()) {
        s.bindNull(index);
        return;
    }
    switch (type) {
    case FieldType::DateTime:
        s.bindText(index, toIsoText(v.toDateTime()));
        break;
    case FieldType::Boolean:
        s.bindInt64(index, v.toBool() ? 1 : 0);
        break;
    case FieldType::Float:
        s.bindDouble(index, v.toDouble());
        break;
    case FieldType::Counter:
    case FieldType::Integer16:
    case FieldType::Integer:
        s.bindInt64(index, v.toLongLong());
        break;
    default:
        s.bind(index, v);
    }
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    const bool nullA = !a.isValid() || a.isNull();
    const bool nullB = !b.isValid() || b.isNull();
    if (nullA || nullB)
        return nullA == nullB;
    return a == b;
}

} // namespace

SortItem parseSortItem(const QString &raw)
{
    QString s = raw.trimmed();
    if (s.size() >= 2 && s.startsWith(u'"') && s.endsWith(u'"'))
        s = s.mid(1, s.size() - 2).trimmed();
    SortItem item;
    const int space = int(s.lastIndexOf(QRegularExpression(QStringLiteral("\\s"))));
    if (space > 0) {
        const QString word = s.mid(space + 1);
        if (word.compare(u"DESC", Qt::CaseInsensitive) == 0) {
            item.descending = true;
            s = s.left(space).trimmed();
        } else if (word.compare(u"ASC", Qt::CaseInsensitive) == 0) {
            s = s.left(space).trimmed();
        }
    }
    if (s.startsWith(u'[') && s.endsWith(u']'))
        s = s.mid(1, s.size() - 2).trimmed();
    if (s.isEmpty() || s.contains(u'[') || s.contains(u']') || s.contains(u'"'))
        throw DbError(QStringLiteral("Invalid sort item: %1").arg(raw));
    item.column = s;
    return item;
}

// ---------------------------------------------------------------- Table

Table::Table(Connection &connection, const QString &tableName, QObject *parent)
    : Dataset(connection, parent), m_tableName(tableName), m_quotedName(quoteIdent(tableName))
{
    m_connection.attach(this);
}

Table::~Table()
{
    m_connection.detach(this);
}

void Table::addCalculatedField(const QString &name, FieldType type)
{
    m_calcNames << name;
    m_calcTypes.push_back(type);
    if (m_fieldsLoaded) {
        addField(name, type, 0, true);
        m_current.values.resize(m_fields.size());
    }
}

void Table::setDisplayFormat(const QString &field, const QString &format)
{
    if (!m_fieldsLoaded)
        loadFields();
    fieldByName(field).setDisplayFormat(format);
}

void Table::requireConnection() const
{
    if (!m_connection.isOpen())
        fail(QStringLiteral("Cannot open table %1: the database is not connected").arg(m_tableName));
}

void Table::requireOpen() const
{
    if (m_state == DataState::Inactive)
        fail(QStringLiteral("Cannot perform this operation on a closed dataset (%1)").arg(m_tableName));
}

void Table::loadFields()
{
    if (m_fieldsLoaded)
        return;
    requireConnection();
    Statement info = m_connection.prepare(QStringLiteral("PRAGMA table_info(%1)").arg(m_quotedName));
    struct Column {
        QString name;
        QString type;
        bool pk;
    };
    std::vector<Column> columns;
    while (info.step())
        columns.push_back({info.text(1), info.text(2), info.int64(5) == 1});
    if (columns.empty())
        fail(QStringLiteral("Table '%1' does not exist in the database").arg(m_tableName));
    int primaryKeys = 0;
    for (const Column &c : columns)
        primaryKeys += c.pk ? 1 : 0;
    clearFields();
    m_counterIndex = -1;
    for (const Column &c : columns) {
        int size = 0;
        const FieldType type = typeFromDeclaration(c.type, c.pk && primaryKeys == 1, &size);
        Field *f = addField(c.name, type, type == FieldType::Text ? size : 0, false);
        if (type == FieldType::Counter)
            m_counterIndex = f->index();
    }
    m_storedCount = int(m_fields.size());
    for (int i = 0; i < m_calcNames.size(); ++i)
        addField(m_calcNames.at(i), m_calcTypes.at(size_t(i)), 0, true);
    m_fieldsLoaded = true;
    m_current.values.assign(m_fields.size(), QVariant());
}

QString Table::selectList() const
{
    QStringList names;
    for (int i = 0; i < m_storedCount; ++i)
        names << quoteIdent(m_fields.at(size_t(i))->name());
    return names.join(QStringLiteral(", "));
}

QString Table::orderClause(const QStringList &items)
{
    if (!m_fieldsLoaded)
        loadFields();
    QStringList terms;
    for (const QString &raw : items) {
        if (raw.trimmed().isEmpty())
            continue;
        const SortItem item = parseSortItem(raw);
        Field *f = findField(item.column);
        if (!f || f->isCalculated())
            fail(QStringLiteral("Invalid sort item '%1': table %2 has no field '%3'")
                     .arg(raw, m_tableName, item.column));
        QString term = quoteIdent(f->name());
        if (f->type() == FieldType::Text)
            term += QStringLiteral(" COLLATE VINARY_NOCASE");
        term += item.descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
        terms << term;
    }
    terms << QStringLiteral("rowid");
    return terms.join(QStringLiteral(", "));
}

std::deque<qint64> Table::readKeys(const QString &order)
{
    Statement s =
        m_connection.prepare(QStringLiteral("SELECT rowid FROM %1 ORDER BY %2").arg(m_quotedName, order));
    std::deque<qint64> keys;
    while (s.step())
        keys.push_back(s.int64(0));
    return keys;
}

void Table::open()
{
    if (m_state != DataState::Inactive)
        return;
    requireConnection();
    loadFields();
    const QString order = orderClause(m_sortedBy);
    m_order = order;
    m_readByRowid = m_connection.prepare(
        QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(selectList(), m_quotedName));
    try {
        setState(DataState::Browse);
        reopen(m_filtered);
    } catch (...) {
        m_state = DataState::Inactive;
        m_readByRowid = Statement();
        m_readAheadStatement = Statement();
        throw;
    }
}

void Table::close()
{
    if (m_state == DataState::Inactive)
        return;
    m_keys.clear();
    m_keysStale = true;
    m_rows.clear();
    clearCache();
    m_pos = -1;
    m_eof = m_bof = true;
    m_modified = false;
    m_current.values.assign(m_fields.size(), QVariant());
    m_readByRowid = Statement();
    m_readAheadStatement = Statement();
    setState(DataState::Inactive);
    Q_EMIT rowsReset();
    Q_EMIT recordChanged();
}

void Table::reopen(bool filteredSetting)
{
    const bool keysCurrent =
        !m_keysStale && m_keysOrder == m_order && m_connection.changeMark() == m_keysMark;
    std::deque<qint64> previousKeys;
    if (!keysCurrent)
        previousKeys.swap(m_keys);
    const bool previousStale = m_keysStale;
    const bool previousFiltered = m_filtered;
    m_keysStale = !keysCurrent;
    m_filtered = filteredSetting;
    try {
        applyFilter();
    } catch (...) {
        if (!keysCurrent)
            m_keys.swap(previousKeys);
        m_keysStale = previousStale;
        m_filtered = previousFiltered;
        throw;
    }
    clearCache();
    m_pos = m_rows.empty() ? -1 : 0;
    setEof(m_rows.empty(), true);
    loadCurrent();
    Q_EMIT rowsReset();
    Q_EMIT recordChanged();
}

void Table::ensureKeys()
{
    if (!m_keysStale)
        return;
    std::deque<qint64> keys = readKeys(m_order);
    m_keys.swap(keys);
    m_keysStale = false;
    m_keysOrder = m_order;
    m_keysMark = m_connection.changeMark();
}

void Table::scanFilter(Statement &scan, const std::function<void(qint64)> &accepted, bool rowidsOnly)
{
    const DataState previous = m_state;
    Row *previousActive = m_active;
    m_scan.values.assign(m_fields.size(), QVariant());
    m_scan.loaded.assign(size_t(m_storedCount), 0);
    m_active = &m_scan;
    m_scanStatement = &scan;
    m_scanRowidsOnly = rowidsOnly;
    m_state = DataState::Filter;
    auto restore = [&] {
        m_state = previous;
        m_active = previousActive;
        m_scanStatement = nullptr;
        m_scanRowidsOnly = false;
        m_columnScan = Statement();
    };
    try {
        // The statement may change under the filter (readScanColumns), so it is taken afresh.
        while (m_scanStatement->step()) {
            m_scan.rowid = m_scanStatement->int64(0);
            std::fill(m_scan.loaded.begin(), m_scan.loaded.end(), 0);
            m_scan.calculated = false;
            bool accept = true;
            onFilterRecord(*this, accept);
            if (accept)
                accepted(m_scan.rowid);
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void Table::applyFilter()
{
    if (!m_filtered || !onFilterRecord) {
        ensureKeys();
        m_rows = m_keys;
        return;
    }
    const std::optional<Candidates> candidates =
        onFilterCandidates ? onFilterCandidates(*this) : std::nullopt;
    QString sql = QStringLiteral("SELECT rowid, %1 FROM %2").arg(selectList(), m_quotedName);
    if (candidates)
        sql += QStringLiteral(" WHERE rowid IN (%1)").arg(candidates->rowidQuery);

    if (candidates && m_keysStale) {
        // Only the candidates are read, in cursor order.
        Statement scan = m_connection.prepare(sql + QStringLiteral(" ORDER BY ") + m_order);
        for (int i = 0; i < candidates->values.size(); ++i)
            scan.bind(i + 1, candidates->values.at(i));
        std::deque<qint64> rows;
        scanFilter(scan, [&rows](qint64 rowid) { rows.push_back(rowid); });
        m_rows.swap(rows);
        return;
    }

    ensureKeys();
    qint64 maxRowid = 0;
    const bool everyRecord = !candidates;
    if (everyRecord) {
        sql = QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(m_quotedName);
        m_columnScanSql = QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid >= ? ORDER BY rowid")
                              .arg(selectList(), m_quotedName);
    }
    for (qint64 k : m_keys)
        maxRowid = std::max(maxRowid, k);
    const bool dense = maxRowid >= 0 && size_t(maxRowid) < m_keys.size() * 8 + 4096;
    std::vector<char> acceptedDense;
    std::unordered_set<qint64> acceptedSparse;
    if (dense)
        acceptedDense.assign(size_t(maxRowid) + 1, 0);

    Statement scan = m_connection.prepare(sql);
    if (candidates) {
        for (int i = 0; i < candidates->values.size(); ++i)
            scan.bind(i + 1, candidates->values.at(i));
    }
    scanFilter(
        scan,
        [&](qint64 rowid) {
            if (dense) {
                if (rowid >= 0 && rowid <= maxRowid)
                    acceptedDense[size_t(rowid)] = 1;
            } else {
                acceptedSparse.insert(rowid);
            }
        },
        everyRecord);
    std::deque<qint64> rows;
    for (qint64 k : m_keys) {
        const bool ok =
            dense ? (k >= 0 && k <= maxRowid && acceptedDense[size_t(k)]) : acceptedSparse.count(k) > 0;
        if (ok)
            rows.push_back(k);
    }
    m_rows.swap(rows);
}

void Table::readScanColumns() const
{
    if (!m_scanRowidsOnly)
        return;
    // The scan goes on from the current record with a statement that reads the columns too.
    m_columnScan = m_connection.prepare(m_columnScanSql);
    m_columnScan.bindInt64(1, m_scan.rowid);
    if (!m_columnScan.step() || m_columnScan.int64(0) != m_scan.rowid)
        fail(QStringLiteral("The record was deleted by another user"));
    m_scanStatement = &m_columnScan;
    m_scanRowidsOnly = false;
}

QVariant Table::readScanColumn(int index) const
{
    readScanColumns();
    Row &row = *m_active;
    if (!row.loaded[size_t(index)]) {
        row.values[size_t(index)] =
            readColumn(*m_scanStatement, index + 1, m_fields.at(size_t(index))->type());
        row.loaded[size_t(index)] = 1;
    }
    return row.values[size_t(index)];
}

bool Table::readRow(qint64 rowid, Row &row)
{
    row.rowid = rowid;
    row.values.assign(m_fields.size(), QVariant());
    row.loaded.clear();
    row.calculated = false;
    m_readByRowid.reset();
    m_readByRowid.bindInt64(1, rowid);
    bool found = false;
    try {
        found = m_readByRowid.step();
        if (found) {
            for (int i = 0; i < m_storedCount; ++i)
                row.values[size_t(i)] = readColumn(m_readByRowid, i, m_fields.at(size_t(i))->type());
        }
    } catch (...) {
        m_readByRowid.reset();
        throw;
    }
    m_readByRowid.reset();
    return found;
}

void Table::calculate(Row &row)
{
    row.calculated = true;
    if (!onCalcFields || m_calcNames.isEmpty())
        return;
    for (size_t i = size_t(m_storedCount); i < row.values.size(); ++i)
        row.values[i] = QVariant();
    const DataState previous = m_state;
    Row *previousActive = m_active;
    m_state = DataState::CalcFields;
    m_active = &row;
    try {
        onCalcFields(*this);
    } catch (...) {
        m_state = previous;
        m_active = previousActive;
        throw;
    }
    m_state = previous;
    m_active = previousActive;
}

void Table::loadCurrent(bool walking)
{
    if (m_pos < 0 || size_t(m_pos) >= m_rows.size()) {
        m_current.rowid = 0;
        m_current.values.assign(m_fields.size(), QVariant());
        m_current.calculated = true;
        return;
    }
    if (!takeReadAhead(m_current)) {
        if (walking && size_t(m_pos) + 1 < m_rows.size()) {
            readAhead();
            takeReadAhead(m_current);
        } else {
            readRow(m_rows[size_t(m_pos)], m_current);
        }
    }
    calculate(m_current);
}

bool Table::takeReadAhead(Row &row)
{
    if (m_readAheadFrom < 0)
        return false;
    const int index = m_pos - m_readAheadFrom;
    if (index < 0 || size_t(index) >= m_readAhead.size() ||
        sqlite3_total_changes64(m_connection.handle()) != m_readAheadChanges ||
        m_readAhead[size_t(index)].rowid != m_rows[size_t(m_pos)]) {
        return false;
    }
    Row &ahead = m_readAhead[size_t(index)];
    row.rowid = ahead.rowid;
    row.values.swap(ahead.values);
    row.values.resize(m_fields.size());
    row.loaded.clear();
    row.calculated = false;
    ahead.rowid = 0; // taken
    return true;
}

void Table::readAhead()
{
    m_readAheadFrom = -1;
    if (!m_readAheadStatement.isValid()) {
        QString marks = QStringLiteral("?");
        for (int i = 1; i < kReadAhead; ++i)
            marks += QStringLiteral(",?");
        m_readAheadStatement =
            m_connection.prepare(QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid IN (%3)")
                                     .arg(selectList(), m_quotedName, marks));
    }
    const size_t count = std::min(size_t(kReadAhead), m_rows.size() - size_t(m_pos));
    m_readAhead.resize(count);
    std::unordered_map<qint64, size_t> slot;
    slot.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        Row &r = m_readAhead[i];
        r.rowid = m_rows[size_t(m_pos) + i];
        r.values.assign(size_t(m_storedCount), QVariant()); // a record deleted meanwhile reads as empty
        slot.emplace(r.rowid, i);
    }
    Statement &s = m_readAheadStatement;
    s.reset();
    for (int i = 0; i < kReadAhead; ++i) {
        if (size_t(i) < count)
            s.bindInt64(i + 1, m_readAhead[size_t(i)].rowid);
        else
            s.bindNull(i + 1);
    }
    try {
        while (s.step()) {
            const auto it = slot.find(s.int64(0));
            if (it == slot.end())
                continue;
            Row &r = m_readAhead[it->second];
            for (int c = 0; c < m_storedCount; ++c)
                r.values[size_t(c)] = readColumn(s, c + 1, m_fields.at(size_t(c))->type());
        }
    } catch (...) {
        s.reset();
        throw;
    }
    s.reset();
    m_readAheadFrom = m_pos;
    m_readAheadChanges = sqlite3_total_changes64(m_connection.handle());
}

void Table::setEof(bool eof, bool bof)
{
    m_eof = eof;
    m_bof = bof;
}

void Table::first()
{
    requireOpen();
    settle();
    if (m_filtered && onFilterRecord) {
        applyFilter();
        clearCache();
        Q_EMIT rowsReset();
    }
    m_pos = m_rows.empty() ? -1 : 0;
    setEof(m_rows.empty(), true);
    loadCurrent();
    Q_EMIT recordChanged();
}

void Table::last()
{
    requireOpen();
    settle();
    m_pos = int(m_rows.size()) - 1;
    setEof(m_rows.empty(), m_rows.empty());
    loadCurrent();
    Q_EMIT recordChanged();
}

void Table::next()
{
    requireOpen();
    settle();
    if (m_pos + 1 < int(m_rows.size())) {
        ++m_pos;
        setEof(false, false);
        loadCurrent(true);
        Q_EMIT recordChanged();
    } else {
        setEof(true, m_rows.empty());
    }
}

void Table::prior()
{
    requireOpen();
    settle();
    if (m_pos > 0) {
        --m_pos;
        setEof(false, false);
        loadCurrent();
        Q_EMIT recordChanged();
    } else {
        setEof(m_rows.empty(), true);
    }
}

void Table::moveTo(int position)
{
    requireOpen();
    if (m_rows.empty())
        return;
    settle();
    position = std::clamp(position, 0, int(m_rows.size()) - 1);
    if (position == m_pos)
        return;
    m_pos = position;
    setEof(false, false);
    loadCurrent();
    Q_EMIT recordChanged();
}

qint64 Table::currentRowId() const
{
    return m_state == DataState::Insert ? 0 : m_current.rowid;
}

bool Table::locate(const QString &column, const QVariant &value)
{
    requireOpen();
    Field &f = fieldByName(column);
    if (f.isCalculated())
        fail(QStringLiteral("Cannot locate on the calculated field '%1'").arg(f.name()));
    Statement s = m_connection.prepare(
        QStringLiteral("SELECT rowid FROM %1 WHERE %2 = ?").arg(m_quotedName, quoteIdent(f.name())));
    bindStored(s, 1, f.convert(value), f.type());
    std::unordered_set<qint64> matches;
    while (s.step())
        matches.insert(s.int64(0));
    if (matches.empty())
        return false;
    auto findPosition = [&]() -> int {
        for (size_t i = 0; i < m_rows.size(); ++i) {
            if (matches.count(m_rows[i]))
                return int(i);
        }
        return -1;
    };
    if (findPosition() < 0)
        return false;
    settle();
    const int position = findPosition();
    if (position < 0)
        return false;
    m_pos = position;
    setEof(false, false);
    loadCurrent();
    Q_EMIT recordChanged();
    return true;
}

void Table::append()
{
    requireOpen();
    settle();
    m_current.rowid = 0;
    m_current.values.assign(m_fields.size(), QVariant());
    m_current.calculated = false;
    m_modifiedFields.assign(m_fields.size(), 0);
    setState(DataState::Insert);
    if (onNewRecord)
        onNewRecord(*this);
    // Defaults set by the new-record hook do not count as a change by the user.
    m_modified = false;
    std::fill(m_modifiedFields.begin(), m_modifiedFields.end(), 0);
    calculate(m_current);
    Q_EMIT recordChanged();
}

void Table::edit()
{
    requireOpen();
    if (isEditing())
        return;
    if (m_pos < 0 || m_rows.empty()) {
        append();
        return;
    }
    m_backup = m_current;
    m_modified = false;
    m_modifiedFields.assign(m_fields.size(), 0);
    setState(DataState::Edit);
}

void Table::post()
{
    if (!isEditing())
        fail(QStringLiteral("Dataset not in edit or insert mode"));
    requireConnection();
    // A posted record keeps the place the cursor gave it until the next re-open: the order of the
    // other records is taken before the record changes.
    ensureKeys();
    if (m_state == DataState::Insert) {
        QStringList names;
        QStringList marks;
        std::vector<int> indexes;
        for (int i = 0; i < m_storedCount; ++i) {
            if (i == m_counterIndex)
                continue;
            names << quoteIdent(m_fields.at(size_t(i))->name());
            marks << QStringLiteral("?");
            indexes.push_back(i);
        }
        const QString sql =
            names.isEmpty()
                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_quotedName)
                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(m_quotedName, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        Statement s = m_connection.prepare(sql);
        for (size_t k = 0; k < indexes.size(); ++k)
            bindStored(s, int(k) + 1, m_current.values[size_t(indexes[k])],
                       m_fields.at(size_t(indexes[k]))->type());
        s.exec();
        const qint64 rowid = m_connection.lastInsertRowId();
        if (m_connection.inTransaction())
            m_touched = true;
        readRow(rowid, m_current);
        m_keys.push_back(rowid);
        m_rows.push_back(rowid);
        m_pos = int(m_rows.size()) - 1;
        m_modified = false;
        setState(DataState::Browse);
        setEof(false, false);
        calculate(m_current);
        Q_EMIT rowInserted(m_pos);
    } else {
        QStringList sets;
        std::vector<int> indexes;
        for (int i = 0; i < m_storedCount; ++i) {
            if (i != m_counterIndex && i < int(m_modifiedFields.size()) && m_modifiedFields[size_t(i)]) {
                sets << quoteIdent(m_fields.at(size_t(i))->name()) + QStringLiteral(" = ?");
                indexes.push_back(i);
            }
        }
        const qint64 rowid = m_current.rowid;
        if (!sets.isEmpty()) {
            Statement s = m_connection.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                                                   .arg(m_quotedName, sets.join(QStringLiteral(", "))));
            for (size_t k = 0; k < indexes.size(); ++k)
                bindStored(s, int(k) + 1, m_current.values[size_t(indexes[k])],
                           m_fields.at(size_t(indexes[k]))->type());
            s.bindInt64(int(indexes.size()) + 1, rowid);
            s.exec();
            if (m_connection.changes() == 0)
                fail(QStringLiteral("The record was deleted by another user"));
            if (m_connection.inTransaction())
                m_touched = true;
            readRow(rowid, m_current);
            invalidateCache(rowid);
        }
        m_modified = false;
        setState(DataState::Browse);
        calculate(m_current);
        Q_EMIT rowChanged(m_pos);
    }
    std::fill(m_modifiedFields.begin(), m_modifiedFields.end(), 0);
    Q_EMIT recordChanged();
    if (afterPost)
        afterPost(*this);
}

void Table::cancel()
{
    if (!isEditing())
        return;
    const bool inserting = m_state == DataState::Insert;
    m_modified = false;
    std::fill(m_modifiedFields.begin(), m_modifiedFields.end(), 0);
    setState(DataState::Browse);
    if (inserting) {
        loadCurrent();
    } else {
        m_current = m_backup;
        calculate(m_current);
    }
    Q_EMIT recordChanged();
}

void Table::settle()
{
    if (!isEditing())
        return;
    if (m_modified)
        post();
    else
        cancel();
}

void Table::deleteRecord()
{
    requireOpen();
    if (m_state == DataState::Insert) {
        cancel();
        return;
    }
    if (m_rows.empty() || m_pos < 0)
        fail(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (m_state == DataState::Edit)
        cancel();
    if (beforeDelete)
        beforeDelete(*this);
    const qint64 rowid = m_rows[size_t(m_pos)];
    Statement s = m_connection.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(m_quotedName));
    s.bindInt64(1, rowid);
    s.exec();
    if (m_connection.inTransaction())
        m_touched = true;
    const int removedAt = m_pos;
    m_rows.erase(m_rows.begin() + m_pos);
    const auto k = std::find(m_keys.begin(), m_keys.end(), rowid);
    if (k != m_keys.end())
        m_keys.erase(k);
    invalidateCache(rowid);
    if (m_pos >= int(m_rows.size()))
        m_pos = int(m_rows.size()) - 1;
    setEof(m_rows.empty(), m_rows.empty());
    loadCurrent();
    Q_EMIT rowRemoved(removedAt);
    Q_EMIT recordChanged();
}

void Table::setFiltered(bool on)
{
    if (on == m_filtered)
        return;
    if (m_state == DataState::Inactive) {
        m_filtered = on;
        return;
    }
    settle();
    reopen(on);
}

void Table::setSortedBy(const QStringList &items)
{
    m_sortedBy = items;
}

void Table::resort()
{
    if (m_state == DataState::Inactive)
        return;
    settle();
    const QString order = orderClause(m_sortedBy);
    const QString previous = m_order;
    m_order = order;
    try {
        reopen(m_filtered);
    } catch (...) {
        m_order = previous;
        throw;
    }
}

void Table::resynchronize()
{
    m_touched = false;
    if (m_state == DataState::Inactive)
        return;
    if (isEditing()) {
        m_modified = false;
        setState(DataState::Browse);
    }
    const qint64 rowid = m_current.rowid;
    const int oldPos = m_pos;
    reopen(m_filtered);
    if (m_rows.empty())
        return;
    int position = -1;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i] == rowid) {
            position = int(i);
            break;
        }
    }
    if (position < 0)
        position = std::clamp(oldPos, 0, int(m_rows.size()) - 1);
    m_pos = position;
    setEof(false, false);
    loadCurrent();
    Q_EMIT recordChanged();
}

QVariant Table::fieldValue(int index) const
{
    if (index < 0 || size_t(index) >= m_fields.size())
        fail(QStringLiteral("Field index out of range"));
    if (m_state == DataState::Inactive && m_active == &m_current)
        fail(QStringLiteral("Cannot perform this operation on a closed dataset (%1)").arg(m_tableName));
    Row *row = m_active;
    if (row == &m_scan && m_scanStatement && index < m_storedCount)
        return readScanColumn(index);
    if (index >= m_storedCount && !row->calculated)
        const_cast<Table *>(this)->calculate(*row);
    if (size_t(index) >= row->values.size())
        return QVariant();
    return row->values[size_t(index)];
}

void Table::appendUtf8(int index, QByteArray &out) const
{
    const Row *row = m_active;
    if (row == &m_scan && m_scanStatement && index >= 0 && index < m_storedCount &&
        !row->loaded[size_t(index)] && m_fields.at(size_t(index))->type() == FieldType::Text) {
        readScanColumns();
        sqlite3_stmt *stmt = m_scanStatement->handle();
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, index + 1));
        if (text)
            out.append(text, sqlite3_column_bytes(stmt, index + 1));
        return;
    }
    const QVariant v = fieldValue(index);
    if (v.isValid() && !v.isNull())
        out.append(m_fields.at(size_t(index))->textOf(v).toUtf8());
}

void Table::setFieldValue(int index, const QVariant &value)
{
    if (index < 0 || size_t(index) >= m_fields.size())
        fail(QStringLiteral("Field index out of range"));
    Row *row = m_active;
    if (index >= m_storedCount) {
        if (row->values.size() < m_fields.size())
            row->values.resize(m_fields.size());
        row->values[size_t(index)] = value;
        return;
    }
    if (m_state == DataState::CalcFields || m_state == DataState::Filter)
        fail(QStringLiteral("Field '%1' cannot be modified now").arg(m_fields.at(size_t(index))->name()));
    if (!isEditing())
        fail(QStringLiteral("Dataset not in edit or insert mode"));
    if (index == m_counterIndex)
        fail(QStringLiteral("Field '%1' cannot be modified").arg(m_fields.at(size_t(index))->name()));
    if (sameValue(m_current.values[size_t(index)], value))
        return;
    m_current.values[size_t(index)] = value;
    if (m_modifiedFields.size() < m_fields.size())
        m_modifiedFields.resize(m_fields.size(), 0);
    m_modifiedFields[size_t(index)] = 1;
    m_modified = true;
    calculate(m_current);
    Q_EMIT recordChanged();
}

void Table::invalidateCache(qint64 rowid)
{
    m_readAheadFrom = -1;
    const auto it = m_cache.find(rowid);
    if (it != m_cache.end()) {
        m_cacheRows.erase(it->second);
        m_cache.erase(it);
    }
}

void Table::clearCache()
{
    m_cache.clear();
    m_cacheRows.clear();
    m_readAhead.clear();
    m_readAheadFrom = -1;
}

Table::Row *Table::cachedRow(int position)
{
    const qint64 rowid = m_rows.at(size_t(position));
    const auto it = m_cache.find(rowid);
    if (it != m_cache.end()) {
        m_cacheRows.splice(m_cacheRows.begin(), m_cacheRows, it->second);
        return &*it->second;
    }
    Row row;
    readRow(rowid, row);
    calculate(row);
    m_cacheRows.push_front(std::move(row));
    m_cache[rowid] = m_cacheRows.begin();
    if (m_cacheRows.size() > kCacheSize) {
        m_cache.erase(m_cacheRows.back().rowid);
        m_cacheRows.pop_back();
    }
    return &m_cacheRows.front();
}

QVariant Table::valueAt(int position, int fieldIndex)
{
    requireOpen();
    if (position < 0 || size_t(position) >= m_rows.size() || fieldIndex < 0 ||
        size_t(fieldIndex) >= m_fields.size())
        return QVariant();
    if (position == m_pos && m_state != DataState::Insert) {
        if (fieldIndex >= m_storedCount && !m_current.calculated)
            calculate(m_current);
        return m_current.values[size_t(fieldIndex)];
    }
    return cachedRow(position)->values[size_t(fieldIndex)];
}

QString Table::displayTextAt(int position, int fieldIndex)
{
    if (fieldIndex < 0 || size_t(fieldIndex) >= m_fields.size())
        return QString();
    return m_fields.at(size_t(fieldIndex))->displayTextOf(valueAt(position, fieldIndex));
}

// ---------------------------------------------------------------- Query

Query::Query(Connection &connection, QObject *parent) : Dataset(connection, parent) {}

void Query::setSql(const QString &sql)
{
    m_sql = sql;
}

void Query::open()
{
    if (m_state != DataState::Inactive)
        return;
    if (!m_connection.isOpen())
        fail(QStringLiteral("Cannot open the query: the database is not connected"));
    if (m_sql.trimmed().isEmpty())
        fail(QStringLiteral("No SQL statement available"));
    Statement s = m_connection.prepare(m_sql);
    if (!s.isReadOnly())
        fail(QStringLiteral("The query must be a read-only SELECT statement"));
    clearFields();
    for (int c = 0; c < s.columnCount(); ++c) {
        int size = 0;
        const FieldType type = typeFromDeclaration(s.columnDeclaredType(c), false, &size);
        addField(s.columnName(c), type, type == FieldType::Text ? size : 0, false);
    }
    m_rowsData.clear();
    while (s.step()) {
        std::vector<QVariant> row;
        row.reserve(m_fields.size());
        for (int c = 0; c < int(m_fields.size()); ++c)
            row.push_back(readColumn(s, c, m_fields.at(size_t(c))->type()));
        m_rowsData.push_back(std::move(row));
    }
    m_pos = m_rowsData.empty() ? -1 : 0;
    m_eof = m_rowsData.empty();
    setState(DataState::Browse);
}

void Query::close()
{
    m_rowsData.clear();
    m_pos = -1;
    m_eof = true;
    setState(DataState::Inactive);
}

void Query::first()
{
    if (m_state == DataState::Inactive)
        fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    m_pos = m_rowsData.empty() ? -1 : 0;
    m_eof = m_rowsData.empty();
}

void Query::next()
{
    if (m_state == DataState::Inactive)
        fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (m_pos + 1 < int(m_rowsData.size()))
        ++m_pos;
    else
        m_eof = true;
}

QVariant Query::fieldValue(int index) const
{
    if (m_pos < 0 || size_t(m_pos) >= m_rowsData.size() || index < 0 ||
        size_t(index) >= m_rowsData[size_t(m_pos)].size())
        return QVariant();
    return m_rowsData[size_t(m_pos)][size_t(index)];
}

void Query::setFieldValue(int, const QVariant &)
{
    fail(QStringLiteral("Cannot modify a read-only dataset"));
}

} // namespace vinary::db
