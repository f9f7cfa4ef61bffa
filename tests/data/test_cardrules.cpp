#include "data/cardrules.h"
#include "data/cellar.h"
#include "data/picklist.h"
#include "engine/common/errors.h"
#include "language/languagetable.h"
#include "tests/data/cellarfixture.h"

#include <QTest>

using namespace vinary;
using vinary::test::CellarFixture;

namespace {

QVariantMap card(const QString &descrizione, double quantita = 0)
{
    return {{QStringLiteral("Descrizione"), descrizione}, {QStringLiteral("Quantita"), quantita}};
}

} // namespace

class TestCardRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pronto_data();
    void pronto();
    void prontoFollowsTheClock();
    void valore_data();
    void valore();
    void calculatedFieldsFollowEditing();
    void newRecordTakesTheDefaultMarkup_data();
    void newRecordTakesTheDefaultMarkup();
    void deleteWithStockIsRefused_data();
    void deleteWithStockIsRefused();
    void deleteAsksAndHonoursTheAnswer();
    void deleteKeepsTranslationPadding();
    void afterPostAddsMissingValuesIgnoringCase();
    void afterPostAddsTheEmptyValueOnce();
    void afterPostRunsForChangedCardsToo();
    void popolaListaRunsTheDistinctQuery();
    void refillKeepsBoxTextAndDropsUnusedValues();
    void refillStopsAtARejectedQuery();
    void refillIndexesThePickListColumns();
    void stringPickListSortsWithoutCase();
};

// ---------------------------------------------------------------- calculated fields

void TestCardRules::pronto_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QVariant>("scadenza");
    QTest::addColumn<int>("expected");

    const QDateTime ten(QDate(2024, 3, 15), QTime(10, 0));
    QTest::newRow("no due date") << ten << QVariant() << 9999;
    QTest::newRow("same day at 10:00") << ten << QVariant(QStringLiteral("2024-03-15 00:00:00")) << 0;
    QTest::newRow("next day at 10:00") << ten << QVariant(QStringLiteral("2024-03-16 00:00:00")) << 0;
    QTest::newRow("two days ahead at 10:00") << ten << QVariant(QStringLiteral("2024-03-17")) << 1;
    QTest::newRow("previous day at 10:00") << ten << QVariant(QStringLiteral("2024-03-14")) << -1;
    QTest::newRow("eleven days ahead at 10:00") << ten << QVariant(QStringLiteral("2024-03-26")) << 10;
    QTest::newRow("one day ahead at midnight")
        << QDateTime(QDate(2024, 3, 15), QTime(0, 0)) << QVariant(QStringLiteral("2024-03-16")) << 1;
    QTest::newRow("one millisecond short of a day")
        << QDateTime(QDate(2024, 3, 15), QTime(0, 0, 0, 1)) << QVariant(QStringLiteral("2024-03-16")) << 0;
    QTest::newRow("across a year") << ten << QVariant(QStringLiteral("2025-03-17")) << 366;
}

void TestCardRules::pronto()
{
    QFETCH(QDateTime, now);
    QFETCH(QVariant, scadenza);
    QFETCH(int, expected);

    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.cellar().clock = [now] { return now; };
    QVariantMap columns = card(QStringLiteral("Barolo"));
    columns.insert(QStringLiteral("Scadenza"), scadenza);
    f.insertCard(columns);
    f.reopen();

    db::Table &schede = f.cellar().Schede;
    QCOMPARE(schede.recordCount(), 1);
    QCOMPARE(schede.fieldByName(QStringLiteral("Pronto")).asInteger(), expected);
    // The grid reads the same value through random access.
    QCOMPARE(schede.valueAt(0, schede.fieldByName(QStringLiteral("Pronto")).index()).toInt(), expected);
}

