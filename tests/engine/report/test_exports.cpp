// The exports of a prepared report: plain text on a character grid (golden files), RTF through
// the writer, and PDF whose text reads back with pdftotext.

#include "engine/common/errors.h"
#include "engine/report/exports.h"
#include "engine/report/preparer.h"
#include "engine/report/rtfwriter.h"
#include "reportfixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using namespace vinary::report;
using namespace vinary::report::fixtures;

namespace
{

const QString goldenDir = QStringLiteral(VINARY_SOURCE_DIR "/tests/engine/report/golden/");

// A two-page price list: title, column titles, rows with left- and right-aligned columns, a
// total, and a page footer with the page count.
ReportTemplate priceList()
{
    ReportTemplate t;
    ReportPage p = page();
    p.margins = QMarginsF(10, 10, 10, 10);
    p.paperSize = QSizeF(210, 120);
    p.objects.append(band(BandType::ReportTitle, 10, 12));
    ReportObject title = text(10, 10, 190, 9, u"Price list of [intestazione.\"Utente\"]"_s);
    title.fontSize = 16;
    title.bold = true;
    p.objects.append(title);
    p.objects.append(band(BandType::MasterHeader, 22, 7));
    p.objects.append(text(10, 22, 90, 6, u"Wine"_s));
    ReportObject h = text(150, 22, 50, 6, u"Price"_s);
    h.hAlign = HAlign::Right;
    p.objects.append(h);
    p.objects.append(band(BandType::MasterData, 29, 6, u"Schede"_s));
    p.objects.append(text(10, 29, 110, 6, u"[Schede.\"Descrizione\"] ([Schede.\"Anno\"])"_s));
    ReportObject price = text(150, 29, 50, 6, u"[Schede.\"Prezzo_Ven\"]"_s);
    price.hAlign = HAlign::Right;
    price.format = u"#,##0.00"_s;
    p.objects.append(price);
    p.objects.append(band(BandType::ReportSummary, 35, 7));
    ReportObject total = text(100, 35, 100, 6, u"Bottles: [SUM([Schede.\"Quantita\"])]"_s);
    total.hAlign = HAlign::Right;
    p.objects.append(total);
    p.objects.append(band(BandType::PageFooter, 90, 8));
    ReportObject footer = text(10, 91, 190, 6, u"Page [PAGE#] of [TOTALPAGES]"_s);
    footer.hAlign = HAlign::Center;
    p.objects.append(footer);
    t.pages.append(p);
    return t;
}

struct Sample {
    MemoryDataset cards;
    MemoryDataset owner{{u"Utente"_s}};
    DatasetRegistry registry;
    explicit Sample(int rows)
    {
        fillCellar(cards, QDate(2025, 6, 1));
        while (cards.rowCount() > rows) {
            MemoryDataset cut;
            cut.setFields(cards.fieldNames());
            for (int i = 0; i < rows; ++i) {
                cards.setPosition(i);
                QVariantList row;
                for (const QString &f : cards.fieldNames())
                    row.append(cards.value(f));
                cut.addRow(row);
            }
            cards = cut;
        }
        owner.addRow({u"Enoteca Rossi & Figli {1}"_s});
        registry.add(u"MainForm.Schede"_s, &cards);
        registry.add(u"MainForm.intestazione"_s, &owner);
    }
    PreparedReport prepare(const ReportTemplate &t)
    {
        PrepareOptions o;
        o.locale = QLocale::c();
        o.title = u"Prices"_s;
        return prepareReport(t, registry, o);
    }
};

void compareWithGolden(const QString &actual, const QString &name)
{
    const QString path = goldenDir + name;
    if (qEnvironmentVariableIsSet("VINARY_UPDATE_GOLDEN")) {
        QDir().mkpath(goldenDir);
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(actual.toUtf8());
        return;
    }
    QFile in(path);
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(u"missing golden file "_s + path));
    const QStringList expected = QString::fromUtf8(in.readAll()).split(u'\n');
    const QStringList lines = actual.split(u'\n');
    for (qsizetype i = 0; i < std::max(expected.size(), lines.size()); ++i) {
        const QString e = expected.value(i, u"<end of file>"_s);
        const QString a = lines.value(i, u"<end of file>"_s);
        QVERIFY2(
            e == a,
            qPrintable(u"%1 line %2\n expected: |%3|\n actual:   |%4|"_s.arg(name).arg(i + 1).arg(e, a)));
    }
}

