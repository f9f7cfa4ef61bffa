#include "reports/printtool.h"

#include "data/cellar.h"
#include "engine/common/datetimes.h"
#include "engine/common/errors.h"
#include "engine/report/addons.h"
#include "engine/report/exports.h"
#include "engine/report/report.h"
#include "language/languagetable.h"
#include "reports/printcommand.h"
#include "reports/tabledataset.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

QString isoDate(const QDate &date)
{
    return date.isValid() ? toIsoText(QDateTime(date, QTime(0, 0))) : QString();
}

// The selection as the command line gives it. The print command prepares it as it prepares the
// dialog; "showing" it then applies the options as a user would fill the dialog in, and confirms.
class CommandLineSelection : public PrintSelection
{
public:
    CommandLineSelection(const PrintToolOptions &options, QTextStream &err) : m_options(options), m_err(err)
    {
    }

    void setActivePage(const QString &name) override { m_page = name; }
    QString activePage() const override { return m_page; }
    void setFromDate(const QDateTime &date) override { m_from = date.isValid() ? date.date() : QDate(); }
    void setToDate(const QDateTime &date) override { m_to = date.isValid() ? date.date() : QDate(); }
    void clearOrders() override { m_orders.clear(); }
    void addOrder(const QString &entry) override { m_orders << entry; }
    int orderCount() const override { return int(m_orders.size()); }
    void setOrderIndex(int index) override { m_orderIndex = index; }
    int orderIndex() const override { return m_orderIndex; }
    void setOrderEnabled(bool enabled) override { m_orderEnabled = enabled; }

    bool execute() override
    {
        if (m_options.from.isValid())
            m_from = m_options.from;
        if (m_options.to.isValid())
            m_to = m_options.to;
        if (m_options.order) {
            const int n = *m_options.order;
            if (!m_orderEnabled) {
                // The dialog would not let the order be changed either.
                m_err << u"vinary-print: warning: this report prints in a fixed order; --order is ignored"_s
                      << Qt::endl;
            } else if (n < 1 || n > orderCount()) {
                throw VinaryError(
                    u"--order %1: the report offers sort orders 1 to %2"_s.arg(n).arg(orderCount()));
            } else {
                m_orderIndex = n - 1;
            }
        }
        return true;
    }

    QDate from() const { return m_from; }
    QDate to() const { return m_to; }

private:
    const PrintToolOptions &m_options;
    QTextStream &m_err;
    QString m_page = vinaryPage();
    QDate m_from;
    QDate m_to;
    QStringList m_orders;
    int m_orderIndex = -1;
    bool m_orderEnabled = true;
};

struct ReportEntry {
    int id = 0;
    QString name; // as the menu shows it
};

QString menuName(const Cellar &cellar, const QString &stampa)
{
    return cellar.traduci(stampa).remove(u'&');
}

QList<ReportEntry> reportList(Cellar &cellar)
{
    QList<ReportEntry> entries;
    db::Table &stampe = cellar.stampe;
    stampe.open();
    try {
        for (stampe.first(); !stampe.eof(); stampe.next())
            entries.append({stampe.fieldByName(u"ID"_s).asInteger(),
                            menuName(cellar, stampe.fieldByName(u"Stampa"_s).asString())});
    } catch (...) {
        stampe.close();
        throw;
    }
    stampe.close();
    return entries;
}

int findReport(const QList<ReportEntry> &entries, const QString &wanted)
{
    bool isNumber = false;
    const int id = wanted.toInt(&isNumber);
    for (const ReportEntry &e : entries) {
        if (isNumber ? e.id == id : e.name.compare(wanted.trimmed(), Qt::CaseInsensitive) == 0)
            return e.id;
    }
    QStringList known;
    for (const ReportEntry &e : entries)
        known << u"  %1  %2"_s.arg(e.id).arg(e.name);
    throw VinaryError(u"unknown report \"%1\"; the reports are:\n%2"_s.arg(wanted, known.join(u'\n')));
}

void checkOutFile(const QString &path)
{
    report::ExportFormat format;
    if (!report::exportFormatFor(path, &format))
        throw VinaryError(u"cannot write \"%1\": the file name must end in .pdf, .txt or .rtf"_s.arg(path));
    const QFileInfo info(path);
    if (info.isDir())
        throw VinaryError(u"cannot write \"%1\": it is a folder"_s.arg(path));
    if (!info.absoluteDir().exists())
        throw VinaryError(u"cannot write \"%1\": the folder %2 does not exist"_s.arg(
            path, QDir::toNativeSeparators(info.absolutePath())));
}

QDate parseDate(const QString &option, const QString &text, QString *error)
{
    const QDate date = QDate::fromString(text.trimmed(), Qt::ISODate);
    if (!date.isValid())
        *error = u"--%1: \"%2\" is not a date; write it as YYYY-MM-DD"_s.arg(option, text);
    return date;
}

} // namespace

