// The exports of a prepared report: plain text on a character grid (golden files), RTF through
// the writer, and PDF whose text reads back with pdftotext and whose pages look like Qt's own.

#include "engine/common/errors.h"
#include "engine/report/exports.h"
#include "engine/report/pdffont.h"
#include "engine/report/pdfwriter.h"
#include "engine/report/preparer.h"
#include "engine/report/rtfwriter.h"
#include "engine/report/textmeasure.h"
#include "reportfixtures.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QProcess>
#include <QRawFont>
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

PreparedFont preparedFont(const QString &family, double size, bool bold = false, bool underline = false)
{
    PreparedFont f;
    f.family = family;
    f.pointSize = size;
    f.bold = bold;
    f.underline = underline;
    f.font = Reference::font(family, size, bold, false, underline);
    return f;
}

Primitive textItem(const PreparedReport &r, int font, const QRectF &box, const QString &text,
                   Qt::Alignment alignment = Qt::AlignLeft)
{
    Primitive p;
    p.kind = Primitive::Kind::Text;
    p.rect = box;
    p.font = font;
    p.color = QColor(20, 20, 20);
    p.alignment = alignment;
    const QFontMetricsF fm(r.fonts.at(size_t(font)).font);
    PreparedLine l;
    l.text = text;
    l.width = fm.horizontalAdvance(text) * Reference::mmPerPixel;
    const double x = alignment & Qt::AlignRight ? box.right() - l.width : box.left();
    l.origin = QPointF(x, box.top() + fm.ascent() * Reference::mmPerPixel);
    p.lines.push_back(l);
    return p;
}

Primitive shapeItem(Primitive::Kind kind, const QRectF &rect, const QColor &pen, double width,
                    const QColor &brush = QColor(), Qt::PenStyle style = Qt::SolidLine)
{
    Primitive p;
    p.kind = kind;
    p.rect = rect;
    p.penColor = pen;
    p.penWidth = width;
    p.penStyle = style;
    p.brushColor = brush;
    return p;
}

// One sheet with every kind of thing a report draws, in the fonts reports use.
PreparedReport drawingSample(const QString &family = u"DejaVu Sans"_s)
{
    PreparedReport r;
    r.title = u"Giornale – Müller"_s;
    r.fonts = {preparedFont(family, 10), preparedFont(u"Liberation Sans"_s, 14, true),
               preparedFont(u"Liberation Sans"_s, 9, false, true)};
    PreparedPage p;
    p.paperSize = QSizeF(120, 80);
    p.items.push_back(textItem(r, 1, QRectF(5, 4, 110, 7), u"Perché Müller Côte d'Or ñ €"_s));
    p.items.push_back(textItem(r, 0, QRectF(5, 13, 70, 5), u"Château d'Yquem AVAV Weißburgunder"_s));
    p.items.push_back(textItem(r, 0, QRectF(80, 13, 35, 5), u"1.234,50 €"_s, Qt::AlignRight));
    p.items.push_back(textItem(r, 0, QRectF(80, 18, 35, 5), u"99,00"_s, Qt::AlignRight));
    // Liberation Sans has no check mark: Qt falls back to another font for it.
    p.items.push_back(textItem(r, 2, QRectF(5, 19, 60, 5), u"Souligné, unterstrichen ✓ Cafe\u0301"_s));
    Primitive clipped = textItem(r, 0, QRectF(70, 62, 22, 6), u"A text that runs past its box"_s);
    clipped.clip = true;
    p.items.push_back(clipped);
    p.items.push_back(shapeItem(Primitive::Kind::Line, QRectF(5, 25, 110, 0), Qt::black, 0.3));
    p.items.push_back(
        shapeItem(Primitive::Kind::Line, QRectF(5, 28, 110, 0), Qt::red, 0.5, {}, Qt::DashLine));
    p.items.push_back(
        shapeItem(Primitive::Kind::Rect, QRectF(5, 32, 30, 15), Qt::blue, 0.4, QColor(255, 240, 160)));
    Primitive rounded = shapeItem(Primitive::Kind::Rect, QRectF(42, 32, 30, 15), QColor(0, 110, 0), 0.6);
    rounded.radius = 4;
    p.items.push_back(rounded);
    p.items.push_back(
        shapeItem(Primitive::Kind::Ellipse, QRectF(80, 32, 34, 15), Qt::black, 0.3, QColor(150, 190, 240)));
    QImage image(40, 20, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(6 * x, 200 - 8 * y, 120, x < 30 ? 255 : 60));
    }
    Primitive picture;
    picture.kind = Primitive::Kind::Image;
    picture.rect = QRectF(5, 55, 40, 20);
    picture.image = image;
    p.items.push_back(picture);
    r.appendPage(p);
    return r;
}

