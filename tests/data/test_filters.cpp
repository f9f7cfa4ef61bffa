#include "data/cellar.h"
#include "data/filters.h"
#include "tests/data/cellarfixture.h"

#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace vinary;
using vinary::test::CellarFixture;

namespace {

QStringList descriptions(db::Table &table)
{
    QStringList out;
    const int column = table.fieldByName(QStringLiteral("Descrizione")).index();
    for (int i = 0; i < table.recordCount(); ++i)
        out << table.valueAt(i, column).toString();
    return out;
}

} // namespace

class TestFilters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void upperCasesOnlyAsciiLetters_data();
    void upperCasesOnlyAsciiLetters();
    void searchTextJoinsFifteenColumns();
    void searchMode_data();
    void searchMode();
    void movementsModeReadsItsOwnBox();
    void criteriaAreReadAtEachTest();
    void otherModesPassEverything_data();
    void otherModesPassEverything();
    void printSelection_data();
    void printSelection();
    void switchingOffSettlesAPendingEdit();
    void switchingToTheSameValueDoesNothing();
    void journalRange_data();
    void journalRange();
    void dateBoxTexts_data();
    void dateBoxTexts();
    void searchTextFollowsAnotherColumnOrder();
};

void TestFilters::upperCasesOnlyAsciiLetters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QStringLiteral("barolo 2019") << QStringLiteral("BAROLO 2019");
    QTest::newRow("accents stay") << QStringLiteral("caffè perché") << QStringLiteral("CAFFè PERCHé");
    QTest::newRow("capitals stay") << QStringLiteral("ÀÈ Ab") << QStringLiteral("ÀÈ AB");
    QTest::newRow("german sharp s") << QStringLiteral("straße") << QStringLiteral("STRAßE");
    QTest::newRow("empty") << QString() << QString();
}

void TestFilters::upperCasesOnlyAsciiLetters()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(upperAsciiLetters(text), expected);
}

void TestFilters::searchTextJoinsFifteenColumns()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    QVariantMap columns;
    int n = 0;
    for (const QString &name : cardSearchColumns())
        columns.insert(name, QStringLiteral("%1").arg(QChar(u'a' + n++)));
    columns.insert(QStringLiteral("Quantita"), 7);
    columns.insert(QStringLiteral("Prezzo_Acq"), 9.5);
    columns.insert(QStringLiteral("Scadenza"), QStringLiteral("2024-05-01"));
    columns.insert(QStringLiteral("Incarta"), 1);
    columns.insert(QStringLiteral("Anno"), QString()); // an empty column contributes nothing
    f.insertCard(columns);
    f.reopen();
    QCOMPARE(cardSearchColumns().size(), 15);
    QCOMPARE(cardSearchText(f.cellar().Schede), QStringLiteral("abcefghijklmno"));
}

void TestFilters::searchMode_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("expected");
    const QStringList all = {QStringLiteral("Barolo Riserva"), QStringLiteral("CHIANTI"), QStringLiteral("Soave")};
    QTest::newRow("empty box passes all") << QString() << all;
    QTest::newRow("lower case finds capitals") << QStringLiteral("chianti") << QStringList{QStringLiteral("CHIANTI")};
    QTest::newRow("in the notes column") << QStringLiteral("terrazze") << QStringList{QStringLiteral("Soave")};
    QTest::newRow("across code and description") << QStringLiteral("01bar") << QStringList{QStringLiteral("Barolo Riserva")};
    QTest::newRow("accented lower does not find capital") << QStringLiteral("città") << QStringList{};
    QTest::newRow("accented same case finds") << QStringLiteral("CITTÀ") << QStringList{QStringLiteral("CHIANTI")};
    QTest::newRow("trailing space needs a space") << QStringLiteral("barolo ") << QStringList{QStringLiteral("Barolo Riserva")};
    QTest::newRow("trailing space after the text") << QStringLiteral("riserva ") << QStringList{};
    QTest::newRow("a price is not searched") << QStringLiteral("12.5") << QStringList{};
    QTest::newRow("a date is not searched") << QStringLiteral("2024") << QStringList{};
    QTest::newRow("leading space kept") << QStringLiteral(" riserva") << QStringList{QStringLiteral("Barolo Riserva")};
}

