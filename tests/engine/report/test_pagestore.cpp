// The store of prepared pages: every kind of item comes back exactly as it went in, from memory
// and from the temporary file alike, and a report prepared into a spilled store prints the same
// pages as one kept in memory.

#include "engine/report/exports.h"
#include "engine/report/pagestore.h"
#include "engine/report/preparer.h"
#include "reportfixtures.h"

#include <QDir>
#include <QTest>

#include <cstring>

using namespace Qt::StringLiterals;
using namespace vinary::report;
using namespace vinary::report::fixtures;

namespace
{

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameRect(const QRectF &a, const QRectF &b)
{
    return sameBits(a.x(), b.x()) && sameBits(a.y(), b.y()) && sameBits(a.width(), b.width()) &&
           sameBits(a.height(), b.height());
}

QString difference(const Primitive &a, const Primitive &b)
{
    if (a.kind != b.kind)
        return u"kind"_s;
    if (!sameRect(a.rect, b.rect))
        return u"rect"_s;
    if (a.font != b.font || a.color != b.color || a.color.isValid() != b.color.isValid() ||
        a.alignment != b.alignment || a.clip != b.clip)
        return u"text style"_s;
    if (a.lines.size() != b.lines.size())
        return u"line count"_s;
    for (size_t i = 0; i < a.lines.size(); ++i) {
        const PreparedLine &x = a.lines[i];
        const PreparedLine &y = b.lines[i];
        if (x.text != y.text || !sameBits(x.origin.x(), y.origin.x()) ||
            !sameBits(x.origin.y(), y.origin.y()) || !sameBits(x.width, y.width))
            return u"line %1"_s.arg(i);
    }
    if (a.penColor != b.penColor || !sameBits(a.penWidth, b.penWidth) || a.penStyle != b.penStyle ||
        a.brushColor != b.brushColor || a.brushColor.isValid() != b.brushColor.isValid() ||
        !sameBits(a.radius, b.radius))
        return u"pen or brush"_s;
    if (a.image != b.image)
        return u"image"_s;
    return QString();
}

void comparePages(const PreparedPage &expected, const PreparedPage &actual)
{
    QCOMPARE(actual.paperSize, expected.paperSize);
    QCOMPARE(actual.margins, expected.margins);
    QCOMPARE(actual.items.size(), expected.items.size());
    for (size_t i = 0; i < expected.items.size(); ++i) {
        const QString d = difference(expected.items[i], actual.items[i]);
        QVERIFY2(d.isEmpty(), qPrintable(u"item %1: %2"_s.arg(i).arg(d)));
    }
}

// A page with one item of every kind and the values that are easy to lose: texts outside Latin-1
// (an emoji's two halves), an empty text, numbers that are not round in binary, invalid colours.
PreparedPage sampleItems(int n)
{
    PreparedPage page;
    page.paperSize = QSizeF(215.9, 279.4);
    page.margins = QMarginsF(10.1, 12.7, 9.9, 0.1 * n);
    Primitive text;
    text.kind = Primitive::Kind::Text;
    text.rect = QRectF(10.0 / 3.0, 20.0 + n * 4.7, 55.123456789, 4.2);
    text.font = 2;
    text.color = QColor(0x80, 0x10, 0x20);
    text.alignment = Qt::AlignRight;
    text.clip = true;
    text.lines.push_back({u"Gewürztraminer «Clos» %1"_s.arg(n), QPointF(10.0 / 3.0 + 0.6, 23.1 + n), 41.7});
    text.lines.push_back({u"Château 🍷 ĳ ŉ"_s, QPointF(1e-9, -0.0), 0.0});
    text.lines.push_back({QString(), QPointF(3.0, 4.0), 0.0});
    page.items.push_back(text);
    Primitive fill;
    fill.kind = Primitive::Kind::Rect;
    fill.rect = QRectF(0.5, 1.5, 2.5, 3.5);
    fill.brushColor = QColor(250, 250, 200);
    fill.radius = 1.25;
    page.items.push_back(fill);
    Primitive line;
    line.kind = Primitive::Kind::Line;
    line.rect = QRectF(QPointF(10.0, 30.0), QPointF(200.0, 30.0));
    line.penColor = Qt::black;
    line.penWidth = 0.3;
    line.penStyle = Qt::DashLine;
    page.items.push_back(line);
    Primitive ellipse;
    ellipse.kind = Primitive::Kind::Ellipse;
    ellipse.rect = QRectF(40.0, 40.0, 20.0, 10.0);
    ellipse.penColor = QColor(0, 0, 255, 128);
    ellipse.penWidth = 0.5;
    page.items.push_back(ellipse);
    QImage picture(4, 3, QImage::Format_ARGB32);
    picture.fill(QColor(10, 200, 30));
    Primitive image;
    image.kind = Primitive::Kind::Image;
    image.rect = QRectF(5.0, 6.0, 7.0, 8.0);
    image.image = picture;
    page.items.push_back(image);
    Primitive waiting; // a text that waits for the page count: no lines yet, no colour
    waiting.kind = Primitive::Kind::Text;
    waiting.rect = QRectF(150.0, 280.0, 40.0, 5.0);
    page.items.push_back(waiting);
    return page;
}

QStringList namedTemporaryFiles()
{
    return QDir::temp().entryList({u"vinary-pages-*"_s}, QDir::Files);
}

} // namespace

