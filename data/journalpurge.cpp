#include "data/journalpurge.h"

#include "engine/common/datetimes.h"
#include "engine/db/connection.h"
#include "engine/db/table.h"

#include <algorithm>
#include <memory>

namespace vinary
{

int purgeJournal(db::Table &giornale, const QDate &day, int batchSize)
{
    if (!day.isValid())
        return 0;
    batchSize = std::max(1, batchSize);
    // Movements are dated at 00:00, so the purge day itself is included whole.
    const double limit = toDayCount(QDateTime(day, QTime(0, 0)));
    db::Connection &connection = giornale.connection();
    int deleted = 0;
    int inBatch = 0;
    auto batch = std::make_unique<db::Transaction>(connection);
    try {
        giornale.first();
        const db::Field &data = giornale.fieldByName(QStringLiteral("Data"));
        while (!giornale.eof()) {
            if (toDayCount(data.asDateTime()) <= limit) {
                giornale.deleteRecord();
                ++deleted;
                if (++inBatch == batchSize) {
                    batch->commit();
                    batch = std::make_unique<db::Transaction>(connection);
                    inBatch = 0;
                }
            } else {
                giornale.next();
            }
        }
        batch->commit();
    } catch (...) {
        // Keep what was deleted before the error. When the engine has already undone the
        // transaction, the commit fails and the rollback brings the cursor back in line.
        try {
            batch->commit();
        } catch (...) {
        }
        batch.reset();
        throw;
    }
    giornale.first();
    return deleted;
}

} // namespace vinary
