#include "reports/printcommand.h"

#include "data/cellar.h"
#include "engine/common/errors.h"
#include "engine/report/report.h"
#include "reports/sorttext.h"
#include "reports/templatetranslation.h"

#include <exception>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

// Stampe and Indici are open only during a print; this closes both however the print ends.
class PrintTables
{
public:
    explicit PrintTables(Cellar &cellar) : m_cellar(cellar)
    {
        try {
            open(m_cellar.indici);
            open(m_cellar.stampe);
        } catch (...) {
            close();
            throw;
        }
    }
    ~PrintTables() { close(); }
    PrintTables(const PrintTables &) = delete;
    PrintTables &operator=(const PrintTables &) = delete;

private:
    static void open(db::Table &table)
    {
        table.open();
        table.first();
    }
    void close() noexcept
    {
        for (db::Table *table : {&m_cellar.indici, &m_cellar.stampe}) {
            try {
                table->close();
            } catch (...) {
                // Closing drops the cursor; nothing is left to lose.
            }
        }
    }

    Cellar &m_cellar;
};

QString fieldText(const db::Table &table, const char *field)
{
    return table.fieldByName(QString::fromLatin1(field)).asString();
}

} // namespace

QString PrintSelection::vinaryPage()
{
    return u"VINARY"_s;
}

QString PrintSelection::giornalePage()
{
    return u"GIORNALE"_s;
}

PrintCommand::PrintCommand(Cellar &cellar, report::Report &report, PrintSelection &selection)
    : m_cellar(cellar), m_report(report), m_selection(selection), m_show([this] { m_report.showReport(); })
{
}

int PrintCommand::orderingNumber(const QString &code)
{
    // As the platform's integer conversion: optional blanks before a sign and digits, nothing after.
    qsizetype i = 0;
    while (i < code.size() && code.at(i) == u' ')
        ++i;
    bool ok = false;
    const QString digits = code.mid(i);
    const int n = digits.toInt(&ok, 10);
    const bool plain = !digits.isEmpty() && !digits.at(digits.size() - 1).isSpace();
    if (!ok || !plain)
        throw VinaryError(u"'%1' is not a valid integer value"_s.arg(code));
    return n;
}

void PrintCommand::run(int reportId)
{
    const PrintTables tables(m_cellar);
    const ReportRow row = findReport(reportId);
    prepareSelection(row);
    if (!m_selection.execute())
        return;
    printConfirmed(row);
}

PrintCommand::ReportRow PrintCommand::findReport(int reportId)
{
    // By ID, which the menu item carries: two reports may share an Ordine, never an ID.
    db::Table &stampe = m_cellar.stampe;
    if (!stampe.locate(u"ID"_s, reportId))
        throw VinaryError(u"The report %1 is not in the report list."_s.arg(reportId));
    ReportRow row;
    row.id = reportId;
    row.tracciato = fieldText(stampe, "Tracciato");
    row.selezione = fieldText(stampe, "Selezione");
    row.ordinamento = fieldText(stampe, "Ordinamento");
    return row;
}

void PrintCommand::prepareSelection(const ReportRow &row)
{
    if (row.selezione == u"G") {
        db::Table &giornale = m_cellar.giornale;
        m_selection.setActivePage(PrintSelection::giornalePage());
        giornale.last();
        m_selection.setToDate(giornale.fieldByName(u"Data"_s).asDateTime());
        giornale.first();
        m_selection.setFromDate(giornale.fieldByName(u"Data"_s).asDateTime());
    }
    if (row.selezione == u"C") {
        m_selection.setActivePage(PrintSelection::vinaryPage());
        m_selection.setFromDate(QDateTime());
        m_selection.setToDate(QDateTime());
    }

    db::Table &indici = m_cellar.indici;
    m_selection.clearOrders();
    for (indici.first(); !indici.eof(); indici.next())
        m_selection.addOrder(m_cellar.traduci(fieldText(indici, "Indice")));
    m_selection.setOrderIndex(m_selection.orderCount() > 0 ? 0 : -1);

    if (row.ordinamento == u"*") {
        m_selection.setOrderEnabled(true);
    } else if (row.ordinamento == u"G") {
        m_selection.setOrderEnabled(false);
    } else {
        // Sort order n is the list's entry n; a number naming none leaves the first one.
        const int n = orderingNumber(row.ordinamento);
        if (n >= 1 && n <= m_selection.orderCount())
            m_selection.setOrderIndex(n - 1);
        m_selection.setOrderEnabled(false);
    }
}

void PrintCommand::printConfirmed(const ReportRow &row)
{
    translateReportTitle(m_report, m_cellar);
    m_report.loadFromFile(m_cellar.programDir + row.tracciato);
    translateTemplate(m_report, m_cellar);

    try {
        if (m_selection.activePage() != PrintSelection::giornalePage()) {
            applySortOrder();
            m_cellar.filterMode = u'P';
            m_cellar.Schede.setFiltered(true);
        } else {
            m_cellar.giornale.setFiltered(true);
        }
        m_show();
    } catch (...) {
        try {
            restoreFilters();
        } catch (...) {
            // The first error is the one the user needs to see.
        }
        throw;
    }
    restoreFilters();
}

void PrintCommand::applySortOrder()
{
    // The entry at position p of the list is the row at position p of Indici, which is read in ID
    // order: IDs with gaps do not shift the orders. Without any sort order the table keeps its own.
    const int position = m_selection.orderIndex();
    db::Table &indici = m_cellar.indici;
    if (position < 0 || position >= indici.recordCount())
        return;
    indici.moveTo(position);
    const QStringList items = splitSortText(fieldText(indici, "Ordine"));

    db::Table &schede = m_cellar.Schede;
    // A line naming no column fails here, before the table or its filter changes.
    schede.orderClause(items);
    const QStringList previous = schede.sortedBy();
    schede.setSortedBy(items);
    try {
        schede.resort();
    } catch (...) {
        schede.setSortedBy(previous);
        throw;
    }
}

void PrintCommand::restoreFilters()
{
    // Each step runs even when one before it failed; the first failure is passed on.
    std::exception_ptr failure;
    auto step = [&](const std::function<void()> &f) {
        try {
            f();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    };
    step([this] { m_cellar.giornale.setFiltered(false); });
    m_cellar.filterMode = u' ';
    step([this] { m_cellar.Schede.setFiltered(false); });
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace vinary
