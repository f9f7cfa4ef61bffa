#include "engine/common/errors.h"
#include "engine/jet/jetconverter.h"
#include "engine/jet/jetfile.h"
#include "engine/jet/sqlitefile.h"
#include "jetfixtures.h"
#include "memorysource.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using vinary::VinaryError;
using namespace vinary::jet;

namespace
{

JetColumn text(const QString &name, int size)
{
    return JetColumn{name, JetType::Text, size, false};
}
JetColumn typed(const QString &name, JetType type)
{
    return JetColumn{name, type, 0, false};
}
JetColumn counter(const QString &name = u"ID"_s)
{
    return JetColumn{name, JetType::LongInteger, 0, true};
}

QList<JetColumn> cardColumns()
{
    QList<JetColumn> columns{
        counter(),          text(u"Codice"_s, 13), text(u"Descrizione"_s, 50), text(u"Composizione"_s, 50),
        text(u"Anno"_s, 4), text(u"Gradi"_s, 5)};
    for (const QString &name : {u"Produttore"_s, u"Fornitore"_s, u"Zona"_s, u"Regione"_s, u"Gruppo"_s,
                                u"Tipologia"_s, u"Capacita"_s})
        columns.append(text(name, 50));
    columns.append(text(u"Collocazione"_s, 10));
    for (const QString &name :
         {u"Quantita"_s, u"Prezzo_Acq"_s, u"Ricarico"_s, u"Prezzo_Ven"_s, u"Prezzo_Bic"_s})
        columns.append(typed(name, JetType::Double));
    columns.append(typed(u"Incarta"_s, JetType::Boolean));
    columns.append(typed(u"Ultimo_carico"_s, JetType::DateTime));
    columns.append(typed(u"Scadenza"_s, JetType::DateTime));
    columns.append(typed(u"Scorta"_s, JetType::Double));
    columns.append(text(u"Degustazione"_s, 100));
    for (const QString &name : {u"Punti1"_s, u"Punti2"_s, u"Punti3"_s})
        columns.append(typed(name, JetType::Double));
    columns.append(text(u"Note"_s, 100));
    return columns;
}

// A row for the columns of a table, null everywhere except the given values; booleans, which Jet
// never stores as null, are false.
QVariantList rowFor(const QList<JetColumn> &columns, const QVariantMap &values)
{
    QVariantList row;
    for (const JetColumn &c : columns) {
        if (values.contains(c.name))
            row.append(values.value(c.name));
        else
            row.append(c.type == JetType::Boolean ? QVariant(false) : QVariant());
    }
    return row;
}

QDateTime day(int y, int m, int d, int hh = 0, int mm = 0)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm));
}