QString pdfText(const QString &path)
{
    QProcess p;
    p.start(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestExports : public QObject
{
    Q_OBJECT

private slots:
    void goldenTextExport_data();
    void goldenTextExport();
    void textExportNeverOverlapsTexts();
    void pdfTextReadsBack();
    void pdfPageSizesFollowThePages();
    void rtfEscaping_data();
    void rtfEscaping();
    void rtfSingleParagraph();
    void rtfExportHasTabsAndPageBreaks();
    void exportsWriteAtomically();
    void formatFromExtension();
};

void TestExports::goldenTextExport_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("golden");
    QTest::newRow("one page") << 4 << u"pricelist-short.txt"_s;
    QTest::newRow("two pages") << 12 << u"pricelist-long.txt"_s;
    QTest::newRow("no rows") << 0 << u"pricelist-empty.txt"_s;
}

void TestExports::goldenTextExport()
{
    QFETCH(int, rows);
    QFETCH(QString, golden);
    Sample s(rows);
    compareWithGolden(textExport(s.prepare(priceList())), golden);
}

void TestExports::textExportNeverOverlapsTexts()
{
    // Two texts crowded into one row keep a space between them.
    ReportTemplate t;
    ReportPage p = page();
    p.objects.append(band(BandType::ReportTitle, 10, 10));
    p.objects.append(text(10, 10, 12, 6, u"Sassicaia"_s));
    p.objects.append(text(16, 10, 30, 6, u"Bolgheri"_s));
    t.pages.append(p);
    Sample s(0);
    const QString out = textExport(s.prepare(t));
    QCOMPARE(out.section(u'\n', 0, 0), u"Sassicaia Bolgheri"_s);
}

void TestExports::pdfTextReadsBack()
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext is not installed");
    Sample s(12);
    const PreparedReport r = s.prepare(priceList());
    QTemporaryDir dir;
    const QString path = dir.filePath(u"prices.pdf"_s);
    exportPdf(r, path);
    const QString text = pdfText(path);
    QVERIFY2(text.contains(u"Price list of Enoteca Rossi & Figli {1}"_s), qPrintable(text));
    QVERIFY(text.contains(u"Château d'Yquem (2009)"_s));
    QVERIFY(text.contains(u"Passito di Pantelleria Ben Ryé (2020)"_s));
    QVERIFY(text.contains(u"462.00"_s));
    QCOMPARE(text.count(u"of 2"_s), 2);
    QCOMPARE(text.count(u'\f'), 2); // pdftotext ends every page with a form feed
    QProcess info;
    info.start(u"pdfinfo"_s, {path});
    QVERIFY(info.waitForFinished(30000));
    const QString meta = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(meta.contains(u"Prices"_s), qPrintable(meta));
}

void TestExports::pdfPageSizesFollowThePages()
{
    if (QStandardPaths::findExecutable(u"pdfinfo"_s).isEmpty())
        QSKIP("pdfinfo is not installed");
    ReportTemplate t = priceList();
    t.pages.append(page());
    t.pages.back().paperSize = QSizeF(297, 210); // a landscape second part
    Sample s(2);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"sizes.pdf"_s);
    exportPdf(s.prepare(t), path);
    QProcess info;
    info.start(u"pdfinfo"_s, {u"-f"_s, u"1"_s, u"-l"_s, u"2"_s, path});
    QVERIFY(info.waitForFinished(30000));
    const QString meta = QString::fromUtf8(info.readAllStandardOutput());
    // 210 x 120 mm and 297 x 210 mm in points.
    QVERIFY2(meta.contains(u"Page    1 size:  595 x 340 pts"_s), qPrintable(meta));
    QVERIFY2(meta.contains(u"Page    2 size:  842 x 595 pts"_s), qPrintable(meta));
}

