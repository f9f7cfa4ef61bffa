// Times the migration of Jet databases into the SQLite cellar database.
//   build-<name>/bench/bench_jetmigration [rounds]
// It copies the Jet 4 sample into a temporary folder, then reports the median of several rounds for
// reading every table, converting every table, and the cellar migration of that file (which has
// no cellar tables, so it stops at the check), and last a cellar-sized source held in memory.
#include "engine/common/errors.h"
#include "engine/jet/jetconverter.h"
#include "engine/jet/jetfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace vinary::jet;

namespace
{

// A cellar of generated cards and journal lines, with the column types of the Jet file.
class GeneratedCellar : public JetSource
{
public:
    GeneratedCellar(int cards, int lines) : m_cards(cards), m_lines(lines) {}

    QString name() const override { return QStringLiteral("generated.mdb"); }
    QStringList tables() override
    {
        return {QStringLiteral("Configurazione"), QStringLiteral("Schede"), QStringLiteral("Giornale"),
                QStringLiteral("Stampe"), QStringLiteral("Indici")};
    }
    QList<JetColumn> columns(const QString &table) override
    {
        auto text = [](const char *n, int size) {
            return JetColumn{QString::fromLatin1(n), JetType::Text, size, false};
        };
        auto typed = [](const char *n, JetType t) { return JetColumn{QString::fromLatin1(n), t, 0, false}; };
        const JetColumn id{QStringLiteral("ID"), JetType::LongInteger, 0, true};
        if (table == u"Configurazione")
            return {text("Utente", 50), typed("Ricarico", JetType::Double)};
        if (table == u"Schede") {
            QList<JetColumn> c{id,
                               text("Codice", 13),
                               text("Descrizione", 50),
                               text("Composizione", 50),
                               text("Anno", 4),
                               text("Gradi", 5)};
            for (const char *n :
                 {"Produttore", "Fornitore", "Zona", "Regione", "Gruppo", "Tipologia", "Capacita"})
                c.append(text(n, 50));
            c.append(text("Collocazione", 10));
            for (const char *n : {"Quantita", "Prezzo_Acq", "Ricarico", "Prezzo_Ven", "Prezzo_Bic"})
                c.append(typed(n, JetType::Double));
            c.append({typed("Incarta", JetType::Boolean), typed("Ultimo_carico", JetType::DateTime),
                      typed("Scadenza", JetType::DateTime), typed("Scorta", JetType::Double),
                      text("Degustazione", 100)});
            for (const char *n : {"Punti1", "Punti2", "Punti3"})
                c.append(typed(n, JetType::Double));
            c.append(text("Note", 100));
            return c;
        }
        if (table == u"Giornale")
            return {id,
                    text("Causale", 1),
                    typed("Data", JetType::DateTime),
                    text("Codice", 13),
                    text("Descrizione", 50),
                    text("Anno", 4),
                    typed("Quantita", JetType::Double),
                    typed("Prezzo_acq", JetType::Double),
                    typed("Prezzo_ven", JetType::Double)};
        if (table == u"Stampe")
            return {id,
                    text("Stampa", 30),
                    typed("Ordine", JetType::Integer),
                    text("Tracciato", 30),
                    text("Ordinamento", 1),
                    text("Selezione", 1)};
        return {id, text("Indice", 30), text("Ordine", 60)};
    }
    void rows(const QString &table, const RowSink &sink) override
    {
        const QDateTime day(QDate(2024, 3, 5), QTime(0, 0));
        if (table == u"Configurazione") {
            sink({QStringLiteral("Enoteca Da Nicolò"), 1.8});
        } else if (table == u"Schede") {
            for (int i = 1; i <= m_cards; ++i) {
                QVariantList row{i,
                                 QString::number(8000000000000LL + i),
                                 QStringLiteral("Château Müller N°%1").arg(i),
                                 QStringLiteral("Nebbiolo"),
                                 QStringLiteral("2016"),
                                 QStringLiteral("14,5")};
                for (int k = 0; k < 7; ++k)
                    row.append(QStringLiteral("Valore %1 è %2").arg(k).arg(i % 40));
                row.append(QStringLiteral("A%1").arg(i % 100));
                row.append({double(i % 24), 12.5, 1.5, 18.75, 4.0, i % 2 == 0, day.addDays(-i % 300),
                            i % 3 ? QVariant(QDateTime()) : QVariant(day.addYears(5)), 6.0,
                            QStringLiteral("Profumo intenso, note di viola e liquirizia"), 8.0, 7.5, 9.0,
                            QVariant()});
                sink(row);
            }
        } else if (table == u"Giornale") {
            for (int i = 1; i <= m_lines; ++i)
                sink({i, i % 2 ? QStringLiteral("C") : QStringLiteral("S"), day.addDays(i / 50),
                      QString::number(8000000000000LL + i % m_cards), QStringLiteral("Château Müller"),
                      QStringLiteral("2016"), double(i % 2 ? 6 : -1), 12.5, 18.75});
        } else if (table == u"Stampe") {
            for (int i = 1; i <= 6; ++i)
                sink({i, QStringLiteral("[STAMPA_%1]").arg(i), i, QStringLiteral("r%1.frf").arg(i),
                      QStringLiteral("*"), QStringLiteral("C")});
        } else {
            for (int i = 1; i <= 7; ++i)
                sink({i, QStringLiteral("[ORD_%1]").arg(i), QStringLiteral("[Descrizione]")});
        }
    }

private:
    int m_cards;
    int m_lines;
};

double medianMs(int rounds, const std::function<void()> &round)
{
    QList<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        round();
        times.append(double(timer.nsecsElapsed()) / 1.0e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int rounds = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 21;
    const QString sample = QStringLiteral(VINARY_SHARED_DIR "/fixtures/jet/jet4-sample.mdb");
    QTemporaryDir dir;
    const QString jet = dir.filePath(QStringLiteral("vinary.mdb"));
    if (!QFile::copy(sample, jet)) {
        out << "The Jet 4 sample is not at " << sample << "\n";
        return 1;
    }
    const QString target = dir.filePath(QStringLiteral("mdb000000.tmp"));
    out << "Jet 4 sample: " << QFileInfo(jet).size() << " bytes; median of " << rounds << " rounds\n";

    int rows = 0;
    const double read = medianMs(rounds, [&] {
        rows = 0;
        JetFile file(jet);
        for (const QString &table : file.tables()) {
            file.columns(table);
            file.rows(table, [&](const QVariantList &) { ++rows; });
        }
    });
    out << QStringLiteral("  open and read every table (%1 rows):    %2 ms\n").arg(rows).arg(read, 0, 'f', 2);

    const double all = medianMs(rounds, [&] {
        QFile::remove(target);
        JetFile file(jet);
        convertToSqlite(file, target, CellarSchema());
    });
    out << QStringLiteral("  convert every table into SQLite:        %1 ms\n").arg(all, 0, 'f', 2);

    QString message;
    const double cellar = medianMs(rounds, [&] {
        QFile::remove(target);
        try {
            convertJetFile(jet, target);
        } catch (const vinary::VinaryError &e) {
            message = e.message();
        }
    });
    out << QStringLiteral("  cellar migration, refused at the check: %1 ms\n").arg(cellar, 0, 'f', 2);
    out << "    (" << message << ")\n";

    const int cards = 5000;
    const int lines = 50000;
    const double generated = medianMs(qMax(1, rounds / 4), [&] {
        QFile::remove(target);
        GeneratedCellar source(cards, lines);
        convertToSqlite(source, target);
    });
    out << QStringLiteral("Cellar of %1 cards and %2 journal lines from memory into SQLite: %3 ms\n")
               .arg(cards)
               .arg(lines)
               .arg(generated, 0, 'f', 1);
    return 0;
}