void TestCardRules::prontoFollowsTheClock()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    QDateTime now(QDate(2024, 3, 15), QTime(10, 0));
    f.cellar().clock = [&now] { return now; };
    QVariantMap columns = card(QStringLiteral("Barolo"));
    columns.insert(QStringLiteral("Scadenza"), QStringLiteral("2024-03-20"));
    f.insertCard(columns);
    f.reopen();
    db::Table &schede = f.cellar().Schede;
    QCOMPARE(schede.fieldByName(QStringLiteral("Pronto")).asInteger(), 4);

    // No data changes, only the clock: the value is read afresh the next time the card is delivered.
    now = now.addDays(3);
    schede.first();
    QCOMPARE(schede.fieldByName(QStringLiteral("Pronto")).asInteger(), 1);
}

void TestCardRules::valore_data()
{
    QTest::addColumn<QVariant>("quantita");
    QTest::addColumn<QVariant>("prezzo");
    QTest::addColumn<double>("expected");
    QTest::newRow("12 at 4.5") << QVariant(12.0) << QVariant(4.5) << 54.0;
    QTest::newRow("-2 at 4.5") << QVariant(-2.0) << QVariant(4.5) << -9.0;
    QTest::newRow("empty price") << QVariant(12.0) << QVariant() << 0.0;
    QTest::newRow("empty stock") << QVariant() << QVariant(4.5) << 0.0;
}

void TestCardRules::valore()
{
    QFETCH(QVariant, quantita);
    QFETCH(QVariant, prezzo);
    QFETCH(double, expected);
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Soave")},
                  {QStringLiteral("Quantita"), quantita},
                  {QStringLiteral("Prezzo_Acq"), prezzo}});
    f.reopen();
    QCOMPARE(f.cellar().Schede.fieldByName(QStringLiteral("Valore")).asFloat(), expected);
}

void TestCardRules::calculatedFieldsFollowEditing()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard(card(QStringLiteral("Soave"), 2));
    f.reopen();
    db::Table &schede = f.cellar().Schede;
    schede.edit();
    schede.fieldByName(QStringLiteral("Prezzo_Acq")).setAsFloat(3.25);
    QCOMPARE(schede.fieldByName(QStringLiteral("Valore")).asFloat(), 6.5);
    schede.fieldByName(QStringLiteral("Scadenza")).setAsDateTime(QDateTime(QDate(2024, 3, 18), QTime(0, 0)));
    QCOMPARE(schede.fieldByName(QStringLiteral("Pronto")).asInteger(), 2);
    schede.cancel();
    QCOMPARE(schede.fieldByName(QStringLiteral("Valore")).asFloat(), 0.0);
    QCOMPARE(schede.fieldByName(QStringLiteral("Pronto")).asInteger(), 9999);
}

// ---------------------------------------------------------------- new record

void TestCardRules::newRecordTakesTheDefaultMarkup_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<double>("expected");
    QTest::newRow("1.8") << QStringLiteral("1.8") << 1.8;
    QTest::newRow("empty setting") << QStringLiteral("NULL") << 0.0;
    QTest::newRow("delivered 2") << QStringLiteral("2") << 2.0;
}

void TestCardRules::newRecordTakesTheDefaultMarkup()
{
    QFETCH(QString, setting);
    QFETCH(double, expected);
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.exec(QStringLiteral("UPDATE Configurazione SET Ricarico = %1").arg(setting));
    f.reopen();
    db::Table &schede = f.cellar().Schede;
    schede.append();
    QCOMPARE(schede.fieldByName(QStringLiteral("Ricarico")).asFloat(), expected);
    // No other field gets a default, and the default alone is no change by the user.
    QVERIFY(schede.fieldByName(QStringLiteral("Prezzo_Ven")).isNull());
    QVERIFY(schede.fieldByName(QStringLiteral("Descrizione")).isNull());
    QVERIFY(!schede.isModified());
}

// ---------------------------------------------------------------- delete guard

void TestCardRules::deleteWithStockIsRefused_data()
{
    QTest::addColumn<double>("quantita");
    QTest::newRow("minus one") << -1.0;
    QTest::newRow("half a bottle") << 0.5;
    QTest::newRow("twelve") << 12.0;
}

