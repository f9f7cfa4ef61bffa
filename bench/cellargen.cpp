#include "bench/cellargen.h"
#include <QProcess>
#include <QRegularExpression>

#include <QDate>
#include <QFile>
#include <random>
#include <sqlite3.h>
#include <stdexcept>

namespace vinary::bench
{

namespace
{

void check(int rc, sqlite3 *db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

QByteArray schemaSql()
{
    QFile f(QStringLiteral(VINARY_SOURCE_DIR "/resources/db/vinary.sql"));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read resources/db/vinary.sql");
    return f.readAll();
}

} // namespace

void generateCellar(const QString &file, int cards, int lines, unsigned seed)
{
    QFile::remove(file);
    sqlite3 *db = nullptr;
    check(sqlite3_open(QFile::encodeName(file).constData(), &db), db);
    check(sqlite3_exec(db, schemaSql().constData(), nullptr, nullptr, nullptr), db);
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);

    std::mt19937 rng(seed);
    auto pick = [&rng](const std::vector<const char *> &list) { return list[rng() % list.size()]; };
    const std::vector<const char *> names = {"Barolo",
                                             "Barbaresco",
                                             "Brunello di Montalcino",
                                             "Chianti Classico",
                                             "Amarone della Valpolicella",
                                             "Soave",
                                             "Verdicchio",
                                             "Nero d'Avola",
                                             "Primitivo",
                                             "Taurasi",
                                             "Sagrantino",
                                             "Franciacorta",
                                             "Prosecco",
                                             "Lambrusco",
                                             "Vermentino",
                                             "Gewürztraminer",
                                             "Châteauneuf-du-Pape",
                                             "Rioja",
                                             "Riesling",
                                             "Côtes du Rhône"};
    const std::vector<const char *> styles = {"Riserva",    "Superiore", "Classico", "Gran Selezione",
                                              "Vigna Alta", "Bricco",    "Cru",      "Brut",
                                              "Extra Dry",  ""};
    const std::vector<const char *> producers = {
        "Cascina Rossi",     "Tenuta Bianchi", "Fattoria Verdi", "Cantina Sociale", "Poderi Colla",
        "Azienda Marchetti", "Domaine Morel",  "Bodegas Ruiz",   "Weingut Schäfer", "Castello di Monte"};
    const std::vector<const char *> suppliers = {"Enoteca Centrale", "Distribuzione Vini Srl",
                                                 "Import Export Sud", "Cantina diretta"};
    const std::vector<const char *> regions = {"Piemonte",   "Toscana",  "Veneto", "Sicilia",
                                               "Puglia",     "Campania", "Umbria", "Lombardia",
                                               "Alto Adige", "Francia",  "Spagna"};
    const std::vector<const char *> zones = {"Langhe",   "Montalcino", "Valpolicella", "Etna",
                                             "Salento",  "Irpinia",    "Montefalco",   "Franciacorta",
                                             "Bordeaux", "Rioja Alta"};
    const std::vector<const char *> groups = {"Rossi", "Bianchi", "Rosati", "Spumanti", "Dolci"};
    const std::vector<const char *> types = {"Rosso fermo",     "Bianco fermo", "Rosato",
                                             "Metodo classico", "Charmat",      "Passito"};
    const std::vector<const char *> sizes = {"0,75 l", "1,5 l", "0,375 l", "3 l"};
    const std::vector<const char *> grapes = {"Nebbiolo",   "Sangiovese", "Corvina",   "Garganega", "Glera",
                                              "Chardonnay", "Pinot Nero", "Aglianico", "Merlot",    "Syrah"};

