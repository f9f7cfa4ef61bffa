#include "engine/jet/jetconverter.h"

#include "engine/common/datetimes.h"
#include "engine/common/errors.h"
#include "engine/jet/jetfile.h"
#include "engine/jet/sqlitefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cmath>

namespace vinary::jet
{

namespace
{

// How a value is stored, from the column's declared type (SQLite's affinity rules, plus the
// cellar's BOOLEAN and DATETIME columns).
enum class Kind { Text, Integer, Real, Numeric, Boolean, DateTime, Blob };

Kind kindOf(const QString &declaredType)
{
    const QString type = declaredType.trimmed().toUpper();
    if (type.startsWith(u"BOOL"))
        return Kind::Boolean;
    if (type.startsWith(u"DATE") || type.startsWith(u"TIME"))
        return Kind::DateTime;
    if (type.contains(u"INT"))
        return Kind::Integer;
    if (type.contains(u"CHAR") || type.contains(u"TEXT") || type.contains(u"CLOB"))
        return Kind::Text;
    if (type.isEmpty() || type.contains(u"BLOB"))
        return Kind::Blob;
    if (type.contains(u"REAL") || type.contains(u"FLOA") || type.contains(u"DOUB"))
        return Kind::Real;
    return Kind::Numeric;
}

bool isWhole(double value)
{
    return std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9.0e15;
}

QVariant fromNumber(double value, bool integral, Kind kind)
{
    switch (kind) {
    case Kind::Text:
        if (integral || isWhole(value))
            return QString::number(qint64(value));
        return QString::number(value, 'g', QLocale::FloatingPointShortest);
    case Kind::Integer:
        if (isWhole(value))
            return qint64(value);
        return value; // kept as it is rather than rounded
    case Kind::Boolean:
        return qint64(value != 0.0 ? 1 : 0);
    case Kind::DateTime: {
        const QDateTime date = fromDayCount(value);
        return date.isValid() ? QVariant(toIsoText(date)) : QVariant();
    }
    case Kind::Real:
        return value;
    case Kind::Numeric:
    case Kind::Blob:
        if (integral)
            return qint64(value);
        return value;
    }
    return value;
}

// A number typed as text, with a decimal point or, as Italian users write it, a decimal comma.
bool parseNumber(const QString &text, double *value)
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    *value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok && trimmed.count(u',') == 1 && !trimmed.contains(u'.')) {
        QString dotted = trimmed;
        dotted.replace(u',', u'.');
        *value = QLocale::c().toDouble(dotted, &ok);
    }
    return ok;
}

QVariant fromText(const QString &text, Kind kind)
{
    double number = 0;
    switch (kind) {
    case Kind::Text:
    case Kind::Blob:
    case Kind::Numeric: // SQLite turns a decimal text into a number when that loses nothing
        return text;
    case Kind::Integer:
    case Kind::Real:
        if (parseNumber(text, &number))
            return fromNumber(number, false, kind);
        return text;
    case Kind::Boolean: {
        const QString word = text.trimmed().toLower();
        if (word == u"true" || word == u"yes" || word == u"on")
            return qint64(1);
        if (word == u"false" || word == u"no" || word == u"off")
            return qint64(0);
        if (parseNumber(word, &number))
            return qint64(number != 0.0 ? 1 : 0);
        return text;
    }
    case Kind::DateTime: {
        const QDateTime date = fromIsoText(text);
        return date.isValid() ? QVariant(toIsoText(date)) : QVariant(text);
    }
    }
    return text;
}

// Turns a value read from the source into the value stored in a column of the given kind;
// whatever cannot be converted is stored as it came, so that nothing is lost.
QVariant storedValue(const QVariant &value, Kind kind)
{
    if (value.isNull())
        return QVariant();
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString text = value.toString();
        return text.isEmpty() ? QVariant() : fromText(text, kind);
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return bytes.isEmpty() ? QVariant() : QVariant(bytes);
    }
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid())
            return QVariant();
        if (kind == Kind::Integer || kind == Kind::Real || kind == Kind::Numeric)
            return toDayCount(date);
        return toIsoText(date);
    }
    case QMetaType::Bool:
        if (kind == Kind::Text)
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        return qint64(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar:
        if (kind == Kind::Text)
            return QString::number(value.toLongLong());
        if (kind == Kind::Integer || kind == Kind::Numeric || kind == Kind::Blob)
            return value.toLongLong();
        return fromNumber(value.toDouble(), true, kind);
    case QMetaType::Double:
    case QMetaType::Float:
        return fromNumber(value.toDouble(), false, kind);
    default:
        return fromText(value.toString(), kind);
    }
}

QString nativeName(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName);
}

QString missingTablesMessage(const QString &source, const QStringList &missing)
{
    QStringList quoted;
    for (const QString &name : missing)
        quoted.append(u'"' + name + u'"');
    QString list = quoted.constLast();
    if (quoted.size() > 1)
        list = QStringList(quoted.begin(), quoted.end() - 1).join(QStringLiteral(", ")) +
               QStringLiteral(" and ") + list;
    return QStringLiteral("The Jet database \"%1\" cannot be converted: it has no %2 %3.")
        .arg(nativeName(source), missing.size() > 1 ? QStringLiteral("tables") : QStringLiteral("table"),
             list);
}

struct Target {
    QString name;
    Kind kind;
};

void copyRows(SqliteFile &db, JetSource &source, const QString &sourceTable, const QString &table,
              const QList<Target> &columns)
{
    QString sql;
    if (columns.isEmpty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(table));
    } else {
        QStringList names;
        QStringList places;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            names.append(quoteIdentifier(columns.at(i).name));
            places.append(u'?' + QString::number(i + 1));
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoteIdentifier(table), names.join(QStringLiteral(", ")),
                       places.join(QStringLiteral(", ")));
    }
    SqliteStatement insert(db, sql);
    source.rows(sourceTable, [&](const QVariantList &values) {
        for (qsizetype i = 0; i < columns.size() && i < values.size(); ++i)
            insert.bind(int(i + 1), storedValue(values.at(i), columns.at(i).kind));
        insert.step();
        insert.reset();
    });
}

