#include "data/movements.h"

#include "data/cellar.h"
#include "data/takeback.h"
#include "engine/db/connection.h"

#include <cmath>

namespace vinary
{

namespace
{

double number(const db::Table &table, const char *field)
{
    return table.fieldByName(QString::fromLatin1(field)).asFloat();
}

} // namespace

double roundToCents(double value)
{
    if (!std::isfinite(value))
        return 0.0;
    const double cents = std::floor(std::fabs(value) * 100.0 + 0.5 + 1e-9) / 100.0;
    return value < 0 ? -cents : cents;
}

StockMovements::StockMovements(Cellar &cellar) : m_cellar(cellar) {}

QString StockMovements::causale(Movement::Kind kind)
{
    return kind == Movement::Kind::Load ? QStringLiteral("C") : QStringLiteral("S");
}

QDateTime StockMovements::today() const
{
    return QDateTime(m_cellar.clock().date(), QTime(0, 0));
}

bool StockMovements::hasCard() const
{
    const db::Table &schede = m_cellar.Schede;
    return schede.isActive() && schede.recNo() >= 0 && schede.recordCount() > 0;
}

double StockMovements::stock() const
{
    return number(m_cellar.Schede, "Quantita");
}

double StockMovements::purchasePrice() const
{
    return number(m_cellar.Schede, "Prezzo_Acq");
}

double StockMovements::salePrice() const
{
    return number(m_cellar.Schede, "Prezzo_Ven");
}

double StockMovements::markup() const
{
    return number(m_cellar.Schede, "Ricarico");
}

bool StockMovements::stockCovers(double quantity) const
{
    return !(quantity > stock());
}

double StockMovements::filledSalePrice(double purchasePrice, double salePrice) const
{
    if (salePrice != 0.0)
        return salePrice;
    return roundToCents(CardRules::markup(purchasePrice, markup()));
}

double StockMovements::record(const Movement &movement)
{
    if (!hasCard())
        throw VinaryError(QStringLiteral("No wine card is selected."));
    db::Table &schede = m_cellar.Schede;
    db::Table &giornale = m_cellar.giornale;
    const QDateTime day = today();
    const double signedQuantity =
        movement.kind == Movement::Kind::Load ? movement.quantity : -movement.quantity;
    double sale = movement.salePrice;

    // The journal row and the card change are one fact: a journal line without its stock change
    // would be corrupt data, so both posts share one transaction.
    db::Transaction transaction(m_cellar.DB);
    try {
        giornale.append();
        giornale.fieldByName(QStringLiteral("Causale")).setAsString(causale(movement.kind));
        giornale.fieldByName(QStringLiteral("Data")).setAsDateTime(day);
        giornale.fieldByName(QStringLiteral("Codice"))
            .setAsString(schede.fieldByName(QStringLiteral("Codice")).asString());
        giornale.fieldByName(QStringLiteral("Descrizione"))
            .setAsString(schede.fieldByName(QStringLiteral("Descrizione")).asString());
        giornale.fieldByName(QStringLiteral("Anno"))
            .setAsString(schede.fieldByName(QStringLiteral("Anno")).asString());
        giornale.fieldByName(QStringLiteral("Quantita")).setAsFloat(signedQuantity);
        giornale.fieldByName(QStringLiteral("Prezzo_acq")).setAsFloat(movement.purchasePrice);
        sale = filledSalePrice(movement.purchasePrice, sale);
        giornale.fieldByName(QStringLiteral("Prezzo_ven")).setAsFloat(sale);
        giornale.post();

        // What the card held before, so that the movement can be taken back.
        const CardBefore before{schede.fieldByName(QStringLiteral("Quantita")).value(),
                                schede.fieldByName(QStringLiteral("Prezzo_Acq")).value(),
                                schede.fieldByName(QStringLiteral("Prezzo_Ven")).value(),
                                schede.fieldByName(QStringLiteral("Ultimo_carico")).value()};
        MovementTakeBack::remember(m_cellar.DB, giornale.currentRowId(), schede.currentRowId(), before);

        schede.edit();
        const double oldStock = stock();
        schede.fieldByName(QStringLiteral("Quantita")).setAsFloat(oldStock + signedQuantity);
        schede.fieldByName(QStringLiteral("Ultimo_carico")).setAsDateTime(day);
        schede.fieldByName(QStringLiteral("Prezzo_Acq")).setAsFloat(movement.purchasePrice);
        schede.fieldByName(QStringLiteral("Prezzo_Ven")).setAsFloat(sale);
        schede.post();

        transaction.commit();
    } catch (...) {
        // A post that failed before writing leaves its table editing; the rollback that follows
        // re-reads the tables that did write.
        giornale.cancel();
        schede.cancel();
        throw;
    }
    return sale;
}

} // namespace vinary
