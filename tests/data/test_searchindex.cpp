// The card search index: the cards a search accepts with it are exactly those a test of every card
// accepts, and the index stays what a rebuild from scratch would make through every way the cards
// change.
#include "data/cellar.h"
#include "data/movements.h"
#include "data/schemaupgrade.h"
#include "data/searchindex.h"
#include "engine/jet/cellarschema.h"
#include "engine/jet/jetconverter.h"
#include "tests/data/cellarfixture.h"
#include "tests/engine/jet/memorysource.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using vinary::test::CellarFixture;

namespace
{

// Characters the cards and searches are made of: few, so that random searches find cards, with
// letters in both cases, accented ones, two emoji and the characters that are special in SQL
// patterns and in the index's query syntax.
const QStringList kAlphabet = {u"a"_s, u"b"_s, u"A"_s, u"B"_s, u"z"_s,   u" "_s,  u"à"_s, u"À"_s,
                               u"é"_s, u"ß"_s, u"%"_s, u"_"_s, u"*"_s,   u"\""_s, u"'"_s, u"["_s,
                               u"?"_s, u"1"_s, u"🍷"_s, u"😀"_s, u"AND"_s, u"-"_s};

struct SearchColumn {
    const char16_t *name;
    int size;
};
const SearchColumn kColumns[] = {
    {u"Codice", 13},     {u"Descrizione", 50}, {u"Composizione", 50}, {u"Anno", 4},           {u"Gradi", 5},
    {u"Produttore", 50}, {u"Fornitore", 50},   {u"Zona", 50},         {u"Regione", 50},       {u"Gruppo", 50},
    {u"Tipologia", 50},  {u"Capacita", 50},    {u"Collocazione", 10}, {u"Degustazione", 100}, {u"Note", 100}};

// A text of up to size characters (an emoji counts as one), sometimes filled to the size.
QString randomText(QRandomGenerator &rng, int size)
{
    const int length = rng.bounded(4) == 0 ? size : int(rng.bounded(size + 1));
    QString out;
    int characters = 0;
    while (characters < length) {
        const QString piece = kAlphabet.at(rng.bounded(int(kAlphabet.size())));
        const int count = int(piece.toUcs4().size());
        if (characters + count > length)
            continue;
        out += piece;
        characters += count;
    }
    return out;
}

QVariantMap randomCard(QRandomGenerator &rng)
{
    QVariantMap card;
    for (const SearchColumn &c : kColumns) {
        switch (rng.bounded(4)) {
        case 0:
            card.insert(QString::fromUtf16(c.name), QVariant()); // null
            break;
        case 1:
            card.insert(QString::fromUtf16(c.name), QString(u""_s));
            break;
        default:
            card.insert(QString::fromUtf16(c.name), randomText(rng, c.size));
        }
    }
    card.insert(u"Quantita"_s, 0);
    return card;
}

QList<qint64> accepted(db::Table &schede)
{
    QList<qint64> rows;
    for (int i = 0; i < schede.recordCount(); ++i)
        rows << schede.rowIdAt(i);
    return rows;
}

// The index as it stands: which card holds which trigram, and the text of each card.
QStringList indexState(db::Connection &DB)
{
    QStringList out;
    DB.exec(u"CREATE VIRTUAL TABLE IF NOT EXISTS temp.vocabolario USING fts5vocab(main, %1, instance)"_s.arg(
        searchindex::tableName()));
    db::Statement terms = DB.prepare(u"SELECT term, doc FROM temp.vocabolario ORDER BY term, doc"_s);
    while (terms.step())
        out << terms.text(0) + u'|' + QString::number(terms.int64(1));
    db::Statement texts =
        DB.prepare(u"SELECT rowid, testo FROM %1 ORDER BY rowid"_s.arg(searchindex::tableName()));
    while (texts.step())
        out << QString::number(texts.int64(0)) + u'=' + texts.text(1);
    DB.exec(u"DROP TABLE temp.vocabolario"_s);
    return out;
}

// Compares the index with one built again from the cards as they are now.
void verifyInStep(db::Connection &DB, const char *after)
{
    QVERIFY2(searchindex::isPresent(DB), after);
    const QStringList live = indexState(DB);
    QVERIFY2(searchindex::create(DB), after);
    const QStringList rebuilt = indexState(DB);
    QVERIFY2(!rebuilt.isEmpty(), after);
    if (live != rebuilt) {
        for (const QString &line : rebuilt) {
            if (!live.contains(line))
                qWarning() << after << "missing from the index:" << line;
        }
        for (const QString &line : live) {
            if (!rebuilt.contains(line))
                qWarning() << after << "left in the index:" << line;
        }
    }
    QVERIFY2(live == rebuilt, after);
}

void setSearch(Cellar &cellar, QChar mode, const QString &text)
{
    cellar.filterMode = mode;
    cellar.criteria.ricerca = [text] { return text; };
    cellar.criteria.ckdescrizione = [text] { return text; };
}

// The Jet column a column of the delivered schema comes from in the Windows program's file.
jet::JetColumn jetColumnFor(const jet::CellarSchema::Column &c)
{
    const QString type = c.declaredType.toUpper();
    if (type.startsWith(u"INTEGER"_s))
        return {c.name, jet::JetType::LongInteger, 0, true};
    if (type.startsWith(u"TEXT"_s))
        return {c.name, jet::JetType::Text, type.section(u'(', 1).section(u')', 0, 0).toInt(), false};
    if (type == u"BOOLEAN"_s)
        return {c.name, jet::JetType::Boolean, 0, false};
    if (type == u"DATETIME"_s)
        return {c.name, jet::JetType::DateTime, 0, false};
    if (type == u"SMALLINT"_s)
        return {c.name, jet::JetType::Integer, 0, false};
    return {c.name, jet::JetType::Double, 0, false};
}

} // namespace

