#include "data/cardediting.h"

#include "data/cardrules.h"
#include "engine/db/table.h"

namespace vinary::cardediting {

bool applyDefaultSalePrice(db::Table &schede)
{
    db::Field &vendita = schede.fieldByName(QStringLiteral("Prezzo_Ven"));
    if (vendita.asFloat() != 0.0)
        return false;
    const double acquisto = schede.fieldByName(QStringLiteral("Prezzo_Acq")).asFloat();
    const double ricarico = schede.fieldByName(QStringLiteral("Ricarico")).asFloat();
    vendita.setAsFloat(CardRules::markup(acquisto, ricarico));
    return true;
}

bool hasDescription(const db::Table &schede)
{
    return !schede.fieldByName(QStringLiteral("Descrizione")).asString().isEmpty();
}

QStringList titleClickSort(const QString &field)
{
    QStringList sort{field};
    if (field != u"Descrizione")
        sort << QStringLiteral("Descrizione");
    return sort;
}

} // namespace vinary::cardediting
