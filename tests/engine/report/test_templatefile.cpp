// The ".frf" template file: round trip of every property and of the object order, atomic saving,
// and refusal of binary, damaged and hostile files.

#include "engine/common/errors.h"
#include "engine/report/templatefile.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using namespace vinary::report;

namespace
{

// One object of every kind, each with properties away from the defaults.
ReportTemplate richTemplate()
{
    ReportTemplate t;
    ReportPage p;
    p.paperSize = QSizeF(297, 210);
    p.margins = QMarginsF(11.5, 12, 13, 14.25);

    ReportObject band;
    band.kind = ObjectKind::Band;
    band.name = u"Band1"_s;
    band.rect = QRectF(10, 20, 277, 8.5);
    band.bandType = BandType::GroupHeader;
    band.dataset = u"MainForm.Schede"_s;
    band.groupExpression = u"[Tipologia]"_s;
    band.printCondition = u"[Quantita] <= [Scorta]"_s;
    band.currentRowOnly = true;
    band.repeatOnNewPage = false;
    band.printOnFirstPage = false;
    p.objects.append(band);

    ReportObject text;
    text.kind = ObjectKind::Text;
    text.name = u"Memo1"_s;
    text.rect = QRectF(12.25, 21, 50, 6);
    text.lines = {u"[DESCRIZIONE]"_s, u"<b>&amp; \"quoted\"</b>"_s, QString(), u"Château d'Yquem"_s};
    text.fontFamily = u"Liberation Serif"_s;
    text.fontSize = 11.5;
    text.bold = text.italic = text.underline = true;
    text.hAlign = HAlign::Right;
    text.vAlign = VAlign::Center;
    text.wordWrap = false;
    text.stretch = true;
    text.frame = {true, false, true, true};
    text.frameWidth = 0.35;
    text.frameColor = QColor(10, 20, 30);
    text.textColor = QColor(0x80, 0x10, 0x20);
    text.fillColor = QColor(200, 210, 220, 128);
    text.format = u"0.00;;#"_s;
    p.objects.append(text);

    ReportObject line;
    line.kind = ObjectKind::Line;
    line.name = u"Line1"_s;
    line.rect = QRectF(10, 28, 100, 0);
    line.penWidth = 0.5;
    line.penColor = QColor(1, 2, 3);
    line.penStyle = Qt::DashLine;
    p.objects.append(line);

    ReportObject shape;
    shape.kind = ObjectKind::Shape;
    shape.name = u"Shape1"_s;
    shape.rect = QRectF(120, 30, 40, 20);
    shape.shapeKind = ShapeKind::RoundedRectangle;
    shape.brushColor = QColor(250, 240, 230);
    shape.cornerRadius = 3.5;
    shape.penStyle = Qt::NoPen;
    p.objects.append(shape);

    ReportObject picture;
    picture.kind = ObjectKind::Picture;
    picture.name = u"Picture1"_s;
    picture.rect = QRectF(170, 30, 20, 20);
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer(&picture.imageData);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    picture.keepAspect = false;
    p.objects.append(picture);

    t.pages.append(p);
    t.pages.append(ReportPage()); // a second, default page
    return t;
}

} // namespace

class TestTemplateFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsEveryProperty();
    void roundTripKeepsObjectOrder();
    void saveIsAtomicAndReadable();
    void objectTextSplitsAtLineBreaks_data();
    void objectTextSplitsAtLineBreaks();
    void binaryFilesAreNotTemplates_data();
    void binaryFilesAreNotTemplates();
    void damagedFilesGiveClearErrors_data();
    void damagedFilesGiveClearErrors();
    void outOfRangeNumbersAreClamped();
    void hugeTextsAreCut();
    void unknownElementsAreSkipped();
    void clipboardObjects();
};

void TestTemplateFile::roundTripKeepsEveryProperty()
{
    const ReportTemplate t = richTemplate();
    const ReportTemplate back = TemplateFile::parse(TemplateFile::serialize(t), u"t.frf"_s);
    QCOMPARE(back.pageCount(), 2);
    for (int i = 0; i < t.page(0).objectCount(); ++i) {
        const ReportObject &a = t.page(0).object(i);
        const ReportObject &b = back.page(0).object(i);
        QVERIFY2(a == b, qPrintable(u"object %1 (%2) differs after the round trip"_s.arg(i).arg(a.name)));
    }
    QVERIFY(back == t);
    // A default object writes only its geometry, so files stay small.
    ReportTemplate plain;
    ReportPage page;
    ReportObject o;
    o.rect = QRectF(1, 2, 3, 4);
    page.objects.append(o);
    plain.pages.append(page);
    const QByteArray xml = TemplateFile::serialize(plain);
    QVERIFY(!xml.contains("font="));
    QCOMPARE(TemplateFile::parse(xml, u"p.frf"_s), plain);
}

