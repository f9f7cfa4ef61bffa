#include "data/searchindex.h"

#include "data/filters.h"
#include "engine/db/connection.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace vinary::searchindex
{

namespace
{

const QString kIndex = u"Schede_ricerca"_s;
const QString kInsertTrigger = u"Schede_ricerca_ins"_s;
const QString kUpdateTrigger = u"Schede_ricerca_upd"_s;
const QString kDeleteTrigger = u"Schede_ricerca_del"_s;
// Cards indexed per step while building, between two progress reports.
constexpr int kChunk = 5000;

QString quoted(const QString &name)
{
    QString n = name;
    n.replace(u'"', u"\"\""_s);
    return u'"' + n + u'"';
}

bool isTextDeclaration(const QString &declared)
{
    const QString t = declared.trimmed().toUpper().section(u'(', 0, 0).trimmed();
    return t.isEmpty() || t.contains(u"CHAR"_s) || t.contains(u"TEXT"_s) || t.contains(u"CLOB"_s) ||
           t == u"MEMO"_s || t == u"STRING"_s;
}

// The columns of Schede as the database names them: the 15 search columns in their order, and the
// integer primary key that holds the card number. Empty names when the cellar lacks one.
struct Columns {
    QStringList search;
    QString key;
    bool complete = false;
};

Columns readColumns(db::Connection &DB)
{
    Columns out;
    QHash<QString, QString> names; // upper-cased name -> name, for the text columns
    int keys = 0;
    QString integerKey;
    db::Statement info = DB.prepare(u"PRAGMA table_info(\"Schede\")"_s);
    while (info.step()) {
        const QString name = info.text(1);
        const QString type = info.text(2);
        if (info.int64(5) > 0) {
            ++keys;
            if (type.trimmed().compare(u"INTEGER"_s, Qt::CaseInsensitive) == 0)
                integerKey = name;
        }
        if (isTextDeclaration(type))
            names.insert(name.toUpper(), name);
    }
    if (keys != 1 || integerKey.isEmpty())
        return out;
    out.key = integerKey;
    for (const QString &column : cardSearchColumns()) {
        const QString name = names.value(column.toUpper());
        if (name.isEmpty())
            return out;
        out.search << name;
    }
    out.complete = true;
    return out;
}

// The card's search text in SQL, from the row named by prefix ("new.", "old." or nothing). SQLite's
// own upper() changes the letters a to z only, as the filter does; text conversion of the stored
// values is the engine's, the same that the filter reads.
QString searchExpression(const QStringList &columns, const QString &prefix)
{
    QStringList parts;
    for (const QString &c : columns)
        parts << u"coalesce(%1%2, '')"_s.arg(prefix, quoted(c));
    return u"upper(%1)"_s.arg(parts.join(u" || "_s));
}

qint64 scalar(db::Connection &DB, const QString &sql, std::optional<qint64> bound = std::nullopt,
              bool *found = nullptr)
{
    db::Statement s = DB.prepare(sql);
    if (bound)
        s.bindInt64(1, *bound);
    const bool row = s.step() && !s.isNull(0);
    if (found)
        *found = row;
    return row ? s.int64(0) : 0;
}

void fill(db::Connection &DB, const Columns &columns, const Progress &progress)
{
    const qint64 total = scalar(DB, u"SELECT count(*) FROM \"Schede\""_s);
    if (progress)
        progress(0, total);
    db::Statement insert = DB.prepare(
        u"INSERT INTO %1 (rowid, testo) SELECT rowid, %2 FROM \"Schede\" "
        "WHERE rowid >= ?1 AND rowid <= ?2"_s.arg(quoted(kIndex), searchExpression(columns.search, {})));
    bool more = false;
    qint64 from = scalar(DB, u"SELECT min(rowid) FROM \"Schede\""_s, std::nullopt, &more);
    qint64 done = 0;
    while (more) {
        bool full = false;
        qint64 to =
            scalar(DB,
                   u"SELECT rowid FROM \"Schede\" WHERE rowid >= ?1 ORDER BY rowid LIMIT 1 OFFSET %1"_s.arg(
                       kChunk - 1),
                   from, &full);
        if (!full)
            to = scalar(DB, u"SELECT max(rowid) FROM \"Schede\""_s);
        insert.reset();
        insert.bindInt64(1, from);
        insert.bindInt64(2, to);
        insert.exec();
        done = full ? std::min(total, done + kChunk) : total;
        if (progress && done < total)
            progress(done, total);
        from =
            scalar(DB, u"SELECT rowid FROM \"Schede\" WHERE rowid > ?1 ORDER BY rowid LIMIT 1"_s, to, &more);
    }
}

void createTriggers(db::Connection &DB, const Columns &columns)
{
    const QString index = quoted(kIndex);
    const QString newText = searchExpression(columns.search, u"new."_s);
    const QString oldText = searchExpression(columns.search, u"old."_s);
    QStringList watched{quoted(columns.key)};
    for (const QString &c : columns.search)
        watched << quoted(c);
    // OR REPLACE: a card put in place of another with the same number (INSERT OR REPLACE) leaves no
    // entry of the card it replaced.
    DB.exec(u"CREATE TRIGGER %1 AFTER INSERT ON \"Schede\" BEGIN "
            "INSERT OR REPLACE INTO %2 (rowid, testo) VALUES (new.rowid, %3); END"_s.arg(
                quoted(kInsertTrigger), index, newText));
    DB.exec(u"CREATE TRIGGER %1 AFTER DELETE ON \"Schede\" BEGIN "
            "DELETE FROM %2 WHERE rowid = old.rowid; END"_s.arg(quoted(kDeleteTrigger), index));
    // A movement changes only quantities, prices and dates: the index is not touched.
    DB.exec(u"CREATE TRIGGER %1 AFTER UPDATE OF %2 ON \"Schede\" "
            "WHEN old.rowid IS NOT new.rowid OR %3 IS NOT %4 BEGIN "
            "DELETE FROM %5 WHERE rowid = old.rowid; "
            "INSERT OR REPLACE INTO %5 (rowid, testo) VALUES (new.rowid, %4); END"_s.arg(
                quoted(kUpdateTrigger), watched.join(u", "_s), oldText, newText, index));
}

} // namespace

QString tableName()
{
    return kIndex;
}

bool isPresent(db::Connection &DB)
{
    db::Statement s =
        DB.prepare(u"SELECT count(*) FROM sqlite_master WHERE (type = 'table' AND name = ?1) OR "
                   "(type = 'trigger' AND tbl_name = 'Schede' AND name IN (?2, ?3, ?4))"_s);
    s.bindText(1, kIndex);
    s.bindText(2, kInsertTrigger);
    s.bindText(3, kUpdateTrigger);
    s.bindText(4, kDeleteTrigger);
    return s.step() && s.int64(0) == 4;
}

bool isSupported(db::Connection &DB)
{
    // The trigram tokenizer and its case_sensitive option came with SQLite 3.34.
    try {
        DB.exec(
            u"CREATE VIRTUAL TABLE temp.vinary_probe USING fts5(t, tokenize = 'trigram case_sensitive 1', "
            "detail = none)"_s);
        DB.exec(u"DROP TABLE temp.vinary_probe"_s);
    } catch (const db::DbError &) {
        return false;
    }
    // An engine built with ICU upper-cases accented letters too, which the filter does not.
    if (scalar(DB, u"SELECT upper('a\u00e0z\u00df') = 'A\u00e0Z\u00df'"_s) != 1)
        return false;
    return readColumns(DB).complete;
}

bool create(db::Connection &DB, const Progress &progress)
{
    if (!isSupported(DB))
        return false;
    const Columns columns = readColumns(DB);
    std::optional<qint64> reportedTotal;
    const Progress report = [&](qint64 done, qint64 total) {
        reportedTotal = total;
        progress(done, total);
    };
    try {
        db::Transaction transaction(DB);
        drop(DB);
        // detail=none keeps only which cards hold each trigram, not where: a search asks for every
        // trigram of its text, and the filter tests the cards that have them all.
        DB.exec(u"CREATE VIRTUAL TABLE %1 USING fts5(testo, tokenize = 'trigram case_sensitive 1', "
                "detail = none)"_s.arg(quoted(kIndex)));
        fill(DB, columns, progress ? report : Progress());
        createTriggers(DB, columns);
        transaction.commit();
    } catch (...) {
        if (reportedTotal)
            progress(*reportedTotal, *reportedTotal);
        throw;
    }
    if (reportedTotal)
        progress(*reportedTotal, *reportedTotal);
    return true;
}

void drop(db::Connection &DB)
{
    for (const QString &trigger : {kInsertTrigger, kUpdateTrigger, kDeleteTrigger})
        DB.exec(u"DROP TRIGGER IF EXISTS %1"_s.arg(quoted(trigger)));
    DB.exec(u"DROP TABLE IF EXISTS %1"_s.arg(quoted(kIndex)));
}

std::optional<db::Table::Candidates> candidates(const QString &upperText)
{
    if (upperText.contains(QChar(u'\0')) || !QStringView(upperText).isValidUtf16())
        return std::nullopt;
    // The trigram tokenizer counts characters as code points.
    const QList<uint> points = upperText.toUcs4();
    if (points.size() < 3)
        return std::nullopt;
    QStringList terms;
    QSet<QString> seen;
    for (qsizetype i = 0; i + 3 <= points.size(); ++i) {
        QString trigram = QString::fromUcs4(reinterpret_cast<const char32_t *>(points.constData() + i), 3);
        if (seen.contains(trigram))
            continue;
        seen.insert(trigram);
        trigram.replace(u'"', u"\"\""_s);
        terms << u'"' + trigram + u'"';
    }
    return db::Table::Candidates{
        u"SELECT rowid FROM %1 WHERE %1 MATCH ?"_s.arg(quoted(kIndex)),
        {terms.join(u" AND "_s)},
    };
}

} // namespace vinary::searchindex
