#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace vinary
{

namespace report
{
class Report;
}
class Cellar;

// What the print command reads and writes of the selection dialog: its page, its two dates and its
// order list, and the modal showing itself. The dialog implements it; the print tool answers it
// from its command line.
class PrintSelection
{
public:
    virtual ~PrintSelection() = default;

    // The page names, which the print command compares.
    static QString vinaryPage();
    static QString giornalePage();

    virtual void setActivePage(const QString &name) = 0;
    virtual QString activePage() const = 0;
    // A zero (invalid) date empties the box.
    virtual void setFromDate(const QDateTime &date) = 0; // dadata
    virtual void setToDate(const QDateTime &date) = 0;   // adata
    // The order list selOrder.
    virtual void clearOrders() = 0;
    virtual void addOrder(const QString &entry) = 0;
    virtual int orderCount() const = 0;
    virtual void setOrderIndex(int index) = 0;
    virtual int orderIndex() const = 0; // -1 when nothing is selected
    virtual void setOrderEnabled(bool enabled) = 0;
    // Shows the selection modally; true when the user confirmed it.
    virtual bool execute() = 0;
};

// The print command: from the report's row in Stampe to the closed preview. It prepares the
// selection (page, dates, order list), shows it and, when it is confirmed, loads and translates
// the template, orders and filters the tables, shows the report and switches the filters off
// again. Stampe and Indici are open only while it runs, whichever way it ends.
class PrintCommand
{
public:
    PrintCommand(Cellar &cellar, report::Report &report, PrintSelection &selection);

    // The step that shows the prepared report: the modal preview unless replaced (the print tool
    // writes a file instead). It runs while the tables are ordered and filtered.
    void setShowStep(std::function<void()> show) { m_show = std::move(show); }

    // Prints the report whose Stampe row has this ID. Errors end the print with their message
    // (VinaryError); a cancelled selection ends it without one.
    void run(int reportId);

    // The ordering code read as a whole number; "'%s' is not a valid integer value" otherwise.
    static int orderingNumber(const QString &code);

private:
    struct ReportRow {
        int id = 0;
        QString tracciato;
        QString selezione;
        QString ordinamento;
    };

    ReportRow findReport(int reportId);
    void prepareSelection(const ReportRow &row);
    void printConfirmed(const ReportRow &row);
    void applySortOrder();
    void restoreFilters();

    Cellar &m_cellar;
    report::Report &m_report;
    PrintSelection &m_selection;
    std::function<void()> m_show;
};

} // namespace vinary
