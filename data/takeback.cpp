#include "data/takeback.h"

#include "data/cellar.h"
#include "data/movements.h"
#include "engine/common/datetimes.h"
#include "engine/db/connection.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

// Stock values are sums of two-decimal quantities; anything closer than this is the same stock.
constexpr double kStockTolerance = 1e-6;

bool hasNotes(db::Connection &db)
{
    db::Statement s =
        db.prepare(u"SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Ripristini'"_s);
    return s.step();
}

void bindValue(db::Statement &s, int index, const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        s.bindNull(index);
    else if (value.typeId() == QMetaType::QDateTime)
        s.bindText(index, toIsoText(value.toDateTime()));
    else
        s.bindDouble(index, value.toDouble());
}

QVariant dateValue(const db::Statement &s, int column)
{
    if (s.isNull(column))
        return QVariant();
    const QDateTime when = fromIsoText(s.text(column));
    return when.isValid() ? QVariant(when) : QVariant();
}

QVariant numberValue(const db::Statement &s, int column)
{
    return s.isNull(column) ? QVariant() : QVariant(s.real(column));
}

} // namespace

MovementTakeBack::MovementTakeBack(Cellar &cellar) : m_cellar(cellar) {}

void MovementTakeBack::remember(db::Connection &db, qint64 journalId, qint64 cardId, const CardBefore &before)
{
    db.exec(u"CREATE TABLE IF NOT EXISTS Ripristini ("
            "Giornale_ID INTEGER PRIMARY KEY, Scheda_ID INTEGER NOT NULL, Quantita REAL, Prezzo_Acq REAL, "
            "Prezzo_Ven REAL, Ultimo_carico DATETIME, Stornato_da INTEGER)"_s);
    db::Statement s = db.prepare(u"INSERT OR REPLACE INTO Ripristini (Giornale_ID, Scheda_ID, Quantita, "
                                 "Prezzo_Acq, Prezzo_Ven, Ultimo_carico) VALUES (?, ?, ?, ?, ?, ?)"_s);
    s.bindInt64(1, journalId);
    s.bindInt64(2, cardId);
    bindValue(s, 3, before.quantita);
    bindValue(s, 4, before.prezzoAcq);
    bindValue(s, 5, before.prezzoVen);
    bindValue(s, 6, before.ultimoCarico);
    s.exec();
}

QList<JournalMovement> MovementTakeBack::todaysMovements() const
{
    QList<JournalMovement> list;
    db::Connection &db = m_cellar.DB;
    if (!db.isOpen() || !hasNotes(db))
        return list;
    const QDate today = m_cellar.clock().date();
    // Journal dates carry no time of day; the range also takes a date written with one.
    db::Statement s = db.prepare(
        u"SELECT g.ID, g.Causale, g.Data, g.Codice, g.Descrizione, g.Anno, g.Quantita, g.Prezzo_acq, "
        "g.Prezzo_ven FROM Giornale g JOIN Ripristini r ON r.Giornale_ID = g.ID "
        "WHERE g.Causale IN ('C', 'S') AND r.Stornato_da IS NULL AND g.Data >= ? AND g.Data < ? "
        "ORDER BY g.ID DESC"_s);
    s.bindText(1, toIsoText(QDateTime(today, QTime(0, 0))));
    s.bindText(2, toIsoText(QDateTime(today.addDays(1), QTime(0, 0))));
    while (s.step()) {
        JournalMovement m;
        m.journalId = s.int64(0);
        m.causale = s.text(1);
        m.data = fromIsoText(s.text(2));
        m.codice = s.text(3);
        m.descrizione = s.text(4);
        m.anno = s.text(5);
        m.quantity = s.real(6);
        m.purchasePrice = s.real(7);
        m.salePrice = s.real(8);
        list.append(m);
    }
    return list;
}

