#pragma once

#include <QDateTime>
#include <QString>

namespace vinary
{

class Cellar;

// What one load or unload moves: the values of the movements window's three number boxes.
struct Movement {
    enum class Kind { Load, Unload };
    Kind kind = Kind::Load;
    double quantity = 0.0;
    double purchasePrice = 0.0;
    // 0 asks for the fill-in from the card's markup.
    double salePrice = 0.0;
};

// Loads and unloads against the current card of Schede. A movement appends one journal row and
// then updates the card; both posts run inside one database transaction, so a failing card post
// leaves no journal row behind.
class StockMovements
{
public:
    explicit StockMovements(Cellar &cellar);

    // "C" for a load, "S" for an unload.
    static QString causale(Movement::Kind kind);
    // The day a movement is dated with: the clock's local date at 00:00.
    QDateTime today() const;

    // Whether Schede has a current card to move.
    bool hasCard() const;
    // The current card's values; an empty field reads as 0.
    double stock() const;
    double purchasePrice() const;
    double salePrice() const;
    double markup() const;

    // The stock test of an unload: the quantity is not greater than the card's stock.
    bool stockCovers(double quantity) const;
    // The sale-price fill-in: salePrice itself, or when it is 0 the purchase price times the card's
    // markup, rounded to two decimals as the sale-price box holds it.
    double filledSalePrice(double purchasePrice, double salePrice) const;

    // Writes the journal row (cause, today, the card's code, description and vintage, the signed
    // quantity, both prices), then the card (stock, last-load date, both prices), running every
    // hook of both posts. Returns the sale price written. On any error neither write stays, both
    // tables are back in browse on their rows as they were, and the error goes on to the caller.
    // It makes no stock test of its own.
    double record(const Movement &movement);

private:
    Cellar &m_cellar;
};

// Rounds half away from zero to two decimals, absorbing binary representation error.
double roundToCents(double value);

} // namespace vinary
