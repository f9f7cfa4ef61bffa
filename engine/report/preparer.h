#pragma once

#include "engine/common/errors.h"
#include "engine/report/dataset.h"
#include "engine/report/prepared.h"
#include "engine/report/reportmodel.h"

#include <QDateTime>
#include <QLocale>
#include <QSizeF>
#include <QString>

#include <functional>

namespace vinary::report
{

// How far a preparation has come: the data rows read so far (of every pass) out of those there are
// to read, -1 when a dataset cannot tell; and the pages finished in the present pass.
struct PrepareProgress {
    qint64 rows = 0;
    qint64 totalRows = -1;
    int pages = 0;
};

struct PrepareOptions {
    QLocale locale;
    QDateTime now = QDateTime::currentDateTime(); // what [DATE] and [TIME] print
    QString title;
    // The paper of pages whose template fixes none; the locale's usual paper when empty.
    QSizeF defaultPaper;
    // Bytes of pages kept in memory before they move to a temporary file; the store's own when 0.
    qint64 spillBytes = 0;
    // Asked now and then while the report is prepared; answering false cancels the preparation,
    // which then throws PreparationCancelled.
    std::function<bool(const PrepareProgress &)> progress;
};

// The user stopped a preparation: nothing is shown and no error either.
class PreparationCancelled : public SilentAbort
{
public:
    const char *what() const noexcept override { return "Report preparation cancelled"; }
};

// The paginator: turns a template and the registered datasets into a prepared report.
//
// Bands print in this order: report title, then on every page the page header, then for each
// master data band (top to bottom) its master header, its group headers as groups begin, a row
// per dataset row that passes the print condition, group footers as groups end and the master
// footer; then the report summary. The page footer's room is kept free at the bottom of every
// page. A band that does not fit goes to the next page, where the page header and the headers
// marked "repeat" print again; a group header never stays alone at the foot of a page.
//
// Texts: a bracketed part that parses as an expression is evaluated and shown through the
// object's display format; one that does not parse stays as written. A bare name in capitals
// ("[RPT_TITLE]", a translation key no language file held) stays as text unless a field has
// exactly that name. Data values are never parsed again.
//
// Totals (SUM, COUNT, AVG, MIN, MAX) add up the printed rows of the master data band they belong
// to: in a group band over the group, elsewhere over the report so far. Objects outside every
// band do not print.
//
// Errors (an unknown dataset or field, a wrong expression) throw VinaryError naming the object
// and the expression.
PreparedReport prepareReport(const ReportTemplate &templ, const DatasetRegistry &datasets,
                             const PrepareOptions &options = PrepareOptions());

} // namespace vinary::report