// The five cellar tables with the column types the Windows program's Jet file has.
MemorySource cellarSource()
{
    MemorySource source(u"C:/Cantina/vinary.mdb"_s);
    auto &config =
        source.add(u"Configurazione"_s, {text(u"Utente"_s, 50), typed(u"Ricarico"_s, JetType::Double)});
    config.rows.append({u"Enoteca Da Nicolò"_s, 1.8});

    auto &cards = source.add(u"Schede"_s, cardColumns());
    cards.rows.append(rowFor(cards.columns, {{u"ID"_s, 3},
                                             {u"Codice"_s, u"8001234567890"_s},
                                             {u"Descrizione"_s, u"Barolo Riserva"_s},
                                             {u"Anno"_s, u"2016"_s},
                                             {u"Quantita"_s, 12.0},
                                             {u"Prezzo_Acq"_s, 25.5},
                                             {u"Ricarico"_s, 1.5},
                                             {u"Incarta"_s, true},
                                             {u"Ultimo_carico"_s, day(2024, 3, 5, 14, 30)},
                                             {u"Scadenza"_s, day(2030, 12, 31)}}));
    // Cleared dates come as the day number 0, which reads as an invalid date.
    cards.rows.append(rowFor(cards.columns, {{u"ID"_s, 7},
                                             {u"Descrizione"_s, u"Lambrusco"_s},
                                             {u"Gruppo"_s, u""_s},
                                             {u"Quantita"_s, 0.0},
                                             {u"Ultimo_carico"_s, QDateTime()},
                                             {u"Scadenza"_s, QDateTime()}}));
    cards.rows.append(rowFor(cards.columns, {{u"ID"_s, 12}, {u"Descrizione"_s, u"Vermentino"_s}}));

    auto &journal = source.add(
        u"Giornale"_s,
        {counter(), text(u"Causale"_s, 1), typed(u"Data"_s, JetType::DateTime), text(u"Codice"_s, 13),
         text(u"Descrizione"_s, 50), text(u"Anno"_s, 4), typed(u"Quantita"_s, JetType::Double),
         typed(u"Prezzo_acq"_s, JetType::Double), typed(u"Prezzo_ven"_s, JetType::Double)});
    journal.rows.append(
        {1, u"C"_s, day(2024, 3, 5), u"8001234567890"_s, u"Barolo Riserva"_s, u"2016"_s, 12.0, 25.5, 38.25});
    journal.rows.append(
        {2, u"S"_s, day(2024, 3, 6), u"8001234567890"_s, u"Barolo Riserva"_s, u"2016"_s, -2.0, 25.5, 38.25});

    auto &reports = source.add(u"Stampe"_s, {counter(), text(u"Stampa"_s, 30),
                                             typed(u"Ordine"_s, JetType::Integer), text(u"Tracciato"_s, 30),
                                             text(u"Ordinamento"_s, 1), text(u"Selezione"_s, 1)});
    reports.rows.append({1, u"[STAMPA_CATALOGO]"_s, 1, u"catalogo.frf"_s, u"*"_s, u"C"_s});
    reports.rows.append({6, u"[STAMPA_GIORNALE]"_s, 2, u"giornale.frf"_s, u"G"_s, u"G"_s});

    auto &orders = source.add(u"Indici"_s, {counter(), text(u"Indice"_s, 30), text(u"Ordine"_s, 60)});
    orders.rows.append({1, u"[ORD_DESCRIZIONE]"_s, u"\"[Descrizione] ASC\""_s});
    return source;
}

QList<QVariantList> query(const QString &database, const QString &sql)
{
    SqliteFile db(database);
    SqliteStatement statement(db, sql);
    QList<QVariantList> rows;
    while (statement.step()) {
        QVariantList row;
        for (int i = 0; i < statement.columnCount(); ++i)
            row.append(statement.value(i));
        rows.append(row);
    }
    return rows;
}

QVariant scalar(const QString &database, const QString &sql)
{
    const QList<QVariantList> rows = query(database, sql);
    return rows.isEmpty() ? QVariant(u"<no row>"_s) : rows.first().value(0);
}

QString convertFailure(JetSource &source, const QString &target,
                       const CellarSchema &schema = CellarSchema::cellar())
{
    try {
        convertToSqlite(source, target, schema);
    } catch (const VinaryError &e) {
        return e.message();
    }
    return QString();
}

