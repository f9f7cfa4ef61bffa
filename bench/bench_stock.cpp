// Stock movements and journal purge on a large cellar, through the real windows:
//   build-<name>/bench/bench_stock [cards=100000] [journal lines=200000] [window|purge|all]
// Runs under the offscreen platform unless another is set. The database lives on the disk of the
// current directory, so that durable commits pay for their flushes. Prints, for each operation,
// the median and the worst of several runs. The purge is compared with the sqlite3 shell's own
// DELETE on a copy of the same file (the shell must be on the PATH).
#include "bench/cellargen.h"
#include "data/cellar.h"
#include "data/messagebox.h"
#include "data/movements.h"
#include "stock/manutefrm.h"
#include "stock/movimentifrm.h"
#include "widgets/datagrid.h"
#include "widgets/datebox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

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
        QCoreApplication::processEvents();
        window.grid()->viewport()->repaint();
    });
}

// A barcode scanner: the keys of code and a Return arrive one every gap, from outside the
// program's thread, whatever the window is doing meanwhile. Returns the time from the first key
// until the only matching card is selected and the list painted.
double scan(TfrmInOut &window, Cellar &cellar, const QString &code, std::chrono::microseconds gap)
{
    QLineEdit *box = window.searchBox();
    auto *load = window.findChild<QPushButton *>(u"BitBtn1"_s);
    QElapsedTimer clock;
    clock.start();
    std::thread scanner([box, code, gap] {
        const auto start = std::chrono::steady_clock::now();
        for (qsizetype i = 0; i <= code.size(); ++i) {
            std::this_thread::sleep_until(start + i * gap);
            const bool end = i == code.size();
            const int key = end ? int(Qt::Key_Return) : int(Qt::Key_0) + code.at(i).digitValue();
            const QString text = end ? u"\r"_s : QString(code.at(i));
            QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
            QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
        }
    });
    while (!(box->text() == code && load->isEnabled() && cellar.Schede.recordCount() == 1) &&
           clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    window.grid()->viewport()->repaint();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    scanner.join();
    QCoreApplication::processEvents();
    return ms;
}

// A message box that answers every question with yes.
struct Yes : MessageBox {
    void notice(const QString &) override {}
    bool question(const QString &) override { return true; }
};

// The sqlite3 shell's DELETE of the same lines on a copy of file: the statement's own time as the
// shell reports it, and the number of lines it deleted.
std::pair<double, int> shellPurge(const QString &file, const QDate &day)
{
    QTemporaryDir dir(QDir::currentPath() + u"/bench-stock-XXXXXX"_s);
    const QString copy = dir.filePath(u"vinary.mdb"_s);
    QFile::copy(file, copy);
    QProcess shell;
    shell.start(u"sqlite3"_s, {copy});
    shell.write(
        QStringLiteral("PRAGMA journal_mode=DELETE;\nPRAGMA synchronous=FULL;\n.timer on\n"
                       "DELETE FROM Giornale WHERE Data <= '%1 00:00:00';\n.timer off\nSELECT changes();\n")
            .arg(day.toString(Qt::ISODate))
            .toUtf8());
    shell.closeWriteChannel();
    if (!shell.waitForFinished(120000) || shell.exitCode() != 0) {
        std::printf("sqlite3 shell failed: %s\n", shell.readAllStandardError().constData());
        return {0.0, -1};
    }
    const QString out = QString::fromUtf8(shell.readAllStandardOutput());
    const QRegularExpressionMatch time = QRegularExpression(u"Run Time: real ([0-9.]+)"_s).match(out);
    const QStringList lines = out.trimmed().split(u'\n');
    return {time.hasMatch() ? time.captured(1).toDouble() * 1000.0 : 0.0, lines.last().trimmed().toInt()};
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
        const double keyByKey = elapsedMs([&] {
            for (const QChar c : code)
                perDigit.push_back(typeAndPaint(window, QString(c)));
        });
        std::printf("barcode %s typed key by key: %d card(s) listed, load button %s, whole scan %.0f ms\n",
                    qPrintable(code), run.cellar.Schede.recordCount(),
                    window.findChild<QPushButton *>(u"BitBtn1"_s)->isEnabled() ? "enabled" : "disabled",
                    keyByKey);
        print("one digit of a barcode scan, list repainted", figures(perDigit), "150 ms");
        window.searchBox()->clear();

        // The same code from a scanner, keys arriving while the window searches.
        for (const int gapUs : {2000, 8000}) {
            std::vector<double> scans;
            for (int i = 0; i < 5; ++i) {
                scans.push_back(scan(window, run.cellar, code, std::chrono::microseconds(gapUs)));
                if (run.cellar.Schede.recordCount() != 1)
                    std::printf("  the scan did not select the card\n");
                window.searchBox()->clear();
            }
            const QByteArray what = "13-digit barcode + Return from a scanner, one key every " +
                                    QByteArray::number(gapUs / 1000) + " ms, until selected";
            print(what.constData(), figures(scans), "300 ms");
        }

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
        // Purging about half of the journal: lines are dated 60 a day in insertion order. Through
        // the maintenance window (question answered, progress shown after half a second), against
        // the shell's DELETE of the same lines, alternately on fresh copies of the same file.
        const QDate day = QDate(2015, 1, 1).addDays(lines / 2 / 60 - 1);
        std::vector<double> ours;
        std::vector<double> shells;
        int deleted = 0;
        int left = 0;
        int shellDeleted = 0;
        for (int i = 0; i < 3; ++i) {
            Run run(file);
            Yes yes;
            run.cellar.messages = &yes;
            TManutenzioneForm window(run.cellar);
            window.setPlainMessage([](QWidget *, const QString &) {});
            window.purgeDateBox()->setDate(day);
            const int before = run.cellar.giornale.recordCount();
            // With VINARY_GRAB_DIR set, the progress window is saved there as a picture when it shows.
            QTimer grab;
            if (qEnvironmentVariableIsSet("VINARY_GRAB_DIR")) {
                QObject::connect(&grab, &QTimer::timeout, [&grab] {
                    for (QWidget *w : QApplication::topLevelWidgets()) {
                        if (qobject_cast<QProgressDialog *>(w) && w->isVisible()) {
                            w->grab().save(qEnvironmentVariable("VINARY_GRAB_DIR") +
                                           u"/purge-progress.png"_s);
                            grab.stop();
                        }
                    }
                });
                grab.start(100);
            }
            ours.push_back(elapsedMs([&] { window.btnPuliziaClick(); }));
            left = run.cellar.giornale.recordCount();
            deleted = before - left;
            const auto [shellMs, shellCount] = shellPurge(file, day);
            shells.push_back(shellMs);
            shellDeleted = shellCount;
        }
        const Figures f = figures(ours);
        const Figures s = figures(shells);
        std::printf("purge up to %s: %d of %d lines deleted, %d left (shell: %d deleted)\n",
                    qPrintable(day.toString(Qt::ISODate)), deleted, lines, left, shellDeleted);
        print("purge through the maintenance window", f, "2 x shell");
        print("sqlite3 shell: DELETE FROM Giornale WHERE Data <= ...", s, "-");
        std::printf("ratio of the medians: %.2f x the shell (limit 2)\n",
                    s.median > 0 ? f.median / s.median : 0.0);
    }
    return 0;
}
