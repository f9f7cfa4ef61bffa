// The program's windows as the user manual shows them: a sample cellar in each delivered language,
// every window opened through the main window's menu as a user would, checked for its caption in
// that language and for a start without errors. With VINARY_SCREENSHOT_DIR set it also saves the
// pictures the manual uses (scripts/manual-screenshots); VINARY_SCREENSHOT_LANGS (for example
// "en it") limits which languages are saved, VINARY_SCREENSHOT_ONLY (for example "main") which
// pictures.

#include "app/infofrm.h"
#include "app/mainform.h"
#include "app/splash.h"
#include "app/startup.h"
#include "language/languagetable.h"
#include "modalwatch.h"
#include "nosplashwait.h"
#include "programdir.h"
#include "stock/manutefrm.h"
#include "tests/support/recordingerrorbox.h"
#include "widgets/numberbox.h"

#include <QAbstractButton>
#include <QDir>
#include <QHash>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;
using namespace vinary;
using vinary::testing::closeModal;
using vinary::testing::NoSplashWait;
using vinary::testing::ProgramDir;
using vinary::testing::watchModal;
using vinary::testing::withModal;

namespace
{

// The words of the sample cellar that are not names, in the language of the pictures.
struct Words {
    QString red, white, sparkling, sweet;
    QString stillRed, stillWhite, classic, passito;
    QString bottle, magnum, half;
    QString owner;
    QString tasting, notes;
};

Words wordsFor(const QString &lang)
{
    if (lang == u"it"_s)
        return {u"Rossi"_s,
                u"Bianchi"_s,
                u"Spumanti"_s,
                u"Dolci"_s,
                u"Rosso fermo"_s,
                u"Bianco fermo"_s,
                u"Metodo classico"_s,
                u"Passito"_s,
                u"Bottiglia 0,75 l"_s,
                u"Magnum 1,5 l"_s,
                u"Mezza 0,375 l"_s,
                u"Enoteca Il Grappolo"_s,
                u"Ciliegia matura, spezie dolci, tannino vellutato; lunga chiusura."_s,
                u"Da aprire un'ora prima. Ottimo con brasati e formaggi stagionati."_s};
    if (lang == u"fr"_s)
        return {u"Rouges"_s,
                u"Blancs"_s,
                u"Effervescents"_s,
                u"Liquoreux"_s,
                u"Rouge tranquille"_s,
                u"Blanc tranquille"_s,
                u"Méthode traditionnelle"_s,
                u"Passerillé"_s,
                u"Bouteille 0,75 l"_s,
                u"Magnum 1,5 l"_s,
                u"Demi 0,375 l"_s,
                u"Cave La Grappe"_s,
                u"Cerise mûre, épices douces, tanins veloutés ; finale longue."_s,
                u"Ouvrir une heure avant. Parfait avec les viandes braisées."_s};
    if (lang == u"de"_s)
        return {u"Rotweine"_s,
                u"Weißweine"_s,
                u"Schaumweine"_s,
                u"Süßweine"_s,
                u"Stiller Rotwein"_s,
                u"Stiller Weißwein"_s,
                u"Flaschengärung"_s,
                u"Passito"_s,
                u"Flasche 0,75 l"_s,
                u"Magnum 1,5 l"_s,
                u"Halbe 0,375 l"_s,
                u"Weinhandlung Zur Traube"_s,
                u"Reife Kirsche, süße Gewürze, samtiges Tannin; langer Abgang."_s,
                u"Eine Stunde vorher öffnen. Passt zu Schmorgerichten."_s};
    if (lang == u"es"_s)
        return {u"Tintos"_s,
                u"Blancos"_s,
                u"Espumosos"_s,
                u"Dulces"_s,
                u"Tinto tranquilo"_s,
                u"Blanco tranquilo"_s,
                u"Método tradicional"_s,
                u"Pasificado"_s,
                u"Botella 0,75 l"_s,
                u"Mágnum 1,5 l"_s,
                u"Media 0,375 l"_s,
                u"Vinoteca La Uva"_s,
                u"Cereza madura, especias dulces, tanino aterciopelado; final largo."_s,
                u"Abrir una hora antes. Ideal con guisos y quesos curados."_s};
    return {u"Reds"_s,
            u"Whites"_s,
            u"Sparkling"_s,
            u"Sweet"_s,
            u"Still red"_s,
            u"Still white"_s,
            u"Traditional method"_s,
            u"Dried-grape"_s,
            u"Bottle 0.75 l"_s,
            u"Magnum 1.5 l"_s,
            u"Half 0.375 l"_s,
            u"The Grape Wine Shop"_s,
            u"Ripe cherry, sweet spice, velvety tannins; a long finish."_s,
            u"Open an hour before serving. Lovely with braised meat and aged cheese."_s};
}

QString quoted(const QString &text)
{
    QString q = text;
    return u'\'' + q.replace(u'\'', u"''"_s) + u'\'';
}

// A cellar of a wine shop: cards of every kind, a few below their reorder level, some movements.
QString sampleCellarSql(const Words &w)
{
    struct Wine {
        const char *code, *name, *grapes, *year, *alcohol, *producer, *supplier, *zone, *region;
        int group, type, container;
        const char *place;
        double stock, cost, markup, glass;
        bool list;
        const char *lastLoad, *due;
        double reorder;
        bool featured;
        double p1, p2, p3;
    };
    // group: 0 red, 1 white, 2 sparkling, 3 sweet; type: 0 still red, 1 still white, 2 classic,
    // 3 passito; container: 0 bottle, 1 magnum, 2 half.
    const Wine wines[] = {
        {"AM-2016",
         "Amarone della Valpolicella Classico",
         "Corvina, Rondinella, Molinara",
         "2016",
         "15.5",
         "Cantina dei Colli Alti",
         "Vini Rossi Distribuzione",
         "Valpolicella",
         "Veneto",
         0,
         0,
         0,
         "A-01",
         18,
         31.5,
         2,
         9,
         true,
         "2024-03-14",
         "2030-12-31",
         6,
         true,
         9,
         8,
         9},
        {"BA-2017",
         "Barolo",
         "Nebbiolo",
         "2017",
         "14.5",
         "Cascina Le Rocche",
         "Langhe Vini",
         "Langhe",
         "Piemonte",
         0,
         0,
         0,
         "A-02",
         12,
         28,
         2,
         8.5,
         true,
         "2024-02-02",
         "2032-12-31",
         6,
         false,
         9,
         9,
         8},
        {"BA-2015M",
         "Barolo Riserva",
         "Nebbiolo",
         "2015",
         "14.5",
         "Cascina Le Rocche",
         "Langhe Vini",
         "Langhe",
         "Piemonte",
         0,
         0,
         1,
         "A-03",
         2,
         74,
         2,
         0,
         false,
         "2023-11-20",
         "2035-12-31",
         1,
         false,
         10,
         9,
         9},
        {"BR-2018",
         "Brunello di Montalcino",
         "Sangiovese",
         "2018",
         "14.5",
         "Tenuta San Lorenzo",
         "Enoteca Toscana",
         "Montalcino",
         "Toscana",
         0,
         0,
         0,
         "A-04",
         9,
         33,
         2,
         9.5,
         true,
         "2024-01-18",
         "2033-12-31",
         6,
         false,
         9,
         8,
         9},
        {"CC-2020",
         "Chianti Classico",
         "Sangiovese, Canaiolo",
         "2020",
         "13.5",
         "Fattoria Poggio ai Venti",
         "Enoteca Toscana",
         "Chianti",
         "Toscana",
         0,
         0,
         0,
         "B-01",
         36,
         9.8,
         3,
         5,
         true,
         "2024-04-05",
         "2026-12-31",
         12,
         false,
         7,
         7,
         8},
        {"NA-2019",
         "Nero d'Avola",
         "Nero d'Avola",
         "2019",
         "13.5",
         "Baglio del Sole",
         "Vini del Sud",
         "Noto",
         "Sicilia",
         0,
         0,
         0,
         "B-02",
         4,
         7.2,
         3,
         4,
         true,
         "2023-12-10",
         "2025-12-31",
         12,
         false,
         7,
         7,
         8},
        {"RI-2016",
         "Rioja Gran Reserva",
         "Tempranillo, Graciano",
         "2016",
         "14",
         "Bodegas Monte Viejo",
         "Importazioni Iberia",
         "Rioja Alta",
         "La Rioja",
         0,
         0,
         0,
         "B-03",
         10,
         18.5,
         2,
         0,
         false,
         "2024-02-20",
         "2031-12-31",
         6,
         false,
         8,
         8,
         8},
        {"CH-2021",
         "Chablis Premier Cru",
         "Chardonnay",
         "2021",
         "12.5",
         "Domaine des Trois Chênes",
         "Vins de France",
         "Chablis",
         "Bourgogne",
         1,
         1,
         0,
         "C-01",
         15,
         21,
         2,
         7,
         true,
         "2024-03-01",
         "2027-12-31",
         6,
         false,
         8,
         8,
         8},
        {"GA-2022",
         "Gavi di Gavi",
         "Cortese",
         "2022",
         "12.5",
         "Cascina Le Rocche",
         "Langhe Vini",
         "Gavi",
         "Piemonte",
         1,
         1,
         0,
         "C-02",
         24,
         8.9,
         3,
         4.5,
         true,
         "2024-04-10",
         "2025-12-31",
         12,
         false,
         7,
         7,
         8},
        {"RS-2020",
         "Riesling Spätlese",
         "Riesling",
         "2020",
         "8.5",
         "Weingut Am Steilhang",
         "Weinimport Nord",
         "Mosel",
         "Mosel",
         1,
         1,
         0,
         "C-03",
         3,
         16,
         2,
         0,
         false,
         "2023-10-02",
         "2030-12-31",
         6,
         false,
         8,
         9,
         9},
        {"FR-NV",
         "Franciacorta Brut",
         "Chardonnay, Pinot nero",
         "",
         "12.5",
         "Villa delle Bollicine",
         "Vini Lombardi",
         "Franciacorta",
         "Lombardia",
         2,
         2,
         0,
         "D-01",
         20,
         17,
         2,
         6,
         true,
         "2024-03-22",
         "2026-12-31",
         12,
         false,
         8,
         8,
         8},
        {"CP-NV",
         "Champagne Brut Réserve",
         "Chardonnay, Pinot noir, Meunier",
         "",
         "12",
         "Maison Aubertin",
         "Vins de France",
         "Montagne de Reims",
         "Champagne",
         2,
         2,
         1,
         "D-02",
         3,
         62,
         2,
         0,
         false,
         "2023-12-15",
         "2027-12-31",
         2,
         false,
         9,
         8,
         9},
        {"PA-2019",
         "Passito di Pantelleria",
         "Zibibbo",
         "2019",
         "14",
         "Baglio del Sole",
         "Vini del Sud",
         "Pantelleria",
         "Sicilia",
         3,
         3,
         2,
         "E-01",
         8,
         19,
         2,
         6.5,
         true,
         "2024-01-09",
         "2034-12-31",
         4,
         false,
         8,
         9,
         9},
    };
    const QStringList groups = {w.red, w.white, w.sparkling, w.sweet};
    const QStringList types = {w.stillRed, w.stillWhite, w.classic, w.passito};
    const QStringList containers = {w.bottle, w.magnum, w.half};

    QString sql = u"UPDATE Configurazione SET Utente = %1, Ricarico = 2;\n"_s.arg(quoted(w.owner));
    for (const Wine &v : wines) {
        const double sale = std::round(v.cost * v.markup * 2) / 2;
        sql += u"INSERT INTO Schede (Codice, Descrizione, Composizione, Anno, Gradi, Produttore, Fornitore, "
               "Zona, Regione, Gruppo, Tipologia, Capacita, Collocazione, Quantita, Prezzo_Acq, Ricarico, "
               "Prezzo_Ven, Prezzo_Bic, Incarta, Ultimo_carico, Scadenza, Scorta, Degustazione, Punti1, "
               "Punti2, Punti3, Note) VALUES ("_s;
        const QStringList values = {
            quoted(QString::fromUtf8(v.code)),
            quoted(QString::fromUtf8(v.name)),
            quoted(QString::fromUtf8(v.grapes)),
            quoted(QString::fromUtf8(v.year)),
            quoted(QString::fromUtf8(v.alcohol)),
            quoted(QString::fromUtf8(v.producer)),
            quoted(QString::fromUtf8(v.supplier)),
            quoted(QString::fromUtf8(v.zone)),
            quoted(QString::fromUtf8(v.region)),
            quoted(groups.at(v.group)),
            quoted(types.at(v.type)),
            quoted(containers.at(v.container)),
            quoted(QString::fromUtf8(v.place)),
            QString::number(v.stock),
            QString::number(v.cost),
            QString::number(v.markup),
            QString::number(sale),
            v.glass > 0 ? QString::number(v.glass) : u"NULL"_s,
            v.list ? u"1"_s : u"0"_s,
            quoted(QString::fromUtf8(v.lastLoad) + u" 00:00:00"_s),
            quoted(QString::fromUtf8(v.due) + u" 00:00:00"_s),
            QString::number(v.reorder),
            v.featured ? quoted(w.tasting) : u"NULL"_s,
            QString::number(v.p1),
            QString::number(v.p2),
            QString::number(v.p3),
            v.featured ? quoted(w.notes) : u"NULL"_s,
        };
        sql += values.join(u", "_s) + u");\n"_s;
    }
    sql += uR"sql(
INSERT INTO Giornale (Causale, Data, Codice, Descrizione, Anno, Quantita, Prezzo_acq, Prezzo_ven) VALUES
    ('C', '2024-01-09 00:00:00', 'PA-2019', 'Passito di Pantelleria', '2019', 12, 19, 38),
    ('C', '2024-01-18 00:00:00', 'BR-2018', 'Brunello di Montalcino', '2018', 12, 33, 59.5),
    ('S', '2024-01-27 00:00:00', 'PA-2019', 'Passito di Pantelleria', '2019', -4, 19, 38),
    ('C', '2024-02-02 00:00:00', 'BA-2017', 'Barolo', '2017', 12, 28, 53),
    ('S', '2024-02-14 00:00:00', 'BR-2018', 'Brunello di Montalcino', '2018', -3, 33, 59.5),
    ('C', '2024-02-20 00:00:00', 'RI-2016', 'Rioja Gran Reserva', '2016', 12, 18.5, 37),
    ('C', '2024-03-01 00:00:00', 'CH-2021', 'Chablis Premier Cru', '2021', 18, 21, 40),
    ('C', '2024-03-14 00:00:00', 'AM-2016', 'Amarone della Valpolicella Classico', '2016', 18, 31.5, 56.5),
    ('S', '2024-03-16 00:00:00', 'CH-2021', 'Chablis Premier Cru', '2021', -3, 21, 40),
    ('C', '2024-03-22 00:00:00', 'FR-NV', 'Franciacorta Brut', '', 24, 17, 34),
    ('S', '2024-03-30 00:00:00', 'FR-NV', 'Franciacorta Brut', '', -4, 17, 34),
    ('C', '2024-04-05 00:00:00', 'CC-2020', 'Chianti Classico', '2020', 36, 9.8, 21.5),
    ('C', '2024-04-10 00:00:00', 'GA-2022', 'Gavi di Gavi', '2022', 24, 8.9, 19.5),
    ('S', '2024-04-12 00:00:00', 'RI-2016', 'Rioja Gran Reserva', '2016', -2, 18.5, 37);
)sql"_s;
    return sql;
}

