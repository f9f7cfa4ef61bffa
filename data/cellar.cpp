#include "data/cellar.h"

#include "language/languagetable.h"

namespace vinary {

Cellar::Cellar(QObject *parent)
    : QObject(parent),
      intestazione(DB, QStringLiteral("Configurazione")),
      Schede(DB, QStringLiteral("Schede")),
      giornale(DB, QStringLiteral("Giornale")),
      stampe(DB, QStringLiteral("Stampe")),
      indici(DB, QStringLiteral("Indici")),
      Liste(DB)
{
    Schede.addCalculatedField(QStringLiteral("Pronto"), db::FieldType::Integer);
    Schede.addCalculatedField(QStringLiteral("Valore"), db::FieldType::Float);
    Schede.setSortedBy(defaultSchedeSort());
    stampe.setSortedBy({QStringLiteral("[Ordine] ASC")});
    indici.setSortedBy({QStringLiteral("[ID] ASC")});
    Liste.setSql(defaultListeSql());
    rules.install();
}

Cellar::~Cellar()
{
    DB.close();
}

QString Cellar::traduci(const QString &text) const
{
    return language ? language->traduci(text) : text;
}

void Cellar::setDatabaseDirectory(const QString &dir)
{
    DB.setDatabaseName(dir + QStringLiteral("vinary.mdb"));
}

void Cellar::connect()
{
    DB.open();
    try {
        configureTables();
    } catch (...) {
        DB.close();
        throw;
    }
}

void Cellar::disconnect()
{
    DB.close();
}

void Cellar::configureTables()
{
    Schede.loadFields();
    const char *counts[] = {"Quantita", "Scorta", "Punti1", "Punti2", "Punti3"};
    for (const char *name : counts)
        Schede.setDisplayFormat(QString::fromLatin1(name), QStringLiteral("#"));
    // The markup is a factor: 1.5 shown as 2 would mislead. Up to two decimals, no trailing zeros.
    Schede.setDisplayFormat(QStringLiteral("Ricarico"), QStringLiteral("0.##;;#"));
    const char *prices[] = {"Prezzo_Acq", "Prezzo_Ven", "Prezzo_Bic"};
    for (const char *name : prices)
        Schede.setDisplayFormat(QString::fromLatin1(name), QStringLiteral("0.00;;#"));
}

} // namespace vinary