class TestSearchIndex : public QObject
{
    Q_OBJECT

private slots:
    void searchAcceptsWhatTheScanAccepts();
    void indexStaysInStepWithTheCards();
    void jetMigrationEndsWithTheIndex();
    void postedCardKeepsItsPlaceUnderASortedSearch();
};

void TestSearchIndex::searchAcceptsWhatTheScanAccepts()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    Cellar &cellar = f.cellar();
    db::Table &schede = cellar.Schede;
    QRandomGenerator rng(20240315);
    QStringList searchTexts;
    for (int i = 0; i < 300; ++i) {
        const QVariantMap card = randomCard(rng);
        f.insertCard(card);
        QString text;
        for (const SearchColumn &c : kColumns)
            text += card.value(QString::fromUtf16(c.name)).toString();
        searchTexts << text;
    }
    f.reopen();

    const db::Table::CandidatesHook offer = schede.onFilterCandidates;
    int offered = 0;
    schede.onFilterCandidates = [&](db::Table &t) {
        auto candidates = offer(t);
        offered += candidates ? 1 : 0;
        return candidates;
    };
    schede.setFiltered(true);
    int matched = 0;
    for (int i = 0; i < 400; ++i) {
        // Half the searches are pieces of a card's text with the letters' case changed at random, the
        // others random texts; 1 to 20 characters.
        const int length = 1 + int(rng.bounded(20));
        QString search;
        const QList<uint> source = searchTexts.at(rng.bounded(int(searchTexts.size()))).toUcs4();
        if (i % 2 == 0 && source.size() > length) {
            const int from = int(rng.bounded(int(source.size()) - length + 1));
            for (uint point : source.mid(from, length)) {
                QString ch = QString::fromUcs4(reinterpret_cast<const char32_t *>(&point), 1);
                search += rng.bounded(2) ? ch.toLower() : ch;
            }
        } else {
            search = randomText(rng, length);
            if (search.isEmpty())
                search = u"a"_s;
        }
        setSearch(cellar, i % 3 == 0 ? u'M' : u'S', search);

        schede.first();
        const QList<qint64> withIndex = accepted(schede);
        const db::Table::CandidatesHook hook = schede.onFilterCandidates;
        schede.onFilterCandidates = nullptr;
        schede.first();
        const QList<qint64> byScan = accepted(schede);
        QVERIFY2(withIndex == byScan,
                 qPrintable(u"search \"%1\": %2 cards with the index, %3 by the scan"_s.arg(search)
                                .arg(withIndex.size())
                                .arg(byScan.size())));
        matched += byScan.isEmpty() ? 0 : 1;

        // A title click under the search sorts the same cards in the same order as the scan does.
        if (i % 10 == 0) {
            schede.setSortedBy({u"Produttore"_s, u"Descrizione"_s});
            schede.resort();
            const QList<qint64> sortedByScan = accepted(schede);
            schede.onFilterCandidates = hook;
            schede.resort();
            QVERIFY2(accepted(schede) == sortedByScan, qPrintable(search));
            schede.setSortedBy(Cellar::defaultSchedeSort());
            schede.resort();
        }
        schede.onFilterCandidates = hook;
    }
    QVERIFY(searchindex::isPresent(cellar.DB)); // built at the first search that could use it
    QVERIFY2(offered > 150, qPrintable(QString::number(offered)));
    QVERIFY2(matched > 100, qPrintable(QString::number(matched)));
}