// A shop's spreadsheet saved as CSV in the language's own way: a column Vinary does not know, a
// price that is not a number, a code too long for its field, dates in the short format and in ISO.
QByteArray sampleCsv(const QString &lang)
{
    const char *text = nullptr;
    if (lang == u"it"_s)
        text = "Codice;Descrizione;Note interne;Annata;Produttore;Regione;"
               "Giacenza;Prezzo d'acquisto;Prezzo di vendita;Da bere entro\r\n"
               "VE-2021;Vermentino di Gallura Superiore;scaffale alto;"
               "2021;Cantina del Vento;Sardegna;24;9,80;19,50;31/12/2025\r\n"
               "LA-2020;Lagrein Riserva;;2020;Kellerei Bergfeld;"
               "Alto Adige;12;14,20;28,00;31/12/2028\r\n"
               "TA-2016;Taurasi;da verificare;2016;"
               "\"Feudi dell'Irpinia; Avellino\";Campania;6;dodici;44,00;31/12/2032\r\n"
               "SOAVE-CLASSICO-22;Soave Classico;;2022;"
               "Cantina di Monteforte;Veneto;18;7,40;15,00;2026-12-31\r\n"
               "MO-2019;Montepulciano d'Abruzzo;;2019;"
               "Fattoria Colle Alto;Abruzzo;36;6,90;;31/12/2027\r\n";
    else if (lang == u"fr"_s)
        text = "Code;Description;Note de rayon;Millésime;Producteur;"
               "Région;En stock;Prix d'achat;Prix de vente;À boire avant\r\n"
               "VE-2021;Vermentino di Gallura Superiore;étagère du haut;"
               "2021;Cantina del Vento;Sardegna;24;9,80;19,50;31/12/2025\r\n"
               "LA-2020;Lagrein Riserva;;2020;Kellerei Bergfeld;"
               "Alto Adige;12;14,20;28,00;31/12/2028\r\n"
               "TA-2016;Taurasi;à vérifier;2016;"
               "\"Feudi dell'Irpinia; Avellino\";Campania;6;douze;44,00;31/12/2032\r\n"
               "SOAVE-CLASSICO-22;Soave Classico;;2022;"
               "Cantina di Monteforte;Veneto;18;7,40;15,00;2026-12-31\r\n"
               "MO-2019;Montepulciano d'Abruzzo;;2019;"
               "Fattoria Colle Alto;Abruzzo;36;6,90;;31/12/2027\r\n";
    else if (lang == u"de"_s)
        text = "Code;Bezeichnung;Regalnotiz;Jahrgang;Erzeuger;Region;"
               "Bestand;Einkaufspreis;Verkaufspreis;Trinken bis\r\n"
               "VE-2021;Vermentino di Gallura Superiore;oberes Regal;"
               "2021;Cantina del Vento;Sardegna;24;9,80;19,50;31.12.2025\r\n"
               "LA-2020;Lagrein Riserva;;2020;Kellerei Bergfeld;"
               "Alto Adige;12;14,20;28,00;31.12.2028\r\n"
               "TA-2016;Taurasi;prüfen;2016;"
               "\"Feudi dell'Irpinia; Avellino\";Campania;6;zwölf;44,00;31.12.2032\r\n"
               "SOAVE-CLASSICO-22;Soave Classico;;2022;"
               "Cantina di Monteforte;Veneto;18;7,40;15,00;2026-12-31\r\n"
               "MO-2019;Montepulciano d'Abruzzo;;2019;"
               "Fattoria Colle Alto;Abruzzo;36;6,90;;31.12.2027\r\n";
    else if (lang == u"es"_s)
        text = "Código;Descripción;Nota de estante;Añada;Productor;Región;"
               "Existencias;Precio de compra;Precio de venta;Consumir antes de\r\n"
               "VE-2021;Vermentino di Gallura Superiore;estante alto;"
               "2021;Cantina del Vento;Sardegna;24;9,80;19,50;31/12/2025\r\n"
               "LA-2020;Lagrein Riserva;;2020;Kellerei Bergfeld;"
               "Alto Adige;12;14,20;28,00;31/12/2028\r\n"
               "TA-2016;Taurasi;por revisar;2016;"
               "\"Feudi dell'Irpinia; Avellino\";Campania;6;doce;44,00;31/12/2032\r\n"
               "SOAVE-CLASSICO-22;Soave Classico;;2022;"
               "Cantina di Monteforte;Veneto;18;7,40;15,00;2026-12-31\r\n"
               "MO-2019;Montepulciano d'Abruzzo;;2019;"
               "Fattoria Colle Alto;Abruzzo;36;6,90;;31/12/2027\r\n";
    else
        text = "Code,Description,Shelf note,Vintage,Producer,"
               "Region,In stock,Purchase price,Sale price,Drink by\r\n"
               "VE-2021,Vermentino di Gallura Superiore,top shelf,2021,"
               "Cantina del Vento,Sardegna,24,9.80,19.50,31/12/2025\r\n"
               "LA-2020,Lagrein Riserva,,2020,Kellerei Bergfeld,"
               "Alto Adige,12,14.20,28.00,31/12/2028\r\n"
               "TA-2016,Taurasi,to check,2016,"
               "\"Feudi dell'Irpinia, Avellino\",Campania,6,twelve,44.00,31/12/2032\r\n"
               "SOAVE-CLASSICO-22,Soave Classico,,2022,"
               "Cantina di Monteforte,Veneto,18,7.40,15.00,2026-12-31\r\n"
               "MO-2019,Montepulciano d'Abruzzo,,2019,"
               "Fattoria Colle Alto,Abruzzo,36,6.90,,31/12/2027\r\n";
    return QByteArray(text);
}

