#pragma once

// Builders for small templates and datasets, shared by the report engine's tests.

#include "engine/report/dataset.h"
#include "engine/report/reportmodel.h"

#include <QDateTime>
#include <QStringList>
#include <QVariantList>

namespace vinary::report::fixtures {

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

inline ReportObject text(double x, double y, double w, double h, const QString &content, const QString &name = QString())
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
    static const QStringList fields = {
        u"ID"_s,         u"Codice"_s,       u"Descrizione"_s, u"Composizione"_s, u"Anno"_s,     u"Gradi"_s,
        u"Produttore"_s, u"Fornitore"_s,    u"Zona"_s,        u"Regione"_s,      u"Gruppo"_s,   u"Tipologia"_s,
        u"Capacita"_s,   u"Collocazione"_s, u"Quantita"_s,    u"Prezzo_Acq"_s,   u"Ricarico"_s, u"Prezzo_Ven"_s,
        u"Prezzo_Bic"_s, u"Incarta"_s,      u"Ultimo_carico"_s, u"Scadenza"_s,   u"Scorta"_s,   u"Degustazione"_s,
        u"Punti1"_s,     u"Punti2"_s,       u"Punti3"_s,      u"Note"_s,         u"Pronto"_s,   u"Valore"_s};
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

} // namespace vinary::report::fixtures
