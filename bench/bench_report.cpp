// Report engine benchmarks. Run them in a Release build; they pick the offscreen platform when no
// other is set.
//
//   bench_report [cards=10000] [runs=3]
//       The catalogue of a large cellar through the delivered catalogo.frf from memory: preparing
//       (target: 10,000 cards in at most 1 s), PDF export (at most 3 s), the preview's first page
//       on screen (at most 300 ms) and the process's peak memory (under 300 MB).
//   bench_report stage <dir> [cards=100000] [journal lines=200000]
//       Writes a program directory: a generated cellar, the English language file, the templates.
//   bench_report preview <dir> [report=1] [runs=2]
//       The report (1: the catalogue) through the print command into the modal preview, as the
//       print menu runs it, until its first page is painted and the preview closes; the resident
//       memory before, its peak while the preview shows and after it has closed, run after run
//       (targets for 100,000 cards: peak at most 250 MB, back to within 20 MB of before).
//   bench_report print <vinary-print> <dir> [report=6] [out=<dir>/report.pdf]
//       The print tool writing the report (6: the journal) to a file, as a separate process: its
//       wall time and peak memory (targets for 1,000,000 journal lines: 60 s, 300 MB).
// Each mode prints what it measured and exits with 1 when a target is missed.

#include "bench/cellargen.h"
#include "data/cellar.h"
#include "engine/report/exports.h"
#include "engine/report/previewview.h"
#include "engine/report/previewwindow.h"
#include "engine/report/report.h"
#include "engine/report/uiservices.h"
#include "language/languagetable.h"
#include "reports/printcommand.h"
#include "reports/tabledataset.h"
#include "tests/engine/report/reportfixtures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

using namespace vinary;
using namespace vinary::report;

namespace
{

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Starts the peak (VmHWM) afresh from the memory resident now.
void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

int syntheticCatalogue(QApplication &app, int cards, int runs)
{
    MemoryDataset schede;
    fixtures::fillWines(schede, cards);
    MemoryDataset owner({QStringLiteral("Utente"), QStringLiteral("Ricarico")});
    owner.addRow({QStringLiteral("Enoteca Il Grappolo"), 2.0});
    Report report;
    report.datasets().add(QStringLiteral("MainForm.Schede"), &schede);
    report.datasets().add(QStringLiteral("MainForm.intestazione"), &owner);
    report.loadFromFile(QStringLiteral(VINARY_SOURCE_DIR "/resources/reports/catalogo.frf"));
    report.setTitle(QStringLiteral("Catalogo"));

    std::vector<double> prepareMs;
    std::vector<double> pdfMs;
    std::vector<double> previewMs;
    int pages = 0;
    qint64 pdfBytes = 0;
    QTemporaryDir dir;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        const PreparedReport prepared = report.prepare();
        prepareMs.push_back(t.nsecsElapsed() / 1e6);
        pages = prepared.pageCount();

        const QString pdf = dir.filePath(QStringLiteral("catalogo.pdf"));
        t.restart();
        exportPdf(prepared, pdf);
        pdfMs.push_back(t.nsecsElapsed() / 1e6);
        pdfBytes = QFileInfo(pdf).size();

        // From the prepared report to its first page painted in the preview.
        t.restart();
        PreviewWindow window(prepared, UiServices::standard());
        window.show();
        while (window.view()->paintedPages() == 0 && t.elapsed() < 10000)
            app.processEvents();
        previewMs.push_back(t.nsecsElapsed() / 1e6);
        window.close();
        app.processEvents();
    }

    const double prepare = median(prepareMs);
    const double pdf = median(pdfMs);
    const double preview = median(previewMs);
    const double memory = peakMegabytes();
    std::printf("cards %d, pages %d, runs %d (medians)\n", cards, pages, runs);
    std::printf("prepare        %8.1f ms   (target <= 1000 ms for 10000 cards)\n", prepare);
    std::printf("pdf export     %8.1f ms   (target <= 3000 ms), %.1f MB\n", pdf, pdfBytes / 1048576.0);
    std::printf("first preview  %8.1f ms   (target <= 300 ms)\n", preview);
    std::printf("peak memory    %8.1f MB   (target < 300 MB)\n", memory);
    const bool scaled = cards == 10000;
    const bool ok = !scaled || (prepare <= 1000 && pdf <= 3000 && preview <= 300 && memory < 300);
    std::printf("%s\n", ok ? "within targets" : "TARGET MISSED");
    return ok ? 0 : 1;
}

int stage(const QString &dir, int cards, int lines)
{
    QDir().mkpath(dir);
    QElapsedTimer t;
    t.start();
    bench::generateCellar(QDir(dir).filePath(QStringLiteral("vinary.mdb")), cards, lines);
    QFile::remove(QDir(dir).filePath(QStringLiteral("language.ini")));
    QFile::copy(QStringLiteral(VINARY_SOURCE_DIR "/resources/language/english.lng"),
                QDir(dir).filePath(QStringLiteral("language.ini")));
    const QDir templates(QStringLiteral(VINARY_SOURCE_DIR "/resources/reports"));
    for (const QString &name : templates.entryList({QStringLiteral("*.frf")}, QDir::Files)) {
        QFile::remove(QDir(dir).filePath(name));
        QFile::copy(templates.filePath(name), QDir(dir).filePath(name));
    }
    std::printf("staged %d cards and %d journal lines in %s in %.1f s\n", cards, lines, qPrintable(dir),
                t.elapsed() / 1000.0);
    return 0;
}