// Dated copies of the sample cellar as earlier starts would have left them, the older ones with
// fewer journal lines and cards; the start adds today's.
bool keepEarlierCopies(const ProgramDir &dir)
{
    if (!QDir(dir.path()).mkpath(u"backup"_s))
        return false;
    const QDateTime now = QDateTime::currentDateTime();
    const struct {
        int daysAgo;
        const char *time;
        int journalLines;
        const char *dropCards;
    } copies[] = {{1, "085412", 13, ""},         {2, "091030", 12, ""},
                  {3, "083705", 11, ""},         {5, "090118", 9, ""},
                  {9, "084940", 6, "'GA-2022'"}, {16, "092251", 4, "'GA-2022', 'CC-2020'"}};
    for (const auto &c : copies) {
        const QString name = dir.file(u"backup/vinary-%1-%2.mdb"_s.arg(
            now.date().addDays(-c.daysAgo).toString(u"yyyy-MM-dd"_s), QString::fromLatin1(c.time)));
        if (!QFile::copy(dir.database(), name))
            return false;
        QString sql =
            u"DELETE FROM Giornale WHERE ID NOT IN (SELECT ID FROM Giornale ORDER BY ID LIMIT %1);"_s.arg(
                c.journalLines);
        if (*c.dropCards)
            sql += u"DELETE FROM Schede WHERE Codice IN (%1);"_s.arg(QString::fromLatin1(c.dropCards));
        if (!vinary::testing::runSql(name, sql))
            return false;
    }
    return true;
}

