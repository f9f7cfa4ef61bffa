#include "data/journalpurge.h"

#include "engine/common/datetimes.h"
#include "engine/db/connection.h"
#include "engine/db/table.h"

#include <QScopeGuard>

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>
#include <sqlite3.h>

namespace vinary
{

namespace
{

constexpr char kDueFunction[] = "vinary_purge_due";
// Rows examined between two progress reports.
constexpr qint64 kRowsPerReport = 1024;

struct Purge {
    double limit = 0.0;  // day count of midnight at the start of the purge day
    qint64 limitDay = 0; // the purge day's Julian day
    qint64 examined = 0;
    qint64 total = 0;
    const PurgeProgress *progress = nullptr;
    std::exception_ptr error;
    // The last date and time checked against local time, and whether local time has it.
    unsigned char lastMoment[19] = {};
    bool lastMomentExists = false;
};

// What the SQL function reaches through its user data. It outlives the purge when the engine
// refuses to drop the function, and then holds no purge.
struct PurgeSlot {
    Purge *current = nullptr;
};

// The row's date read as the table cursor reads a DATETIME column (ISO text, a day count, or
// nothing), as a day count; 0 for no date.
double dayCountOf(sqlite3_value *value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return 0.0;
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
        return toDayCount(fromIsoText(QString::fromUtf8(text, sqlite3_value_bytes(value))));
    }
    default:
        return toDayCount(fromDayCount(sqlite3_value_double(value)));
    }
}

int number(const unsigned char *text, int from, int length)
{
    int n = 0;
    for (int i = from; i < from + length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        n = n * 10 + (text[i] - '0');
    }
    return n;
}

// The answer for a row written "YYYY-MM-DD HH:MM:SS" (as every movement is) that lies more than
// two days from the purge day: then its time of day cannot change it, and the day alone decides,
// unless local time skips that very moment (the cursor reads such a date as no date). Anything
// else is left to the full reading.
std::optional<bool> dueByDay(sqlite3_value *value, Purge &purge)
{
    if (sqlite3_value_type(value) != SQLITE_TEXT)
        return std::nullopt;
    const unsigned char *t = sqlite3_value_text(value);
    if (!t || sqlite3_value_bytes(value) != 19 || t[4] != '-' || t[7] != '-' ||
        (t[10] != ' ' && t[10] != 'T') || t[13] != ':' || t[16] != ':')
        return std::nullopt;
    const int year = number(t, 0, 4);
    const int month = number(t, 5, 2);
    const int day = number(t, 8, 2);
    const int hour = number(t, 11, 2);
    const int minute = number(t, 14, 2);
    const int second = number(t, 17, 2);
    if (year < 1000 || month < 0 || day < 0 || !QTime::isValid(hour, minute, second, 0))
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    const qint64 julian = date.toJulianDay();
    if (julian >= purge.limitDay - 2 && julian <= purge.limitDay + 2)
        return std::nullopt;
    // Journal lines come in runs of one date and time: the local-time check runs once per run.
    if (std::memcmp(purge.lastMoment, t, sizeof purge.lastMoment) != 0) {
        std::memcpy(purge.lastMoment, t, sizeof purge.lastMoment);
        purge.lastMomentExists = QDateTime(date, QTime(hour, minute, second)).isValid();
    }
    if (!purge.lastMomentExists)
        return 0.0 <= purge.limit;
    return julian < purge.limitDay;
}

void report(Purge &purge)
{
    if (purge.progress && *purge.progress && purge.examined % kRowsPerReport == 0)
        (*purge.progress)(std::min(purge.examined, purge.total), purge.total);
}

// vinary_purge_due(Data): 1 for a row whose date, read as the table cursor reads it, has a day
// count no greater than the purge day's midnight (a row without a readable date counts as 0).
void dueFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    Purge *purge = static_cast<PurgeSlot *>(sqlite3_user_data(context))->current;
    if (!purge) {
        sqlite3_result_error(context, "no journal purge is running", -1);
        return;
    }
    try {
        const std::optional<bool> quick = dueByDay(argv[0], *purge);
        const bool due = quick ? *quick : dayCountOf(argv[0]) <= purge->limit;
        ++purge->examined;
        report(*purge);
        sqlite3_result_int(context, due ? 1 : 0);
    } catch (...) {
        purge->error = std::current_exception();
        sqlite3_result_error(context, "the journal purge was stopped", -1);
    }
}

void destroySlot(void *slot)
{
    delete static_cast<PurgeSlot *>(slot);
}

} // namespace

int purgeJournal(db::Table &giornale, const QDate &day, const PurgeProgress &progress)
{
    if (!day.isValid())
        return 0;
    // Moving to the first row posts a line being edited, as the row-by-row purge did.
    giornale.first();
    db::Connection &connection = giornale.connection();
    sqlite3 *handle = connection.handle();

    Purge purge;
    // Movements are dated at 00:00, so the purge day itself is included whole.
    purge.limit = toDayCount(QDateTime(day, QTime(0, 0)));
    purge.limitDay = day.toJulianDay();
    purge.progress = &progress;
    // The purge works on the whole journal, also should a report's filter be on.
    if (giornale.filtered()) {
        db::Statement count =
            connection.prepare(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(giornale.tableName()));
        purge.total = count.step() ? count.int64(0) : 0;
    } else {
        purge.total = giornale.recordCount();
    }

    auto *slot = new PurgeSlot{&purge};
    if (sqlite3_create_function_v2(handle, kDueFunction, 1, SQLITE_UTF8 | SQLITE_DIRECTONLY, slot,
                                   &dueFunction, nullptr, nullptr, &destroySlot) != SQLITE_OK)
        throw db::DbError(QString::fromUtf8(sqlite3_errmsg(handle)));
    const auto unregister = qScopeGuard([&] {
        slot->current = nullptr;
        sqlite3_create_function_v2(handle, kDueFunction, 1, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr, nullptr,
                                   nullptr, nullptr, nullptr);
    });

    int deleted = 0;
    try {
        db::Transaction transaction(connection);
        db::Statement purgeStatement =
            connection.prepare(QStringLiteral("DELETE FROM \"%1\" WHERE %2(Data)")
                                   .arg(giornale.tableName(), QLatin1StringView(kDueFunction)));
        purgeStatement.exec();
        deleted = connection.changes();
        transaction.commit();
    } catch (...) {
        // The transaction is undone; an error raised while reporting progress is the one to show.
        if (purge.error)
            std::rethrow_exception(purge.error);
        throw;
    }
    giornale.resynchronize();
    giornale.first();
    return deleted;
}

} // namespace vinary
