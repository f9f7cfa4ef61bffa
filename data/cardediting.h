#pragma once

#include <QString>
#include <QStringList>

namespace vinary {

namespace db {
class Table;
}

// The steps of the catalogue's editing commands that are rules about the card rather than about
// the window, so that they hold and can be checked without it.
namespace cardediting {

// Confirm: when the card's sale price is 0 (an empty price reads as 0), sets it by the markup rule
// from the card's own purchase price and markup. Returns true when it set the price.
bool applyDefaultSalePrice(db::Table &schede);

// Confirm: a card is not saved without a description.
bool hasDescription(const db::Table &schede);

// The notice shown when the description is missing, before translation.
inline QString missingDescriptionNotice() { return QStringLiteral("   [MSG_OBB_DESCR]   "); }

// The sort list a click on a column title gives: the column's field, then "Descrizione" as the
// second key unless the field is exactly "Descrizione". Always ascending.
QStringList titleClickSort(const QString &field);

} // namespace cardediting
} // namespace vinary