void copyCellarTable(SqliteFile &db, JetSource &source, const QString &sourceTable,
                     const CellarSchema::Table &table)
{
    db.exec(table.createSql);
    QList<Target> targets;
    for (const JetColumn &column : source.columns(sourceTable)) {
        if (const CellarSchema::Column *known = table.column(column.name)) {
            targets.append(Target{known->name, kindOf(known->declaredType)});
            continue;
        }
        const QString type = sqliteTypeFor(column);
        db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                    .arg(quoteIdentifier(table.name), quoteIdentifier(column.name), type));
        targets.append(Target{column.name, kindOf(type)});
    }
    copyRows(db, source, sourceTable, table.name, targets);
}

void copyOtherTable(SqliteFile &db, JetSource &source, const QString &sourceTable)
{
    const QList<JetColumn> columns = source.columns(sourceTable);
    if (columns.isEmpty())
        return;
    QStringList definitions;
    QList<Target> targets;
    bool counted = false;
    for (const JetColumn &column : columns) {
        QString type = sqliteTypeFor(column);
        QString definition = quoteIdentifier(column.name) + u' ' + type;
        if (column.autoNumber && !counted) {
            definition = quoteIdentifier(column.name) + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
            counted = true;
        }
        definitions.append(definition);
        targets.append(Target{column.name, kindOf(type)});
    }
    db.exec(QStringLiteral("CREATE TABLE %1 (\n    %2\n)")
                .arg(quoteIdentifier(sourceTable), definitions.join(QStringLiteral(",\n    "))));
    copyRows(db, source, sourceTable, sourceTable, targets);
}

// Removes a half-written target unless the conversion completed.
class TargetGuard
{
public:
    explicit TargetGuard(const QString &fileName) : m_fileName(fileName) {}
    ~TargetGuard()
    {
        if (m_armed) {
            QFile::remove(m_fileName);
            QFile::remove(m_fileName + QStringLiteral("-journal"));
        }
    }
    void dismiss() { m_armed = false; }

private:
    QString m_fileName;
    bool m_armed = true;
};

} // namespace

QString sqliteTypeFor(const JetColumn &column)
{
    switch (column.type) {
    case JetType::Boolean:
        return QStringLiteral("BOOLEAN");
    case JetType::Byte:
    case JetType::Integer:
        return QStringLiteral("SMALLINT");
    case JetType::LongInteger:
        return QStringLiteral("INTEGER");
    case JetType::Currency:
    case JetType::Single:
    case JetType::Double:
        return QStringLiteral("REAL");
    case JetType::DateTime:
        return QStringLiteral("DATETIME");
    case JetType::Text:
        return column.size > 0 ? QStringLiteral("TEXT(%1)").arg(column.size) : QStringLiteral("TEXT");
    case JetType::Memo:
        return QStringLiteral("TEXT");
    case JetType::ReplicationId:
        return QStringLiteral("TEXT(38)");
    case JetType::Decimal:
        return QStringLiteral("NUMERIC");
    case JetType::Binary:
    case JetType::OleObject:
    case JetType::Unsupported:
        break;
    }
    return QStringLiteral("BLOB");
}

void convertToSqlite(JetSource &source, const QString &target, const CellarSchema &schema)
{
    const QStringList sourceTables = source.tables();
    QStringList missing;
    for (const CellarSchema::Table &table : schema.tables()) {
        if (!sourceTables.contains(table.name, Qt::CaseInsensitive))
            missing.append(table.name);
    }
    if (!missing.isEmpty())
        throw VinaryError(missingTablesMessage(source.name(), missing));

    const QFileInfo info(target);
    if (info.exists() && (!info.isFile() || info.size() > 0))
        throw VinaryError(QStringLiteral("Cannot convert the Jet database \"%1\": \"%2\" already exists.")
                              .arg(nativeName(source.name()), nativeName(target)));

    TargetGuard guard(target);
    SqliteFile db(target);
    QString current;
    try {
        db.exec(QStringLiteral("BEGIN"));
        // The cellar's tables first and in the schema's order, then the others as the source has them.
        for (const CellarSchema::Table &table : schema.tables()) {
            for (const QString &sourceTable : sourceTables) {
                if (sourceTable.compare(table.name, Qt::CaseInsensitive) == 0) {
                    current = sourceTable;
                    copyCellarTable(db, source, sourceTable, table);
                    break;
                }
            }
        }
        for (const QString &sourceTable : sourceTables) {
            if (!schema.table(sourceTable)) {
                current = sourceTable;
                copyOtherTable(db, source, sourceTable);
            }
        }
        current.clear();
        for (const QString &statement : schema.laterStatements())
            db.exec(statement);
        db.exec(QStringLiteral("COMMIT"));
    } catch (const VinaryError &e) {
        if (current.isEmpty())
            throw VinaryError(QStringLiteral("Cannot convert the Jet database \"%1\": %2")
                                  .arg(nativeName(source.name()), e.message()));
        throw VinaryError(QStringLiteral("Cannot convert the table \"%1\" of the Jet database \"%2\": %3")
                              .arg(current, nativeName(source.name()), e.message()));
    }
    db.close();
    guard.dismiss();
}

void convertJetFile(const QString &source, const QString &target)
{
    JetFile file(source);
    convertToSqlite(file, target, CellarSchema::cellar());
}

} // namespace vinary::jet
