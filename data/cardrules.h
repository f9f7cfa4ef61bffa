#pragma once

#include "data/picklist.h"

#include <QString>
#include <array>

namespace vinary {

namespace db {
class Table;
}
class Cellar;

// The rules bound to the wine-card table, whichever window drives it.
class CardRules
{
public:
    // The seven pick lists in their fixed order: group, zone, producer, supplier, type,
    // container, region; each fed from one column of Schede.
    static constexpr int kPickListCount = 7;
    struct PickColumn {
        const char *box;    // the drop-down box of the catalogue window
        const char *column; // the column of Schede
        const char *query;  // the column name used in the distinct-value query
    };
    static const std::array<PickColumn, kPickListCount> &pickColumns();

    explicit CardRules(Cellar &cellar);

    // Binds the hooks of Schede (calculate, new record, before delete, after post, filter) and the
    // filter of Giornale.
    void install();

    // The pick lists the rules fill; null entries are skipped.
    void setPickList(int index, PickList *list) { m_lists.at(size_t(index)) = list; }
    PickList *pickList(int index) const { return m_lists.at(size_t(index)); }

    void SchedeCalcFields(db::Table &table);
    void SchedeNewRecord(db::Table &table);
    void SchedeBeforeDelete(db::Table &table);
    void SchedeAfterPost(db::Table &table);

    // Fills one pick list with the distinct values of one column.
    void popola_lista(const QString &table, const QString &column, PickList *list);
    // The main window's activation: refills the seven lists.
    void refillPickLists();
    // Gives each pick-list column of Schede an index, once per connection, so that the seven
    // distinct-value queries of every activation read an index instead of sorting the whole
    // table. A database that refuses (read-only, locked, inside a transaction) is only slower.
    void ensurePickListIndexes();

    // Whether the card search index is in the database, building it at its first use when the
    // start-up upgrade did not (another program held the cellar, say): once per connection, with
    // the cellar's progress indication. A cellar that cannot have it is searched without it.
    bool searchIndexReady();

    // The markup rule: sale price = purchase price x markup, the plain product.
    static double markup(double purchasePrice, double ricarico) { return purchasePrice * ricarico; }

private:
    Cellar &m_cellar;
    std::array<PickList *, kPickListCount> m_lists{};
    const void *m_indexedConnection = nullptr;
    const void *m_searchIndexTried = nullptr;
};

} // namespace vinary
