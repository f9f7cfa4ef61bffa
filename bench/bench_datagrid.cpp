// The data grid alone over a large generated card table:
//   build-<name>/bench/bench_datagrid [cards=100000] [runs=40]
// Runs under the offscreen platform unless another is set. The grid shows the catalogue's 27
// columns with their display formats at the catalogue's size and row height. Prints the median and
// the worst time of: a page scrolled down over rows never read before, a page scrolled back up,
// the Page Down key (which also moves the table's current record), a jump to the last row, and a
// jump to an arbitrary place; each until the grid has painted.
#include "bench/cellargen.h"
#include "engine/db/connection.h"
#include "engine/db/table.h"
#include "widgets/datagrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace vinary;

namespace {

struct Figures {
    double median = 0;
    double worst = 0;
};

Figures measure(int runs, const std::function<void()> &action)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        action();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

void print(const char *what, const Figures &f, double limit)
{
    std::printf("%-52s median %7.2f ms   worst %7.2f ms   (limit %.0f ms)\n", what, f.median, f.worst, limit);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int cards = args.size() > 1 ? args.at(1).toInt() : 100000;
    const int runs = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 40;

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("vinary.mdb"));
    QElapsedTimer generation;
    generation.start();
    bench::generateCellar(file, cards, 0);
    std::printf("generated %d cards in %.1f s\n", cards, double(generation.elapsed()) / 1000.0);

    db::Connection connection;
    connection.setFallbackDirectory(QString());
    connection.setDatabaseName(file);
    connection.open();
    db::Table table(connection, QStringLiteral("Schede"));
    table.loadFields();
    for (const char *name : {"Quantita", "Ricarico", "Scorta", "Punti1", "Punti2", "Punti3"})
        table.setDisplayFormat(QString::fromLatin1(name), QStringLiteral("#"));
    for (const char *name : {"Prezzo_Acq", "Prezzo_Ven", "Prezzo_Bic"})
        table.setDisplayFormat(QString::fromLatin1(name), QStringLiteral("0.00;;#"));
    table.setSortedBy({QStringLiteral("[Descrizione] ASC")});
    QElapsedTimer opening;
    opening.start();
    table.open();
    std::printf("table opened in %.1f ms (%d cards)\n", double(opening.nsecsElapsed()) / 1e6,
                table.recordCount());

    DataGrid grid;
    QList<GridColumn> columns;
    for (const char *name :
         {"Codice",       "Descrizione",   "Composizione", "Anno",     "Gradi",        "Produttore",
          "Fornitore",    "Zona",          "Regione",      "Gruppo",   "Tipologia",    "Capacita",
          "Collocazione", "Quantita",      "Prezzo_Acq",   "Ricarico", "Prezzo_Ven",   "Prezzo_Bic",
          "Incarta",      "Ultimo_carico", "Scadenza",     "Scorta",   "Degustazione", "Punti1",
          "Punti2",       "Punti3",        "Note"})
        columns.append({QString::fromLatin1(name), QString::fromLatin1(name), 0});
    grid.setColumns(columns);
    grid.setTable(&table);
    grid.setRowHeight(17);
    grid.resize(633, 380);
    grid.show();
    grid.setFocus();
    QApplication::processEvents();
    auto paint = [&grid] { grid.viewport()->repaint(); };
    paint();
    const int rowsOnScreen = grid.viewport()->height() / grid.rowHeight();
    std::printf("grid of %d columns, %d rows on screen\n\n", int(columns.size()), rowsOnScreen);

    QScrollBar *bar = grid.verticalScrollBar();
    const Figures down = measure(runs, [&] {
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        paint();
    });
    print("scroll one page down (rows not read before)", down, 16);
    const Figures up = measure(runs, [&] {
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        paint();
    });
    print("scroll one page up (rows read before)", up, 16);

    bar->setValue(0);
    grid.setCurrentIndex(grid.model()->index(0, 1));
    const Figures key = measure(runs, [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(&grid, &press);
        paint();
    });
    print("Page Down key: current card and page move", key, 16);
    std::printf("  (the table's current card is now %d)\n", table.recNo());

    const Figures end = measure(1, [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QApplication::sendEvent(&grid, &press);
        paint();
    });
    print("Ctrl+End: to the last card", end, 16);

    QRandomGenerator random(7);
    const Figures jump = measure(runs, [&] {
        bar->setValue(int(random.bounded(bar->maximum() + 1)));
        paint();
    });
    print("jump to an arbitrary place (scroll bar dragged)", jump, 16);
    return 0;
}
