// The database binding against the sqlite3 shell on the same generated file:
//   build/bench/bench_db [cards=100000] [journal lines=200000]
// Prints, for each operation, the median of several runs of ours and of the shell's equivalent.
#include "app/dbprepare.h"
#include "bench/cellargen.h"
#include "data/cellar.h"
#include "engine/db/connection.h"
#include "engine/db/table.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace vinary;
using vinary::bench::shellStatementMs;

namespace
{

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double shellCommandsMs(const QStringList &commands)
{
    QElapsedTimer t;
    t.start();
    for (const QString &c : commands) {
        QProcess p;
        p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), c});
        p.waitForFinished(-1);
    }
    return double(t.nsecsElapsed()) / 1e6;
}

QString searchWhere()
{
    QStringList parts;
    for (const QString &c : cardSearchColumns())
        parts << QStringLiteral("coalesce(%1,'')").arg(c);
    return QStringLiteral("instr(upper(%1), '%2') > 0")
        .arg(parts.join(QStringLiteral("||")), bench::rareSearchText().toUpper());
}

struct Figures {
    double openSorted = 0, filtered = 0, random = 0;
    int accepted = 0;
};

Figures measureOurs(const QString &dir, int rounds)
{
    Figures f;
    std::vector<double> open, filt, rnd;
    for (int r = 0; r < rounds; ++r) {
        Cellar cellar;
        cellar.setDatabaseDirectory(dir);
        cellar.connect();
        QElapsedTimer t;
        t.start();
        cellar.Schede.open();
        const QString first = cellar.Schede.fieldByName(QStringLiteral("Descrizione")).asString();
        open.push_back(double(t.nsecsElapsed()) / 1e6);
        Q_UNUSED(first);

        const int col = cellar.Schede.fieldByName(QStringLiteral("Descrizione")).index();
        t.restart();
        const QString at =
            cellar.Schede.valueAt(50000 < cellar.Schede.recordCount() ? 50000 : 0, col).toString();
        rnd.push_back(double(t.nsecsElapsed()) / 1e6);
        Q_UNUSED(at);

        cellar.filterMode = u'S';
        const QString search = bench::rareSearchText();
        cellar.criteria.ricerca = [&search] { return search; };
        cellar.Schede.setFiltered(true);
        t.restart();
        cellar.Schede.first();
        filt.push_back(double(t.nsecsElapsed()) / 1e6);
        f.accepted = cellar.Schede.recordCount();
    }
    f.openSorted = median(open);
    f.filtered = median(filt);
    f.random = median(rnd);
    return f;
}

int memoryChild(const QString &dir)
{
    Cellar cellar;
    cellar.setDatabaseDirectory(dir);
    cellar.connect();
    cellar.Schede.open();
    const int col = cellar.Schede.fieldByName(QStringLiteral("Descrizione")).index();
    for (int i = 0; i < cellar.Schede.recordCount(); i += 97)
        cellar.Schede.valueAt(i, col);
    cellar.filterMode = u'S';
    const QString search = bench::rareSearchText();
    cellar.criteria.ricerca = [&search] { return search; };
    cellar.Schede.setFiltered(true);
    cellar.Schede.first();
    struct rusage u {
    };
    getrusage(RUSAGE_SELF, &u);
    std::printf("%ld\n", u.ru_maxrss);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == u"--memory")
        return memoryChild(args.at(2));
    const int cards = args.size() > 1 ? args.at(1).toInt() : 100000;
    const int lines = args.size() > 2 ? args.at(2).toInt() : 200000;

    QTemporaryDir tmp;
    const QString dir = tmp.path() + u'/';
    const QString file = dir + QStringLiteral("vinary.mdb");
    std::printf("generating %d cards and %d journal lines...\n", cards, lines);
    bench::generateCellar(file, cards, lines);
    std::printf("database: %.1f MB\n\n", double(QFileInfo(file).size()) / 1048576.0);

    const int rounds = 5;
    const Figures ours = measureOurs(dir, rounds);
    std::vector<double> shOpen, shFilt, shRnd;
    for (int r = 0; r < rounds; ++r) {
        shOpen.push_back(shellStatementMs(
            file, QStringLiteral("SELECT rowid FROM Schede ORDER BY Descrizione COLLATE NOCASE, rowid")));
        shFilt.push_back(
            shellStatementMs(file, QStringLiteral("SELECT count(*) FROM Schede WHERE ") + searchWhere()));
        shRnd.push_back(shellStatementMs(
            file,
            QStringLiteral("SELECT * FROM Schede ORDER BY Descrizione COLLATE NOCASE LIMIT 1 OFFSET 50000")));
    }

    // Start-up preparation against cp plus two VACUUM runs of the shell, each on a fresh copy.
    std::vector<double> prep, shPrep;
    for (int r = 0; r < 3; ++r) {
        QTemporaryDir run;
        const QString runDir = run.path() + u'/';
        QFile::copy(file, runDir + QStringLiteral("vinary.mdb"));
        db::Connection DB;
        QElapsedTimer t;
        t.start();
        prepareDatabaseFile(DB, runDir);
        prep.push_back(double(t.nsecsElapsed()) / 1e6);

        QTemporaryDir shellRun;
        const QString sf = shellRun.filePath(QStringLiteral("vinary.mdb"));
        QFile::copy(file, sf);
        shPrep.push_back(shellCommandsMs({QStringLiteral("cp '%1' '%1.bak'").arg(sf),
                                          QStringLiteral("sqlite3 '%1' VACUUM").arg(sf),
                                          QStringLiteral("sqlite3 '%1' VACUUM").arg(sf)}));
    }

    QProcess child;
    child.start(app.applicationFilePath(), {QStringLiteral("--memory"), dir});
    child.waitForFinished(-1);
    const double peakMb = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toDouble() / 1024.0;

    std::printf("%-46s %10s %10s %8s  %s\n", "operation", "ours ms", "shell ms", "ratio", "target");
    auto row = [](const char *what, double a, double b, const char *target) {
        std::printf("%-46s %10.1f %10.1f %8.2f  %s\n", what, a, b, b > 0 ? a / b : 0.0, target);
    };
    row("open Schede sorted by Descrizione, 1st record", ours.openSorted, median(shOpen), "(reported)");
    row("filtered re-read, 99% rejected", ours.filtered, median(shFilt), "ratio <= 1.5");
    row("random access to record 50,000", ours.random, median(shRnd), "(reported)");
    row("start-up preparation (backup + 2 compactions)", median(prep), median(shPrep), "ratio <= 2");
    std::printf("cards accepted by the filter: %d of %d\n", ours.accepted, cards);
    std::printf("peak memory with the card table open: %.1f MB (target < 150 MB)\n", peakMb);
    return 0;
}