void TestTemplateFile::roundTripKeepsObjectOrder()
{
    ReportTemplate t;
    ReportPage p;
    // Interleaved kinds in an order that sorting by kind or position would change.
    for (int i = 0; i < 30; ++i) {
        ReportObject o;
        o.kind = static_cast<ObjectKind>(i % 4 == 3 ? 3 : i % 3);
        o.name = u"obj%1"_s.arg(29 - i);
        o.rect = QRectF(i % 7, 100 - i, 5, 5);
        p.objects.append(o);
    }
    t.pages.append(p);
    const ReportTemplate back = TemplateFile::parse(TemplateFile::serialize(t), u"t.frf"_s);
    QStringList a;
    QStringList b;
    for (const ReportObject &o : t.page(0).objects)
        a.append(o.name);
    for (const ReportObject &o : back.page(0).objects)
        b.append(o.name);
    QCOMPARE(b, a);
}

void TestTemplateFile::saveIsAtomicAndReadable()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"catalogo.frf"_s);
    const ReportTemplate t = richTemplate();
    TemplateFile::save(t, path);
    QCOMPARE(TemplateFile::load(path), t);
    // Saving into a folder that does not exist fails and leaves no file behind.
    const QString bad = dir.filePath(u"missing/catalogo.frf"_s);
    QVERIFY_THROWS_EXCEPTION(VinaryError, TemplateFile::save(t, bad));
    QVERIFY(!QFile::exists(bad));
    QVERIFY_THROWS_EXCEPTION(VinaryError, TemplateFile::load(dir.filePath(u"none.frf"_s)));
}

void TestTemplateFile::objectTextSplitsAtLineBreaks_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("read");
    QTest::newRow("empty") << QString() << QStringList() << QString();
    QTest::newRow("one line") << u"[CODICE]"_s << QStringList{u"[CODICE]"_s} << u"[CODICE]\r\n"_s;
    QTest::newRow("final break ends the line") << u"a\r\n"_s << QStringList{u"a"_s} << u"a\r\n"_s;
    QTest::newRow("mixed breaks") << u"a\nb\rc\r\nd"_s << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}
                                  << u"a\r\nb\r\nc\r\nd\r\n"_s;
    QTest::newRow("empty line kept") << u"a\r\n\r\nb"_s << QStringList{u"a"_s, QString(), u"b"_s}
                                     << u"a\r\n\r\nb\r\n"_s;
    QTest::newRow("lone break") << u"\n"_s << QStringList{QString()} << u"\r\n"_s;
}

void TestTemplateFile::objectTextSplitsAtLineBreaks()
{
    QFETCH(QString, written);
    QFETCH(QStringList, lines);
    QFETCH(QString, read);
    ReportObject o;
    o.setText(written);
    QCOMPARE(o.lines, lines);
    QCOMPARE(o.text(), read);
    // Reading and writing back changes nothing.
    ReportObject again;
    again.setText(o.text());
    QCOMPARE(again.lines, lines);
}

void TestTemplateFile::binaryFilesAreNotTemplates_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("another engine's binary") << QByteArray("\x03\x00\x00\x00\x17"
                                                           "ReportPages\x00\x01\x02",
                                                           19);
    QTest::newRow("nul bytes after xml start") << QByteArray("<vinary-report\0version", 22);
    QTest::newRow("plain text") << QByteArray("this is not a template");
    QTest::newRow("other xml") << QByteArray("<?xml version=\"1.0\"?><html><body/></html>");
    QTest::newRow("empty") << QByteArray();
}

void TestTemplateFile::binaryFilesAreNotTemplates()
{
    QFETCH(QByteArray, data);
    try {
        TemplateFile::parse(data, u"catalogo.frf"_s);
        QFAIL("no error");
    } catch (const VinaryError &e) {
        QCOMPARE(e.message(), u"catalogo.frf is not a Vinary report template."_s);
    }
}

void TestTemplateFile::damagedFilesGiveClearErrors_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("wording");
    const QByteArray head = "<vinary-report version=\"1\"><page>";
    QTest::newRow("truncated") << head + "<text name=\"a\" x=\"1\"" << u"damaged"_s;
    QTest::newRow("unclosed") << head << u"damaged"_s;
    QTest::newRow("not a number") << head + "<text x=\"abc\"/></page></vinary-report>" << u"not a number"_s;
    QTest::newRow("infinite number") << head + "<text x=\"inf\"/></page></vinary-report>"
                                     << u"not a number"_s;
    QTest::newRow("bad band type") << head + "<band band=\"sideways\"/></page></vinary-report>"
                                   << u"band type"_s;
    QTest::newRow("bad colour") << head + "<text color=\"blue\"/></page></vinary-report>" << u"colour"_s;
    QTest::newRow("bad flag") << head + "<text bold=\"maybe\"/></page></vinary-report>"
                              << u"true nor false"_s;
    QTest::newRow("no version") << QByteArray("<vinary-report><page/></vinary-report>") << u"version"_s;
    QTest::newRow("newer version") << QByteArray("<vinary-report version=\"99\"/>") << u"newer version"_s;
    QTest::newRow("document type") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"aaaa\">]>"
                                                 "<vinary-report version=\"1\"/>")
                                   << u"document type"_s;
    QByteArray deep = head + "<text>";
    for (int i = 0; i < 5000; ++i)
        deep += "<x>";
    QTest::newRow("deep nesting") << deep << u"nested too deeply"_s;
    QTest::newRow("element inside a line")
        << head + "<text><l>a<b/></l></text></page></vinary-report>" << u"damaged"_s;
}

