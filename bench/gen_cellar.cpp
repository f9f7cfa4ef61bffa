// Writes a large cellar for benchmarks and manual trials:
//   gen_cellar <file> [cards=100000] [journal lines=200000]
#include "bench/cellargen.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: gen_cellar <file> [cards] [journal lines]\n");
        return 2;
    }
    const int cards = args.size() > 2 ? args.at(2).toInt() : 100000;
    const int lines = args.size() > 3 ? args.at(3).toInt() : 200000;
    QElapsedTimer t;
    t.start();
    try {
        vinary::bench::generateCellar(args.at(1), cards, lines);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "gen_cellar: %s\n", e.what());
        return 1;
    }
    std::printf("wrote %d cards and %d journal lines to %s in %lld ms\n", cards, lines, qPrintable(args.at(1)),
                static_cast<long long>(t.elapsed()));
    return 0;
}
