// The paginator: bands, page breaks, the footer's reserve, groups and their totals, stretching
// text, [TOTALPAGES], print conditions and the errors a template can raise.

#include "engine/common/errors.h"
#include "engine/report/preparer.h"
#include "engine/report/textmeasure.h"
#include "reportfixtures.h"

#include <QFontMetricsF>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using namespace vinary::report;
using namespace vinary::report::fixtures;

namespace
{

struct Placed {
    QString text;
    QRectF rect;
};

// Text primitives of a page, in the order they were placed.
std::vector<Placed> texts(const PreparedPage &page)
{
    std::vector<Placed> out;
    for (const Primitive &p : page.items) {
        if (p.kind != Primitive::Kind::Text)
            continue;
        QStringList lines;
        for (const PreparedLine &l : p.lines)
            lines.append(l.text);
        out.push_back({lines.join(u'\n'), p.rect});
    }
    return out;
}

QStringList textList(const PreparedPage &page)
{
    QStringList out;
    for (const Placed &p : texts(page))
        out.append(p.text);
    return out;
}

int count(const PreparedPage &page, const QString &prefix)
{
    int n = 0;
    for (const Placed &p : texts(page))
        n += p.text.startsWith(prefix) ? 1 : 0;
    return n;
}

// A dataset of `n` rows: N (1..n), Name ("row N"), Kind (groups of `groupSize`), Amount (N).
MemoryDataset rows(int n, int groupSize = 1000)
{
    MemoryDataset ds({u"N"_s, u"Name"_s, u"Kind"_s, u"Amount"_s});
    for (int i = 1; i <= n; ++i)
        ds.addRow({i, u"row %1"_s.arg(i), u"K%1"_s.arg((i - 1) / groupSize + 1), double(i)});
    return ds;
}

// A page whose body runs from 10 mm to `bodyBottom`, and a master data band of `height` mm
// printing "row N".
ReportTemplate listTemplate(double height, double bodyBottom)
{
    ReportTemplate t;
    ReportPage p = page();
    p.margins = QMarginsF(10, 10, 10, 297 - bodyBottom);
    p.objects.append(band(BandType::MasterData, 50, height, u"Data"_s));
    p.objects.append(text(10, 50, 80, std::min(height, 6.0), u"[Name]"_s, u"NameText"_s));
    t.pages.append(p);
    return t;
}

PreparedReport run(const ReportTemplate &t, MemoryDataset &ds, const QString &name = u"Data"_s)
{
    DatasetRegistry registry;
    registry.add(name, &ds);
    PrepareOptions options;
    options.locale = QLocale::c();
    options.now = QDateTime(QDate(2025, 6, 1), QTime(10, 30));
    return prepareReport(t, registry, options);
}

QString errorOf(const ReportTemplate &t, MemoryDataset &ds)
{
    try {
        run(t, ds);
    } catch (const VinaryError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestPreparer : public QObject
{
    Q_OBJECT

private slots:
    void tooLongTextsShrinkEndInEllipsisOrWrapBetweenWords();
    void bandThatFitsExactlyStaysOnThePage();
    void bandThatOverflowsByAHairMovesOn();
    void pageFooterRoomIsReserved();
    void pageHeaderAndMasterHeaderRepeat();
    void groupHeaderIsKeptWithItsFirstRow();
    void groupTotalsAndGrandTotal();
    void stretchedTextPushesWhatIsBelow();
    void totalPagesOnEveryPage();
    void totalPagesInsideAnExpression();
    void emptyDatasetPrintsTitleAndSummaryOnly();
    void printConditionSkipsRows();
    void currentRowOnly();
    void builtinsAndFormats();
    void datasetsByBareAndQualifiedNames();
    void untranslatedKeysStayAsText();
    void dataWithBracketsPrintsAsIs();
    void errorsNameTheObjectAndTheExpression();
    void tallBandDoesNotLoop();
    void textIsMeasuredAlikeEveryTime();
    void numbersAreMeasuredAsShapingMeasuresThem();
};

void TestPreparer::bandThatFitsExactlyStaysOnThePage()
{
    // Ten bands of 25 mm in a body of 250 mm.
    MemoryDataset ds = rows(20);
    const PreparedReport r = run(listTemplate(25.0, 260.0), ds);
    QCOMPARE(r.pageCount(), 2);
    QCOMPARE(count(r.page(0), u"row"_s), 10);
    QCOMPARE(count(r.page(1), u"row"_s), 10);
    QCOMPARE(textList(r.page(1)).front(), u"row 11"_s);
}

void TestPreparer::bandThatOverflowsByAHairMovesOn()
{
    MemoryDataset ds = rows(20);
    const PreparedReport r = run(listTemplate(25.001, 260.0), ds);
    QCOMPARE(count(r.page(0), u"row"_s), 9);
    QCOMPARE(textList(r.page(1)).front(), u"row 10"_s);
    QCOMPARE(r.pageCount(), 3);
}

void TestPreparer::pageFooterRoomIsReserved()
{
    ReportTemplate t = listTemplate(25.0, 260.0);
    ReportPage &p = t.page(0);
    p.objects.append(band(BandType::PageFooter, 200, 25.0));
    p.objects.append(text(10, 201, 80, 6, u"footer"_s, u"FooterText"_s));
    MemoryDataset ds = rows(20);
    const PreparedReport r = run(t, ds);
    // 250 mm less the footer's 25 mm holds nine rows.
    QCOMPARE(count(r.page(0), u"row"_s), 9);
    QCOMPARE(count(r.page(0), u"footer"_s), 1);
    for (const Placed &placed : texts(r.page(0))) {
        if (placed.text == u"footer"_s)
            QCOMPARE(placed.rect.top(), 260.0 - 25.0 + 1.0);
    }
    QCOMPARE(r.pageCount(), 3);
    QCOMPARE(count(r.page(2), u"footer"_s), 1);
}

void TestPreparer::pageHeaderAndMasterHeaderRepeat()
{
    ReportTemplate t = listTemplate(25.0, 260.0);
    ReportPage &p = t.page(0);
    p.objects.append(band(BandType::ReportTitle, 10, 10));
    p.objects.append(text(10, 10, 80, 6, u"title"_s));
    p.objects.append(band(BandType::PageHeader, 20, 10));
    p.objects.append(text(10, 20, 80, 6, u"page header"_s));
    p.objects.append(band(BandType::MasterHeader, 30, 10));
    p.objects.append(text(10, 30, 80, 6, u"column titles"_s));
    ReportObject once = band(BandType::MasterHeader, 40, 5);
    once.repeatOnNewPage = false;
    p.objects.append(once);
    p.objects.append(text(10, 40, 80, 5, u"first page only"_s));
    MemoryDataset ds = rows(30);
    const PreparedReport r = run(t, ds);
    QVERIFY(r.pageCount() >= 3);
    const QStringList first = textList(r.page(0));
    QCOMPARE(first.mid(0, 4),
             (QStringList{u"title"_s, u"page header"_s, u"column titles"_s, u"first page only"_s}));
    for (int i = 1; i < r.pageCount(); ++i) {
        const QStringList later = textList(r.page(i));
        QCOMPARE(later.mid(0, 2), (QStringList{u"page header"_s, u"column titles"_s}));
        QVERIFY(!later.contains(u"title"_s));
        QVERIFY(!later.contains(u"first page only"_s));
    }
}

void TestPreparer::groupHeaderIsKeptWithItsFirstRow()
{
    // Rows of 25 mm in a body of 250 mm and a 20 mm group header. Groups of 8: page 1 holds the
    // first header and 8 rows (220 mm); the second header would still fit (240 mm) but its first
    // row would not, so both go to page 2.
    ReportTemplate t = listTemplate(25.0, 260.0);
    ReportPage &p = t.page(0);
    ReportObject gh = band(BandType::GroupHeader, 30, 20.0);
    gh.groupExpression = u"[Kind]"_s;
    p.objects.append(gh);
    p.objects.append(text(10, 30, 80, 6, u"group [Kind]"_s));
    MemoryDataset ds = rows(16, 8);
    PreparedReport r = run(t, ds);
    QCOMPARE(textList(r.page(0)).back(), u"row 8"_s);
    QCOMPARE(textList(r.page(1)).mid(0, 2), (QStringList{u"group K2"_s, u"row 9"_s}));
    for (int i = 0; i < r.pageCount(); ++i)
        QVERIFY(!textList(r.page(i)).back().startsWith(u"group"_s));

    // A group that runs on to the next page gets its header repeated there.
    MemoryDataset long_ = rows(16, 100);
    r = run(t, long_);
    QCOMPARE(textList(r.page(0)).back(), u"row 9"_s);
    QCOMPARE(textList(r.page(1)).mid(0, 2), (QStringList{u"group K1"_s, u"row 10"_s}));
    t.page(0).objects[2].repeatOnNewPage = false;
    r = run(t, long_);
    QCOMPARE(textList(r.page(1)).front(), u"row 10"_s);
}

void TestPreparer::groupTotalsAndGrandTotal()
{
    ReportTemplate t;
    ReportPage p = page();
    ReportObject gh = band(BandType::GroupHeader, 20, 6);
    gh.groupExpression = u"[Kind]"_s;
    p.objects.append(gh);
    p.objects.append(text(10, 20, 50, 6, u"[Kind]"_s));
    p.objects.append(band(BandType::MasterData, 30, 6, u"Data"_s));
    p.objects.append(text(10, 30, 50, 6, u"[Name]"_s));
    p.objects.append(band(BandType::GroupFooter, 40, 6));
    p.objects.append(
        text(10, 40, 100, 6, u"sum [SUM([Amount])] n [COUNT()] avg [AVG([Amount])] of [Kind]"_s));
    p.objects.append(band(BandType::ReportSummary, 50, 6));
    p.objects.append(text(
        10, 50, 150, 6,
        u"total [SUM([Amount])] n [COUNT()] min [MIN([Amount])] max [MAX([Amount])] big [COUNT([Amount] > 5)]"_s));
    t.pages.append(p);
    MemoryDataset ds = rows(7, 3);
    const QStringList out = textList(run(t, ds).page(0));
    QCOMPARE(out,
             (QStringList{u"K1"_s, u"row 1"_s, u"row 2"_s, u"row 3"_s, u"sum 6 n 3 avg 2 of K1"_s, u"K2"_s,
                          u"row 4"_s, u"row 5"_s, u"row 6"_s, u"sum 15 n 3 avg 5 of K2"_s, u"K3"_s,
                          u"row 7"_s, u"sum 7 n 1 avg 7 of K3"_s, u"total 28 n 7 min 1 max 7 big 2"_s}));
}

void TestPreparer::tooLongTextsShrinkEndInEllipsisOrWrapBetweenWords()
{
    ReportTemplate t;
    ReportPage p = page();
    p.objects.append(band(BandType::MasterData, 20, 12, u"Data"_s));
    ReportObject code = text(10, 20, 17, 5, u"[Code]"_s, u"Code"_s);
    code.wordWrap = false;
    code.fit = TextFit::Shrink;
    ReportObject name = text(30, 20, 25, 5, u"[Name]"_s, u"Name"_s);
    name.wordWrap = false;
    name.fit = TextFit::Ellipsis;
    ReportObject header = text(60, 20, 19, 11, u"Giacenza minima"_s, u"Header"_s);
    header.wordWrap = true;
    header.fit = TextFit::Shrink;
    ReportObject narrow = text(85, 20, 12, 11, u"Giacenza"_s, u"Narrow"_s);
    narrow.wordWrap = true;
    p.objects << code << name << header << narrow;
    t.pages.append(p);
    MemoryDataset ds({u"Code"_s, u"Name"_s});
    ds.addRow({u"8012345678901"_s, u"Brunello di Montalcino Riserva"_s});
    const PreparedReport r = run(t, ds);
    const std::vector<Primitive> items = r.page(0).items;
    QCOMPARE(items.size(), size_t(4));
    auto fits = [&](const Primitive &prim) {
        const QFontMetricsF fm(r.fonts[size_t(prim.font)].font);
        for (const PreparedLine &l : prim.lines) {
            if (fm.horizontalAdvance(l.text) * Reference::mmPerPixel >
                prim.rect.width() - 2 * TextMeasurer::padX + 1e-6)
                return false;
        }
        return !prim.clip;
    };
    // The code keeps every digit in a smaller size.
    QCOMPARE(items[0].lines.front().text, u"8012345678901"_s);
    QVERIFY(r.fonts[size_t(items[0].font)].pointSize < 10.0);
    QVERIFY(fits(items[0]));
    // The name is cut after whole characters and says so.
    QVERIFY(items[1].lines.front().text.endsWith(u'…'));
    QVERIFY(u"Brunello di Montalcino Riserva"_s.startsWith(items[1].lines.front().text.chopped(1)));
    QVERIFY(fits(items[1]));
    // The header breaks between its words, never inside one.
    QCOMPARE(items[2].lines.size(), size_t(2));
    QCOMPARE(items[2].lines[0].text, u"Giacenza"_s);
    QCOMPARE(items[2].lines[1].text, u"minima"_s);
    QVERIFY(fits(items[2]));
    // A word wider than its box stays whole (and is cut at the edge, as the object asks).
    QCOMPARE(items[3].lines.size(), size_t(1));
    QCOMPARE(items[3].lines[0].text, u"Giacenza"_s);
    QVERIFY(items[3].clip);
}

void TestPreparer::stretchedTextPushesWhatIsBelow()
{
    ReportTemplate t;
    ReportPage p = page();
    p.objects.append(band(BandType::MasterData, 20, 12, u"Data"_s));
    ReportObject notes = text(10, 20, 30, 5, u"[Name]"_s, u"Notes"_s);
    notes.wordWrap = true;
    notes.stretch = true;
    p.objects.append(notes);
    p.objects.append(text(10, 26, 30, 5, u"below"_s, u"Below"_s));
    p.objects.append(text(50, 20, 30, 5, u"beside"_s, u"Beside"_s));
    t.pages.append(p);
    MemoryDataset ds({u"Name"_s});
    ds.addRow({u"short"_s});
    ds.addRow({u"a rather long tasting note that needs several lines in a narrow box"_s});
    ds.addRow({u"last"_s});
    const std::vector<Placed> out = texts(run(t, ds).page(0));
    QCOMPARE(out.size(), size_t(9));
    // Row 1: nothing grows, the band keeps its 12 mm.
    QCOMPARE(out[0].rect.top(), 10.0);
    QCOMPARE(out[1].rect.top(), 16.0);
    // Row 2 starts 12 mm lower; its note grows, pushing "below" (and the band) down, not "beside".
    QCOMPARE(out[3].rect.top(), 22.0);
    QVERIFY(out[3].text.count(u'\n') >= 2);
    const double growth = out[3].rect.height() - 5.0;
    QVERIFY(growth > 5.0);
    QCOMPARE(out[4].text, u"below"_s);
    QCOMPARE(out[4].rect.top(), 28.0 + growth);
    QCOMPARE(out[5].rect.top(), 22.0);
    // Row 3 follows the grown band.
    QCOMPARE(out[6].rect.top(), out[4].rect.bottom());
}

void TestPreparer::totalPagesOnEveryPage()
{
    ReportTemplate t = listTemplate(25.0, 260.0);
    ReportPage &p = t.page(0);
    p.objects.append(band(BandType::PageFooter, 200, 10.0));
    ReportObject f = text(10, 200, 190, 6, u"Page [PAGE#] of [TOTALPAGES]"_s);
    f.hAlign = HAlign::Right;
    p.objects.append(f);
    MemoryDataset ds = rows(40);
    const PreparedReport r = run(t, ds);
    QCOMPARE(r.pageCount(), 5);
    for (int i = 0; i < r.pageCount(); ++i) {
        const QString expected = u"Page %1 of 5"_s.arg(i + 1);
        bool found = false;
        const PreparedPage page = r.page(i);
        for (const Primitive &prim : page.items) {
            if (prim.kind == Primitive::Kind::Text && !prim.lines.empty() &&
                prim.lines.front().text == expected) {
                found = true;
                // Right-aligned once the number is known.
                const PreparedLine &l = prim.lines.front();
                QVERIFY(std::abs(l.origin.x() + l.width - (200.0 - 0.6)) < 0.01);
            }
        }
        QVERIFY2(found, qPrintable(expected));
    }
}

void TestPreparer::totalPagesInsideAnExpression()
{
    ReportTemplate t = listTemplate(25.0, 260.0);
    ReportPage &p = t.page(0);
    p.objects.append(band(BandType::PageFooter, 200, 10.0));
    p.objects.append(text(10, 200, 190, 6, u"[IIF([PAGE#] = [TOTALPAGES]; 'last'; 'more')]"_s));
    MemoryDataset ds = rows(20);
    const PreparedReport r = run(t, ds);
    QCOMPARE(r.pageCount(), 3);
    QVERIFY(textList(r.page(0)).contains(u"more"_s));
    QVERIFY(textList(r.page(2)).contains(u"last"_s));
}

void TestPreparer::emptyDatasetPrintsTitleAndSummaryOnly()
{
    ReportTemplate t = listTemplate(25.0, 260.0);
    ReportPage &p = t.page(0);
    p.objects.append(band(BandType::ReportTitle, 10, 10));
    p.objects.append(text(10, 10, 80, 6, u"title"_s));
    p.objects.append(band(BandType::MasterHeader, 30, 10));
    p.objects.append(text(10, 30, 80, 6, u"headings"_s));
    p.objects.append(band(BandType::ReportSummary, 100, 10));
    p.objects.append(text(10, 100, 80, 6, u"total [SUM([Amount])] count [COUNT()]"_s));
    MemoryDataset ds = rows(0);
    const PreparedReport r = run(t, ds);
    QCOMPARE(r.pageCount(), 1);
    QCOMPARE(textList(r.page(0)), (QStringList{u"title"_s, u"total 0 count 0"_s}));
}

void TestPreparer::printConditionSkipsRows()
{
    ReportTemplate t = listTemplate(6.0, 260.0);
    t.page(0).objects[0].printCondition = u"[N] mod 2 = 0"_s;
    t.page(0).objects.append(band(BandType::ReportSummary, 100, 10));
    t.page(0).objects.append(text(10, 100, 80, 6, u"[COUNT()] rows, [SUM([Amount])]"_s));
    MemoryDataset ds = rows(6);
    const PreparedReport r = run(t, ds);
    QCOMPARE(textList(r.page(0)), (QStringList{u"row 2"_s, u"row 4"_s, u"row 6"_s, u"3 rows, 12"_s}));
}

void TestPreparer::currentRowOnly()
{
    ReportTemplate t = listTemplate(6.0, 260.0);
    t.page(0).objects[0].currentRowOnly = true;
    MemoryDataset ds = rows(5);
    ds.setPosition(3);
    const PreparedReport r = run(t, ds);
    QCOMPARE(textList(r.page(0)), QStringList{u"row 4"_s});
    QCOMPARE(ds.position(), 3); // the dataset's current row did not move
}

void TestPreparer::builtinsAndFormats()
{
    ReportTemplate t = listTemplate(6.0, 260.0);
    ReportObject &o = t.page(0).objects[1];
    o.setText(u"[LINE#]. [Amount] on [DATE] p.[PAGE#]"_s);
    o.rect.setWidth(150);
    ReportObject price = text(100, 50, 30, 6, u"[Amount * 1.5]"_s);
    price.format = u"#,##0.00"_s;
    t.page(0).objects.append(price);
    MemoryDataset ds = rows(2);
    const QStringList out = textList(run(t, ds).page(0));
    QCOMPARE(out,
             (QStringList{u"1. 1 on 1 Jun 2025 p.1"_s, u"1.50"_s, u"2. 2 on 1 Jun 2025 p.1"_s, u"3.00"_s}));
}

void TestPreparer::datasetsByBareAndQualifiedNames()
{
    ReportTemplate t = listTemplate(6.0, 260.0);
    t.page(0).objects[0].dataset = u"mainform.schede"_s;
    t.page(0).objects[1].setText(u"[Schede.\"Name\"] by [intestazione.\"Utente\"]"_s);
    t.page(0).objects[1].rect.setWidth(150);
    MemoryDataset cards = rows(2);
    MemoryDataset owner({u"Utente"_s, u"Ricarico"_s});
    owner.addRow({u"Enoteca Rossi"_s, 2.0});
    DatasetRegistry registry;
    registry.add(u"MainForm.Schede"_s, &cards);
    registry.add(u"MainForm.intestazione"_s, &owner);
    QCOMPARE(registry.find(u"SCHEDE"_s), &cards);
    QCOMPARE(registry.find(u"Other.Schede"_s), nullptr);
    const QStringList out = textList(prepareReport(t, registry).page(0));
    QCOMPARE(out, (QStringList{u"row 1 by Enoteca Rossi"_s, u"row 2 by Enoteca Rossi"_s}));
}

void TestPreparer::untranslatedKeysStayAsText()
{
    ReportTemplate t = listTemplate(6.0, 260.0);
    t.page(0).objects.append(band(BandType::ReportTitle, 10, 10));
    t.page(0).objects.append(text(10, 10, 80, 6, u"[RPT_CATALOGO] [see note]"_s));
    // Inside the data band, capitals are a field only by its exact name.
    t.page(0).objects[1].setText(u"[NAME] [N]"_s);
    MemoryDataset ds = rows(1);
    QCOMPARE(textList(run(t, ds).page(0)), (QStringList{u"[RPT_CATALOGO] [see note]"_s, u"[NAME] 1"_s}));
}

void TestPreparer::dataWithBracketsPrintsAsIs()
{
    ReportTemplate t = listTemplate(6.0, 260.0);
    t.page(0).objects[1].rect.setWidth(180);
    MemoryDataset ds({u"Name"_s});
    ds.addRow({u"Château d'Yquem [PAGE#] [Name] 'x'"_s});
    QCOMPARE(textList(run(t, ds).page(0)), QStringList{u"Château d'Yquem [PAGE#] [Name] 'x'"_s});
}

void TestPreparer::errorsNameTheObjectAndTheExpression()
{
    MemoryDataset ds = rows(3);
    {
        ReportTemplate t = listTemplate(6.0, 260.0);
        t.page(0).objects[1].setText(u"[Nmae]"_s);
        const QString e = errorOf(t, ds);
        QVERIFY2(e.contains(u"NameText"_s) && e.contains(u"[Nmae]"_s) && e.contains(u"no field"_s),
                 qPrintable(e));
    }
    {
        ReportTemplate t = listTemplate(6.0, 260.0);
        t.page(0).objects[0].dataset = u"MainForm.Cantina"_s;
        const QString e = errorOf(t, ds);
        QVERIFY2(e.contains(u"MainForm.Cantina"_s) && e.contains(u"not found"_s), qPrintable(e));
    }
    {
        ReportTemplate t = listTemplate(6.0, 260.0);
        t.page(0).objects[0].printCondition = u"[Amount] <="_s;
        const QString e = errorOf(t, ds);
        QVERIFY2(e.contains(u"print condition"_s) && e.contains(u"[Amount] <="_s), qPrintable(e));
    }
    {
        ReportTemplate t = listTemplate(6.0, 260.0);
        t.page(0).objects[1].setText(u"[100 / ([N] - 2)]"_s);
        const QString e = errorOf(t, ds);
        QVERIFY2(e.contains(u"NameText"_s) && e.contains(u"Division by zero"_s), qPrintable(e));
    }
}

void TestPreparer::tallBandDoesNotLoop()
{
    MemoryDataset ds = rows(3);
    const PreparedReport r = run(listTemplate(400.0, 260.0), ds);
    QCOMPARE(r.pageCount(), 3);
    QCOMPARE(count(r.page(0), u"row"_s), 1);
}

void TestPreparer::textIsMeasuredAlikeEveryTime()
{
    // Line breaks come from the reference measurement, so two runs break identically.
    ReportTemplate t = listTemplate(30.0, 260.0);
    t.page(0).objects[1].wordWrap = true;
    t.page(0).objects[1].rect = QRectF(10, 50, 35, 30);
    MemoryDataset ds({u"Name"_s});
    ds.addRow({u"Brunello di Montalcino Riserva, annata eccezionale, da meditazione"_s});
    const QStringList a = textList(run(t, ds).page(0));
    const QStringList b = textList(run(t, ds).page(0));
    QCOMPARE(a, b);
    QVERIFY(a.front().count(u'\n') >= 2);
}

void TestPreparer::numbersAreMeasuredAsShapingMeasuresThem()
{
    // Texts of digits and signs are measured character by character; their widths, and so where
    // right-aligned numbers stand, must be those of the shaped text, in every font and size.
    QRandomGenerator random(19);
    const QString signs = u" 0123456789.,:;-+/%()'#*="_s;
    for (const QString &family : {u"DejaVu Sans"_s, u"Liberation Sans"_s, u"Liberation Serif"_s}) {
        for (const double size : {7.0, 9.0, 12.5}) {
            for (const bool bold : {false, true}) {
                TextMeasurer measurer;
                std::vector<PreparedFont> fonts;
                PreparedFont style;
                style.family = family;
                style.pointSize = size;
                style.bold = bold;
                const int font = measurer.fontIndex(style, fonts);
                const QFontMetricsF shaped(fonts[size_t(font)].font);
                for (int i = 0; i < 600; ++i) {
                    QString text;
                    const int length = 1 + int(random.bounded(14));
                    for (int c = 0; c < length; ++c)
                        text += signs.at(int(random.bounded(signs.size())));
                    if (i % 7 == 0)
                        text += u"Wa"_s; // texts with letters are shaped as before
                    const LaidOutText laid = measurer.layout(text, font, fonts, 500.0, false, HAlign::Right);
                    QCOMPARE(laid.lines.size(), size_t(1));
                    QCOMPARE(laid.lines.front().width,
                             shaped.horizontalAdvance(text) * Reference::mmPerPixel);
                }
            }
        }
    }
}

QTEST_MAIN(TestPreparer)
#include "test_preparer.moc"