void TestCardRules::deleteWithStockIsRefused()
{
    QFETCH(double, quantita);
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard(card(QStringLiteral("Barolo"), quantita));
    f.reopen();
    f.messages().setNextAnswer(true);
    QVERIFY_THROWS_EXCEPTION(SilentAbort, f.cellar().Schede.deleteRecord());
    QCOMPARE(f.messages().notices(), QStringList{QStringLiteral("   [CANCELLAZIONE_RIF]   ")});
    QVERIFY(f.messages().questions().isEmpty());
    QCOMPARE(f.cellar().Schede.recordCount(), 1);
    f.reopen();
    QCOMPARE(f.cellar().Schede.recordCount(), 1);
}

void TestCardRules::deleteAsksAndHonoursTheAnswer()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard(card(QStringLiteral("Amarone"), 0));
    f.insertCard(card(QStringLiteral("Barolo"))); // empty stock reads as 0
    f.reopen();
    db::Table &schede = f.cellar().Schede;

    f.messages().setNextAnswer(false);
    QVERIFY_THROWS_EXCEPTION(SilentAbort, schede.deleteRecord());
    QCOMPARE(f.messages().questions(), QStringList{QStringLiteral("   [CONFERMA_CANCELLA]    ")});
    QVERIFY(f.messages().notices().isEmpty());
    QCOMPARE(schede.recordCount(), 2);

    f.messages().clear();
    f.messages().setNextAnswer(true);
    schede.deleteRecord();
    QCOMPARE(f.messages().questions().size(), 1);
    QCOMPARE(schede.recordCount(), 1);
    QCOMPARE(schede.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("Barolo"));

    // Without an answer queued the box answers No.
    f.messages().clear();
    QVERIFY_THROWS_EXCEPTION(SilentAbort, schede.deleteRecord());
    QCOMPARE(schede.recordCount(), 1);
}

void TestCardRules::deleteKeepsTranslationPadding()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    LanguageTable language({QStringLiteral("[CANCELLAZIONE_RIF]=Still in stock"),
                            QStringLiteral("[CONFERMA_CANCELLA]=Delete?")});
    f.cellar().language = &language;
    f.insertCard(card(QStringLiteral("Barolo"), 3));
    f.insertCard(card(QStringLiteral("Chianti"), 0));
    f.reopen();
    db::Table &schede = f.cellar().Schede;
    QVERIFY_THROWS_EXCEPTION(SilentAbort, schede.deleteRecord());
    schede.next();
    QVERIFY_THROWS_EXCEPTION(SilentAbort, schede.deleteRecord());
    QCOMPARE(f.messages().texts(),
             (QStringList{QStringLiteral("   Still in stock   "), QStringLiteral("   Delete?    ")}));
    f.cellar().language = nullptr;
}

// ---------------------------------------------------------------- pick lists

namespace {

struct SevenLists {
    std::array<StringPickList, CardRules::kPickListCount> lists;
    explicit SevenLists(CardRules &rules)
    {
        for (int i = 0; i < CardRules::kPickListCount; ++i)
            rules.setPickList(i, &lists.at(size_t(i)));
    }
    StringPickList &operator[](int i) { return lists.at(size_t(i)); }
};

enum { Gruppo, Zona, Produttore, Fornitore, Tipologia, Capacita, Regione };

} // namespace

