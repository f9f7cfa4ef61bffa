// The catalogue window over a large generated cellar:
//   build/bench/bench_catalogue [cards=100000] [journal lines=200000] [runs=7]
// Runs under the offscreen platform unless another is set. Prints the median and the worst of
// several runs of: a search until the grid has painted its first screen (against the sqlite3
// shell's own scan of the search text on the same file), a re-sort by a title click until
// painted, the main window's activation (the seven pick lists refilled into the catalogue's
// boxes), a page of grid scrolling until painted, a card's description changed and saved with and
// without the search index to keep, and the process memory with the catalogue open. The start-up
// steps come first: the schema upgrade that builds the search index, and the card table's opening.
#include "bench/cellargen.h"
#include "catalogue/vinaryfrm.h"
#include "data/cellar.h"
#include "data/schemaupgrade.h"
#include "data/searchindex.h"
#include "engine/db/table.h"
#include "widgets/datagrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace vinary;
using vinary::bench::shellStatementMs;
using vinary::bench::statusKb;

namespace
{

struct Figures {
    double median = 0;
    double worst = 0;
};

Figures measure(int runs, const std::function<void()> &prepare, const std::function<void()> &action)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer t;
        t.start();
        action();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

// The shell scanning every card for a search text as the card filter does.
Figures shellScan(const QString &file, const QString &text, int runs)
{
    QStringList parts;
    for (const QString &c : cardSearchColumns())
        parts << QStringLiteral("coalesce(%1,'')").arg(c);
    const QString sql = QStringLiteral("SELECT count(*) FROM Schede WHERE instr(upper(%1), '%2') > 0")
                            .arg(parts.join(QStringLiteral("||")), text.toUpper());
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(shellStatementMs(file, sql));
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

void print(const char *what, const Figures &f, double limit)
{
    if (limit > 0)
        std::printf("%-58s median %8.1f ms   worst %8.1f ms   (limit %.1f ms)\n", what, f.median, f.worst,
                    limit);
    else
        std::printf("%-58s %8.1f ms\n", what, f.median);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int cards = args.size() > 1 ? args.at(1).toInt() : 100000;
    const int lines = args.size() > 2 ? args.at(2).toInt() : 200000;
    const int runs = args.size() > 3 ? std::max(1, args.at(3).toInt()) : 7;

    QTemporaryDir dir;
    const QString programDir = dir.path() + u'/';
    QElapsedTimer generation;
    generation.start();
    bench::generateCellar(programDir + QStringLiteral("vinary.mdb"), cards, lines);
    std::printf("generated %d cards and %d journal lines in %.1f s\n", cards, lines,
                double(generation.elapsed()) / 1000.0);
    const long baseKb = statusKb("VmRSS");

    Cellar cellar;
    cellar.programDir = programDir;
    cellar.setDatabaseDirectory(programDir);
    cellar.connect();
    // As at start-up: the upgrade builds the search index of a cellar that has none.
    QElapsedTimer upgrade;
    upgrade.start();
    upgradeCellar(cellar.DB);
    std::printf("start-up upgrade (builds the search index of %d cards): %.1f s, index %s\n", cards,
                double(upgrade.elapsed()) / 1000.0,
                searchindex::isPresent(cellar.DB) ? "present" : "MISSING");
    cellar.intestazione.open();
    QElapsedTimer tableOpening;
    tableOpening.start();
    cellar.Schede.open();
    std::printf("card table opened at start-up (every card, sorted by description): %.1f ms\n",
                double(tableOpening.nsecsElapsed()) / 1e6);
    cellar.giornale.open();

    TfrmVinary window(cellar);
    QElapsedTimer opening;
    opening.start();
    window.show();
    QApplication::processEvents();
    const double openMs = double(opening.nsecsElapsed()) / 1e6;

    auto *grid = window.findChild<DataGrid *>(QStringLiteral("schedeGrid"));
    auto *search = window.findChild<QLineEdit *>(QStringLiteral("ricerca"));
    auto *find = window.findChild<QToolButton *>(QStringLiteral("SpeedButton2"));
    window.findChild<QToolButton *>(QStringLiteral("btnfind"))->click();
    auto paintGrid = [grid] { grid->viewport()->repaint(); };
    paintGrid();

    std::printf("catalogue opened on %d cards (filter on, first card shown) in %.1f ms\n\n",
                cellar.Schede.recordCount(), openMs);

    auto searchFor = [&](const QString &text) {
        return measure(
            runs, [&] { search->setText(text); },
            [&] {
                find->click();
                paintGrid();
            });
    };
    const Figures rare = searchFor(bench::rareSearchText());
    const int rareCount = cellar.Schede.recordCount();
    const Figures common = searchFor(QStringLiteral("o"));
    const int commonCount = cellar.Schede.recordCount();
    const Figures none = searchFor(QStringLiteral("nessun vino ha questo testo"));
    const Figures empty = searchFor(QString());
    const Figures shell = shellScan(programDir + QStringLiteral("vinary.mdb"), bench::rareSearchText(), runs);
    print(qPrintable(QStringLiteral("search \"%1\" (%2 cards pass), first screen painted")
                         .arg(bench::rareSearchText())
                         .arg(rareCount)),
          rare, 0.1 * shell.median);
    print(qPrintable(
              QStringLiteral("  sqlite3 shell scanning every card for \"%1\"").arg(bench::rareSearchText())),
          shell, 0);
    std::printf("  ratio search / shell scan: %.3f   (limit 0.1)\n", rare.median / shell.median);
    print(qPrintable(QStringLiteral("search \"o\" (%1 cards pass), first screen painted").arg(commonCount)),
          common, 200);
    print("search passing no card, first screen painted", none, 200);
    print(
        qPrintable(
            QStringLiteral("empty search (%1 cards), first screen painted").arg(cellar.Schede.recordCount())),
        empty, 200);

    QHeaderView *titles = grid->horizontalHeader();
    auto clickTitle = [&](const char *field) {
        const int logical = grid->columnOfField(QString::fromLatin1(field));
        Q_EMIT titles->sectionClicked(logical);
        paintGrid();
    };
    const Figures byProducer = measure(
        runs, [&] { clickTitle("Descrizione"); }, [&] { clickTitle("Produttore"); });
    const Figures byDescription = measure(
        runs, [&] { clickTitle("Produttore"); }, [&] { clickTitle("Descrizione"); });
    search->setText(bench::rareSearchText());
    find->click();
    const Figures filteredSort = measure(
        runs, [&] { clickTitle("Descrizione"); }, [&] { clickTitle("Produttore"); });
    search->clear();
    find->click();
    print("re-sort by the producer title (all cards), painted", byProducer, 300);
    print("re-sort by the description title (all cards), painted", byDescription, 300);
    print("re-sort by the producer title (search passing 1 %), painted", filteredSort, 0.3 * 630);

    // The first activation on a database also indexes the seven columns, once.
    const Figures firstActivation = measure(1, nullptr, [&] { cellar.rules.refillPickLists(); });
    const Figures activation = measure(runs, nullptr, [&] { cellar.rules.refillPickLists(); });
    print("first activation on this database (indexes the columns)", firstActivation, 0);
    print("activation: seven pick lists refilled into the boxes", activation, 100);

    grid->setFocus();
    int page = 0;
    const Figures scroll = measure(std::max(runs, 30), nullptr, [&] {
        grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        paintGrid();
        ++page;
    });
    print(qPrintable(QStringLiteral("scroll one page down (%1 pages, rows not read before)").arg(page)),
          scroll, 16);

    const long rssKb = statusKb("VmRSS");
    const long peakKb = statusKb("VmHWM");

    // A card's description changed and saved, durable, with the index kept in step and without it.
    db::Table &schede = cellar.Schede;
    int edits = 0;
    auto changeDescription = [&] {
        schede.edit();
        schede.fieldByName(QStringLiteral("Descrizione"))
            .setAsString(QStringLiteral("Barolo ritoccato %1").arg(++edits));
        schede.post();
    };
    const Figures withIndex = measure(std::max(runs, 20), nullptr, changeDescription);
    searchindex::drop(cellar.DB);
    const Figures withoutIndex = measure(std::max(runs, 20), nullptr, changeDescription);
    print("card description changed and saved, index kept in step", withIndex, 0);
    print("card description changed and saved, without the index", withoutIndex, 0);

    std::printf(
        "\nmemory with the catalogue open on %d cards: resident %.1f MB (peak %.1f MB; %.1f MB before "
        "connecting)   (limit 250 MB)\n",
        cards, double(rssKb) / 1024.0, double(peakKb) / 1024.0, double(baseKb) / 1024.0);
    window.close();
    return 0;
}