MovementTakeBack::Outcome MovementTakeBack::takeBack(qint64 journalId)
{
    db::Connection &db = m_cellar.DB;
    if (!hasNotes(db))
        return Outcome::NotFound;

    db::Statement line = db.prepare(
        u"SELECT g.Causale, g.Codice, g.Descrizione, g.Anno, g.Quantita, g.Prezzo_acq, g.Prezzo_ven, "
        "r.Scheda_ID, r.Quantita, r.Prezzo_Acq, r.Prezzo_Ven, r.Ultimo_carico, r.Stornato_da "
        "FROM Giornale g JOIN Ripristini r ON r.Giornale_ID = g.ID WHERE g.ID = ?"_s);
    line.bindInt64(1, journalId);
    if (!line.step())
        return Outcome::NotFound;
    const QString cause = line.text(0);
    if (cause != StockMovements::causale(Movement::Kind::Load) &&
        cause != StockMovements::causale(Movement::Kind::Unload))
        return Outcome::NotFound;
    if (!line.isNull(12))
        return Outcome::AlreadyTakenBack;
    const QString codice = line.text(1);
    const QString descrizione = line.text(2);
    const QString anno = line.text(3);
    const double quantity = line.real(4);
    const QVariant purchase = numberValue(line, 5);
    const QVariant sale = numberValue(line, 6);
    const qint64 cardId = line.int64(7);
    const CardBefore before{numberValue(line, 8), numberValue(line, 9), numberValue(line, 10),
                            dateValue(line, 11)};

    db::Statement card = db.prepare(u"SELECT Quantita FROM Schede WHERE ID = ?"_s);
    card.bindInt64(1, cardId);
    if (!card.step())
        return Outcome::CardMissing;
    const double stockNow = card.real(0);

    // The stock follows from the journal when it equals what the card held before the movement
    // plus every line recorded against the card since (this one included). A stock changed by hand
    // meanwhile, or lines purged, break that; a reversal would then hide the difference.
    db::Statement since = db.prepare(
        u"SELECT TOTAL(g.Quantita), COUNT(*) FROM Giornale g JOIN Ripristini r ON r.Giornale_ID = g.ID "
        "WHERE r.Scheda_ID = ? AND g.ID >= ?"_s);
    since.bindInt64(1, cardId);
    since.bindInt64(2, journalId);
    since.step();
    const double expected = before.quantita.toDouble() + since.real(0);
    if (std::fabs(expected - stockNow) > kStockTolerance)
        return Outcome::StockMismatch;
    const double stockAfter = stockNow - quantity;
    if (stockAfter < -kStockTolerance)
        return Outcome::StockTooLow;
    const bool laterMovement = since.int64(1) > 1;

    db::Table &schede = m_cellar.Schede;
    db::Table &giornale = m_cellar.giornale;
    db::Transaction transaction(db);
    try {
        if (!schede.locate(u"ID"_s, cardId))
            throw VinaryError(u"The wine card of this movement is not in the list."_s);
        const CardBefore reversalBefore{
            schede.fieldByName(u"Quantita"_s).value(), schede.fieldByName(u"Prezzo_Acq"_s).value(),
            schede.fieldByName(u"Prezzo_Ven"_s).value(), schede.fieldByName(u"Ultimo_carico"_s).value()};

        giornale.append();
        giornale.fieldByName(u"Causale"_s).setAsString(causale());
        giornale.fieldByName(u"Data"_s).setAsDateTime(QDateTime(m_cellar.clock().date(), QTime(0, 0)));
        giornale.fieldByName(u"Codice"_s).setAsString(codice);
        giornale.fieldByName(u"Descrizione"_s).setAsString(descrizione);
        giornale.fieldByName(u"Anno"_s).setAsString(anno);
        giornale.fieldByName(u"Quantita"_s).setAsFloat(-quantity);
        giornale.fieldByName(u"Prezzo_acq"_s).setValue(purchase);
        giornale.fieldByName(u"Prezzo_ven"_s).setValue(sale);
        giornale.post();
        const qint64 reversalId = giornale.currentRowId();

        schede.edit();
        schede.fieldByName(u"Quantita"_s)
            .setAsFloat(std::fabs(stockAfter) < kStockTolerance ? 0.0 : stockAfter);
        if (!laterMovement) {
            schede.fieldByName(u"Prezzo_Acq"_s).setValue(before.prezzoAcq);
            schede.fieldByName(u"Prezzo_Ven"_s).setValue(before.prezzoVen);
            schede.fieldByName(u"Ultimo_carico"_s).setValue(before.ultimoCarico);
        }
        schede.post();

        remember(db, reversalId, cardId, reversalBefore);
        db::Statement mark = db.prepare(u"UPDATE Ripristini SET Stornato_da = ? WHERE Giornale_ID = ?"_s);
        mark.bindInt64(1, reversalId);
        mark.bindInt64(2, journalId);
        mark.exec();
        transaction.commit();
    } catch (...) {
        giornale.cancel();
        schede.cancel();
        throw;
    }
    return Outcome::Done;
}

} // namespace vinary
