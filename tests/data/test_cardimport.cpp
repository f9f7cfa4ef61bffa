#include "data/cardimport.h"
#include "data/cellar.h"
#include "data/cellarexport.h"
#include "data/csvfile.h"
#include "engine/common/errors.h"
#include "language/languagetable.h"
#include "tests/support/cellardb.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vinary::CardImport;
using vinary::CsvTable;

namespace
{

// A program directory with the five delivered language files, an English table, and a cellar.
struct Fixture {
    QTemporaryDir dir;
    vinary::LanguageTable language;
    vinary::Cellar cellar;

    Fixture()
    {
        const QDir languages(QStringLiteral(VINARY_SOURCE_DIR "/resources/language"));
        for (const QString &name : languages.entryList({u"*.lng"_s}))
            QFile::copy(languages.filePath(name), dir.filePath(name));
        language.load(languages.filePath(u"english.lng"_s));
        vinary::test::createCellarDatabase(dir.filePath(u"vinary.mdb"_s));
        cellar.language = &language;
        cellar.programDir = dir.path() + u'/';
        cellar.setDatabaseDirectory(cellar.programDir);
        cellar.connect();
        cellar.DB.exec(u"UPDATE Configurazione SET Ricarico = 1.8"_s);
        cellar.Schede.open();
    }

    QStringList cards(const QString &columns)
    {
        QStringList out;
        vinary::db::Statement s = cellar.DB.prepare(u"SELECT %1 FROM Schede ORDER BY ID"_s.arg(columns));
        while (s.step()) {
            QStringList row;
            for (int c = 0; c < s.columnCount(); ++c)
                row << s.value(c).toString();
            out << row.join(u'|');
        }
        return out;
    }
};

QStringList fields(const CsvTable &t)
{
    QStringList out{t.header.fields.join(u'|')};
    for (const vinary::CsvRecord &r : t.records)
        out << QString::number(r.line) + u':' + r.fields.join(u'|');
    return out;
}

} // namespace

class TestCardImport : public QObject
{
    Q_OBJECT

private slots:
    void readsSpreadsheetCsv_data();
    void readsSpreadsheetCsv();
    void unreadableFilesGiveAClearMessage_data();
    void unreadableFilesGiveAClearMessage();
    void mappingByHeaderInEveryLanguage_data();
    void mappingByHeaderInEveryLanguage();
    void italianSpreadsheetComesInAsWritten();
    void badRowsAreListedAndLeftOut();
    void matchingOnCodeUpdates();
    void failureOrCancelLeavesTheCellarUnchanged();
    void roundTripThroughTheExport();
};

void TestCardImport::readsSpreadsheetCsv_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QStringList>("expected");
    // As LibreOffice Calc writes it: comma, text quoted when it must be, a line break in a cell.
    QTest::newRow("LibreOffice Calc")
        << QByteArray("Codice,Descrizione,Note\r\n1,\"Barolo, Riserva\",\"detto \"\"il re\"\"\"\r\n"
                      "2,Soave,\"prima riga\nseconda\"\r\n\r\n3,Château d'Yquem,\r\n")
        << u","_s
        << QStringList{u"Codice|Descrizione|Note"_s, u"2:1|Barolo, Riserva|detto \"il re\""_s,
                       u"3:2|Soave|prima riga\nseconda"_s, u"6:3|Château d'Yquem|"_s};
    // A German spreadsheet: semicolons, decimal commas, Windows-1252.
    QTest::newRow("German, Windows-1252")
        << QByteArray("Bezeichnung;Einkaufspreis\r\nSp\xE4tburgunder;12,50\r\nM\xFCller-Thurgau \x80;7,2\r\n")
        << u";"_s
        << QStringList{u"Bezeichnung|Einkaufspreis"_s, u"2:Spätburgunder|12,50"_s,
                       u"3:Müller-Thurgau €|7,2"_s};
    QTest::newRow("tab, UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF"
                                                       "Anno\tGradi\n2019\t14,5\n")
                                         << u"\t"_s << QStringList{u"Anno|Gradi"_s, u"2:2019|14,5"_s};
}

void TestCardImport::readsSpreadsheetCsv()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, separator);
    QFETCH(QStringList, expected);
    const CsvTable table = vinary::parseCsv(bytes);
    QCOMPARE(QString(table.separator), separator);
    QCOMPARE(fields(table), expected);
}