void TestSearchIndex::indexStaysInStepWithTheCards()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    Cellar &cellar = f.cellar();
    db::Connection &DB = cellar.DB;
    db::Table &schede = cellar.Schede;
    QRandomGenerator rng(7);
    for (int i = 0; i < 40; ++i)
        f.insertCard(randomCard(rng));
    upgradeCellar(DB);
    QVERIFY(searchindex::isPresent(DB));
    verifyInStep(DB, "the upgrade");
    f.reopen();

    // Inserts through the table and behind its back, one in place of an existing card.
    schede.append();
    schede.fieldByName(u"Descrizione"_s).setAsString(u"Barolo Bricco Rocche"_s);
    schede.fieldByName(u"Note"_s).setAsString(u"🍷 in cantina"_s);
    schede.post();
    f.insertCard(randomCard(rng));
    DB.exec(u"INSERT OR REPLACE INTO Schede (ID, Descrizione) VALUES (3, 'Sostituita')"_s);
    verifyInStep(DB, "inserts");

    // Changes: a search column through the table, several behind its back, a column outside the
    // search text, a card's number.
    f.reopen();
    schede.first();
    schede.edit();
    schede.fieldByName(u"Codice"_s).setAsString(u"8001234567890"_s);
    schede.fieldByName(u"Gradi"_s).setValue(QVariant());
    schede.post();
    DB.exec(u"UPDATE Schede SET Zona = upper(Zona), Note = NULL WHERE ID % 3 = 0"_s);
    DB.exec(u"UPDATE Schede SET Quantita = 5 WHERE ID % 2 = 0"_s);
    DB.exec(u"UPDATE Schede SET ID = 1000 WHERE ID = 5"_s);
    verifyInStep(DB, "changes");

    // Deletes: through the table (stock 0, the question answered yes) and behind its back.
    f.reopen();
    schede.last();
    f.messages().setNextAnswer(true);
    schede.deleteRecord();
    DB.exec(u"DELETE FROM Schede WHERE ID % 4 = 1"_s);
    verifyInStep(DB, "deletes");

    // A movement that fails after the card was changed and a card added in the same transaction.
    f.reopen();
    DB.exec(u"CREATE TEMP TRIGGER movimento_fallito BEFORE UPDATE OF Quantita ON Schede "
            "WHEN new.Quantita >= 99 BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"_s);
    DB.begin();
    schede.first();
    schede.edit();
    schede.fieldByName(u"Descrizione"_s).setAsString(u"Nome cambiato"_s);
    schede.post();
    f.insertCard({{u"Descrizione"_s, u"Aggiunta e annullata"_s}});
    schede.first();
    StockMovements movements(cellar);
    QVERIFY_THROWS_EXCEPTION(std::exception, movements.record({Movement::Kind::Load, 99.0, 1.0, 2.0}));
    QVERIFY(!DB.inTransaction());
    verifyInStep(DB, "a rolled-back movement");
    DB.exec(u"DROP TRIGGER temp.movimento_fallito"_s);
    const QStringList beforeCompaction = indexState(DB);

    // A compaction copies the index and keeps its triggers.
    const QString file = DB.fileName();
    cellar.disconnect();
    db::Connection::compact(file);
    cellar.connect();
    QCOMPARE(indexState(DB), beforeCompaction);
    f.insertCard({{u"Descrizione"_s, u"Dopo la compattazione"_s}});
    verifyInStep(DB, "a compaction");
}