void TestExports::rtfEscaping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("plain") << u"Rossi"_s << QByteArray("Rossi");
    QTest::newRow("backslash and braces") << u"a\\b{c}"_s << QByteArray("a\\\\b\\{c\\}");
    QTest::newRow("accent") << u"Ryé"_s << QByteArray("Ry\\u233?");
    QTest::newRow("beyond latin") << u"€"_s << QByteArray("\\u8364?");
    QTest::newRow("high code unit is signed") << u"\uFB01"_s << QByteArray("\\u-1279?");
    QTest::newRow("astral as surrogates")
        << QString::fromUcs4(U"\U0001F377") << QByteArray("\\u-10180?\\u-8329?");
    QTest::newRow("tab and line break") << u"a\tb\nc"_s << QByteArray("a\\tab b\\line c");
}

void TestExports::rtfEscaping()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, rtf);
    QCOMPARE(RtfWriter::escape(text), rtf);
}

void TestExports::rtfSingleParagraph()
{
    const QByteArray doc = RtfWriter::singleParagraphDocument(u"Rossi & Figli s.r.l. {Château}"_s);
    QVERIFY(doc.startsWith("{\\rtf1"));
    QVERIFY(doc.endsWith("}\n"));
    QCOMPARE(doc.count("\\par\n"), 1);
    QVERIFY(doc.contains("Rossi & Figli s.r.l. \\{Ch\\u226?teau\\}}\\par"));
    // Braces balance, so readers find the document's end.
    int depth = 0;
    for (qsizetype i = 0; i < doc.size(); ++i) {
        if (doc.at(i) == '\\') {
            ++i;
            continue;
        }
        depth += doc.at(i) == '{' ? 1 : doc.at(i) == '}' ? -1 : 0;
        QVERIFY(depth >= 0);
    }
    QCOMPARE(depth, 0);
    QVERIFY(!doc.contains("\\page"));
}

void TestExports::rtfExportHasTabsAndPageBreaks()
{
    Sample s(12);
    const QByteArray rtf = rtfExport(s.prepare(priceList()));
    QCOMPARE(rtf.count("\\pagebb"), 1); // the second page starts on a new sheet
    QVERIFY(rtf.contains("\\tqr\\tx")); // right-aligned prices sit on right tab stops
    QVERIFY(rtf.contains("Ch\\u226?teau d'Yquem (2009)"));
    QVERIFY(rtf.contains("Enoteca Rossi & Figli \\{1\\}"));
    QVERIFY(rtf.contains("\\paperw11906\\paperh6803"));
    QVERIFY(rtf.contains("\\b "));
}

void TestExports::exportsWriteAtomically()
{
    Sample s(2);
    const PreparedReport r = s.prepare(priceList());
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.txt"_s);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old content");
    old.close();
    exportText(r, path);
    QFile now(path);
    QVERIFY(now.open(QIODevice::ReadOnly));
    QVERIFY(now.readAll().startsWith("Price list"));
    const QString missing = dir.filePath(u"no/such/folder/out.pdf"_s);
    for (auto format : {ExportFormat::Pdf, ExportFormat::Text, ExportFormat::Rtf}) {
        try {
            exportReport(r, missing, format);
            QFAIL("no error");
        } catch (const VinaryError &e) {
            QCOMPARE(e.message(), u"Cannot create file "_s + missing);
        }
        QVERIFY(!QFile::exists(missing));
    }
}

void TestExports::formatFromExtension()
{
    ExportFormat f;
    QVERIFY(exportFormatFor(u"a.PDF"_s, &f));
    QCOMPARE(f, ExportFormat::Pdf);
    QVERIFY(exportFormatFor(u"/tmp/b.txt"_s, &f));
    QCOMPARE(f, ExportFormat::Text);
    QVERIFY(exportFormatFor(u"c.Rtf"_s, &f));
    QCOMPARE(f, ExportFormat::Rtf);
    QVERIFY(!exportFormatFor(u"d.doc"_s, &f));
    QVERIFY(!exportFormatFor(u"pdf"_s, &f));
}

QTEST_MAIN(TestExports)
#include "test_exports.moc"
