#include "data/cardrules.h"

#include "data/cellar.h"
#include "data/messagebox.h"
#include "data/searchindex.h"
#include "engine/common/datetimes.h"
#include "engine/common/errors.h"

#include <cmath>

namespace vinary {

const std::array<CardRules::PickColumn, CardRules::kPickListCount> &CardRules::pickColumns()
{
    static const std::array<PickColumn, kPickListCount> columns = {{
        {"EDITGruppo", "Gruppo", "gruppo"},
        {"EditZona", "Zona", "zona"},
        {"EDITProduttore", "Produttore", "produttore"},
        {"EditFORNITORE", "Fornitore", "fornitore"},
        {"EditTipologia", "Tipologia", "tipologia"},
        {"EditCapacita", "Capacita", "capacita"},
        {"EditRegione", "Regione", "regione"},
    }};
    return columns;
}

CardRules::CardRules(Cellar &cellar) : m_cellar(cellar) {}

void CardRules::install()
{
    db::Table &schede = m_cellar.Schede;
    schede.onCalcFields = [this](db::Table &t) { SchedeCalcFields(t); };
    schede.onNewRecord = [this](db::Table &t) { SchedeNewRecord(t); };
    schede.beforeDelete = [this](db::Table &t) { SchedeBeforeDelete(t); };
    schede.afterPost = [this](db::Table &t) { SchedeAfterPost(t); };
    Cellar &cellar = m_cellar;
    schede.onFilterRecord = [&cellar](db::Table &t, bool &accept) { SchedeFilterRecord(cellar, t, accept); };
    schede.onFilterCandidates = [&cellar](db::Table &t) { return SchedeFilterCandidates(cellar, t); };
    m_cellar.giornale.onFilterRecord = [&cellar](db::Table &t, bool &accept) {
        giornaleFilterRecord(cellar, t, accept);
    };
}

void CardRules::SchedeCalcFields(db::Table &table)
{
    // Whole days from now to the due date, truncated toward zero; 9999 without a due date.
    const double scadenza = table.fieldByName(QStringLiteral("Scadenza")).asFloat();
    int pronto = 9999;
    if (scadenza != 0.0) {
        const double now = toDayCount(m_cellar.clock());
        pronto = int(std::trunc(scadenza - now));
    }
    table.fieldByName(QStringLiteral("Pronto")).setValue(pronto);
    const double valore = table.fieldByName(QStringLiteral("Quantita")).asFloat() *
                          table.fieldByName(QStringLiteral("Prezzo_Acq")).asFloat();
    table.fieldByName(QStringLiteral("Valore")).setValue(valore);
}

void CardRules::SchedeNewRecord(db::Table &table)
{
    double ricarico = 0.0;
    if (m_cellar.intestazione.isActive())
        ricarico = m_cellar.intestazione.fieldByName(QStringLiteral("Ricarico")).asFloat();
    table.fieldByName(QStringLiteral("Ricarico")).setAsFloat(ricarico);
}

void CardRules::SchedeBeforeDelete(db::Table &table)
{
    if (table.fieldByName(QStringLiteral("Quantita")).asFloat() != 0.0) {
        if (m_cellar.messages)
            m_cellar.messages->notice(m_cellar.traduci(QStringLiteral("   [CANCELLAZIONE_RIF]   ")));
        throw SilentAbort();
    }
    const bool yes = m_cellar.messages &&
                     m_cellar.messages->question(m_cellar.traduci(QStringLiteral("   [CONFERMA_CANCELLA]    ")));
    if (!yes)
        throw SilentAbort();
}

void CardRules::SchedeAfterPost(db::Table &table)
{
    for (int i = 0; i < kPickListCount; ++i) {
        PickList *list = m_lists.at(size_t(i));
        if (!list)
            continue;
        const QString value = table.fieldByName(QString::fromLatin1(pickColumns().at(size_t(i)).column)).asString();
        if (!list->containsNoCase(value))
            list->addItem(value);
    }
}

void CardRules::popola_lista(const QString &table, const QString &column, PickList *list)
{
    db::Query &liste = m_cellar.Liste;
    liste.close();
    liste.clearSql();
    liste.setSql(QStringLiteral("SELECT DISTINCT ") + column + QStringLiteral(" FROM ") + table +
                 QStringLiteral(" ORDER BY ") + column);
    liste.open();
    if (list)
        list->clearItems();
    while (!liste.eof()) {
        if (list)
            list->addItem(liste.field(0).asString());
        liste.next();
    }
    liste.close();
}

void CardRules::ensurePickListIndexes()
{
    db::Connection &db = m_cellar.DB;
    if (!db.isOpen() || db.isReadOnly() || db.inTransaction() || m_indexedConnection == db.handle())
        return;
    m_indexedConnection = db.handle();
    for (const PickColumn &c : pickColumns()) {
        try {
            db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS \"Schede_%1\" ON Schede (\"%1\")")
                        .arg(QString::fromLatin1(c.column)));
        } catch (const std::exception &) {
            // Without the index the query still answers, by sorting the table.
        }
    }
}

void CardRules::refillPickLists()
{
    ensurePickListIndexes();
    for (int i = 0; i < kPickListCount; ++i) {
        popola_lista(QStringLiteral("schede"), QString::fromLatin1(pickColumns().at(size_t(i)).query),
                     m_lists.at(size_t(i)));
    }
}

bool CardRules::searchIndexReady()
{
    db::Connection &db = m_cellar.DB;
    if (!db.isOpen())
        return false;
    if (searchindex::isPresent(db))
        return true;
    if (db.isReadOnly() || db.inTransaction() || m_searchIndexTried == db.handle())
        return false;
    m_searchIndexTried = db.handle();
    try {
        return searchindex::create(db, m_cellar.indexProgress);
    } catch (const std::exception &) {
        // A cellar that cannot be written now (locked, full disk) is searched by testing every card.
        return false;
    }
}

} // namespace vinary