void TestFilters::searchMode()
{
    QFETCH(QString, search);
    QFETCH(QStringList, expected);
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Codice"), QStringLiteral("B01")},
                  {QStringLiteral("Descrizione"), QStringLiteral("Barolo Riserva")},
                  {QStringLiteral("Prezzo_Acq"), 12.5},
                  {QStringLiteral("Scadenza"), QStringLiteral("2024-06-01")}});
    f.insertCard({{QStringLiteral("Codice"), QStringLiteral("C02")},
                  {QStringLiteral("Descrizione"), QStringLiteral("CHIANTI")},
                  {QStringLiteral("Zona"), QStringLiteral("CITTÀ")}});
    f.insertCard({{QStringLiteral("Codice"), QStringLiteral("S03")},
                  {QStringLiteral("Descrizione"), QStringLiteral("Soave")},
                  {QStringLiteral("Note"), QStringLiteral("Le Terrazze")}});
    f.reopen();
    Cellar &c = f.cellar();
    c.criteria.ricerca = [search] { return search; };
    c.filterMode = u'S';
    c.Schede.setFiltered(true);
    QCOMPARE(descriptions(c.Schede), expected);
}

void TestFilters::movementsModeReadsItsOwnBox()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")}});
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Soave")}});
    f.reopen();
    Cellar &c = f.cellar();
    c.criteria.ricerca = [] { return QStringLiteral("barolo"); };
    c.criteria.ckdescrizione = [] { return QStringLiteral("soa"); };
    c.filterMode = u'M';
    c.Schede.setFiltered(true);
    QCOMPARE(descriptions(c.Schede), QStringList{QStringLiteral("Soave")});
    c.filterMode = u'S';
    c.Schede.first();
    QCOMPARE(descriptions(c.Schede), QStringList{QStringLiteral("Barolo")});
}

void TestFilters::criteriaAreReadAtEachTest()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")}});
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Soave")}});
    f.reopen();
    Cellar &c = f.cellar();
    QString box = QStringLiteral("bar");
    c.criteria.ricerca = [&box] { return box; };
    c.filterMode = u'S';
    c.Schede.setFiltered(true);
    QCOMPARE(descriptions(c.Schede), QStringList{QStringLiteral("Barolo")});
    // A change of the box alone re-reads nothing; moving to the first card does.
    box = QStringLiteral("soa");
    QCOMPARE(descriptions(c.Schede), QStringList{QStringLiteral("Barolo")});
    c.Schede.first();
    QCOMPARE(descriptions(c.Schede), QStringList{QStringLiteral("Soave")});
    QCOMPARE(c.Schede.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("Soave"));
    // No reader installed reads as an empty box.
    c.criteria.ricerca = nullptr;
    c.Schede.first();
    QCOMPARE(c.Schede.recordCount(), 2);
}

void TestFilters::otherModesPassEverything_data()
{
    QTest::addColumn<QChar>("mode");
    QTest::newRow("space") << QChar(u' ');
    QTest::newRow("unknown X") << QChar(u'X');
    QTest::newRow("lower-case s") << QChar(u's');
    QTest::newRow("nul") << QChar(u'\0');
}

void TestFilters::otherModesPassEverything()
{
    QFETCH(QChar, mode);
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")}, {QStringLiteral("Gruppo"), QStringLiteral("Rossi")}});
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Soave")}});
    f.reopen();
    Cellar &c = f.cellar();
    c.criteria.ricerca = [] { return QStringLiteral("nothing matches this"); };
    c.criteria.ckdescrizione = c.criteria.ricerca;
    c.criteria.selGruppo = [] { return QStringLiteral("Bianchi"); };
    c.criteria.incarta = [] { return true; };
    c.filterMode = mode;
    c.Schede.setFiltered(true);
    QCOMPARE(c.Schede.recordCount(), 2);
}

void TestFilters::printSelection_data()
{
    QTest::addColumn<QString>("gruppo");
    QTest::addColumn<QString>("fornitore");
    QTest::addColumn<QString>("produttore");
    QTest::addColumn<QString>("tipologia");
    QTest::addColumn<bool>("incarta");
    QTest::addColumn<QStringList>("expected");
    const QString e;
    const QStringList all = {QStringLiteral("Barolo"), QStringLiteral("Chianti"), QStringLiteral("Soave")};
    QTest::newRow("all boxes empty, all cards") << e << e << e << e << false << all;
    QTest::newRow("group exact") << QStringLiteral("Rossi") << e << e << e << false
                                 << QStringList{QStringLiteral("Barolo"), QStringLiteral("Chianti")};
    QTest::newRow("group differs in case") << QStringLiteral("rossi") << e << e << e << false << QStringList{};
    QTest::newRow("group with a trailing space") << QStringLiteral("Rossi ") << e << e << e << false << QStringList{};
    QTest::newRow("group and supplier") << QStringLiteral("Rossi") << QStringLiteral("Enoteca") << e << e << false
                                        << QStringList{QStringLiteral("Chianti")};
    QTest::newRow("producer") << e << e << QStringLiteral("Conterno") << e << false << QStringList{QStringLiteral("Barolo")};
    QTest::newRow("type") << e << e << e << QStringLiteral("Fermo") << false
                          << QStringList{QStringLiteral("Barolo"), QStringLiteral("Soave")};
    QTest::newRow("wine list only") << e << e << e << e << true << QStringList{QStringLiteral("Barolo")};
    QTest::newRow("wine list and type") << e << e << e << QStringLiteral("Fermo") << true
                                        << QStringList{QStringLiteral("Barolo")};
    QTest::newRow("nothing matches") << QStringLiteral("Rossi") << e << QStringLiteral("Pieropan") << e << false
                                     << QStringList{};
}