QString deliveredSql()
{
    QFile file(QStringLiteral(VINARY_SOURCE_DIR "/resources/db/vinary.sql"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestJetConverter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheSchemaFromTheDeliveredScript();
    void createsExactlyTheCellarSchema();
    void keepsTheCountersGoing();
    void convertsValuesToTheColumnTypes();
    void keepsFiftyCharacterTextsWithAccents();
    void convertsValuesOfOtherJetTypes();
    void keepsUnknownColumnsAndTables();
    void leavesMissingOptionalColumnsNull();
    void matchesNamesWithoutLetterCase();
    void missingRequiredTableIsNamed_data();
    void missingRequiredTableIsNamed();
    void refusesATargetThatHoldsData();
    void removesAHalfWrittenTarget();
    void jetFixtureWithoutCellarTablesFailsCleanly_data();
    void jetFixtureWithoutCellarTablesFailsCleanly();
    void convertsEveryTableOfTheJetFixtures_data();
    void convertsEveryTableOfTheJetFixtures();
};

void TestJetConverter::readsTheSchemaFromTheDeliveredScript()
{
    const CellarSchema &schema = CellarSchema::cellar();
    QStringList names;
    for (const CellarSchema::Table &t : schema.tables())
        names.append(t.name);
    QCOMPARE(names, QStringList({u"Configurazione"_s, u"Schede"_s, u"Giornale"_s, u"Stampe"_s, u"Indici"_s}));

    const QString script = deliveredSql();
    QVERIFY(!script.isEmpty());
    for (const CellarSchema::Table &t : schema.tables())
        QVERIFY2(script.contains(t.createSql), qPrintable(t.createSql));

    const CellarSchema::Table *cards = schema.table(u"schede"_s);
    QVERIFY(cards);
    QCOMPARE(cards->columns.size(), 28);
    QVERIFY(cards->autoIncrement);
    QCOMPARE(cards->column(u"descrizione"_s)->declaredType, u"TEXT(50)"_s);
    QCOMPARE(cards->column(u"Ultimo_carico"_s)->declaredType, u"DATETIME"_s);
    QVERIFY(!schema.table(u"Configurazione"_s)->autoIncrement);

    const CellarSchema custom = CellarSchema::fromSql(
        u"CREATE TABLE T (a TEXT(3)); CREATE INDEX T_a ON T (a); INSERT INTO T VALUES ('x');"_s);
    QCOMPARE(custom.tables().size(), 1);
    QCOMPARE(custom.laterStatements(), QStringList{u"CREATE INDEX T_a ON T (a)"_s});
    QVERIFY_THROWS_EXCEPTION(VinaryError, CellarSchema::fromSql(u"CREATE TABLE (broken"_s));
}

void TestJetConverter::createsExactlyTheCellarSchema()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"mdb1234.tmp"_s);
    MemorySource source = cellarSource();
    convertToSqlite(source, target);

    const QList<QVariantList> objects =
        query(target, u"SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY rowid"_s);
    QStringList names;
    for (const QVariantList &o : objects)
        names.append(o.at(0).toString());
    QCOMPARE(names, QStringList({u"Configurazione"_s, u"Schede"_s, u"sqlite_sequence"_s, u"Giornale"_s,
                                 u"Stampe"_s, u"Indici"_s}));
    for (const QVariantList &o : objects) {
        if (const CellarSchema::Table *t = CellarSchema::cellar().table(o.at(0).toString()))
            QCOMPARE(o.at(1).toString(), t->createSql);
    }
    QCOMPARE(scalar(target, u"PRAGMA integrity_check"_s), QVariant(u"ok"_s));
    // Only the target was written.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"mdb1234.tmp"_s});
}

void TestJetConverter::keepsTheCountersGoing()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"mdb1.tmp"_s);
    MemorySource source = cellarSource();
    source.table(u"Indici"_s).rows.clear();
    convertToSqlite(source, target);

    QCOMPARE(query(target, u"SELECT ID FROM Schede ORDER BY ID"_s),
             (QList<QVariantList>{{qint64(3)}, {qint64(7)}, {qint64(12)}}));
    QCOMPARE(query(target, u"SELECT name, seq FROM sqlite_sequence ORDER BY name"_s),
             (QList<QVariantList>{
                 {u"Giornale"_s, qint64(2)}, {u"Schede"_s, qint64(12)}, {u"Stampe"_s, qint64(6)}}));

    SqliteFile db(target);
    db.exec(u"INSERT INTO Schede (Descrizione) VALUES ('Nuovo'); INSERT INTO Giornale (Causale) VALUES ('C');"
            u"INSERT INTO Indici (Indice) VALUES ('x');"_s);
    db.close();
    QCOMPARE(scalar(target, u"SELECT ID FROM Schede WHERE Descrizione = 'Nuovo'"_s), QVariant(qint64(13)));
    QCOMPARE(scalar(target, u"SELECT max(ID) FROM Giornale"_s), QVariant(qint64(3)));
    QCOMPARE(scalar(target, u"SELECT ID FROM Indici"_s), QVariant(qint64(1)));
}