// A plain window frame around a grab: the caption bar the desktop would draw, so that the manual
// shows each window with its title.
QImage framed(QWidget *window, const QImage &content)
{
    constexpr int kBar = 24;
    const qreal ratio = content.devicePixelRatio();
    const QSize size = content.deviceIndependentSize().toSize();
    QImage image(QSize(size.width() + 2, size.height() + kBar + 1) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(0x6b, 0x6b, 0x6b));
    QPainter painter(&image);
    QLinearGradient bar(0, 0, 0, kBar);
    bar.setColorAt(0, QColor(0x5a, 0x1a, 0x2c));
    bar.setColorAt(1, QColor(0x3e, 0x0b, 0x1d));
    painter.fillRect(QRect(1, 1, size.width(), kBar - 1), bar);
    QFont font = window->font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0xf7, 0xec, 0xd2));
    painter.drawText(QRect(10, 1, size.width() - 40, kBar - 1), Qt::AlignVCenter | Qt::AlignLeft,
                     window->windowTitle());
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF cross(size.width() - 14, kBar / 2.0);
    painter.setPen(QPen(QColor(0xf7, 0xec, 0xd2), 1.6));
    painter.drawLine(cross + QPointF(-4, -4), cross + QPointF(4, 4));
    painter.drawLine(cross + QPointF(-4, 4), cross + QPointF(4, -4));
    painter.drawImage(QPoint(1, kBar), content);
    return image;
}