void TestCardRules::afterPostAddsMissingValuesIgnoringCase()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    SevenLists lists(f.cellar().rules);
    lists[Gruppo].addItem(QStringLiteral("Rossi"));
    lists[Zona].addItem(QStringLiteral("Langhe"));

    db::Table &schede = f.cellar().Schede;
    schede.append();
    const std::pair<const char *, const char *> values[] = {
        {"Descrizione", "Barolo"},   {"Gruppo", "ROSSI"},        {"Zona", "Roero"},
        {"Produttore", "Conterno"},  {"Fornitore", "Enoteca"},   {"Tipologia", "Fermo"},
        {"Capacita", "0,75"},        {"Regione", "Piemonte"}};
    for (const auto &[column, value] : values)
        schede.fieldByName(QString::fromLatin1(column)).setAsString(QString::fromLatin1(value));
    schede.post();

    QCOMPARE(lists[Gruppo].items(), QStringList{QStringLiteral("Rossi")});
    QCOMPARE(lists[Zona].items(), (QStringList{QStringLiteral("Langhe"), QStringLiteral("Roero")}));
    QCOMPARE(lists[Produttore].items(), QStringList{QStringLiteral("Conterno")});
    QCOMPARE(lists[Fornitore].items(), QStringList{QStringLiteral("Enoteca")});
    QCOMPARE(lists[Tipologia].items(), QStringList{QStringLiteral("Fermo")});
    QCOMPARE(lists[Capacita].items(), QStringList{QStringLiteral("0,75")});
    QCOMPARE(lists[Regione].items(), QStringList{QStringLiteral("Piemonte")});
}

void TestCardRules::afterPostAddsTheEmptyValueOnce()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    SevenLists lists(f.cellar().rules);
    db::Table &schede = f.cellar().Schede;
    for (const char *name : {"Barolo", "Barbaresco"}) {
        schede.append();
        schede.fieldByName(QStringLiteral("Descrizione")).setAsString(QString::fromLatin1(name));
        schede.post();
    }
    QCOMPARE(lists[Zona].items(), QStringList{QString()});
    QCOMPARE(lists[Regione].items(), QStringList{QString()});
}

void TestCardRules::afterPostRunsForChangedCardsToo()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")},
                  {QStringLiteral("Produttore"), QStringLiteral("Conterno")}});
    f.reopen();
    SevenLists lists(f.cellar().rules);
    db::Table &schede = f.cellar().Schede;
    schede.edit();
    schede.fieldByName(QStringLiteral("Produttore")).setAsString(QStringLiteral("Mascarello"));
    schede.post();
    QCOMPARE(lists[Produttore].items(), QStringList{QStringLiteral("Mascarello")});
}

void TestCardRules::popolaListaRunsTheDistinctQuery()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("A")}, {QStringLiteral("Gruppo"), QStringLiteral("rossi")}});
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("B")}, {QStringLiteral("Gruppo"), QStringLiteral("Bianchi")}});
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("C")}, {QStringLiteral("Gruppo"), QStringLiteral("Bianchi")}});
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("D")}});
    StringPickList list;
    list.addItem(QStringLiteral("stale"));
    f.cellar().rules.popola_lista(QStringLiteral("schede"), QStringLiteral("gruppo"), &list);
    QCOMPARE(f.cellar().Liste.sql(), QStringLiteral("SELECT DISTINCT gruppo FROM schede ORDER BY gruppo"));
    QVERIFY(!f.cellar().Liste.isActive());
    // The missing group comes back as the empty text; the list sorts without regard to case.
    QCOMPARE(list.items(), (QStringList{QString(), QStringLiteral("Bianchi"), QStringLiteral("rossi")}));
}

void TestCardRules::refillKeepsBoxTextAndDropsUnusedValues()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")},
                  {QStringLiteral("Produttore"), QStringLiteral("Conterno")},
                  {QStringLiteral("Regione"), QStringLiteral("Piemonte")}});
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Soave")},
                  {QStringLiteral("Produttore"), QStringLiteral("Pieropan")},
                  {QStringLiteral("Regione"), QStringLiteral("Veneto")}});
    f.reopen();
    SevenLists lists(f.cellar().rules);
    f.cellar().rules.refillPickLists();
    QCOMPARE(lists[Produttore].items(), (QStringList{QStringLiteral("Conterno"), QStringLiteral("Pieropan")}));
    QCOMPARE(lists[Regione].items(), (QStringList{QStringLiteral("Piemonte"), QStringLiteral("Veneto")}));
    QCOMPARE(f.cellar().Liste.sql(), QStringLiteral("SELECT DISTINCT regione FROM schede ORDER BY regione"));

    // The last card of a producer goes: the value stays until the next refill.
    db::Table &schede = f.cellar().Schede;
    QVERIFY(schede.locate(QStringLiteral("Descrizione"), QStringLiteral("Soave")));
    f.messages().setNextAnswer(true);
    schede.deleteRecord();
    QVERIFY(lists[Produttore].containsNoCase(QStringLiteral("Pieropan")));
    f.cellar().rules.refillPickLists();
    QCOMPARE(lists[Produttore].items(), QStringList{QStringLiteral("Conterno")});
}