void TestJetConverter::convertsValuesToTheColumnTypes()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"mdb2.tmp"_s);
    MemorySource source = cellarSource();
    convertToSqlite(source, target);

    const QList<QVariantList> first =
        query(target, u"SELECT Codice, Anno, typeof(Quantita), Quantita, Prezzo_Acq, Incarta, Ultimo_carico, "
                      u"Scadenza, Composizione, Note FROM Schede WHERE ID = 3"_s);
    QCOMPARE(first.size(), 1);
    QCOMPARE(first.at(0),
             (QVariantList{u"8001234567890"_s, u"2016"_s, u"real"_s, 12.0, 25.5, qint64(1),
                           u"2024-03-05 14:30:00"_s, u"2030-12-31 00:00:00"_s, QVariant(), QVariant()}));

    // No date, an empty text and an unset boolean.
    const QList<QVariantList> second = query(
        target, u"SELECT Ultimo_carico, Scadenza, Gruppo, Incarta, Quantita FROM Schede WHERE ID = 7"_s);
    QCOMPARE(second.at(0), (QVariantList{QVariant(), QVariant(), QVariant(), qint64(0), 0.0}));

    QCOMPARE(query(target, u"SELECT Utente, Ricarico FROM Configurazione"_s),
             (QList<QVariantList>{{u"Enoteca Da Nicolò"_s, 1.8}}));
    QCOMPARE(query(target, u"SELECT ID, Causale, Data, Quantita FROM Giornale ORDER BY ID"_s),
             (QList<QVariantList>{{qint64(1), u"C"_s, u"2024-03-05 00:00:00"_s, 12.0},
                                  {qint64(2), u"S"_s, u"2024-03-06 00:00:00"_s, -2.0}}));
    QCOMPARE(query(target, u"SELECT typeof(Ordine), Ordine FROM Stampe ORDER BY Ordine"_s),
             (QList<QVariantList>{{u"integer"_s, qint64(1)}, {u"integer"_s, qint64(2)}}));
    QCOMPARE(scalar(target, u"SELECT Ordine FROM Indici"_s), QVariant(u"\"[Descrizione] ASC\""_s));
}

void TestJetConverter::keepsFiftyCharacterTextsWithAccents()
{
    // Windows-1252 letters the cellar's names use, the euro sign and the ligatures included.
    const QString name = u"Château Lafite Élevé à Pauillac, Côte d'Or ŒÆ €ñü"_s.leftJustified(50, u'ò');
    const QString producer = u"Cantina Sociale di Soave • Àèìòù ÀÈÌÒÙ äëïöü ÿŸ š"_s.leftJustified(50, u'é');
    QCOMPARE(name.size(), 50);
    QCOMPARE(producer.size(), 50);

    QTemporaryDir dir;
    const QString target = dir.filePath(u"mdb3.tmp"_s);
    MemorySource source = cellarSource();
    auto &cards = source.table(u"Schede"_s);
    cards.rows.append(rowFor(cards.columns, {{u"ID"_s, 20},
                                             {u"Descrizione"_s, name},
                                             {u"Produttore"_s, producer},
                                             {u"Note"_s, name + producer}}));
    convertToSqlite(source, target);

    QCOMPARE(query(target,
                   u"SELECT Descrizione, length(Descrizione), Produttore, Note FROM Schede WHERE ID = 20"_s),
             (QList<QVariantList>{{name, qint64(50), producer, name + producer}}));
    // Looking a card up by its accented name finds it.
    SqliteFile db(target);
    SqliteStatement lookup(db, u"SELECT ID FROM Schede WHERE Descrizione = ?1"_s);
    lookup.bind(1, name);
    QVERIFY(lookup.step());
    QCOMPARE(lookup.int64(0), 20);
}

void TestJetConverter::convertsValuesOfOtherJetTypes()
{
    // Older cellars typed some columns differently; the values follow the cellar's types.
    QTemporaryDir dir;
    const QString target = dir.filePath(u"mdb4.tmp"_s);
    MemorySource source = cellarSource();
    auto &cards = source.table(u"Schede"_s);
    cards.columns[4] = typed(u"Anno"_s, JetType::Integer);          // Text(4) in the cellar
    cards.columns[14] = text(u"Quantita"_s, 10);                    // Float
    cards.columns[19] = typed(u"Incarta"_s, JetType::Integer);      // Boolean
    cards.columns[20] = typed(u"Ultimo_carico"_s, JetType::Double); // a bare day number
    cards.columns[24] = typed(u"Punti1"_s, JetType::Currency);
    cards.rows = {
        rowFor(cards.columns, {{u"ID"_s, 1},
                               {u"Anno"_s, 2004},
                               {u"Quantita"_s, u"2,5"_s},
                               {u"Incarta"_s, -1},
                               {u"Ultimo_carico"_s, 45356.5},
                               {u"Punti1"_s, 8.25}}),
        rowFor(cards.columns,
               {{u"ID"_s, 2}, {u"Quantita"_s, u"mezza"_s}, {u"Incarta"_s, 0}, {u"Ultimo_carico"_s, 0.0}})};
    convertToSqlite(source, target);

    QCOMPARE(
        query(target, u"SELECT Anno, Quantita, Incarta, Ultimo_carico, Punti1 FROM Schede ORDER BY ID"_s),
        (QList<QVariantList>{{u"2004"_s, 2.5, qint64(1), u"2024-03-05 12:00:00"_s, 8.25},
                             // text that is no number is kept as it was rather than lost
                             {QVariant(), u"mezza"_s, qint64(0), QVariant(), QVariant()}}));
}

