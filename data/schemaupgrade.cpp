#include "data/schemaupgrade.h"

#include "engine/db/connection.h"

#include <QString>

#include <exception>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

// A sort order of Indici as delivered; its key is the name it is delivered with.
struct DeliveredOrder {
    const char16_t *indice;
    const char16_t *ordine;
};

// A report of Stampe as delivered; its key is the template's file name. `order` names the sort
// order of Indici the report prints in (its position becomes the ordering code), or is empty
// for the code given in `ordinamento`.
struct DeliveredReport {
    const char16_t *stampa;
    const char16_t *tracciato;
    const char16_t *ordinamento;
    const char16_t *order;
    const char16_t *selezione;
};

// In the order they were delivered: new rows go at the end, so that positions already delivered
// do not move. The first rows came with the cellars made before there was a schema version.
constexpr DeliveredOrder kOrders[] = {
    {u"[ORD_DESCRIZIONE]", u"\"[Descrizione] ASC\""},
    {u"[ORD_PRODUTTORE]", u"[Produttore], [Descrizione]"},
    {u"[ORD_TIPOLOGIA]", u"[Tipologia], [Descrizione]"},
    {u"[ORD_REGIONE]", u"[Regione], [Zona], [Descrizione]"},
    {u"[ORD_ANNATA]", u"\"[Anno] DESC\", [Descrizione]"},
    {u"[ORD_CODICE]", u"[Codice]"},
    {u"[ORD_SCADENZA]", u"[Scadenza], [Descrizione]"},
    // version 1
    {u"[ORD_GRUPPO]", u"[Gruppo], [Tipologia], [Descrizione]"},
    {u"[ORD_FORNITORE]", u"[Fornitore], [Produttore], [Descrizione]"},
};
constexpr int kOrdersBeforeVersion1 = 7;

constexpr DeliveredReport kReports[] = {
    {u"[STAMPA_CATALOGO]", u"catalogo.frf", u"*", u"", u"C"},
    {u"[STAMPA_CARTA_VINI]", u"cartavini.frf", u"", u"[ORD_TIPOLOGIA]", u"C"},
    {u"[STAMPA_VALORE]", u"valore.frf", u"", u"[ORD_TIPOLOGIA]", u"C"},
    {u"[STAMPA_RIORDINO]", u"riordino.frf", u"*", u"", u"C"},
    {u"[STAMPA_SCADENZE]", u"scadenze.frf", u"", u"[ORD_SCADENZA]", u"C"},
    {u"[STAMPA_GIORNALE]", u"giornale.frf", u"G", u"", u"G"},
    // version 1
    {u"[STAMPA_LISTINO]", u"listino.frf", u"", u"[ORD_GRUPPO]", u"C"},
    {u"[STAMPA_CATALOGO_GRUPPI]", u"catalogo_gruppi.frf", u"", u"[ORD_GRUPPO]", u"C"},
    {u"[STAMPA_RIORDINO_FORNITORI]", u"riordino_fornitori.frf", u"", u"[ORD_FORNITORE]", u"C"},
};
constexpr int kReportsBeforeVersion1 = 6;

const QString kIndici = u"Indici"_s;
const QString kStampe = u"Stampe"_s;

qint64 scalar(db::Connection &DB, const QString &sql, const QString &a = QString(),
              const QString &b = QString())
{
    db::Statement s = DB.prepare(sql);
    if (sql.contains(u"?1"_s))
        s.bindText(1, a);
    if (sql.contains(u"?2"_s))
        s.bindText(2, b);
    return s.step() ? s.int64(0) : 0;
}

bool isRecorded(db::Connection &DB, const QString &table, const QString &key)
{
    return scalar(DB, u"SELECT COUNT(*) FROM Consegne WHERE Tabella = ?1 AND Chiave = ?2"_s, table, key) > 0;
}

void record(db::Connection &DB, const QString &table, const QString &key)
{
    db::Statement s = DB.prepare(u"INSERT OR IGNORE INTO Consegne (Tabella, Chiave) VALUES (?1, ?2)"_s);
    s.bindText(1, table);
    s.bindText(2, key);
    s.exec();
}

// The ordering code that selects a sort order: its position in the order list, a single digit.
// A sort order that is gone, or beyond the ninth, lets the user choose instead.
QString orderingCode(db::Connection &DB, const QString &indice)
{
    const qint64 id = scalar(DB, u"SELECT ID FROM Indici WHERE Indice = ?1 ORDER BY ID LIMIT 1"_s, indice);
    if (id <= 0)
        return u"*"_s;
    const qint64 position = scalar(DB, u"SELECT COUNT(*) FROM Indici WHERE ID <= ?1"_s, QString::number(id));
    return position >= 1 && position <= 9 ? QString::number(position) : u"*"_s;
}