void TestCardRules::refillStopsAtARejectedQuery()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")},
                  {QStringLiteral("Gruppo"), QStringLiteral("Rossi")},
                  {QStringLiteral("Regione"), QStringLiteral("Piemonte")}});
    SevenLists lists(f.cellar().rules);
    lists[Capacita].addItem(QStringLiteral("old"));
    lists[Regione].addItem(QStringLiteral("old"));
    f.cellar().Schede.close();
    f.exec(QStringLiteral("ALTER TABLE Schede DROP COLUMN Tipologia"));
    QVERIFY_THROWS_EXCEPTION(std::exception, f.cellar().rules.refillPickLists());
    QCOMPARE(lists[Gruppo].items(), QStringList{QStringLiteral("Rossi")});
    // The lists after the rejected one keep what they held.
    QCOMPARE(lists[Capacita].items(), QStringList{QStringLiteral("old")});
    QCOMPARE(lists[Regione].items(), QStringList{QStringLiteral("old")});
    QVERIFY(!f.cellar().Liste.isActive());
}

void TestCardRules::refillIndexesThePickListColumns()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")}, {QStringLiteral("Zona"), QStringLiteral("Langhe")}});
    auto indexes = [&f] {
        QStringList names;
        db::Statement s = f.cellar().DB.prepare(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Schede' ORDER BY name"));
        while (s.step())
            names << s.text(0);
        return names;
    };
    // Inside a transaction the rules leave the schema alone and still fill the lists.
    SevenLists lists(f.cellar().rules);
    f.cellar().DB.begin();
    f.cellar().rules.refillPickLists();
    f.cellar().DB.rollback();
    QVERIFY(indexes().isEmpty());
    QCOMPARE(lists[Zona].items(), QStringList{QStringLiteral("Langhe")});

    f.cellar().rules.refillPickLists();
    QCOMPARE(indexes(), (QStringList{QStringLiteral("Schede_Capacita"), QStringLiteral("Schede_Fornitore"),
                                     QStringLiteral("Schede_Gruppo"), QStringLiteral("Schede_Produttore"),
                                     QStringLiteral("Schede_Regione"), QStringLiteral("Schede_Tipologia"),
                                     QStringLiteral("Schede_Zona")}));
    db::Statement plan = f.cellar().DB.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + f.cellar().Liste.sql());
    QVERIFY(plan.step());
    QVERIFY2(plan.text(3).contains(u"Schede_Regione"), qPrintable(plan.text(3)));
    QCOMPARE(lists[Zona].items(), QStringList{QStringLiteral("Langhe")});
}

void TestCardRules::stringPickListSortsWithoutCase()
{
    StringPickList list;
    for (const char *item : {"rosso", "Bianco", "amabile", "Rosato", "ROSSO"})
        list.addItem(QString::fromLatin1(item));
    QCOMPARE(list.items(), (QStringList{QStringLiteral("amabile"), QStringLiteral("Bianco"), QStringLiteral("Rosato"),
                                        QStringLiteral("rosso"), QStringLiteral("ROSSO")}));
    QVERIFY(list.containsNoCase(QStringLiteral("BIANCO")));
    QVERIFY(!list.containsNoCase(QStringLiteral("Bianc")));
    list.clearItems();
    QVERIFY(list.items().isEmpty());
}

QTEST_GUILESS_MAIN(TestCardRules)
#include "test_cardrules.moc"
