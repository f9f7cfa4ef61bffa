// The delivered templates: each one loads, translates, prepares from sample tables and prints
// what its report promises; the PDF is searchable. Set VINARY_REPORT_PDF_DIR to keep the PDFs.

#include "engine/report/addons.h"
#include "engine/report/report.h"
#include "reportfixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using namespace vinary::report;
using namespace vinary::report::fixtures;

namespace
{

const QDate today(2025, 6, 1);

// Key, English, Italian: the texts the language files are to hold for the templates.
QList<QStringList> keyTable()
{
    QFile f(QStringLiteral(VINARY_SOURCE_DIR "/tests/engine/report/data/report-keys.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> out;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines)
        out.append(line.split(u'\t'));
    return out;
}

// The program's translation rule: only the first bracketed key of a text, looked up without
// regard to case; the tail after it keeps at most 255 characters.
QString translate(const QString &text, const QHash<QString, QString> &table)
{
    const qsizetype open = text.indexOf(u'[');
    const qsizetype close = text.indexOf(u']');
    if (open < 0 || close < 0 || close < open)
        return text;
    const QString key = text.mid(open, close - open + 1);
    const QString value = table.value(key.toUpper());
    return text.left(open) + (value.isEmpty() ? key : value) + text.mid(close + 1).left(255);
}

void translateTemplate(Report &report, int column)
{
    QHash<QString, QString> table;
    for (const QStringList &row : keyTable())
        table.insert(row.at(0).toUpper(), row.value(column));
    report.setTitle(translate(report.title(), table));
    for (int p = 0; p < report.pageCount(); ++p) {
        for (int i = 0; i < report.objectCount(p); ++i)
            report.setObjectText(p, i, translate(report.objectText(p, i), table));
    }
}

struct Tables {
    MemoryDataset cards;
    MemoryDataset journal;
    MemoryDataset owner{{u"Utente"_s, u"Ricarico"_s}};
    Tables()
    {
        fillCellar(cards, today);
        fillJournal(journal, today.addDays(-40), 60);
        owner.addRow({u"Enoteca Il Grappolo"_s, 2.2});
    }
    void registerIn(Report &r)
    {
        r.datasets().add(u"MainForm.Schede"_s, &cards);
        r.datasets().add(u"MainForm.giornale"_s, &journal);
        r.datasets().add(u"MainForm.intestazione"_s, &owner);
    }
};

QString allText(const PreparedReport &r)
{
    QString out;
    for (int i = 0; i < r.pageCount(); ++i)
        out += r.pageText(i);
    return out;
}

} // namespace

class TestTemplates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyKeyIsListed();
    void templatesPrepare_data();
    void templatesPrepare();
    void wineListShowsOnlyListedWinesByType();
    void valuationTotals();
    void reorderListFollowsTheCondition();
    void drinkingWindow();
    void journalTotals();
    void tastingCardPrintsTheCurrentWine();

private:
    PreparedReport prepared(const QString &file, int language = 1);
    ShapeAddOn m_shapes;
    Tables m_tables;
};

void TestTemplates::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QVERIFY(!keyTable().isEmpty());
}

PreparedReport TestTemplates::prepared(const QString &file, int language)
{
    Report report;
    m_tables.registerIn(report);
    report.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    report.setClock([] { return QDateTime(today, QTime(9, 0)); });
    report.loadFromFile(QStringLiteral(VINARY_SOURCE_DIR "/resources/reports/") + file);
    translateTemplate(report, language);
    return report.prepare();
}

void TestTemplates::everyKeyIsListed()
{
    QSet<QString> listed;
    for (const QStringList &row : keyTable()) {
        QCOMPARE(row.size(), 3);
        QVERIFY2(!row.at(1).isEmpty() && !row.at(2).isEmpty(), qPrintable(row.at(0)));
        listed.insert(row.at(0));
    }
    const QDir dir(QStringLiteral(VINARY_SOURCE_DIR "/resources/reports"));
    const QStringList files = dir.entryList({u"*.frf"_s});
    QCOMPARE(files.size(), 10);
    static const QRegularExpression key(u"^\\[[A-Z0-9_]+\\]$"_s);
    for (const QString &file : files) {
        Report report;
        report.loadFromFile(dir.filePath(file));
        for (int p = 0; p < report.pageCount(); ++p) {
            for (int i = 0; i < report.objectCount(p); ++i) {
                const QString text = report.objectText(p, i).trimmed();
                // One object holds at most one key, at its start; what follows is for the engine.
                const QString first = text.section(u']', 0, 0) + u']';
                if (key.match(first).hasMatch() &&
                    !QStringList{u"[DATE]"_s, u"[TIME]"_s, u"[CURRENCY]"_s}.contains(first)) {
                    QVERIFY2(listed.contains(first), qPrintable(file + u": "_s + first));
                    QVERIFY2(text == first || text.mid(first.size()).startsWith(u"\u00a0["_s) ||
                                 text.startsWith(first + u" ["_s),
                             qPrintable(file + u": "_s + text));
                }
            }
        }
    }
}