void TestJetConverter::keepsUnknownColumnsAndTables()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"mdb5.tmp"_s);
    MemorySource source = cellarSource();
    auto &cards = source.table(u"Schede"_s);
    cards.columns.append({typed(u"Annata migliore"_s, JetType::Integer), typed(u"Foto"_s, JetType::OleObject),
                          typed(u"Aperta il"_s, JetType::DateTime), typed(u"Biologico"_s, JetType::Boolean),
                          typed(u"Scheda \"tecnica\""_s, JetType::Memo)});
    for (QVariantList &row : cards.rows)
        row.append({QVariant(), QVariant(), QDateTime(), false, QVariant()});
    cards.rows[0].last() = u"Affinato 36 mesi in botte"_s;
    cards.rows[0][cards.rows[0].size() - 5] = 2010;
    cards.rows[0][cards.rows[0].size() - 4] = QByteArray("\x89PNG\r\n\x1a\n\0\x01", 10);
    cards.rows[0][cards.rows[0].size() - 3] = day(2024, 5, 1, 20, 15);
    cards.rows[0][cards.rows[0].size() - 2] = true;

    auto &suppliers = source.add(u"Fornitori"_s, {counter(u"Numero"_s), text(u"Ragione sociale"_s, 60),
                                                  typed(u"Sconto"_s, JetType::Single),
                                                  typed(u"Codice"_s, JetType::ReplicationId)});
    suppliers.rows.append({4, u"Cantine Riunite"_s, 0.1, u"{6B29FC40-CA47-1067-B31D-00DD010662DA}"_s});
    suppliers.rows.append({9, u"Fattoria Àlbero"_s, QVariant(), QVariant()});
    source.add(u"Vuota"_s, {text(u"x"_s, 5)});
    convertToSqlite(source, target);

    QCOMPARE(query(target, u"SELECT name, type FROM pragma_table_info('Schede') WHERE cid >= 28"_s),
             (QList<QVariantList>{{u"Annata migliore"_s, u"SMALLINT"_s},
                                  {u"Foto"_s, u"BLOB"_s},
                                  {u"Aperta il"_s, u"DATETIME"_s},
                                  {u"Biologico"_s, u"BOOLEAN"_s},
                                  {u"Scheda \"tecnica\""_s, u"TEXT"_s}}));
    QCOMPARE(query(target,
                   u"SELECT \"Annata migliore\", Foto, \"Aperta il\", Biologico, \"Scheda \"\"tecnica\"\"\" "
                   u"FROM Schede ORDER BY ID"_s),
             (QList<QVariantList>{{qint64(2010), QByteArray("\x89PNG\r\n\x1a\n\0\x01", 10),
                                   u"2024-05-01 20:15:00"_s, qint64(1), u"Affinato 36 mesi in botte"_s},
                                  {QVariant(), QVariant(), QVariant(), qint64(0), QVariant()},
                                  {QVariant(), QVariant(), QVariant(), qint64(0), QVariant()}}));

    QCOMPARE(
        scalar(target, u"SELECT sql FROM sqlite_master WHERE name = 'Fornitori'"_s),
        QVariant(u"CREATE TABLE \"Fornitori\" (\n    \"Numero\" INTEGER PRIMARY KEY AUTOINCREMENT,\n"
                 u"    \"Ragione sociale\" TEXT(60),\n    \"Sconto\" REAL,\n    \"Codice\" TEXT(38)\n)"_s));
    QCOMPARE(query(target, u"SELECT * FROM Fornitori ORDER BY Numero"_s),
             (QList<QVariantList>{
                 {qint64(4), u"Cantine Riunite"_s, 0.1, u"{6B29FC40-CA47-1067-B31D-00DD010662DA}"_s},
                 {qint64(9), u"Fattoria Àlbero"_s, QVariant(), QVariant()}}));
    QCOMPARE(scalar(target, u"SELECT seq FROM sqlite_sequence WHERE name = 'Fornitori'"_s),
             QVariant(qint64(9)));
    QCOMPARE(scalar(target, u"SELECT count(*) FROM Vuota"_s), QVariant(qint64(0)));
}

