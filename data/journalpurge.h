#pragma once

#include <QDate>

namespace vinary
{

namespace db
{
class Table;
}

// Deletions per transaction of a journal purge: a durable commit per row would make a large purge
// take minutes, one commit for everything would hold the write lock throughout.
constexpr int kPurgeBatch = 5000;

// Deletes every journal row dated on or before day (a row without a date counts as older), one by
// one through the table in its own order, then moves back to the first row. The deletions are
// committed every batchSize rows; when an error stops the purge, the rows deleted before it stay
// deleted and the error goes on to the caller. Returns the number of rows deleted.
int purgeJournal(db::Table &giornale, const QDate &day, int batchSize = kPurgeBatch);

} // namespace vinary