void TestTemplates::templatesPrepare_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("heading");
    QTest::newRow("catalogue") << u"catalogo.frf"_s << u"Wine Catalogue"_s;
    QTest::newRow("wine list") << u"cartavini.frf"_s << u"Wine List"_s;
    QTest::newRow("valuation") << u"valore.frf"_s << u"Stock Valuation"_s;
    QTest::newRow("reorder") << u"riordino.frf"_s << u"Reorder List"_s;
    QTest::newRow("drinking window") << u"scadenze.frf"_s << u"Drinking Window"_s;
    QTest::newRow("journal") << u"giornale.frf"_s << u"Stock Journal"_s;
    QTest::newRow("price list") << u"listino.frf"_s << u"Price List"_s;
    QTest::newRow("catalogue by group") << u"catalogo_gruppi.frf"_s << u"Wine Catalogue by Group"_s;
    QTest::newRow("reorder by supplier") << u"riordino_fornitori.frf"_s << u"Reorder List by Supplier"_s;
    QTest::newRow("tasting card") << u"scheda.frf"_s << u"Tasting card"_s;
}

void TestTemplates::templatesPrepare()
{
    QFETCH(QString, file);
    QFETCH(QString, heading);
    m_tables.cards.setPosition(0); // the tasting card prints the current card
    const PreparedReport r = prepared(file);
    QVERIFY(r.pageCount() >= 1);
    const QString text = allText(r);
    QVERIFY2(text.contains(heading), qPrintable(text.left(300)));
    // Everything was translated or evaluated: no bracketed part is left.
    static const QRegularExpression bracket(u"\\[[^\\]]*\\]"_s);
    const auto m = bracket.match(text);
    QVERIFY2(!m.hasMatch(), qPrintable(m.captured(0)));

    // The PDF holds the same words as searchable text.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QFileInfo(file).baseName() + u".pdf"_s);
    exportPdf(r, pdf);
    const QByteArray keep = qgetenv("VINARY_REPORT_PDF_DIR");
    if (!keep.isEmpty()) {
        QFile::remove(QDir(QString::fromLocal8Bit(keep)).filePath(QFileInfo(pdf).fileName()));
        QFile::copy(pdf, QDir(QString::fromLocal8Bit(keep)).filePath(QFileInfo(pdf).fileName()));
    }
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext is not installed");
    QProcess p;
    p.start(u"pdftotext"_s, {pdf, u"-"_s});
    QVERIFY(p.waitForFinished(30000));
    const QString extracted = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(extracted.contains(heading), qPrintable(extracted.left(300)));
    QVERIFY2(extracted.contains(u"Enoteca Il Grappolo"_s) || file == u"cartavini.frf"_s ||
                 extracted.contains(u"Il Grappolo"_s),
             qPrintable(extracted.left(300)));
}

void TestTemplates::wineListShowsOnlyListedWinesByType()
{
    const PreparedReport r = prepared(u"cartavini.frf"_s, 2);
    const QString text = allText(r);
    QVERIFY(text.contains(u"Carta dei Vini"_s));
    QVERIFY(text.contains(u"Château d'Yquem"_s));
    QVERIFY(!text.contains(u"Etna Rosso Contrada"_s)); // not on the list
    QVERIFY(!text.contains(u"Lambrusco"_s));
    // Types in the order of the cards, each once; glass and bottle prices in Italian format.
    QCOMPARE(text.count(u"ROSSO"_s), 2); // Rosso cards come in two runs in the sample's order
    QVERIFY(text.contains(u"84,70"_s));  // Barolo 38.5 x 2.2
    QVERIFY(text.contains(u"Ca' del Bosco · Franciacorta · Chardonnay"_s));
    QVERIFY(text.contains(u"Emidio Pepe · Montepulciano"_s)); // no zone, no stray separator
}

