#pragma once

#include "engine/db/connection.h"

namespace vinary::jet
{

// The Jet format as the database binding sees it: detected by its header, converted by the
// compaction into the SQLite cellar database, refused by a connection with a plain message.
db::ForeignFormat jetForeignFormat();

// Makes the compaction migrate Jet files and connections refuse them. The program calls it once
// at start-up, before the database file is prepared; later calls change nothing.
void registerJetFormat();

} // namespace vinary::jet
