#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

namespace vinary
{

class Cellar;

namespace db
{
class Connection;
}

// One line of the journal that the movements window offers to take back.
struct JournalMovement {
    qint64 journalId = 0;
    QString causale;
    QDateTime data;
    QString codice;
    QString descrizione;
    QString anno;
    double quantity = 0.0; // signed, as in the journal
    double purchasePrice = 0.0;
    double salePrice = 0.0;
};

// What a card held before a movement changed it; empty fields stay null.
struct CardBefore {
    QVariant quantita;
    QVariant prezzoAcq;
    QVariant prezzoVen;
    QVariant ultimoCarico;
};

// Takes back a load or unload recorded by mistake: a reversing journal line under a cause of its
// own, with the opposite quantity, today's date and the same prices, and the card's stock restored,
// all in one transaction. The original line stays in the journal.
//
// Every movement leaves a note in the table Ripristini of the card it changed and of what that card
// held before, so that a take-back finds its card by number (codes may repeat or be empty) and can
// put the prices and the last-load date back.
class MovementTakeBack
{
public:
    // "R": a letter no other movement uses, and the initial of the word for it in every language of
    // the program (Rettifica, Reversal, Rückbuchung, Rectification, Rectificación).
    static QString causale() { return QStringLiteral("R"); }

    enum class Outcome {
        Done,
        NotFound, // no such line, a reversal, or a line recorded without its card note
        AlreadyTakenBack,
        CardMissing,   // the card has been deleted since
        StockMismatch, // the card's stock no longer follows from the journal
        StockTooLow,   // the bottles loaded have left the cellar since
    };

    explicit MovementTakeBack(Cellar &cellar);

    // Today's loads and unloads that can still be taken back, newest first.
    QList<JournalMovement> todaysMovements() const;

    // Takes back one line. Anything but Done writes nothing. On an error of the table layer nothing
    // stays written and the error goes on to the caller. Schede must show every card (no search).
    Outcome takeBack(qint64 journalId);

    // Writes the note of a movement; runs inside the movement's transaction.
    static void remember(db::Connection &db, qint64 journalId, qint64 cardId, const CardBefore &before);

private:
    Cellar &m_cellar;
};

} // namespace vinary