void TestJetConverter::leavesMissingOptionalColumnsNull()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"mdb6.tmp"_s);
    MemorySource source = cellarSource();
    auto &cards = source.table(u"Schede"_s);
    // An older cellar without the scores and the notes.
    cards.columns.resize(24);
    for (QVariantList &row : cards.rows)
        row.resize(24);
    auto &journal = source.table(u"Giornale"_s);
    journal.columns.removeLast();
    for (QVariantList &row : journal.rows)
        row.removeLast();
    convertToSqlite(source, target);

    QCOMPARE(scalar(target, u"SELECT count(*) FROM pragma_table_info('Schede')"_s), QVariant(qint64(28)));
    QCOMPARE(query(target, u"SELECT Descrizione, Punti1, Punti2, Punti3, Note FROM Schede WHERE ID = 3"_s),
             (QList<QVariantList>{{u"Barolo Riserva"_s, QVariant(), QVariant(), QVariant(), QVariant()}}));
    QCOMPARE(query(target, u"SELECT Prezzo_acq, Prezzo_ven FROM Giornale WHERE ID = 1"_s),
             (QList<QVariantList>{{25.5, QVariant()}}));
}

void TestJetConverter::matchesNamesWithoutLetterCase()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"mdb7.tmp"_s);
    MemorySource source = cellarSource();
    auto &cards = source.table(u"Schede"_s);
    cards.name = u"SCHEDE"_s;
    cards.columns[2].name = u"descrizione"_s;
    source.table(u"Giornale"_s).columns[7].name = u"PREZZO_ACQ"_s;
    convertToSqlite(source, target);

    QCOMPARE(scalar(target, u"SELECT count(*) FROM sqlite_master WHERE name LIKE 'schede'"_s),
             QVariant(qint64(1)));
    QCOMPARE(scalar(target, u"SELECT name FROM sqlite_master WHERE name LIKE 'schede'"_s),
             QVariant(u"Schede"_s));
    QCOMPARE(scalar(target, u"SELECT count(*) FROM pragma_table_info('Schede')"_s), QVariant(qint64(28)));
    QCOMPARE(scalar(target, u"SELECT Descrizione FROM Schede WHERE ID = 3"_s), QVariant(u"Barolo Riserva"_s));
    QCOMPARE(scalar(target, u"SELECT Prezzo_acq FROM Giornale WHERE ID = 2"_s), QVariant(25.5));
}

void TestJetConverter::missingRequiredTableIsNamed_data()
{
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("journal") << QStringList{u"Giornale"_s}
                             << u"The Jet database \"C:/Cantina/vinary.mdb\" cannot be converted: it has no "
                                u"table \"Giornale\"."_s;
    QTest::newRow("settings and sort orders")
        << QStringList{u"Configurazione"_s, u"Indici"_s}
        << u"The Jet database \"C:/Cantina/vinary.mdb\" cannot be converted: it has no tables "
           u"\"Configurazione\" and \"Indici\"."_s;
}

void TestJetConverter::missingRequiredTableIsNamed()
{
    QFETCH(QStringList, removed);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString target = dir.filePath(u"mdb8.tmp"_s);
    MemorySource source = cellarSource();
    for (const QString &table : removed)
        source.remove(table);
    QCOMPARE(convertFailure(source, target), expected);
    QVERIFY(!QFile::exists(target));
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestJetConverter::refusesATargetThatHoldsData()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"vinary.mdb"_s);
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("the user's own data");
    file.close();
    MemorySource source = cellarSource();
    QVERIFY(convertFailure(source, target).contains(u"already exists"_s));
    QCOMPARE(jetfixtures::contents(target), QByteArray("the user's own data"));

    // An empty file, a name reserved for the conversion, is taken.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.close();
    convertToSqlite(source, target);
    QCOMPARE(scalar(target, u"SELECT count(*) FROM Schede"_s), QVariant(qint64(3)));
}