void deliverOrders(db::Connection &DB)
{
    for (const DeliveredOrder &o : kOrders) {
        const QString key = QString::fromUtf16(o.indice);
        if (isRecorded(DB, kIndici, key))
            continue;
        if (scalar(DB, u"SELECT COUNT(*) FROM Indici WHERE Indice = ?1 COLLATE NOCASE"_s, key) == 0) {
            db::Statement s = DB.prepare(u"INSERT INTO Indici (Indice, Ordine) VALUES (?1, ?2)"_s);
            s.bindText(1, key);
            s.bindText(2, QString::fromUtf16(o.ordine));
            s.exec();
        }
        record(DB, kIndici, key);
    }
}

void deliverReports(db::Connection &DB)
{
    for (const DeliveredReport &r : kReports) {
        const QString key = QString::fromUtf16(r.tracciato);
        if (isRecorded(DB, kStampe, key))
            continue;
        if (scalar(DB, u"SELECT COUNT(*) FROM Stampe WHERE Tracciato = ?1 COLLATE NOCASE"_s, key) == 0) {
            const QString order = QString::fromUtf16(r.order);
            const QString ordinamento =
                order.isEmpty() ? QString::fromUtf16(r.ordinamento) : orderingCode(DB, order);
            const qint64 ordine = scalar(DB, u"SELECT COALESCE(MAX(Ordine), 0) + 1 FROM Stampe"_s);
            db::Statement s =
                DB.prepare(u"INSERT INTO Stampe (Stampa, Ordine, Tracciato, Ordinamento, Selezione) "
                           "VALUES (?1, ?2, ?3, ?4, ?5)"_s);
            s.bindText(1, QString::fromUtf16(r.stampa));
            s.bindInt64(2, std::min<qint64>(ordine, 32767));
            s.bindText(3, key);
            s.bindText(4, ordinamento);
            s.bindText(5, QString::fromUtf16(r.selezione));
            s.exec();
        }
        record(DB, kStampe, key);
    }
}

// Version 1: the record of delivered rows. A cellar made before it holds what was delivered
// then, or the user's changes to it; either way those rows count as delivered.
void toVersion1(db::Connection &DB, const searchindex::Progress &)
{
    DB.exec(u"CREATE TABLE IF NOT EXISTS Consegne (Tabella TEXT(30) NOT NULL, Chiave TEXT(60) NOT NULL, "
            "PRIMARY KEY (Tabella, Chiave))"_s);
    for (int i = 0; i < kOrdersBeforeVersion1; ++i)
        record(DB, kIndici, QString::fromUtf16(kOrders[i].indice));
    for (int i = 0; i < kReportsBeforeVersion1; ++i)
        record(DB, kStampe, QString::fromUtf16(kReports[i].tracciato));
}

// Version 2: the card search index. One built at a search of an earlier start is kept.
void toVersion2(db::Connection &DB, const searchindex::Progress &progress)
{
    if (!searchindex::isPresent(DB))
        searchindex::create(DB, progress);
}

// Whether a delivered row of the current version is not recorded yet.
bool deliveriesPending(db::Connection &DB)
{
    for (const DeliveredOrder &o : kOrders) {
        if (!isRecorded(DB, kIndici, QString::fromUtf16(o.indice)))
            return true;
    }
    for (const DeliveredReport &r : kReports) {
        if (!isRecorded(DB, kStampe, QString::fromUtf16(r.tracciato)))
            return true;
    }
    return false;
}

struct Step {
    int version;
    void (*run)(db::Connection &, const searchindex::Progress &);
};
constexpr Step kSteps[] = {{1, toVersion1}, {2, toVersion2}};

} // namespace

int schemaVersion(db::Connection &DB)
{
    return int(scalar(DB, u"PRAGMA user_version"_s));
}

void upgradeCellar(db::Connection &DB, const searchindex::Progress &progress)
{
    const int version = schemaVersion(DB);
    // An up-to-date cellar is not written to, so that one on a read-only medium still opens.
    if (version > kSchemaVersion || (version == kSchemaVersion && !deliveriesPending(DB)))
        return;
    DB.begin();
    try {
        for (const Step &step : kSteps) {
            if (step.version > version)
                step.run(DB, progress);
        }
        deliverOrders(DB);
        deliverReports(DB);
        if (version < kSchemaVersion)
            DB.exec(u"PRAGMA user_version = %1"_s.arg(kSchemaVersion));
        DB.commit();
    } catch (...) {
        DB.rollback();
        throw;
    }
}

} // namespace vinary
