// The start-up upgrade of a cellar made by an earlier version: the delivered rows of Stampe and
// Indici that it never had are added once, and the rows the user edited or deleted stay so.

#include "data/schemaupgrade.h"
#include "engine/db/connection.h"
#include "tests/support/cellardb.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;

namespace
{

// Stampe and Indici as the cellars before the schema version were delivered.
const QString previousVersion = uR"(
CREATE TABLE Stampe (ID INTEGER PRIMARY KEY AUTOINCREMENT, Stampa TEXT(30), Ordine SMALLINT,
                     Tracciato TEXT(30), Ordinamento TEXT(1), Selezione TEXT(1));
CREATE TABLE Indici (ID INTEGER PRIMARY KEY AUTOINCREMENT, Indice TEXT(30), Ordine TEXT(60));
INSERT INTO Indici (ID, Indice, Ordine) VALUES
    (1, '[ORD_DESCRIZIONE]', '"[Descrizione] ASC"'), (2, '[ORD_PRODUTTORE]', '[Produttore], [Descrizione]'),
    (3, '[ORD_TIPOLOGIA]', '[Tipologia], [Descrizione]'), (4, '[ORD_REGIONE]', '[Regione], [Zona], [Descrizione]'),
    (5, '[ORD_ANNATA]', '"[Anno] DESC", [Descrizione]'), (6, '[ORD_CODICE]', '[Codice]'),
    (7, '[ORD_SCADENZA]', '[Scadenza], [Descrizione]');
INSERT INTO Stampe (ID, Stampa, Ordine, Tracciato, Ordinamento, Selezione) VALUES
    (1, '[STAMPA_CATALOGO]', 1, 'catalogo.frf', '*', 'C'), (2, '[STAMPA_CARTA_VINI]', 2, 'cartavini.frf', '3', 'C'),
    (3, '[STAMPA_VALORE]', 3, 'valore.frf', '3', 'C'), (4, '[STAMPA_RIORDINO]', 4, 'riordino.frf', '*', 'C'),
    (5, '[STAMPA_SCADENZE]', 5, 'scadenze.frf', '7', 'C'), (6, '[STAMPA_GIORNALE]', 6, 'giornale.frf', 'G', 'G');
)"_s;

QStringList rows(db::Connection &c, const QString &sql)
{
    QStringList out;
    db::Statement s = c.prepare(sql);
    while (s.step()) {
        QStringList row;
        for (int i = 0; i < s.columnCount(); ++i)
            row << s.text(i);
        out << row.join(u'|');
    }
    return out;
}

QStringList reports(db::Connection &c)
{
    return rows(c, u"SELECT Stampa, Ordine, Tracciato, Ordinamento, Selezione FROM Stampe ORDER BY Ordine"_s);
}

QStringList orders(db::Connection &c)
{
    return rows(c, u"SELECT Indice, Ordine FROM Indici ORDER BY ID"_s);
}

} // namespace

class TestSchemaUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void previousCellarGetsTheNewRowsOnce();
    void upgradedCellarMatchesTheDeliveredOne();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    db::Connection m_old;
};

void TestSchemaUpgrade::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_old.close();
    // A cellar of today taken back to the rows and the version of the previous one.
    const QString file = m_dir->filePath(u"old.mdb"_s);
    test::createCellarDatabase(file);
    m_old.setDatabaseName(file);
    m_old.open();
    m_old.exec(u"DROP TABLE Stampe; DROP TABLE Indici"_s);
    for (const QString &statement : previousVersion.split(u';', Qt::SkipEmptyParts)) {
        if (!statement.trimmed().isEmpty())
            m_old.exec(statement);
    }
}

void TestSchemaUpgrade::previousCellarGetsTheNewRowsOnce()
{
    // The user renamed the catalogue, dropped the drink-by report and the order by region.
    m_old.exec(u"UPDATE Stampe SET Stampa = 'Il mio catalogo', Ordinamento = '2' WHERE ID = 1"_s);
    m_old.exec(u"DELETE FROM Stampe WHERE ID = 5"_s);
    m_old.exec(u"DELETE FROM Indici WHERE ID = 4"_s);
    QCOMPARE(schemaVersion(m_old), 0);

    upgradeCellar(m_old);

    QCOMPARE(schemaVersion(m_old), kSchemaVersion);
    // The new sort orders come last; the reports that print in them name their positions,
    // which moved up by one with the deleted order.
    QCOMPARE(orders(m_old).mid(6),
             (QStringList{u"[ORD_GRUPPO]|[Gruppo], [Tipologia], [Descrizione]"_s,
                          u"[ORD_FORNITORE]|[Fornitore], [Produttore], [Descrizione]"_s}));
    const QStringList expected{
        u"Il mio catalogo|1|catalogo.frf|2|C"_s,
        u"[STAMPA_CARTA_VINI]|2|cartavini.frf|3|C"_s,
        u"[STAMPA_VALORE]|3|valore.frf|3|C"_s,
        u"[STAMPA_RIORDINO]|4|riordino.frf|*|C"_s,
        u"[STAMPA_GIORNALE]|6|giornale.frf|G|G"_s,
        u"[STAMPA_LISTINO]|7|listino.frf|7|C"_s,
        u"[STAMPA_CATALOGO_GRUPPI]|8|catalogo_gruppi.frf|7|C"_s,
        u"[STAMPA_RIORDINO_FORNITORI]|9|riordino_fornitori.frf|8|C"_s,
    };
    QCOMPARE(reports(m_old), expected);

    // A delivered row the user deletes after the upgrade stays deleted at the next start.
    m_old.exec(u"DELETE FROM Stampe WHERE Tracciato = 'listino.frf'"_s);
    m_old.exec(u"DELETE FROM Indici WHERE Indice = '[ORD_FORNITORE]'"_s);
    const QStringList before = reports(m_old) + orders(m_old);
    upgradeCellar(m_old);
    QCOMPARE(reports(m_old) + orders(m_old), before);
}

void TestSchemaUpgrade::upgradedCellarMatchesTheDeliveredOne()
{
    // A new cellar holds today's rows; its first start records them and changes none.
    const QString fresh = m_dir->filePath(u"vinary.mdb"_s);
    test::createCellarDatabase(fresh);
    db::Connection delivered;
    delivered.setDatabaseName(fresh);
    delivered.open();
    const QStringList deliveredRows = reports(delivered) + orders(delivered);
    upgradeCellar(delivered);
    QCOMPARE(schemaVersion(delivered), kSchemaVersion);
    QCOMPARE(reports(delivered) + orders(delivered), deliveredRows);
    delivered.close();
    // An up-to-date cellar is not written to: one opened read-only starts all the same.
    db::Connection readOnly;
    readOnly.setReadOnly(true);
    readOnly.setDatabaseName(fresh);
    readOnly.open();
    upgradeCellar(readOnly);

    upgradeCellar(m_old);
    QCOMPARE(reports(m_old) + orders(m_old), deliveredRows);
}

QTEST_GUILESS_MAIN(TestSchemaUpgrade)
#include "test_schemaupgrade.moc"