void TestJetConverter::removesAHalfWrittenTarget()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"mdb9.tmp"_s);
    MemorySource source = cellarSource();
    auto &journal = source.table(u"Giornale"_s);
    journal.rows.append(journal.rows.first()); // the same ID twice
    const QString message = convertFailure(source, target);
    QVERIFY2(message.startsWith(u"Cannot convert the table \"Giornale\" of the Jet database"_s),
             qPrintable(message));
    QVERIFY2(message.contains(u"UNIQUE"_s), qPrintable(message));
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestJetConverter::jetFixtureWithoutCellarTablesFailsCleanly_data()
{
    QTest::addColumn<QString>("sample");
    QTest::newRow("Jet 3") << u"jet3-sample.mdb"_s;
    QTest::newRow("Jet 4") << u"jet4-sample.mdb"_s;
}

void TestJetConverter::jetFixtureWithoutCellarTablesFailsCleanly()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(QString, sample);
    QTemporaryDir dir;
    const QString jet = jetfixtures::copy(dir, sample, u"vinary.mdb"_s);
    const QString target = dir.filePath(u"mdbA1B2C3.tmp"_s);
    try {
        convertJetFile(jet, target);
        QFAIL("a Jet file without the cellar tables was converted");
    } catch (const VinaryError &e) {
        QCOMPARE(
            e.message(),
            u"The Jet database \"%1\" cannot be converted: it has no tables \"Configurazione\", "
            u"\"Schede\", \"Giornale\", \"Stampe\" and \"Indici\"."_s.arg(QDir::toNativeSeparators(jet)));
    }
    QVERIFY(jetfixtures::contents(jet) == jetfixtures::original(sample));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"vinary.mdb"_s});
}

void TestJetConverter::convertsEveryTableOfTheJetFixtures_data()
{
    jetFixtureWithoutCellarTablesFailsCleanly_data();
}

void TestJetConverter::convertsEveryTableOfTheJetFixtures()
{
    // With no required tables, every table of the file is one the converter does not know: they
    // all come across with their rows.
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(QString, sample);
    QTemporaryDir dir;
    const QString jet = jetfixtures::copy(dir, sample);
    const QString target = dir.filePath(u"mdb.tmp"_s);
    JetFile file(jet);
    convertToSqlite(file, target, CellarSchema());

    QCOMPARE(
        query(target,
              u"SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE 'Table%' ORDER BY name"_s),
        (QList<QVariantList>{{u"Table1"_s}, {u"Table2"_s}, {u"Table3"_s}, {u"Table4"_s}}));
    QCOMPARE(query(target, u"SELECT name, type FROM pragma_table_info('Table1')"_s),
             (QList<QVariantList>{{u"A"_s, u"TEXT(50)"_s},
                                  {u"B"_s, u"TEXT(100)"_s},
                                  {u"C"_s, u"SMALLINT"_s},
                                  {u"D"_s, u"SMALLINT"_s},
                                  {u"E"_s, u"INTEGER"_s},
                                  {u"F"_s, u"REAL"_s},
                                  {u"G"_s, u"DATETIME"_s},
                                  {u"H"_s, u"REAL"_s},
                                  {u"I"_s, u"BOOLEAN"_s}}));
    QCOMPARE(query(target, u"SELECT * FROM Table1 ORDER BY A"_s),
             (QList<QVariantList>{{u"a"_s, u"b"_s, qint64(0), qint64(0), qint64(0), 0.0,
                                   u"1981-12-12 00:00:00"_s, 0.0, qint64(0)},
                                  {u"abcdefg"_s, u"hijklmnop"_s, qint64(2), qint64(222), qint64(333333333),
                                   444.555, u"1974-09-21 00:00:00"_s, 3.5, qint64(1)}}));
    QCOMPARE(scalar(target, u"SELECT count(*) FROM pragma_table_info('Table2')"_s), QVariant(qint64(89)));
    QVERIFY(scalar(target, u"SELECT sql FROM sqlite_master WHERE name = 'Table3'"_s)
                .toString()
                .contains(u"\"a\" INTEGER PRIMARY KEY AUTOINCREMENT"_s));
    QCOMPARE(query(target, u"SELECT name, type FROM pragma_table_info('Table4')"_s),
             (QList<QVariantList>{{u"name"_s, u"TEXT(50)"_s}, {u"data"_s, u"TEXT(38)"_s}}));
    QVERIFY(jetfixtures::contents(jet) == jetfixtures::original(sample));
}

QTEST_GUILESS_MAIN(TestJetConverter)
#include "test_jetconverter.moc"