void TestCardImport::unreadableFilesGiveAClearMessage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QByteArray() << u"empty"_s;
    QTest::newRow("binary") << QByteArray("PK\x03\x04\x00\x00\x08\x00", 8) << u"binary"_s;
    QTest::newRow("only blank lines") << QByteArray("\r\n\r\n") << u"no header line"_s;
}

void TestCardImport::unreadableFilesGiveAClearMessage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    Fixture f;
    CardImport import(f.cellar);
    try {
        import.load(bytes);
        QFAIL("no error");
    } catch (const vinary::VinaryError &e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
}

void TestCardImport::mappingByHeaderInEveryLanguage_data()
{
    QTest::addColumn<QString>("header");
    QTest::newRow("column names") << u"Codice;Descrizione;Prezzo_Acq;Scadenza;Incarta"_s;
    QTest::newRow("Italian") << u"Codice;Descrizione;Prezzo d'acquisto;Da bere entro;Carta dei vini"_s;
    QTest::newRow("English") << u"Code;Description;Purchase price;Drink by;Wine list"_s;
    QTest::newRow("German") << u"Code;Bezeichnung;Einkaufspreis;Trinken bis;Weinkarte"_s;
    QTest::newRow("French") << u"Code;Description;Prix d'achat;À boire avant;Carte des vins"_s;
    QTest::newRow("Spanish") << u"Código;Descripción;Precio de compra;Consumir antes de;Carta de vinos"_s;
}

void TestCardImport::mappingByHeaderInEveryLanguage()
{
    QFETCH(QString, header);
    Fixture f;
    CardImport import(f.cellar);
    import.load((header + u"\nX;Y;1;;\n"_s).toUtf8());
    QStringList columns;
    for (int t : import.mapping())
        columns << (t < 0 ? u"-"_s : CardImport::targets().at(t).column);
    QCOMPARE(columns,
             (QStringList{u"Codice"_s, u"Descrizione"_s, u"Prezzo_Acq"_s, u"Scadenza"_s, u"Incarta"_s}));
}

void TestCardImport::italianSpreadsheetComesInAsWritten()
{
    Fixture f;
    CardImport import(f.cellar);
    import.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    import.load(QByteArray("Codice;Descrizione;Produttore;Prezzo d'acquisto;Ricarico;Scadenza;Carta dei vini;"
                           "Colonna in più;Note\r\n"
                           "A1;Brunello di Montalcino;Biondi-Santi;45,50;1,5;31/12/2030;sì;x;"
                           "=HYPERLINK(\"http://x\")\r\n"
                           "A2;Verdicchio dei Castelli di Jesi;Umani Ronchi;8.20;;2026-06-30;no;;\r\n"));
    QCOMPARE(import.mapping().at(7), -1); // a header of no column is ignored
    QVERIFY(import.badRows().isEmpty());
    QCOMPARE(import.displayValue(14, import.rows().at(0).values.at(14)), u"45,50"_s);
    QCOMPARE(import.displayValue(15, import.rows().at(0).values.at(15)), u"1,5"_s);
    const CardImport::Result r = import.import();
    QCOMPARE(r.added, 2);
    QCOMPARE(
        f.cards(u"Codice, Descrizione, Produttore, Prezzo_Acq, Ricarico, Scadenza, Incarta, Note"_s),
        (QStringList{u"A1|Brunello di Montalcino|Biondi-Santi|45.5|1.5|2030-12-31 00:00:00|1|"
                     "=HYPERLINK(\"http://x\")"_s,
                     u"A2|Verdicchio dei Castelli di Jesi|Umani Ronchi|8.2|1.8|2026-06-30 00:00:00|0|"_s}));
    QCOMPARE(f.cellar.Schede.recordCount(), 2); // the cursor shows them
}

void TestCardImport::badRowsAreListedAndLeftOut()
{
    Fixture f;
    CardImport import(f.cellar);
    QByteArray big(10 * 1024 * 1024, 'x');
    import.load("Descrizione,Quantita,Scadenza,Anno\n"
                "Barolo,6,,2016\n"
                "Soave,sei,,\n"        // line 3: not a number
                "Gavi,1,31-31-2020,\n" // line 4: not a date
                "Dolcetto,1\n"         // line 5: ragged
                ",3,,\n"               // line 6: no description
                "Lambrusco,2,,20199\n" // line 7: vintage cut
                "\"" +
                big +
                "\",1,,\n"       // line 8: a 10 MB text, cut
                "\"open,1,,\n"); // line 9: quote never closed
    QStringList bad;
    for (const CardImport::BadRow &b : import.badRows())
        bad << QString::number(b.line);
    QCOMPARE(bad, (QStringList{u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"9"_s}));
    QCOMPARE(import.rows().size(), 3);
    QCOMPARE(import.cutTexts().size(), 2);
    QCOMPARE(import.cutTexts().at(0).line, 7);
    QCOMPARE(import.cutTexts().at(1).size, 50);
    QCOMPARE(import.import().added, 3);
    QCOMPARE(f.cards(u"length(Descrizione), Anno"_s), (QStringList{u"6|2016"_s, u"9|2019"_s, u"50|"_s}));
}