// The picture in at most 256 colours, the most frequent ones, each other colour drawn in its
// nearest: windows are mostly flat colours, so this keeps them sharp at a quarter of the size.
QImage reducedColours(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, qsizetype> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ++counts[line[x] | 0xff000000u];
    }
    QList<QPair<qsizetype, QRgb>> byUse;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byUse.append({it.value(), it.key()});
    std::sort(byUse.begin(), byUse.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    QList<QRgb> palette;
    for (qsizetype i = 0; i < qMin<qsizetype>(256, byUse.size()); ++i)
        palette.append(byUse.at(i).second);
    const auto distance = [](QRgb a, QRgb b) {
        const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
        return 2 * r * r + 4 * g * g + bl * bl;
    };
    QHash<QRgb, int> nearest;
    QImage reduced(image.size(), QImage::Format_Indexed8);
    reduced.setColorTable(palette);
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uchar *out = reduced.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = line[x] | 0xff000000u;
            auto found = nearest.constFind(colour);
            if (found == nearest.cend()) {
                int best = 0;
                for (int i = 1; i < palette.size(); ++i) {
                    if (distance(colour, palette.at(i)) < distance(colour, palette.at(best)))
                        best = i;
                }
                found = nearest.insert(colour, best);
            }
            out[x] = static_cast<uchar>(*found);
        }
    }
    return reduced;
}

