#pragma once

#include "data/searchindex.h"

namespace vinary
{

namespace db
{
class Connection;
}

// The version of the cellar's schema that this program writes, kept in the database file as
// PRAGMA user_version. A cellar made by an earlier version has a lower number (0 before there
// was one).
constexpr int kSchemaVersion = 2;

// Brings the connected cellar up to kSchemaVersion at start-up, after the compaction, in one
// transaction: runs the step of every version the file has not seen yet (version 2 builds the card
// search index, reporting to progress while it fills), then adds the delivered
// rows of Stampe and Indici that were never delivered to this file. A row is delivered once:
// table Consegne records its key, so a row the user edited or deleted is never changed or added
// again, and a row the user already has (the same template, the same sort order) is only recorded.
// A file from a newer program is left alone. Database errors are raised, and nothing is kept.
//
// Later schema changes are further steps in schemaupgrade.cpp; later deliveries are further rows
// of its delivered lists.
void upgradeCellar(db::Connection &DB, const searchindex::Progress &progress = {});

// The file's schema version (PRAGMA user_version).
int schemaVersion(db::Connection &DB);

} // namespace vinary