void TestFilters::printSelection()
{
    QFETCH(QString, gruppo);
    QFETCH(QString, fornitore);
    QFETCH(QString, produttore);
    QFETCH(QString, tipologia);
    QFETCH(bool, incarta);
    QFETCH(QStringList, expected);
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")}, {QStringLiteral("Gruppo"), QStringLiteral("Rossi")},
                  {QStringLiteral("Produttore"), QStringLiteral("Conterno")}, {QStringLiteral("Tipologia"), QStringLiteral("Fermo")},
                  {QStringLiteral("Incarta"), 1}});
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Chianti")}, {QStringLiteral("Gruppo"), QStringLiteral("Rossi")},
                  {QStringLiteral("Fornitore"), QStringLiteral("Enoteca")}, {QStringLiteral("Incarta"), 0}});
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Soave")}, {QStringLiteral("Gruppo"), QStringLiteral("Bianchi")},
                  {QStringLiteral("Produttore"), QStringLiteral("Pieropan")}, {QStringLiteral("Tipologia"), QStringLiteral("Fermo")}});
    f.reopen();
    Cellar &c = f.cellar();
    c.criteria.selGruppo = [gruppo] { return gruppo; };
    c.criteria.selfornitore = [fornitore] { return fornitore; };
    c.criteria.selproduttore = [produttore] { return produttore; };
    c.criteria.seltipologia = [tipologia] { return tipologia; };
    c.criteria.incarta = [incarta] { return incarta; };
    c.filterMode = u'P';
    c.Schede.setFiltered(true);
    QCOMPARE(descriptions(c.Schede), expected);
}

void TestFilters::switchingOffSettlesAPendingEdit()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")}});
    f.reopen();
    Cellar &c = f.cellar();
    c.filterMode = u'S';
    c.Schede.setFiltered(true);

    // An untouched new card is dropped.
    c.Schede.append();
    c.filterMode = u' ';
    c.Schede.setFiltered(false);
    QCOMPARE(c.Schede.recordCount(), 1);
    QVERIFY(!c.Schede.isEditing());

    // A changed card is saved.
    c.Schede.setFiltered(true);
    c.Schede.edit();
    c.Schede.fieldByName(QStringLiteral("Descrizione")).setAsString(QStringLiteral("Barolo Riserva"));
    c.Schede.setFiltered(false);
    f.reopen();
    QCOMPARE(descriptions(c.Schede), QStringList{QStringLiteral("Barolo Riserva")});
}

void TestFilters::switchingToTheSameValueDoesNothing()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Amarone")}});
    f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")}});
    f.reopen();
    Cellar &c = f.cellar();
    c.Schede.setFiltered(true);
    c.Schede.next();
    int tests = 0;
    auto counting = c.Schede.onFilterRecord;
    c.Schede.onFilterRecord = [&tests, counting](db::Table &t, bool &accept) {
        ++tests;
        counting(t, accept);
    };
    c.Schede.setFiltered(true);
    QCOMPARE(tests, 0);
    QCOMPARE(c.Schede.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("Barolo"));
    c.Schede.onFilterRecord = counting;
}

void TestFilters::journalRange_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("both empty pass every line") << QString() << QString() << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("same day") << QStringLiteral("2024-03-10") << QStringLiteral("2024-03-10") << QList<int>{2, 3};
    QTest::newRow("from later than to") << QStringLiteral("2024-03-11") << QStringLiteral("2024-03-10") << QList<int>{};
    QTest::newRow("only a to-date") << QString() << QStringLiteral("2024-03-10") << QList<int>{1, 2, 3, 5};
    QTest::newRow("only a from-date") << QStringLiteral("2024-03-10") << QString() << QList<int>{2, 3, 4};
    QTest::newRow("invalid from reads as none") << QStringLiteral("31/02/2024") << QStringLiteral("2024-03-09")
                                                << QList<int>{1, 5};
    QTest::newRow("garbage both") << QStringLiteral("yesterday") << QStringLiteral("??") << QList<int>{1, 2, 3, 4, 5};
}