QImage grabbed(QWidget *window)
{
    return framed(window, window->grab().toImage());
}

template <typename T> T *child(QWidget *window, const QString &name)
{
    return window->findChild<T *>(name);
}

} // namespace

class TestManualScreens : public QObject
{
    Q_OBJECT

private slots:
    void windowsOfTheManual_data();
    void windowsOfTheManual();

private:
    void save(const QString &name, const QImage &image);

    QString m_lang;
    QStringList m_saved;
};

void TestManualScreens::save(const QString &name, const QImage &image)
{
    const QString dir = qEnvironmentVariable("VINARY_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    const QStringList langs = qEnvironmentVariable("VINARY_SCREENSHOT_LANGS").split(u' ', Qt::SkipEmptyParts);
    if (!langs.isEmpty() && !langs.contains(m_lang))
        return;
    const QStringList only = qEnvironmentVariable("VINARY_SCREENSHOT_ONLY").split(u' ', Qt::SkipEmptyParts);
    if (!only.isEmpty() && !only.contains(name))
        return;
    QDir().mkpath(dir);
    QImageWriter writer(dir + u'/' + name + u'-' + m_lang + u".png"_s, "png");
    writer.setQuality(0); // the smallest file
    QImage flat = reducedColours(image);
    flat.setDevicePixelRatio(1);
    QVERIFY2(writer.write(flat), qPrintable(writer.errorString()));
}

void TestManualScreens::windowsOfTheManual_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("file");
    QTest::newRow("en") << u"en"_s << u"english.lng"_s;
    QTest::newRow("it") << u"it"_s << u"italiano.lng"_s;
    QTest::newRow("fr") << u"fr"_s << u"francais.lng"_s;
    QTest::newRow("de") << u"de"_s << u"deutsch.lng"_s;
    QTest::newRow("es") << u"es"_s << u"espanol.lng"_s;
}