class TestPageStore : public QObject
{
    Q_OBJECT

private slots:
    void itemsComeBackExactly_data();
    void itemsComeBackExactly();
    void spilledReportPrintsTheSamePages();
};

void TestPageStore::itemsComeBackExactly_data()
{
    QTest::addColumn<qint64>("spillBytes");
    QTest::newRow("in memory") << qint64(1 << 30);
    QTest::newRow("in a temporary file") << qint64(1);
}

void TestPageStore::itemsComeBackExactly()
{
    QFETCH(qint64, spillBytes);
    const QStringList before = namedTemporaryFiles();
    PageStore store(spillBytes);
    std::vector<PreparedPage> pages;
    for (int n = 0; n < 5; ++n) {
        pages.push_back(sampleItems(n));
        store.append(pages.back());
    }
    QCOMPARE(store.spilled(), spillBytes == 1);
    // The temporary file has no name a crash could leave behind.
    QCOMPARE(namedTemporaryFiles(), before);

    // The text that waited gets its lines once the page count is known.
    Primitive counted = pages[3].items[5];
    counted.font = 1;
    counted.color = Qt::black;
    counted.lines.push_back({u"Pagina 4 di 5"_s, QPointF(151.0, 283.5), 30.25});
    store.patch(3, {{5, counted}});
    pages[3].items[5] = counted;

    QCOMPARE(store.pageCount(), 5);
    for (int n = 4; n >= 0; --n) {
        QCOMPARE(store.paperSize(n), pages[size_t(n)].paperSize);
        comparePages(pages[size_t(n)], store.page(n));
        if (QTest::currentTestFailed())
            return;
    }
}

void TestPageStore::spilledReportPrintsTheSamePages()
{
    // A list of several pages with "page N of M" in its footer.
    ReportTemplate t;
    ReportPage p = page();
    p.objects.append(band(BandType::MasterData, 20, 6, u"Data"_s));
    p.objects.append(text(10, 20, 120, 6, u"[Descrizione] [Prezzo_Ven]"_s));
    p.objects.append(band(BandType::PageFooter, 270, 8));
    p.objects.append(text(10, 270, 100, 6, u"[PAGE#] / [TOTALPAGES]"_s));
    t.pages.append(p);
    MemoryDataset ds;
    fillWines(ds, 300);
    DatasetRegistry registry;
    registry.add(u"Data"_s, &ds);

    PrepareOptions kept;
    const PreparedReport inMemory = prepareReport(t, registry, kept);
    PrepareOptions spilled;
    spilled.spillBytes = 1;
    const PreparedReport onFile = prepareReport(t, registry, spilled);
    QVERIFY(inMemory.pageCount() > 5);
    QVERIFY(!inMemory.store().spilled());
    QVERIFY(onFile.store().spilled());
    QCOMPARE(onFile.pageCount(), inMemory.pageCount());
    for (int i = 0; i < inMemory.pageCount(); ++i)
        comparePages(inMemory.page(i), onFile.page(i));
    QVERIFY(onFile.pageText(onFile.pageCount() - 1).contains(u"%1 / %1"_s.arg(onFile.pageCount())));
    QCOMPARE(textExport(onFile), textExport(inMemory));
    QCOMPARE(rtfExport(onFile), rtfExport(inMemory));
}

QTEST_MAIN(TestPageStore)
#include "test_pagestore.moc"