void TestFilters::journalRange()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QList<int>, expected);
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    f.exec(QStringLiteral("INSERT INTO Giornale (ID, Causale, Data) VALUES "
                          "(1, 'C', '2024-03-09 00:00:00'), (2, 'S', '2024-03-10 00:00:00'), "
                          "(3, 'S', '2024-03-10 00:00:00'), (4, 'C', '2024-03-11 00:00:00'), (5, 'C', NULL)"));
    f.reopen();
    Cellar &c = f.cellar();
    c.criteria.dadata = [from] { return from; };
    c.criteria.adata = [to] { return to; };
    c.filterMode = u'S'; // the journal filter does not consult the mode
    c.giornale.setFiltered(true);
    QList<int> ids;
    const int id = c.giornale.fieldByName(QStringLiteral("ID")).index();
    for (int i = 0; i < c.giornale.recordCount(); ++i)
        ids << c.giornale.valueAt(i, id).toInt();
    std::sort(ids.begin(), ids.end());
    QCOMPARE(ids, expected);
}

void TestFilters::dateBoxTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("empty") << QString() << QDate();
    QTest::newRow("blank") << QStringLiteral("   ") << QDate();
    QTest::newRow("iso") << QStringLiteral("2024-03-10") << QDate(2024, 3, 10);
    QTest::newRow("iso with time") << QStringLiteral("2024-03-10 00:00:00") << QDate(2024, 3, 10);
    QTest::newRow("not a date") << QStringLiteral("ieri") << QDate();
    QTest::newRow("impossible day") << QStringLiteral("2024-02-30") << QDate();
}

void TestFilters::dateBoxTexts()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    const QDateTime read = readDateBox(text);
    QCOMPARE(read.isValid(), expected.isValid());
    if (expected.isValid())
        QCOMPARE(read.date(), expected);
}

void TestFilters::searchTextFollowsAnotherColumnOrder()
{
    // Two cellars one after the other in the same place in memory, the second with the card
    // columns in another order: the search text must follow each table's own columns.
    QTemporaryDir first;
    QTemporaryDir second;
    for (const QTemporaryDir *d : {&first, &second})
        QCOMPARE(CellarFixture::createDatabase(d->filePath(QStringLiteral("vinary.mdb"))), QString());
    {
        db::Connection raw;
        raw.setDatabaseName(second.filePath(QStringLiteral("vinary.mdb")));
        raw.open();
        QStringList columns = {QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT")};
        const QStringList stored = {
            QStringLiteral("Note TEXT(100)"), QStringLiteral("Descrizione TEXT(50)"), QStringLiteral("Codice TEXT(13)"),
            QStringLiteral("Composizione TEXT(50)"), QStringLiteral("Anno TEXT(4)"), QStringLiteral("Gradi TEXT(5)"),
            QStringLiteral("Produttore TEXT(50)"), QStringLiteral("Fornitore TEXT(50)"), QStringLiteral("Zona TEXT(50)"),
            QStringLiteral("Regione TEXT(50)"), QStringLiteral("Gruppo TEXT(50)"), QStringLiteral("Tipologia TEXT(50)"),
            QStringLiteral("Capacita TEXT(50)"), QStringLiteral("Collocazione TEXT(10)"), QStringLiteral("Quantita REAL"),
            QStringLiteral("Prezzo_Acq REAL"), QStringLiteral("Ricarico REAL"), QStringLiteral("Prezzo_Ven REAL"),
            QStringLiteral("Prezzo_Bic REAL"), QStringLiteral("Incarta BOOLEAN"), QStringLiteral("Ultimo_carico DATETIME"),
            QStringLiteral("Scadenza DATETIME"), QStringLiteral("Scorta REAL"), QStringLiteral("Degustazione TEXT(100)"),
            QStringLiteral("Punti1 REAL"), QStringLiteral("Punti2 REAL"), QStringLiteral("Punti3 REAL")};
        columns << stored;
        raw.exec(QStringLiteral("DROP TABLE Schede; CREATE TABLE Schede (%1)").arg(columns.join(QStringLiteral(", "))));
        raw.close();
    }
    std::optional<Cellar> cellar;
    QStringList texts;
    for (const QTemporaryDir *d : {&first, &second}) {
        cellar.emplace();
        cellar->setDatabaseDirectory(d->path() + u'/');
        cellar->connect();
        cellar->DB.exec(QStringLiteral("INSERT INTO Schede (Codice, Descrizione, Note) VALUES ('X1', 'Barolo', 'n')"));
        cellar->Schede.open();
        texts << cardSearchText(cellar->Schede);
        cellar.reset();
    }
    QCOMPARE(texts, (QStringList{QStringLiteral("X1Barolon"), QStringLiteral("X1Barolon")}));
}

QTEST_GUILESS_MAIN(TestFilters)
#include "test_filters.moc"