void TestTemplateFile::damagedFilesGiveClearErrors()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, wording);
    try {
        TemplateFile::parse(data, u"giornale.frf"_s);
        QFAIL("no error");
    } catch (const VinaryError &e) {
        QVERIFY2(e.message().contains(u"giornale.frf"_s), qPrintable(e.message()));
        QVERIFY2(e.message().contains(wording), qPrintable(e.message()));
    }
}

void TestTemplateFile::outOfRangeNumbersAreClamped()
{
    const QByteArray xml =
        "<vinary-report version=\"1\"><page width=\"1e300\" height=\"-5\" left=\"-3\" top=\"1e9\">"
        "<text x=\"-1e12\" y=\"7\" width=\"-20\" height=\"1e40\" size=\"0\" frame-width=\"99\"/>"
        "</page></vinary-report>";
    const ReportTemplate t = TemplateFile::parse(xml, u"c.frf"_s);
    const ReportPage &p = t.page(0);
    QCOMPARE(p.paperSize, QSizeF(TemplateFile::maxLength, 10.0));
    QCOMPARE(p.margins.left(), 0.0);
    QVERIFY(p.margins.top() <= p.paperSize.height() * 0.45);
    const ReportObject &o = p.object(0);
    QCOMPARE(o.rect.x(), -TemplateFile::maxLength);
    QCOMPARE(o.rect.width(), 0.0);
    QCOMPARE(o.rect.height(), TemplateFile::maxLength);
    QCOMPARE(o.fontSize, 1.0);
    QCOMPARE(o.frameWidth, 20.0);
}

void TestTemplateFile::hugeTextsAreCut()
{
    QByteArray xml = "<vinary-report version=\"1\"><page><text><l>";
    xml += QByteArray(200000, 'a');
    xml += "</l>";
    for (int i = 0; i < 5000; ++i)
        xml += "<l>b</l>";
    xml += "</text></page></vinary-report>";
    const ReportTemplate t = TemplateFile::parse(xml, u"h.frf"_s);
    const ReportObject &o = t.page(0).object(0);
    qsizetype total = 0;
    for (const QString &l : o.lines)
        total += l.size();
    QVERIFY(total <= TemplateFile::maxTextLength);
    QVERIFY(o.lines.size() <= TemplateFile::maxLines);

    // A file beyond the size limit is refused before it is parsed.
    QTemporaryDir dir;
    QFile big(dir.filePath(u"big.frf"_s));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write("<vinary-report version=\"1\"><page><text><l>");
    QVERIFY(big.resize(TemplateFile::maxFileSize + 100));
    big.close();
    try {
        TemplateFile::load(big.fileName());
        QFAIL("no error");
    } catch (const VinaryError &e) {
        QVERIFY2(e.message().contains(u"too large"_s), qPrintable(e.message()));
    }
}

void TestTemplateFile::unknownElementsAreSkipped()
{
    const QByteArray xml = "<vinary-report version=\"1\"><extra><deeper a=\"1\"/></extra><page>"
                           "<future-object/><text name=\"kept\"><l>x</l><note>later</note></text>"
                           "</page></vinary-report>";
    const ReportTemplate t = TemplateFile::parse(xml, u"u.frf"_s);
    QCOMPARE(t.pageCount(), 1);
    QCOMPARE(t.page(0).objectCount(), 1);
    QCOMPARE(t.page(0).object(0).name, u"kept"_s);
    QCOMPARE(t.page(0).object(0).lines, QStringList{u"x"_s});
}

void TestTemplateFile::clipboardObjects()
{
    const QList<ReportObject> objects = richTemplate().page(0).objects;
    QCOMPARE(TemplateFile::parseObjects(TemplateFile::serializeObjects(objects)), objects);
    QVERIFY_THROWS_EXCEPTION(VinaryError, TemplateFile::parseObjects("plain text"));
}

QTEST_GUILESS_MAIN(TestTemplateFile)
#include "test_templatefile.moc"