// The selection dialog, confirmed as it was prepared.
class Confirmed : public PrintSelection
{
public:
    void setActivePage(const QString &name) override { m_page = name; }
    QString activePage() const override { return m_page; }
    void setFromDate(const QDateTime &) override {}
    void setToDate(const QDateTime &) override {}
    void clearOrders() override { m_orders = 0; }
    void addOrder(const QString &) override { ++m_orders; }
    int orderCount() const override { return m_orders; }
    void setOrderIndex(int index) override { m_index = index; }
    int orderIndex() const override { return m_index; }
    void setOrderEnabled(bool) override {}
    bool execute() override { return true; }

private:
    QString m_page = vinaryPage();
    int m_orders = 0;
    int m_index = -1;
};

int preview(QApplication &app, const QString &dir, int reportId, int runs)
{
    Cellar cellar;
    LanguageTable language;
    cellar.language = &language;
    cellar.programDir = QDir(dir).absolutePath() + u'/';
    language.load(cellar.programDir + LanguageTable::iniFileName());
    cellar.DB.setReadOnly(true);
    cellar.setDatabaseDirectory(cellar.programDir);
    cellar.DB.setFallbackDirectory(QString());
    cellar.connect();
    cellar.intestazione.open();
    cellar.Schede.open();
    cellar.giornale.open();
    FilterCriteria &c = cellar.criteria;
    c.selGruppo = [] { return QString(); };
    c.selproduttore = [] { return QString(); };
    c.selfornitore = [] { return QString(); };
    c.seltipologia = [] { return QString(); };
    c.incarta = [] { return false; };
    c.dadata = [] { return QString(); };
    c.adata = [] { return QString(); };

    Report report;
    const CellarDatasets datasets(cellar, report.datasets());
    Confirmed selection;
    app.processEvents();
    const double before = bench::statusKb("VmRSS") / 1024.0;
    std::printf("report %d, %d cards, %d journal lines; resident before %.1f MB\n", reportId,
                cellar.Schede.recordCount(), cellar.giornale.recordCount(), before);
    bool ok = true;
    for (int run = 1; run <= runs; ++run) {
        resetPeak();
        QElapsedTimer t;
        t.start();
        double shownMs = -1;
        int pages = 0;
        // Closes the preview once its first page is on screen.
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *window = qobject_cast<PreviewWindow *>(w);
                if (window && window->isVisible() && window->view()->paintedPages() > 0) {
                    shownMs = t.nsecsElapsed() / 1e6;
                    pages =
                        window->findChild<QObject *>(QStringLiteral("pageBox"))->property("maximum").toInt();
                    window->accept();
                }
            }
        });
        poll.start();
        PrintCommand command(cellar, report, selection);
        command.run(reportId);
        poll.stop();
        app.processEvents();
        const double peak = bench::statusKb("VmHWM") / 1024.0;
        const double after = bench::statusKb("VmRSS") / 1024.0;
        std::printf("run %d: %d pages, preview shown after %.1f s; resident peak %.1f MB, after closing "
                    "%.1f MB (%+.1f MB against before)\n",
                    run, pages, shownMs / 1000.0, peak, after, after - before);
        ok = ok && peak <= 250 && after - before <= 20;
    }
    std::printf("targets for 100,000 cards: peak <= 250 MB, after closing within 20 MB of before: %s\n",
                ok ? "met" : "MISSED");
    return ok ? 0 : 1;
}

int print(const QString &tool, const QString &dir, int reportId, const QString &out)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(tool, {QString::number(reportId), QStringLiteral("--out"), out, QStringLiteral("--dir"), dir});
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        std::printf("the print tool failed (exit code %d)\n", p.exitCode());
        return 1;
    }
    const double seconds = t.elapsed() / 1000.0;
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const double peak = usage.ru_maxrss / 1024.0;
    std::printf("report %d to %s: %.1f MB written in %.1f s, peak resident %.1f MB "
                "(targets for 1,000,000 journal lines: 60 s, 300 MB)\n",
                reportId, qPrintable(out), QFileInfo(out).size() / 1048576.0, seconds, peak);
    const bool ok = seconds <= 60 && peak <= 300;
    std::printf("%s\n", ok ? "within targets" : "TARGET MISSED");
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    auto number = [&](int i, int fallback) {
        return args.size() > i ? std::max(1, args.at(i).toInt()) : fallback;
    };
    try {
        if (mode == QStringLiteral("stage") && args.size() > 2)
            return stage(args.at(2), number(3, 100000), args.size() > 4 ? args.at(4).toInt() : 200000);
        if (mode == QStringLiteral("preview") && args.size() > 2)
            return preview(app, args.at(2), number(3, 1), number(4, 2));
        if (mode == QStringLiteral("print") && args.size() > 3)
            return print(args.at(2), args.at(3), number(4, 6),
                         args.size() > 5 ? args.at(5)
                                         : QDir(args.at(3)).filePath(QStringLiteral("report.pdf")));
        return syntheticCatalogue(app, number(1, 10000), number(2, 3));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_report: %s\n", e.what());
        return 1;
    }
}