void TestManualScreens::windowsOfTheManual()
{
    QFETCH(QString, lang);
    QFETCH(QString, file);
    m_lang = lang;
    const QString resources = QStringLiteral(VINARY_SOURCE_DIR "/resources/");
    LanguageTable language;
    language.load(resources + u"language/"_s + file);
    const auto tr = [&](const char *key) { return language.traduci(QString::fromLatin1(key)); };

    ProgramDir dir;
    QVERIFY(dir.createDatabase(sampleCellarSql(wordsFor(lang))));
    QVERIFY(QFile::copy(resources + u"language/"_s + file, dir.file(u"language.ini"_s)));
    const QStringList templates = QDir(resources + u"reports"_s).entryList({u"*.frf"_s});
    for (const QString &t : templates)
        QVERIFY(QFile::copy(resources + u"reports/"_s + t, dir.file(t)));
    QVERIFY(QDir(dir.path()).mkdir(u"archivi"_s));
    QVERIFY(keepEarlierCopies(dir));
    const QString csv = dir.file(u"vini.csv"_s);
    QVERIFY(vinary::testing::writeAll(csv, sampleCsv(lang)));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    NoSplashWait noWait;

    // The splash as start-up shows it, translated.
    {
        TSplashForm splash;
        for (QLabel *label : {splash.Label1, splash.Label2, splash.Label4})
            label->setText(language.traduci(label->text()));
        splash.showSplash();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        save(u"splash"_s, splash.grab().toImage());
        splash.hideSplash();
    }

    Forms &f = createForms();
    TMainForm *main = f.MainForm;
    QCOMPARE(errors.messages(), QStringList());
    main->resize(708, 400);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    QCOMPARE(main->windowTitle(), tr("[TITOLO]") + u" - "_s + wordsFor(lang).owner);

    // The main window with its help menu open.
    {
        QMenuBar *bar = main->menuBar();
        const QRect item = bar->actionGeometry(main->Aiuto1->menuAction());
        main->Aiuto1->popup(bar->mapToGlobal(item.bottomLeft()));
        QVERIFY(QTest::qWaitForWindowExposed(main->Aiuto1));
        QImage image = grabbed(main);
        {
            QPainter painter(&image);
            const QPoint at = main->mapFromGlobal(main->Aiuto1->pos()) + QPoint(1, 24);
            painter.drawPixmap(at, main->Aiuto1->grab());
            painter.setPen(QColor(0x80, 0x80, 0x80));
            painter.drawRect(QRect(at, main->Aiuto1->size()).adjusted(0, 0, -1, -1));
        }
        main->Aiuto1->hide();
        save(u"main"_s, image);
    }

    // The catalogue: the card page, a card being changed, the list page.
    const bool catalogue = withModal([&] { main->Archivio->trigger(); },
                                     [&](QWidget *w) {
                                         QCOMPARE(w->objectName(), u"frmVinary"_s);
                                         QCOMPARE(w->windowTitle(), tr("[TITOLO]"));
                                         save(u"catalogue-card"_s, grabbed(w));
                                         if (auto *modify = child<QAbstractButton>(w, u"btnModify"_s)) {
                                             modify->click();
                                             if (auto *price = child<QWidget>(w, u"EditPrezzoVen"_s))
                                                 price->setFocus();
                                             save(u"catalogue-edit"_s, grabbed(w));
                                             if (auto *cancel = child<QAbstractButton>(w, u"btnAnnulla"_s))
                                                 cancel->click();
                                         }
                                         if (auto *list = child<QAbstractButton>(w, u"btnfind"_s)) {
                                             list->click();
                                             QCoreApplication::processEvents();
                                             save(u"catalogue-list"_s, grabbed(w));
                                         }
                                         closeModal(w);
                                     });
    QVERIFY(catalogue);

    // Loads and unloads: a search that leaves one wine, with its prices and a quantity of one.
    const bool movements = withModal([&] { main->Movimenti->trigger(); },
                                     [&](QWidget *w) {
                                         QCOMPARE(w->objectName(), u"frmInOut"_s);
                                         QCOMPARE(w->windowTitle(), tr("[MOVIMENTI]"));
                                         if (auto *search = child<QLineEdit>(w, u"ckdescrizione"_s)) {
                                             QTest::keyClicks(search, u"barolo r"_s);
                                             QCoreApplication::processEvents();
                                         }
                                         save(u"movements"_s, grabbed(w));
                                         closeModal(w);
                                     });
    QVERIFY(movements);

    // Maintenance, the import of a spreadsheet's wines and the list of dated copies.
    const bool maintenance = withModal(
        [&] { main->Manutenzione1->trigger(); },
        [&](QWidget *w) {
            QCOMPARE(w->objectName(), u"ManutenzioneForm"_s);
            QCOMPARE(w->windowTitle(), tr("[MANUTENZIONE]"));
            save(u"maintenance"_s, grabbed(w));
            if (auto *form = qobject_cast<TManutenzioneForm *>(w))
                form->setImportFileChooser([&](QWidget *) { return csv; });
            for (const char *name : {"btnImporta", "btnRipristina"}) {
                auto *button = child<QAbstractButton>(w, QString::fromLatin1(name));
                if (!button)
                    continue;
                withModal([&] { button->click(); },
                          [&](QWidget *dialog) {
                              save(dialog->objectName() == u"ImportForm"_s ? u"import"_s : u"restore"_s,
                                   grabbed(dialog));
                              closeModal(dialog);
                          });
            }
            closeModal(w);
        });
    QVERIFY(maintenance);

    // The about box.
    const bool about = withModal([&] { main->Informazioni1->trigger(); },
                                 [&](QWidget *w) {
                                     QCOMPARE(w, static_cast<QWidget *>(f.frmInfo));
                                     QCOMPARE(w->windowTitle(), tr("[INFORMAZIONI]"));
                                     save(u"about"_s, grabbed(w));
                                     f.frmInfo->OKButton->click();
                                 });
    QVERIFY(about);

    // A catalogue report: the selection dialog, then the preview.
    const QList<QAction *> reports = main->printItems();
    QVERIFY(!reports.isEmpty());
    QCOMPARE(reports.first()->text(), tr("[STAMPA_CATALOGO]"));
    auto previewed = std::make_shared<bool>(false);
    const bool selection = withModal([&] { reports.first()->trigger(); },
                                     [&](QWidget *w) {
                                         QCOMPARE(w->objectName(), u"SelezioneForm"_s);
                                         QCOMPARE(w->windowTitle(), tr("[SELEZIONE]"));
                                         save(u"selection"_s, grabbed(w));
                                         auto *confirm = child<QAbstractButton>(w, u"BitBtn1"_s);
                                         if (!confirm) {
                                             closeModal(w);
                                             return;
                                         }
                                         // The preview comes once the dialog's own loop has ended.
                                         watchModal(
                                             w,
                                             [&](QWidget *preview) {
                                                 preview->showNormal();
                                                 preview->resize(760, 560);
                                                 QCoreApplication::processEvents();
                                                 save(u"preview"_s, grabbed(preview));
                                                 closeModal(preview);
                                             },
                                             previewed);
                                         confirm->click();
                                     });
    QVERIFY(selection);
    if (!*previewed)
        qWarning("no report preview came after the selection dialog");

    // The journal report's page of the selection dialog.
    if (reports.size() >= 6) {
        withModal([&] { reports.at(5)->trigger(); },
                  [&](QWidget *w) {
                      save(u"selection-journal"_s, grabbed(w));
                      closeModal(w);
                  });
    }

    // The layout designer, on the report run last.
    withModal([&] { main->Personalizzazionestampe1->trigger(); },
              [&](QWidget *w) {
                  w->showNormal();
                  w->resize(820, 560);
                  QCoreApplication::processEvents();
                  save(u"designer"_s, grabbed(w));
                  closeModal(w);
              });

    // Taking a movement back: a stock in and a stock out of today, then the list they are taken
    // back from. Last, as the movements change the cellar the other pictures show.
    withModal([&] { main->Movimenti->trigger(); },
              [&](QWidget *w) {
                  auto *search = child<QLineEdit>(w, u"ckdescrizione"_s);
                  auto *quantity = child<NumberBox>(w, u"Quant"_s);
                  const struct {
                      const char16_t *search;
                      double quantity;
                      const char16_t *button;
                  } moves[] = {{u"barolo r", 6, u"BitBtn1"}, {u"chianti", 2, u"BitBtn2"}};
                  for (const auto &move : moves) {
                      auto *button = child<QAbstractButton>(w, QString::fromUtf16(move.button));
                      if (!search || !quantity || !button)
                          break;
                      QTest::keyClicks(search, QString::fromUtf16(move.search));
                      QCoreApplication::processEvents();
                      quantity->setValue(move.quantity);
                      button->click();
                  }
                  if (auto *takeBack = child<QAbstractButton>(w, u"btnStorno"_s)) {
                      withModal([&] { takeBack->click(); },
                                [&](QWidget *dialog) {
                                    save(u"takeback"_s, grabbed(dialog));
                                    closeModal(dialog);
                                });
                  }
                  closeModal(w);
              });

    QCOMPARE(errors.messages(), QStringList());
    main->close();
    releaseForms();
}

QTEST_MAIN(TestManualScreens)
#include "test_manualscreens.moc"
