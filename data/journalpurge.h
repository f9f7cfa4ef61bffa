#pragma once

#include <QDate>

#include <functional>

namespace vinary
{

namespace db
{
class Table;
}

// Told, every thousand lines or so while a purge runs, how many journal lines it has examined of
// all the lines the journal held when it began. An exception it raises stops the purge, which then
// deletes nothing.
using PurgeProgress = std::function<void(qint64 examined, qint64 total)>;

// Deletes every journal row dated on or before day (a row without a readable date counts as
// older) with one statement in one transaction: either every such row goes, or, when an error
// stops the purge, the journal stays exactly as it was and the error goes on to the caller. The
// table's cursor is read again and left on its first row. Returns the number of rows deleted.
int purgeJournal(db::Table &giornale, const QDate &day, const PurgeProgress &progress = {});

} // namespace vinary
