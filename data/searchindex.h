#pragma once

#include "engine/db/table.h"

#include <QString>
#include <functional>
#include <optional>

namespace vinary
{

namespace db
{
class Connection;
}

// The card search index: a trigram index (SQLite FTS5) kept in the database over each card's search
// text exactly as the card filter builds it, the 15 text columns joined with nothing between them
// and the letters a to z upper-cased. Triggers on Schede keep it in step in the same transaction as
// every insert, change and delete, whoever writes. The index only narrows the cards a search has to
// test: the card filter still judges every candidate it offers.
namespace searchindex
{

// Reports the building of the index: done of total cards. It is called once with done == 0 before
// the first card and once with done == total at the end, whether the building succeeds or fails.
using Progress = std::function<void(qint64 done, qint64 total)>;

// The name of the index table in the database.
QString tableName();

// Whether the index and the three triggers that keep it in step are in the database.
bool isPresent(db::Connection &DB);

// Whether this cellar's Schede can carry the index: the 15 search columns are there, all text,
// with an integer primary key for the card number, and the engine offers the trigram tokenizer and
// upper-cases no letter beyond a to z.
bool isSupported(db::Connection &DB);

// Creates the index and its triggers (replacing any left from before) and fills it from Schede,
// inside the caller's transaction when one is open, else in its own. Answers false, writing
// nothing, for a cellar that cannot carry it (isSupported). Database errors are raised, and
// nothing is kept of the index.
bool create(db::Connection &DB, const Progress &progress = {});

// Removes the index and its triggers.
void drop(db::Connection &DB);

// The cards whose search text may hold text, given already upper-cased as the filter compares it:
// a query on the index giving their rowids. Every card whose search text holds text is among them.
// Nothing for a text the index cannot serve: fewer than 3 characters, a NUL or a broken character.
std::optional<db::Table::Candidates> candidates(const QString &upperText);

} // namespace searchindex

} // namespace vinary
