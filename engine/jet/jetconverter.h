#pragma once

#include "engine/jet/cellarschema.h"
#include "engine/jet/jetsource.h"

namespace vinary::jet
{

// Writes a new SQLite database at target from a Jet source:
// - every table of the schema, created by the schema's own statement, must be in the source
//   (names compared without regard to letter case); a missing one raises VinaryError naming it
//   before anything is written;
// - the source's rows go in with their counters, so the next ID continues after the largest;
// - values take the column's type: texts, numbers, booleans as 0 or 1, dates as ISO 8601 text;
//   empty texts, empty values and the no-date day number 0 become NULL; schema columns the source
//   lacks stay NULL;
// - columns and tables the schema does not know are kept, with the closest SQLite type.
// The target must not exist or be an empty file; on any failure it is removed again and the
// source is never written.
void convertToSqlite(JetSource &source, const QString &target,
                     const CellarSchema &schema = CellarSchema::cellar());

// Opens a Jet 3 or Jet 4 file and converts it into the cellar database at target.
void convertJetFile(const QString &source, const QString &target);

// The SQLite column type a Jet column the schema does not know is given.
QString sqliteTypeFor(const JetColumn &column);

} // namespace vinary::jet
