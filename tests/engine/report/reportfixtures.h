#pragma once

// Builders for small templates and datasets, shared by the report engine's tests.

#include "engine/report/dataset.h"
#include "engine/report/reportmodel.h"

#include <QDateTime>
#include <QStringList>
#include <QVariantList>

namespace vinary::report::fixtures
{

using namespace Qt::StringLiterals;

inline ReportObject band(BandType type, double y, double height, const QString &dataset = QString())
{
    ReportObject o;
    o.kind = ObjectKind::Band;
    o.bandType = type;
    o.rect = QRectF(10, y, 190, height);
    o.dataset = dataset;
    o.name = bandTypeName(type);
    return o;
}

inline ReportObject text(double x, double y, double w, double h, const QString &content,
                         const QString &name = QString())
{
    ReportObject o;
    o.kind = ObjectKind::Text;
    o.rect = QRectF(x, y, w, h);
    o.setText(content);
    o.name = name.isEmpty() ? u"Memo"_s : name;
    o.wordWrap = false;
    return o;
}

// An A4 page with 10 mm margins.
inline ReportPage page()
{
    ReportPage p;
    p.paperSize = QSizeF(210, 297);
    p.margins = QMarginsF(10, 10, 10, 10);
    return p;
}

inline const QStringList &wineFields()
{
    static const QStringList fields = {u"ID"_s,           u"Codice"_s,       u"Descrizione"_s,
                                       u"Composizione"_s, u"Anno"_s,         u"Gradi"_s,
                                       u"Produttore"_s,   u"Fornitore"_s,    u"Zona"_s,
                                       u"Regione"_s,      u"Gruppo"_s,       u"Tipologia"_s,
                                       u"Capacita"_s,     u"Collocazione"_s, u"Quantita"_s,
                                       u"Prezzo_Acq"_s,   u"Ricarico"_s,     u"Prezzo_Ven"_s,
                                       u"Prezzo_Bic"_s,   u"Incarta"_s,      u"Ultimo_carico"_s,
                                       u"Scadenza"_s,     u"Scorta"_s,       u"Degustazione"_s,
                                       u"Punti1"_s,       u"Punti2"_s,       u"Punti3"_s,
                                       u"Note"_s,         u"Pronto"_s,       u"Valore"_s};
    return fields;
}

struct Wine {
    QString description;
    QString type;
    double quantity = 0;
    double purchase = 0;
    double scorta = 0;
    bool onList = true;
};

// A card with every column filled in; the rest of the values follow from the few given.
inline QVariantList wineRow(int id, const Wine &w)
{
    const double sale = w.purchase * 2.5;
    const QDateTime due(QDate(2026, 1, 1).addDays(id * 37 % 1500), QTime(0, 0));
    return {id,
            u"C%1"_s.arg(id, 5, 10, QLatin1Char('0')),
            w.description,
            u"Sangiovese"_s,
            QString::number(2000 + id % 24),
            u"13,5"_s,
            u"Produttore %1"_s.arg(id % 40),
            u"Fornitore %1"_s.arg(id % 7),
            u"Chianti Classico"_s,
            u"Toscana"_s,
            u"Rossi"_s,
            w.type,
            u"0,75 l"_s,
            u"A%1"_s.arg(id % 30),
            w.quantity,
            w.purchase,
            2.5,
            sale,
            sale / 5,
            w.onList,
            QDateTime(QDate(2024, 3, 1), QTime(0, 0)),
            due,
            w.scorta,
            u"Rubino intenso, profumo di viola."_s,
            8.0,
            7.5,
            9.0,
            QString(),
            int(QDateTime(QDate(2025, 1, 1), QTime(0, 0)).daysTo(due)),
            w.quantity * w.purchase};
}

inline void fillWines(MemoryDataset &ds, int count)
{
    static const QStringList types = {u"Rosso"_s, u"Bianco"_s, u"Rosato"_s, u"Spumante"_s, u"Passito"_s};
    ds.setFields(wineFields());
    for (int i = 1; i <= count; ++i) {
        Wine w;
        w.description = u"Vino numero %1"_s.arg(i);
        w.type = types.at(i % types.size());
        w.quantity = i % 13;
        w.purchase = 5.0 + (i % 17) * 1.25;
        w.scorta = 3;
        w.onList = i % 3 != 0;
        ds.addRow(wineRow(i, w));
    }
}

// A small cellar as a guest would see it on a wine list: real-looking names, accents, an
// apostrophe, empty glass prices, cards off the list, stock below the reorder level.
inline void fillCellar(MemoryDataset &ds, const QDate &today)
{
    struct Card {
        const char16_t *description, *grapes, *year, *producer, *zone, *region, *type, *position;
        double quantity, purchase, glass, scorta;
        bool onList;
        int dueInDays; // 0: no due date
        const char16_t *notes;
    };
    static const Card cards[] = {
        {u"Barolo Cannubi", u"Nebbiolo", u"2016", u"Marchesi di Barolo", u"Barolo", u"Piemonte", u"Rosso",
         u"A1", 12, 38.5, 9, 6, true, 900, u"Granato, rosa appassita e catrame; tannino fitto."},
        {u"Brunello di Montalcino", u"Sangiovese", u"2017", u"Biondi-Santi", u"Montalcino", u"Toscana",
         u"Rosso", u"A2", 4, 62, 0, 6, true, 1500, u"Ciliegia, tabacco, sottobosco."},
        {u"Chianti Classico Riserva", u"Sangiovese", u"2019", u"Castello di Ama", u"Chianti Classico",
         u"Toscana", u"Rosso", u"A3", 18, 19.8, 6, 6, true, 400, u"Viola e amarena, sapido."},
        {u"Amarone della Valpolicella", u"Corvina, Rondinella", u"2015", u"Bertani", u"Valpolicella",
         u"Veneto", u"Rosso", u"A4", 6, 45, 11, 3, true, -20, u"Frutta sotto spirito, cacao."},
        {u"Château d'Yquem", u"Sémillon, Sauvignon", u"2009", u"Château d'Yquem", u"Sauternes", u"Bordeaux",
         u"Dolce", u"C1", 2, 210, 0, 1, true, 2500, u"Albicocca candita, zafferano, miele."},
        {u"Passito di Pantelleria Ben Ryé", u"Zibibbo", u"2020", u"Donnafugata", u"Pantelleria", u"Sicilia",
         u"Dolce", u"C2", 9, 24, 7, 4, true, 1200, u"Dattero, fico secco, agrumi canditi."},
        {u"Franciacorta Satèn", u"Chardonnay", u"2018", u"Ca' del Bosco", u"Franciacorta", u"Lombardia",
         u"Spumante", u"B1", 24, 27, 8, 12, true, 200, u"Perlage fine, crosta di pane."},
        {u"Trento DOC Giulio Ferrari", u"Chardonnay", u"2010", u"Ferrari", u"Trentino",
         u"Trentino-Alto Adige", u"Spumante", u"B2", 3, 95, 0, 4, true, 60, u"Nocciola tostata, agrumi."},
        {u"Vermentino di Gallura", u"Vermentino", u"2022", u"Capichera", u"Gallura", u"Sardegna", u"Bianco",
         u"D1", 30, 14.5, 5, 12, true, 90, u"Macchia mediterranea, mandorla."},
        {u"Fiano di Avellino", u"Fiano", u"2021", u"Feudi di San Gregorio", u"Irpinia", u"Campania",
         u"Bianco", u"D2", 11, 13, 4.5, 12, true, 300, u"Nocciola, pera, fumé."},
        {u"Soave Classico Calvarino", u"Garganega", u"2021", u"Pieropan", u"Soave", u"Veneto", u"Bianco",
         u"D3", 0, 16, 5, 6, true, 150, u"Fiori bianchi, mandorla."},
        {u"Cerasuolo d'Abruzzo", u"Montepulciano", u"2022", u"Emidio Pepe", u"", u"Abruzzo", u"Rosato", u"E1",
         7, 22, 6.5, 6, true, -90, u"Melograno, fragolina."},
        {u"Etna Rosso Contrada", u"Nerello Mascalese", u"2019", u"Passopisciaro", u"Etna", u"Sicilia",
         u"Rosso", u"A5", 8, 33, 8, 6, false, 700, u"Pietra lavica, ribes."},
        {u"Taurasi Radici", u"Aglianico", u"2016", u"Mastroberardino", u"Irpinia", u"Campania", u"Rosso",
         u"A6", 5, 29, 0, 6, true, 1000, u""},
        {u"Lambrusco di Sorbara", u"Lambrusco", u"2023", u"Cleto Chiarli", u"Modena", u"Emilia-Romagna",
         u"Spumante", u"B3", 36, 7.9, 3.5, 12, false, 0, u"Fragola, viola."},
    };
    ds.setFields(wineFields());
    int id = 0;
    for (const Card &c : cards) {
        ++id;
        const double sale = c.purchase * 2.2;
        const QDateTime due = c.dueInDays ? QDateTime(today.addDays(c.dueInDays), QTime(0, 0)) : QDateTime();
        ds.addRow({id,
                   u"VN%1"_s.arg(id, 4, 10, QLatin1Char('0')),
                   QString::fromUtf16(c.description),
                   QString::fromUtf16(c.grapes),
                   QString::fromUtf16(c.year),
                   u"14"_s,
                   QString::fromUtf16(c.producer),
                   u"Enodistribuzione Srl"_s,
                   QString::fromUtf16(c.zone),
                   QString::fromUtf16(c.region),
                   u"Italia"_s,
                   QString::fromUtf16(c.type),
                   u"0,75 l"_s,
                   QString::fromUtf16(c.position),
                   c.quantity,
                   c.purchase,
                   2.2,
                   sale,
                   c.glass,
                   c.onList,
                   QDateTime(today.addDays(-30), QTime(0, 0)),
                   due,
                   c.scorta,
                   QString::fromUtf16(c.notes),
                   8.0,
                   7.0,
                   9.0,
                   QString(),
                   c.dueInDays ? c.dueInDays - 1 : 9999,
                   c.quantity * c.purchase});
    }
}

inline const QStringList &journalFields()
{
    static const QStringList fields = {u"ID"_s,          u"Causale"_s,    u"Data"_s,     u"Codice"_s,
                                       u"Descrizione"_s, u"Anno"_s,       u"Quantita"_s, u"Prezzo_acq"_s,
                                       u"Prezzo_ven"_s,  u"NomeCausale"_s};
    return fields;
}

inline void fillJournal(MemoryDataset &ds, const QDate &first, int lines)
{
    ds.setFields(journalFields());
    for (int i = 1; i <= lines; ++i) {
        const bool load = i % 3 != 0;
        const double q = load ? 6 + i % 6 : 1 + i % 2;
        ds.addRow({i, load ? u"C"_s : u"S"_s, QDateTime(first.addDays(i / 2), QTime(0, 0)),
                   u"VN%1"_s.arg(1 + i % 15, 4, 10, QLatin1Char('0')), u"Vino del giornale %1"_s.arg(i),
                   QString::number(2015 + i % 8), load ? q : -q, 10.0 + i % 9, 25.0 + i % 9,
                   load ? u"Load"_s : u"Unload"_s});
    }
}

} // namespace vinary::report::fixtures
