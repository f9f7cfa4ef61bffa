// Stock movements and journal purge on a large cellar, through the real windows:
//   build-<name>/bench/bench_stock [cards=100000] [journal lines=200000] [window|purge|all]
// Runs under the offscreen platform unless another is set. The database lives on the disk of the
// current directory, so that durable commits pay for their flushes. Prints, for each operation,
// the median and the worst of several runs.
#include "bench/cellargen.h"
#include "data/cellar.h"
#include "data/journalpurge.h"
#include "data/movements.h"
#include "stock/manutefrm.h"
#include "stock/movimentifrm.h"
#include "widgets/datagrid.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

using namespace vinary;
using namespace Qt::StringLiterals;

namespace
{

struct Figures {
    double median = 0.0;
    double worst = 0.0;
};

Figures figures(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? Figures{} : Figures{v[v.size() / 2], v.back()};
}

double elapsedMs(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

void print(const char *what, const Figures &f, const char *limit)
{
    std::printf("%-62s median %8.2f ms   worst %8.2f ms   (limit %s)\n", what, f.median, f.worst, limit);
    std::fflush(stdout);
}

// A copy of the generated cellar with its tables open, as the main window leaves them.
struct Run {
    QTemporaryDir dir{QDir::currentPath() + u"/bench-stock-XXXXXX"_s};
    Cellar cellar;

    explicit Run(const QString &source)
    {
        QFile::copy(source, dir.filePath(u"vinary.mdb"_s));
        cellar.setDatabaseDirectory(dir.path() + u'/');
        cellar.connect();
        cellar.intestazione.open();
        cellar.Schede.open();
        cellar.giornale.open();
    }
};

// Types one key into the search box and waits until the list has painted the result.
double typeAndPaint(TfrmInOut &window, const QString &key)
{
    return elapsedMs([&] {
        QTest::keyClicks(window.searchBox(), key);
        window.grid()->viewport()->repaint();
        QCoreApplication::processEvents();
    });
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cards = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 200000;
    const QString part = argc > 3 ? QString::fromLocal8Bit(argv[3]) : u"all"_s;

    QTemporaryDir source(QDir::currentPath() + u"/bench-stock-XXXXXX"_s);
    const QString file = source.filePath(u"vinary.mdb"_s);
    std::printf("Generating %d cards and %d journal lines in %s\n", cards, lines, qPrintable(source.path()));
    bench::generateCellar(file, cards, lines);

    if (part != u"purge"_s) {
        Run run(file);
        TfrmInOut window(run.cellar);
        run.cellar.Schede.setFiltered(true);
        window.show();
        QCoreApplication::processEvents();

        // Typing in the search box, one character at a time, until the list shows the result.
        std::vector<double> narrowing;
        for (const QChar c : bench::rareSearchText())
            narrowing.push_back(typeAndPaint(window, QString(c)));
        std::printf("search \"%s\": %d of %d cards listed\n", qPrintable(bench::rareSearchText()),
                    run.cellar.Schede.recordCount(), cards);
        print("one character typed in the search box, list repainted", figures(narrowing), "150 ms");
        // What of it is the card table's re-read through the filter, without the window.
        std::vector<double> reread;
        for (int i = 0; i < 5; ++i)
            reread.push_back(elapsedMs([&] { run.cellar.Schede.first(); }));
        print("  of which: Schede re-read through the 'M' filter alone", figures(reread), "-");
        std::vector<double> emptying;
        for (int i = 0; i < 3; ++i) {
            emptying.push_back(elapsedMs([&] {
                window.searchBox()->clear();
                window.grid()->viewport()->repaint();
            }));
            QTest::keyClicks(window.searchBox(), u"s"_s);
        }
        window.searchBox()->clear();
        print("search box emptied, every card listed again", figures(emptying), "150 ms");

        // A barcode scan: the thirteen digits of one card's code typed as keys.
        const QString code = QString::number(8000000000000LL + cards / 2);
        std::vector<double> perDigit;
        const double scan = elapsedMs([&] {
            for (const QChar c : code)
                perDigit.push_back(typeAndPaint(window, QString(c)));
        });
        std::printf("barcode %s: %d card(s) listed, load button %s, whole scan %.0f ms\n", qPrintable(code),
                    run.cellar.Schede.recordCount(),
                    window.findChild<QPushButton *>(u"BitBtn1"_s)->isEnabled() ? "enabled" : "disabled",
                    scan);
        print("one digit of a barcode scan, list repainted", figures(perDigit), "150 ms");
        window.searchBox()->clear();

        // One movement, journal row and card committed durably.
        StockMovements movements(run.cellar);
        run.cellar.Schede.moveTo(cards / 3);
        std::vector<double> recorded;
        for (int i = 0; i < 40; ++i) {
            const Movement m{i % 2 ? Movement::Kind::Unload : Movement::Kind::Load, 1.0, 10.0, 0.0};
            recorded.push_back(elapsedMs([&] { movements.record(m); }));
        }
        print("one movement recorded (journal row + card, committed)", figures(recorded), "20 ms");

        // The same through the window: card click, then the load button with its reset.
        std::vector<double> clicked;
        for (int i = 0; i < 20; ++i) {
            run.cellar.Schede.moveTo(cards / 4 + i);
            window.DBGrid1CellClick();
            clicked.push_back(elapsedMs([&] { window.BitBtn1Click(); }));
        }
        print("load button, empty search box (movement and reset)", figures(clicked), "20 ms");
        window.close();
        run.cellar.Schede.setFiltered(false);
    }

    if (part != u"window"_s) {
        // Purging about half of the journal: lines are dated 60 a day in insertion order.
        Run run(file);
        const QDate day = QDate(2015, 1, 1).addDays(lines / 2 / 60 - 1);
        int deleted = 0;
        const double ms = elapsedMs([&] { deleted = purgeJournal(run.cellar.giornale, day); });
        std::printf("purge up to %s: %d of %d lines deleted, %d left, %.0f ms (limit 3000 ms)\n",
                    qPrintable(day.toString(Qt::ISODate)), deleted, lines, run.cellar.giornale.recordCount(),
                    ms);
    }
    return 0;
}