void TestCardImport::matchingOnCodeUpdates()
{
    Fixture f;
    f.cellar.DB.exec(
        u"INSERT INTO Schede (Codice, Descrizione, Quantita, Ricarico) VALUES ('A1', 'Barolo', 6, 2)"_s);
    const QByteArray csv("Codice,Descrizione,Prezzo_Acq\nA1,Barolo Riserva,20\nB2,Soave,5\n");
    CardImport import(f.cellar);
    import.load(csv);
    import.setMatchOnCode(true);
    const CardImport::Result r = import.import();
    QCOMPARE(r.updated, 1);
    QCOMPARE(r.added, 1);
    // The stock and markup of the card updated stay; only the mapped columns change.
    QCOMPARE(f.cards(u"Codice, Descrizione, Quantita, Ricarico, Prezzo_Acq"_s),
             (QStringList{u"A1|Barolo Riserva|6|2|20"_s, u"B2|Soave||1.8|5"_s}));
}

void TestCardImport::failureOrCancelLeavesTheCellarUnchanged()
{
    Fixture f;
    QByteArray csv("Descrizione,Quantita\n");
    for (int i = 1; i <= 1000; ++i)
        csv += "Vino " + QByteArray::number(i) + ",1\n";
    CardImport import(f.cellar);
    import.load(csv);
    QCOMPARE(import.rows().size(), 1000);
    f.cellar.DB.exec(u"CREATE TRIGGER refuse BEFORE INSERT ON Schede WHEN NEW.Descrizione = 'Vino 999' "
                     "BEGIN SELECT RAISE(ABORT, 'disk full'); END"_s);
    QVERIFY_THROWS_EXCEPTION(vinary::VinaryError, import.import());
    QCOMPARE(f.cards(u"ID"_s).size(), 0);
    QVERIFY(!f.cellar.DB.inTransaction());

    f.cellar.DB.exec(u"DROP TRIGGER refuse"_s);
    int calls = 0;
    const CardImport::Result r = import.import([&](int, int) { return ++calls < 2; });
    QVERIFY(r.cancelled);
    QCOMPARE(f.cards(u"ID"_s).size(), 0);
    QCOMPARE(import.import().added, 1000);
}

void TestCardImport::roundTripThroughTheExport()
{
    Fixture source;
    source.cellar.DB.exec(u"INSERT INTO Schede (Codice, Descrizione, Composizione, Anno, Gradi, Produttore, "
                          u"Quantita, Prezzo_Acq, "
                          "Ricarico, Prezzo_Ven, Incarta, Ultimo_carico, Scadenza, Note) VALUES "
                          "('8001', 'Château d''Yquem, \"Sauternes\"', 'Sémillon', '2015', '14', "
                          "'Lur-Saluces', 3, 312.45, 1.5, "
                          "468.675, 1, '2024-03-14 00:00:00', '2040-01-01 00:00:00', 'riga 1\nriga 2'), "
                          "('', 'Barbera d''Asti', '', '', '', '', 0.5, 12.345, 2, 0, 0, NULL, NULL, NULL)"_s);
    const QByteArray csv = vinary::tableCsv(source.cellar.DB, u"Schede"_s);

    Fixture target;
    CardImport import(target.cellar);
    // In Italian "12.345" could be twelve thousand; in a file of points only it is a decimal.
    import.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    import.load(csv);
    QVERIFY(import.badRows().isEmpty());
    QCOMPARE(import.import().added, 2);
    const QString columns =
        u"Codice, Descrizione, Composizione, Anno, Gradi, Produttore, Quantita, Prezzo_Acq, "
        "Ricarico, Prezzo_Ven, Incarta, Ultimo_carico, Scadenza, Note, typeof(Prezzo_Acq)"_s;
    QCOMPARE(target.cards(columns), source.cards(columns));
}

QTEST_GUILESS_MAIN(TestCardImport)
#include "test_cardimport.moc"