PrintToolParse parsePrintToolArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Prints one report of the cellar's report list to a file, through the same selection, sort order, "
        "filters and translation as the print menu. It reads the database in the program directory "
        "without changing it, and may run while Vinary is open."_s);
    parser.addPositionalArgument(u"REPORT"_s,
                                 u"The report: its ID or its name as the print menu shows it."_s);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Shows this help."_s);
    const QCommandLineOption out({u"o"_s, u"out"_s}, u"The file to write: .pdf, .txt or .rtf."_s, u"FILE"_s);
    const QCommandLineOption dir(u"dir"_s, u"The program directory (default: the current directory)."_s,
                                 u"DIR"_s);
    const QCommandLineOption group(u"group"_s, u"Only cards of this group (exact text)."_s, u"TEXT"_s);
    const QCommandLineOption producer(u"producer"_s, u"Only cards of this producer."_s, u"TEXT"_s);
    const QCommandLineOption supplier(u"supplier"_s, u"Only cards of this supplier."_s, u"TEXT"_s);
    const QCommandLineOption type(u"type"_s, u"Only cards of this type."_s, u"TEXT"_s);
    const QCommandLineOption wineList(u"wine-list-only"_s, u"Only the cards on the wine list."_s);
    const QCommandLineOption order(
        u"order"_s, u"Sort order N of the report's list, from 1 (reports that let you choose)."_s, u"N"_s);
    const QCommandLineOption from(u"from"_s, u"Journal reports: first date, YYYY-MM-DD."_s, u"DATE"_s);
    const QCommandLineOption to(u"to"_s, u"Journal reports: last date, YYYY-MM-DD."_s, u"DATE"_s);
    const QCommandLineOption list(u"list"_s, u"Lists the reports and their IDs."_s);
    parser.addOptions({help, out, dir, group, producer, supplier, type, wineList, order, from, to, list});

    PrintToolParse result;
    const QString usage = u"Usage: vinary-print REPORT --out FILE [options]; vinary-print --help for more."_s;
    if (!parser.parse(arguments)) {
        result.message = u"vinary-print: "_s + parser.errorText() + u'\n' + usage;
        result.exitCode = kPrintToolUsage;
        return result;
    }
    if (parser.isSet(help)) {
        result.message = parser.helpText();
        result.exitCode = kPrintToolOk;
        return result;
    }

    PrintToolOptions o;
    o.list = parser.isSet(list);
    o.directory = parser.value(dir);
    const QStringList positional = parser.positionalArguments();
    QString error;
    if (!o.list) {
        if (positional.size() != 1)
            error =
                positional.isEmpty() ? u"no report named"_s : u"only one report can be printed at a time"_s;
        else if (!parser.isSet(out) || parser.value(out).isEmpty())
            error = u"--out FILE is needed"_s;
    }
    if (error.isEmpty() && !positional.isEmpty())
        o.report = positional.first();
    o.outFile = parser.value(out);
    o.group = parser.value(group);
    o.producer = parser.value(producer);
    o.supplier = parser.value(supplier);
    o.type = parser.value(type);
    o.wineListOnly = parser.isSet(wineList);
    if (error.isEmpty() && parser.isSet(order)) {
        bool ok = false;
        const int n = parser.value(order).toInt(&ok);
        if (ok)
            o.order = n;
        else
            error = u"--order: \"%1\" is not a number"_s.arg(parser.value(order));
    }
    if (error.isEmpty() && parser.isSet(from))
        o.from = parseDate(u"from"_s, parser.value(from), &error);
    if (error.isEmpty() && parser.isSet(to))
        o.to = parseDate(u"to"_s, parser.value(to), &error);
    if (!error.isEmpty()) {
        result.message = u"vinary-print: "_s + error + u'\n' + usage;
        result.exitCode = kPrintToolUsage;
        return result;
    }
    result.options = o;
    return result;
}

int runPrintTool(const PrintToolOptions &options, QTextStream &out, QTextStream &err)
{
    try {
        const QString dir =
            QDir(options.directory.isEmpty() ? QDir::currentPath() : options.directory).absolutePath() + u'/';
        if (!QFileInfo(dir).isDir())
            throw VinaryError(
                u"the program directory %1 does not exist"_s.arg(QDir::toNativeSeparators(dir)));
        if (!options.list)
            checkOutFile(options.outFile);

        Cellar cellar;
        LanguageTable language;
        cellar.language = &language;
        cellar.programDir = dir;
        language.loadFallback(dir + LanguageTable::fallbackFileName());
        try {
            language.load(dir + LanguageTable::iniFileName());
        } catch (const VinaryError &e) {
            // As in the program: without a language the texts stay as keys.
            err << u"vinary-print: warning: "_s << e.message() << Qt::endl;
        }

        // Read-only: no preparation, no compaction, no write; the lock file is held as the program
        // holds it, so that a program starting meanwhile leaves the file alone.
        cellar.DB.setReadOnly(true);
        cellar.setDatabaseDirectory(dir);
        // A script naming the wrong directory must not get the staged cellar beside the tool.
        cellar.DB.setFallbackDirectory(QString());
        cellar.connect();
        cellar.intestazione.open();
        const QList<ReportEntry> reports = reportList(cellar);
        if (options.list) {
            for (const ReportEntry &e : reports)
                out << e.id << u'\t' << e.name << Qt::endl;
            return kPrintToolOk;
        }
        const int reportId = findReport(reports, options.report);
        cellar.Schede.open();
        cellar.giornale.open();

        CommandLineSelection selection(options, err);
        FilterCriteria &c = cellar.criteria;
        c.selGruppo = [&] { return options.group; };
        c.selproduttore = [&] { return options.producer; };
        c.selfornitore = [&] { return options.supplier; };
        c.seltipologia = [&] { return options.type; };
        c.incarta = [&] { return options.wineListOnly; };
        c.dadata = [&] { return isoDate(selection.from()); };
        c.adata = [&] { return isoDate(selection.to()); };

        report::ShapeAddOn shapes;
        report::Report frReport1;
        const CellarDatasets datasets(cellar, frReport1.datasets());
        PrintCommand command(cellar, frReport1, selection);
        command.setShowStep([&] { frReport1.exportToFile(options.outFile); });
        command.run(reportId);
        return kPrintToolOk;
    } catch (const SilentAbort &) {
        return kPrintToolFailed;
    } catch (const std::exception &e) {
        err << u"vinary-print: "_s << QString::fromUtf8(e.what()) << Qt::endl;
        return kPrintToolFailed;
    }
}

} // namespace vinary