void TestSearchIndex::jetMigrationEndsWithTheIndex()
{
    // The Windows program's file, with the five tables of the delivered schema and random cards.
    MemorySource source;
    QRandomGenerator rng(11);
    for (const jet::CellarSchema::Table &t : jet::CellarSchema::cellar().tables()) {
        QList<jet::JetColumn> columns;
        for (const jet::CellarSchema::Column &c : t.columns)
            columns << jetColumnFor(c);
        MemorySource::Table &table = source.add(t.name, columns);
        if (t.name != u"Schede"_s)
            continue;
        for (int id = 1; id <= 30; ++id) {
            const QVariantMap card = randomCard(rng);
            QVariantList row;
            for (const jet::JetColumn &c : columns) {
                if (c.name == u"ID"_s)
                    row << id * 2;
                else if (c.type == jet::JetType::Boolean)
                    row << false;
                else
                    row << card.value(c.name);
            }
            table.rows << row;
        }
    }
    QTemporaryDir dir;
    const QString target = dir.filePath(u"vinary.mdb"_s);
    jet::convertToSqlite(source, target);

    db::Connection DB;
    DB.setDatabaseName(target);
    DB.open();
    QVERIFY(!searchindex::isPresent(DB));
    upgradeCellar(DB);
    QCOMPARE(schemaVersion(DB), kSchemaVersion);
    verifyInStep(DB, "a Jet migration");
}

void TestSearchIndex::postedCardKeepsItsPlaceUnderASortedSearch()
{
    CellarFixture f;
    QVERIFY2(f.isValid(), qPrintable(f.errorText()));
    Cellar &cellar = f.cellar();
    db::Table &schede = cellar.Schede;
    for (const QString &name : {u"Barolo"_s, u"Barbera"_s, u"Barbaresco"_s, u"Soave"_s})
        f.insertCard({{u"Descrizione"_s, name}, {u"Produttore"_s, name.right(3)}});
    f.reopen();
    setSearch(cellar, u'S', u"bar"_s);
    schede.setFiltered(true);
    schede.setSortedBy({u"Produttore"_s, u"Descrizione"_s});
    schede.resort();
    auto names = [&schede] {
        QStringList out;
        const int column = schede.fieldByName(u"Descrizione"_s).index();
        for (int i = 0; i < schede.recordCount(); ++i)
            out << schede.valueAt(i, column).toString();
        return out;
    };
    QCOMPARE(names(), (QStringList{u"Barbera"_s, u"Barolo"_s, u"Barbaresco"_s}));

    // Posted after the re-sort, a card keeps its place at the end through a search, up to the next
    // re-sort.
    schede.append();
    schede.fieldByName(u"Descrizione"_s).setAsString(u"Bardolino"_s);
    schede.fieldByName(u"Produttore"_s).setAsString(u"AAA"_s);
    schede.post();
    schede.first();
    QCOMPARE(names(), (QStringList{u"Barbera"_s, u"Barolo"_s, u"Barbaresco"_s, u"Bardolino"_s}));
    setSearch(cellar, u'S', QString());
    schede.first();
    QCOMPARE(names(), (QStringList{u"Soave"_s, u"Barbera"_s, u"Barolo"_s, u"Barbaresco"_s, u"Bardolino"_s}));
    setSearch(cellar, u'S', u"bar"_s);
    schede.resort();
    QCOMPARE(names(), (QStringList{u"Bardolino"_s, u"Barbera"_s, u"Barolo"_s, u"Barbaresco"_s}));

    // So does a changed card keep its place.
    schede.moveTo(1);
    schede.edit();
    schede.fieldByName(u"Produttore"_s).setAsString(u"ZZZ"_s);
    schede.post();
    schede.first();
    QCOMPARE(names(), (QStringList{u"Bardolino"_s, u"Barbera"_s, u"Barolo"_s, u"Barbaresco"_s}));
    schede.resort();
    QCOMPARE(names(), (QStringList{u"Bardolino"_s, u"Barolo"_s, u"Barbaresco"_s, u"Barbera"_s}));
}

QTEST_GUILESS_MAIN(TestSearchIndex)
#include "test_searchindex.moc"
