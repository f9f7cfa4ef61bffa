// CSV import of wine cards, the way the maintenance window runs it: reading the file, reading every
// record by the mapping, and writing the good rows in one transaction into an empty cellar.
//   build-<name>/bench/bench_import [rows=100000] [runs=3]
// The CSV is written as an Italian spreadsheet saves it: semicolons, decimal commas, accents, dates
// in the short format, quoted fields with separators in them. The database lives on the disk of the
// current directory. Prints the median and the worst of each step over the runs.
#include "bench/cellargen.h"
#include "data/cardimport.h"
#include "data/cellar.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace vinary;
using namespace Qt::StringLiterals;

namespace
{

QByteArray spreadsheet(int rows)
{
    QByteArray csv("Codice;Descrizione;Produttore;Regione;Anno;Quantità;Prezzo d'acquisto;Ricarico;"
                   "Da bere entro;Carta dei vini;Note\r\n");
    csv.reserve(rows * 140);
    const char *regions[] = {"Piemonte", "Toscana", "Veneto", "Valle d'Aosta", "Friuli-Venezia Giulia"};
    for (int i = 1; i <= rows; ++i) {
        csv += QByteArray::number(8000000000000LL + i) + ";\"Vino n. " + QByteArray::number(i) +
               ", Riserva\";Cantina Sàn Michèle " + QByteArray::number(i % 700) + ";" + regions[i % 5] + ";" +
               QByteArray::number(1990 + i % 35) + ";" + QByteArray::number(i % 48) + ";" +
               QByteArray::number(3 + i % 90) + "," + QByteArray::number(10 + i % 90) + ";1,5;" +
               QByteArray::number(1 + i % 28) + "/0" + QByteArray::number(1 + i % 9) + "/20" +
               QByteArray::number(26 + i % 20) + ";" + (i % 3 ? "sì" : "no") + ";\"nota \"\"" +
               QByteArray::number(i) + "\"\"\"\r\n";
    }
    return csv;
}

void print(const char *what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("%-46s median %8.1f ms   worst %8.1f ms\n", what, v[v.size() / 2], v.back());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    const QByteArray csv = spreadsheet(rows);
    std::printf("%d rows, %.1f MB of CSV, %d runs\n", rows, csv.size() / 1e6, runs);
    QTemporaryDir work(QDir::currentPath() + u"/bench-import-XXXXXX"_s);
    std::vector<double> reading, importing, total, processor;
    for (int r = 0; r < runs; ++r) {
        const QString dir = work.filePath(QString::number(r)) + u'/';
        QDir().mkpath(dir);
        bench::generateCellar(dir + u"vinary.mdb"_s, 0, 0);
        Cellar cellar;
        cellar.programDir = dir;
        cellar.setDatabaseDirectory(dir);
        cellar.connect();
        cellar.Schede.open();
        QElapsedTimer t;
        t.start();
        const std::clock_t cpu = std::clock();
        CardImport import(cellar);
        import.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
        import.load(csv);
        const double read = double(t.nsecsElapsed()) / 1e6;
        const CardImport::Result result = import.import([](int, int) { return true; });
        const double all = double(t.nsecsElapsed()) / 1e6;
        processor.push_back(double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
        if (result.added != rows || !import.badRows().isEmpty()) {
            std::printf("unexpected result: %d added, %d bad rows\n", result.added,
                        int(import.badRows().size()));
            return 1;
        }
        reading.push_back(read);
        importing.push_back(all - read);
        total.push_back(all);
    }
    print("read, map and convert the CSV", reading);
    print("write the cards (one transaction)", importing);
    print("whole import (limit 5000 ms)", total);
    print("whole import, processor time of this process", processor);
    return 0;
}