    sqlite3_stmt *card = nullptr;
    check(sqlite3_prepare_v2(
              db,
              "INSERT INTO Schede (Codice, Descrizione, Composizione, Anno, Gradi, Produttore, Fornitore,"
              " Zona, Regione, Gruppo, Tipologia, Capacita, Collocazione, Quantita, Prezzo_Acq, Ricarico,"
              " Prezzo_Ven, Prezzo_Bic, Incarta, Ultimo_carico, Scadenza, Scorta, Degustazione, Punti1,"
              " Punti2, Punti3, Note) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
              -1, &card, nullptr),
          db);
    auto text = [](sqlite3_stmt *s, int i, const QByteArray &v) {
        sqlite3_bind_text(s, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    };
    for (int i = 0; i < cards; ++i) {
        const int year = 1990 + int(rng() % 35);
        const double price = 4.0 + double(rng() % 9600) / 100.0;
        QByteArray descr = QByteArray(pick(names)) + ' ' + pick(styles) + ' ' + QByteArray::number(year);
        text(card, 1, QByteArray::number(8000000000000LL + i));
        text(card, 2, descr.left(50));
        text(card, 3, pick(grapes));
        text(card, 4, QByteArray::number(year));
        text(card, 5, QByteArray::number(11 + int(rng() % 5)) + ",5");
        text(card, 6, pick(producers));
        text(card, 7, pick(suppliers));
        text(card, 8, pick(zones));
        text(card, 9, pick(regions));
        text(card, 10, pick(groups));
        text(card, 11, pick(types));
        text(card, 12, pick(sizes));
        text(card, 13, "R" + QByteArray::number(rng() % 40) + "-" + QByteArray::number(rng() % 12));
        sqlite3_bind_double(card, 14, double(rng() % 60));
        sqlite3_bind_double(card, 15, price);
        sqlite3_bind_double(card, 16, 2.0);
        sqlite3_bind_double(card, 17, price * 2.0);
        sqlite3_bind_double(card, 18, price / 3.0);
        sqlite3_bind_int(card, 19, int(rng() % 3 == 0));
        text(card, 20,
             QByteArray("2026-") + QByteArray::number(1 + rng() % 12).rightJustified(2, '0') +
                 "-15 00:00:00");
        if (rng() % 4)
            text(card, 21, QByteArray::number(2027 + rng() % 15) + "-06-30 00:00:00");
        else
            sqlite3_bind_null(card, 21);
        sqlite3_bind_double(card, 22, double(rng() % 12));
        text(card, 23, "Colore rubino, profumo di frutti rossi e spezie, tannino fine");
        sqlite3_bind_double(card, 24, double(80 + rng() % 20));
        sqlite3_bind_double(card, 25, double(80 + rng() % 20));
        sqlite3_bind_double(card, 26, double(80 + rng() % 20));
        text(card, 27,
             rng() % 100 == 0 ? QByteArray("Magnum in sconto per fine serie")
                              : QByteArray("Servire a 16 gradi"));
        check(sqlite3_step(card), db);
        sqlite3_reset(card);
    }
    sqlite3_finalize(card);

    sqlite3_stmt *line = nullptr;
    check(sqlite3_prepare_v2(
              db,
              "INSERT INTO Giornale (Causale, Data, Codice, Descrizione, Anno, Quantita, Prezzo_acq,"
              " Prezzo_ven) VALUES (?,?,?,?,?,?,?,?)",
              -1, &line, nullptr),
          db);
    for (int i = 0; i < lines; ++i) {
        const bool load = rng() % 3 != 0;
        // Lines are dated in insertion order, a few a day over the years.
        const int day = i / 60;
        const QDate date = QDate(2015, 1, 1).addDays(day);
        text(line, 1, load ? "C" : "S");
        text(line, 2, date.toString(QStringLiteral("yyyy-MM-dd 00:00:00")).toLatin1());
        text(line, 3, QByteArray::number(8000000000000LL + (cards ? int(rng() % unsigned(cards)) : 0)));
        text(line, 4, QByteArray(pick(names)).left(50));
        text(line, 5, QByteArray::number(1990 + rng() % 35));
        sqlite3_bind_double(line, 6, load ? double(1 + rng() % 12) : -double(1 + rng() % 6));
        sqlite3_bind_double(line, 7, 5.0 + double(rng() % 5000) / 100.0);
        sqlite3_bind_double(line, 8, 10.0 + double(rng() % 9000) / 100.0);
        check(sqlite3_step(line), db);
        sqlite3_reset(line);
    }
    sqlite3_finalize(line);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

double shellStatementMs(const QString &file, const QString &sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {file});
    p.waitForStarted();
    p.write(QStringLiteral(".timer on\n.once /dev/null\n%1;\n").arg(sql).toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral("Run Time: real ([0-9.]+)")).match(out);
    return m.hasMatch() ? m.captured(1).toDouble() * 1000.0 : -1.0;
}

long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace vinary::bench
