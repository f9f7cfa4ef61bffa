// Report engine: the catalogue of a large cellar through the delivered catalogo.frf.
//   build-<name>/bench/bench_report [cards=10000] [runs=3]
// Measures, on this machine: preparing the report (targets: 10,000 cards in at most 1 s), its PDF
// export (at most 3 s), the preview's first page on screen (at most 300 ms) and the peak memory of
// the process (under 300 MB). Prints the median of the runs; exits with 1 when a target is missed.
// Run it in a Release build and with QT_QPA_PLATFORM=offscreen when there is no display.

#include "engine/report/exports.h"
#include "engine/report/previewview.h"
#include "engine/report/previewwindow.h"
#include "engine/report/report.h"
#include "engine/report/uiservices.h"
#include "tests/engine/report/reportfixtures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

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

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int cards = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

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