// The first page of a PDF as poppler draws it at 100 dpi.
QImage rendered(const QString &pdf)
{
    QProcess p;
    p.start(u"pdftoppm"_s,
            {u"-r"_s, u"100"_s, u"-png"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, u"-singlefile"_s, pdf, pdf});
    if (!p.waitForFinished(30000))
        return QImage();
    return QImage(pdf + u".png"_s).convertToFormat(QImage::Format_RGB32);
}

// Pixels whose colour differs by more than a quarter of the scale in some channel.
int differingPixels(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            count += d > 64 ? 1 : 0;
        }
    }
    return count;
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
    void pdfLooksLikeQtsOwn();
    void pdfFallsBackForFontsItCannotEmbed();
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

void TestExports::pdfLooksLikeQtsOwn()
{
    if (QStandardPaths::findExecutable(u"pdftoppm"_s).isEmpty())
        QSKIP("pdftoppm is not installed");
    const PreparedReport r = drawingSample();
    QVERIFY(PdfWriter::canWrite(r));
    QTemporaryDir dir;
    const QString ours = dir.filePath(u"ours.pdf"_s);
    const QString qts = dir.filePath(u"qt.pdf"_s);
    exportPdf(r, ours);
    exportPdfPainted(r, qts);
    const QImage a = rendered(ours);
    const QImage b = rendered(qts);
    QVERIFY(!a.isNull() && !b.isNull());
    QCOMPARE(a.size(), b.size());
    const int differing = differingPixels(a, b);
    // Glyphs, kerning, lines, fills, the picture and the clip land on the same pixels.
    QVERIFY2(differing < 20, qPrintable(QString::number(differing)));
    const QString text = pdfText(ours);
    QVERIFY2(text.contains(u"Perché Müller Côte d'Or ñ €"_s), qPrintable(text));
    QVERIFY(text.contains(u"1.234,50 €"_s));
    QVERIFY(text.contains(u"unterstrichen ✓"_s));
}

void TestExports::pdfFallsBackForFontsItCannotEmbed()
{
    // DejaVu Sans renamed, once with a licence that forbids embedding, once without TrueType outlines.
    QFile file(u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"_s);
    if (!file.open(QIODevice::ReadOnly) || QStandardPaths::findExecutable(u"pdftoppm"_s).isEmpty())
        QSKIP("DejaVu Sans or pdftoppm is missing");
    QByteArray font = file.readAll();
    font.replace(QByteArray("\0D\0e\0j\0a\0V\0u", 12), QByteArray("\0N\0o\0E\0m\0b\0d", 12));
    font.replace("DejaVu", "NoEmbd");
    const auto tableAt = [&](const char *tag) -> qsizetype {
        const int tables = (quint8(font[4]) << 8) | quint8(font[5]);
        for (int i = 0; i < tables; ++i) {
            if (font.mid(12 + i * 16, 4) == tag)
                return 12 + i * 16;
        }
        return -1;
    };
    QByteArray noOutlines = font;
    noOutlines.replace(tableAt("glyf"), 4, "glyX");
    QVERIFY(!PdfFont::embeddable(QRawFont(noOutlines, 20)));
    const qsizetype os2 = tableAt("OS/2");
    QVERIFY(os2 > 0);
    const qsizetype fsType = ((quint8(font[os2 + 8]) << 24) | (quint8(font[os2 + 9]) << 16) |
                              (quint8(font[os2 + 10]) << 8) | quint8(font[os2 + 11])) +
                             8;
    font[fsType] = 0;
    font[fsType + 1] = 2; // restricted licence
    QVERIFY(QFontDatabase::addApplicationFontFromData(font) >= 0);

    const PreparedReport r = drawingSample(u"NoEmbd Sans"_s);
    QVERIFY(!PdfWriter::canWrite(r));
    QTemporaryDir dir;
    const QString path = dir.filePath(u"fallback.pdf"_s);
    exportPdf(r, path);
    const QString qts = dir.filePath(u"qt.pdf"_s);
    exportPdfPainted(r, qts);
    QCOMPARE(differingPixels(rendered(path), rendered(qts)), 0);
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