void TestTemplates::valuationTotals()
{
    const QString text = allText(prepared(u"valore.frf"_s));
    // The first run of reds: 12 x 38.5 + 4 x 62 + 18 x 19.8 + 6 x 45 = 1,336.40 for 40 bottles;
    // the second: 8 x 33 + 5 x 29 = 409.00 for 13.
    QVERIFY2(text.contains(u"Total Rosso 40 1.336,40"_s), qPrintable(text));
    QVERIFY2(text.contains(u"Total Rosso 13 409,00"_s), qPrintable(text));
    double total = 0;
    double bottles = 0;
    for (int i = 0; i < m_tables.cards.rowCount(); ++i) {
        m_tables.cards.setPosition(i);
        total += m_tables.cards.value(u"Valore"_s).toDouble();
        bottles += m_tables.cards.value(u"Quantita"_s).toDouble();
    }
    const QLocale it(QLocale::Italian, QLocale::Italy);
    const QString grand = it.toString(total, 'f', 2);
    QVERIFY2(text.contains(u"Grand total "_s + it.toString(bottles, 'f', 0) + u" € "_s + grand),
             qPrintable(text.right(300)));
}

void TestTemplates::reorderListFollowsTheCondition()
{
    const QString text = allText(prepared(u"riordino.frf"_s));
    QVERIFY(text.contains(u"Brunello di Montalcino"_s)); // 4 <= 6
    QVERIFY(text.contains(u"Trento DOC"_s));             // 3 <= 4
    QVERIFY(!text.contains(u"Amarone"_s));               // 6 > 3
    QVERIFY(text.contains(u"Soave Classico"_s));         // 0 <= 6
    QVERIFY(!text.contains(u"Barolo Cannubi"_s));        // 12 > 6
    QVERIFY(text.contains(u"Wines listed 5"_s));
    // The bottles to order are worked out, not printed as a sum to do.
    QVERIFY2(!text.contains(u" - "_s), qPrintable(text));
    QVERIFY2(text.contains(u"Enodistribuzione Srl 4 6 2"_s), qPrintable(text)); // Brunello: 6 - 4
    QVERIFY2(text.contains(u"Enodistribuzione Srl 0 6 6"_s), qPrintable(text)); // Soave: none in stock
}

void TestTemplates::drinkingWindow()
{
    const QString text = allText(prepared(u"scadenze.frf"_s));
    QVERIFY(!text.contains(u"Lambrusco"_s)); // no due date
    QVERIFY(text.contains(u"Amarone della Valpolicella"_s));
    QVERIFY(text.contains(u"-21"_s)); // days past due
    QVERIFY(text.contains(u"●"_s));
}

void TestTemplates::journalTotals()
{
    const QString text = allText(prepared(u"giornale.frf"_s));
    double loads = 0;
    double unloads = 0;
    for (int i = 0; i < m_tables.journal.rowCount(); ++i) {
        m_tables.journal.setPosition(i);
        const double q = m_tables.journal.value(u"Quantita"_s).toDouble();
        (m_tables.journal.value(u"Causale"_s).toString() == u"C"_s ? loads : unloads) += std::abs(q);
    }
    QVERIFY2(text.contains(u"Bottles loaded %1"_s.arg(loads)), qPrintable(text.right(200)));
    QVERIFY2(text.contains(u"Bottles unloaded %1"_s.arg(unloads)), qPrintable(text.right(200)));
    QVERIFY(text.contains(u"Movements 60"_s));
}

void TestTemplates::tastingCardPrintsTheCurrentWine()
{
    m_tables.cards.setPosition(4);
    const PreparedReport r = prepared(u"scheda.frf"_s, 2);
    m_tables.cards.setPosition(0);
    QCOMPARE(r.pageCount(), 1);
    const QString text = allText(r);
    QVERIFY(text.contains(u"Château d'Yquem"_s));
    QVERIFY(text.contains(u"Albicocca candita"_s));
    QVERIFY(!text.contains(u"Barolo"_s));
    QVERIFY(text.contains(u"Vista"_s) && text.contains(u"Olfatto"_s) && text.contains(u"Gusto"_s));
    QVERIFY(text.contains(u"Le tue note"_s));
}

QTEST_MAIN(TestTemplates)
#include "test_templates.moc"
