#include "reports/tabledataset.h"

#include "data/cellar.h"
#include "engine/report/dataset.h"
#include "tests/reports/printfixture.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;

class TestTableDataset : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void registersTheFiveTables();
    void walksTheTableInItsOrderThroughItsFilter();
    void valuesHaveTheEngineKinds();
    void closedTableReadsEmpty();

private:
    std::unique_ptr<test::PrintFixture> m_f;
};

void TestTableDataset::init()
{
    m_f = std::make_unique<test::PrintFixture>();
    QVERIFY2(m_f->isValid(), qPrintable(m_f->errorText()));
}

void TestTableDataset::cleanup()
{
    m_f.reset();
}

void TestTableDataset::registersTheFiveTables()
{
    report::DatasetRegistry registry;
    {
        const CellarDatasets datasets(m_f->cellar(), registry);
        QCOMPARE(registry.names(), CellarDatasets::names());
        // Templates name them in any case, with or without the window.
        auto *schede = dynamic_cast<TableDataset *>(registry.find(u"mainform.schede"_s));
        QVERIFY(schede);
        QCOMPARE(&schede->table(), static_cast<db::Dataset *>(&m_f->cellar().Schede));
        auto *giornale = dynamic_cast<TableDataset *>(registry.find(u"giornale"_s));
        QVERIFY(giornale);
        QCOMPARE(&giornale->table(), static_cast<db::Dataset *>(&m_f->cellar().giornale));
        QVERIFY(registry.find(u"MainForm.intestazione"_s));
        QVERIFY(registry.find(u"MainForm.stampe"_s));
        QVERIFY(registry.find(u"MainForm.indici"_s));
    }
    QVERIFY(registry.names().isEmpty());
}

void TestTableDataset::walksTheTableInItsOrderThroughItsFilter()
{
    m_f->addCard(u"Barolo"_s, u"Rossi"_s, u"B"_s);
    m_f->addCard(u"Arneis"_s, u"Bianchi"_s, u"C"_s);
    m_f->addCard(u"Amarone"_s, u"Rossi"_s, u"A"_s);
    m_f->reopen();
    Cellar &c = m_f->cellar();
    c.Schede.setSortedBy({u"[Produttore] DESC"_s});
    c.Schede.resort();
    c.criteria.selGruppo = [] { return u"Rossi"_s; };
    c.filterMode = u'P';
    c.Schede.setFiltered(true);

    TableDataset dataset(c.Schede);
    QStringList walked;
    for (dataset.first(); !dataset.eof(); dataset.next())
        walked << dataset.value(u"descrizione"_s).toString();
    QCOMPARE(walked, (QStringList{u"Barolo"_s, u"Amarone"_s}));
    // The walk moved the shared cursor: it stands past its last card.
    QVERIFY(c.Schede.eof());
    QCOMPARE(c.Schede.fieldByName(u"Descrizione"_s).asString(), u"Amarone"_s);
    c.filterMode = u' ';
    c.Schede.setFiltered(false);
}

void TestTableDataset::valuesHaveTheEngineKinds()
{
    m_f->addCard(u"Barolo"_s, u"Rossi"_s, u"B"_s,
                 {{u"Quantita"_s, 6},
                  {u"Prezzo_Acq"_s, 12.5},
                  {u"Incarta"_s, 1},
                  {u"Scadenza"_s, u"2030-01-01 00:00:00"_s}});
    m_f->reopen();
    TableDataset dataset(m_f->cellar().Schede);
    dataset.first();
    QVERIFY(!dataset.eof());
    QCOMPARE(dataset.value(u"Descrizione"_s).typeId(), QMetaType::QString);
    QCOMPARE(dataset.value(u"Prezzo_Acq"_s).toDouble(), 12.5);
    QCOMPARE(dataset.value(u"Incarta"_s).typeId(), QMetaType::Bool);
    QCOMPARE(dataset.value(u"Incarta"_s).toBool(), true);
    QCOMPARE(dataset.value(u"Scadenza"_s).toDateTime().date(), QDate(2030, 1, 1));
    QVERIFY(dataset.value(u"Ultimo_carico"_s).isNull());
    QVERIFY(dataset.value(u"Composizione"_s).isNull());
    QVERIFY(dataset.value(u"NoSuchField"_s).isNull());
    // Calculated fields are fields like any other.
    QVERIFY(dataset.fieldNames().contains(u"Valore"_s));
    QCOMPARE(dataset.value(u"Valore"_s).toDouble(), 75.0);
}

void TestTableDataset::closedTableReadsEmpty()
{
    Cellar &c = m_f->cellar();
    QVERIFY(!c.stampe.isActive());
    TableDataset dataset(c.stampe);
    dataset.first();
    QVERIFY(dataset.eof());
    QVERIFY(dataset.value(u"Stampa"_s).isNull());
}

QTEST_GUILESS_MAIN(TestTableDataset)
#include "test_tabledataset.moc"
