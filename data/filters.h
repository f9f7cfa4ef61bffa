#pragma once

#include "engine/db/table.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace vinary {

// Where the record filters read their criteria. Each window that owns a box installs a reader for
// it; the filters call the readers at every record test, so the values are never captured early.
// A reader that is not installed reads as an empty box.
struct FilterCriteria {
    std::function<QString()> ricerca;       // catalogue search box, mode 'S'
    std::function<QString()> ckdescrizione; // movements search box, mode 'M'
    std::function<QString()> selGruppo;     // selection dialog, mode 'P'
    std::function<QString()> selfornitore;
    std::function<QString()> selproduttore;
    std::function<QString()> seltipologia;
    std::function<bool()> incarta;          // the "wine-list cards only" radio button
    std::function<QString()> dadata;        // journal date range, as typed in the date boxes
    std::function<QString()> adata;
};

// Upper-cases the 26 letters a to z and nothing else.
QString upperAsciiLetters(const QString &text);

// The card's 15 text columns joined with nothing between them (Codice, Descrizione,
// Composizione, Anno, Gradi, Produttore, Fornitore, Zona, Regione, Gruppo, Tipologia, Capacita,
// Collocazione, Degustazione, Note).
QString cardSearchText(const db::Table &schede);
// The names of those columns, in that order.
const QStringList &cardSearchColumns();

class Cellar;

// The card filter: the test chosen by the filter mode.
void SchedeFilterRecord(const Cellar &cellar, db::Table &schede, bool &accept);
// The cards the card filter can accept, for the table to test only those: in modes 'S' and 'M'
// with a search text of 3 or more characters, the cards the search index finds holding all its
// trigrams; nothing (every card is tested) for other modes, shorter texts, or without the index.
std::optional<db::Table::Candidates> SchedeFilterCandidates(Cellar &cellar, db::Table &schede);
// The journal filter: the date range of the selection dialog, bounds included.
void giornaleFilterRecord(const Cellar &cellar, db::Table &giornale, bool &accept);

// A date box's text read as a date: 0 (invalid) when empty or not a valid date.
QDateTime readDateBox(const QString &text);

} // namespace vinary
