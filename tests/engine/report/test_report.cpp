// The report component as the program drives it: title, loading with the lookup rules, pages and
// object texts by position, showing (through the preview hook), designing, exporting.

#include "engine/common/errors.h"
#include "engine/report/addons.h"
#include "engine/report/report.h"
#include "engine/report/templatefile.h"
#include "reportfixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using namespace vinary::report;
using namespace vinary::report::fixtures;

namespace
{

ReportTemplate oneLine(const QString &content)
{
    ReportTemplate t;
    ReportPage p = page();
    p.objects.append(band(BandType::MasterData, 20, 6, u"MainForm.Schede"_s));
    p.objects.append(text(10, 20, 150, 6, content, u"Memo1"_s));
    t.pages.append(p);
    return t;
}

void writeTemplate(const QString &path, const QString &content)
{
    TemplateFile::save(oneLine(content), path);
}

// Changes the current directory for one test and puts it back.
struct CurrentDir {
    QString saved = QDir::currentPath();
    explicit CurrentDir(const QString &dir) { QDir::setCurrent(dir); }
    ~CurrentDir() { QDir::setCurrent(saved); }
};

QString loadError(Report &r, const QString &name)
{
    try {
        r.loadFromFile(name);
    } catch (const VinaryError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void startsWithTitleKeyAndOneEmptyPage();
    void loadAppendsTheExtension_data();
    void loadAppendsTheExtension();
    void loadLooksInTheCurrentThenTheProgramDirectory();
    void missingFileNamesComponentAndFile();
    void unreadableTemplateKeepsTheOldOne();
    void shapesNeedTheShapeAddOn();
    void objectTextsByPosition();
    void translationPassChangesWhatPrints();
    void showReportHandsThePreparedReportToThePreview();
    void showReportReportsItsOwnFailures();
    void designNeedsTheAddOnAndGivesAPage();
    void exportToFile();

private:
    QTemporaryDir m_dir;
};

void TestReport::startsWithTitleKeyAndOneEmptyPage()
{
    Report r;
    QCOMPARE(r.objectName(), u"frReport1"_s);
    QCOMPARE(r.title(), u"[STAMPE]"_s);
    r.setTitle(u"Stampe"_s);
    QCOMPARE(r.title(), u"Stampe"_s);
    QCOMPARE(r.pageCount(), 1);
    QCOMPARE(r.objectCount(0), 0);
    QVERIFY(r.fileName().isEmpty());
}

void TestReport::loadAppendsTheExtension_data()
{
    QTest::addColumn<QString>("onDisk");
    QTest::addColumn<QString>("asked");
    QTest::newRow("bare name") << u"catalogo.frf"_s << u"catalogo"_s;
    QTest::newRow("extension in capitals") << u"SCHEDA.FRF"_s << u"SCHEDA.FRF"_s;
    QTest::newRow("other extension") << u"lista.txt.frf"_s << u"lista.txt"_s;
    QTest::newRow("dotted name") << u"carta.vini.frf"_s << u"carta.vini"_s;
}

void TestReport::loadAppendsTheExtension()
{
    QFETCH(QString, onDisk);
    QFETCH(QString, asked);
    QTemporaryDir dir;
    writeTemplate(dir.filePath(onDisk), u"loaded from "_s + onDisk);
    Report r;
    r.loadFromFile(dir.filePath(asked));
    QCOMPARE(r.objectText(0, 1), u"loaded from %1\r\n"_s.arg(onDisk));
    QCOMPARE(QFileInfo(r.fileName()).fileName(), onDisk);
}

void TestReport::loadLooksInTheCurrentThenTheProgramDirectory()
{
    QTemporaryDir current;
    QTemporaryDir program;
    writeTemplate(program.filePath(u"scheda.frf"_s), u"program"_s);
    Report r;
    r.setFallbackDirectory(program.path());
    const CurrentDir cd(current.path());
    const QString before = QDir::currentPath();
    r.loadFromFile(u"scheda.frf"_s);
    QCOMPARE(r.objectText(0, 1), u"program\r\n"_s);
    writeTemplate(current.filePath(u"scheda.frf"_s), u"current"_s);
    r.loadFromFile(u"scheda.frf"_s);
    QCOMPARE(r.objectText(0, 1), u"current\r\n"_s);
    QCOMPARE(QDir::currentPath(), before); // the lookup leaves the current directory alone
    // By default the fallback is the directory of the executable.
    Report plain;
    QCOMPARE(plain.fallbackDirectory(), QCoreApplication::applicationDirPath());
}

void TestReport::missingFileNamesComponentAndFile()
{
    Report r;
    r.setFallbackDirectory(m_dir.path());
    const CurrentDir cd(m_dir.path());
    QCOMPARE(loadError(r, u"manca"_s), u"frReport1: the report template file \"manca.frf\" was not found."_s);
    r.setObjectName(u"Other"_s);
    QVERIFY(loadError(r, u"/no/such/dir/x.frf"_s).startsWith(u"Other: "_s));
}

void TestReport::unreadableTemplateKeepsTheOldOne()
{
    QTemporaryDir dir;
    writeTemplate(dir.filePath(u"good.frf"_s), u"good"_s);
    QFile binary(dir.filePath(u"old.frf"_s));
    QVERIFY(binary.open(QIODevice::WriteOnly));
    binary.write(QByteArray("\x02\x00\x10\x00\x00\xff", 6));
    binary.close();
    Report r;
    r.loadFromFile(dir.filePath(u"good.frf"_s));
    const QString e = loadError(r, dir.filePath(u"old.frf"_s));
    QVERIFY2(e.startsWith(u"frReport1: "_s) && e.endsWith(u"old.frf is not a Vinary report template."_s),
             qPrintable(e));
    QCOMPARE(r.objectText(0, 1), u"good\r\n"_s);
    QCOMPARE(QFileInfo(r.fileName()).fileName(), u"good.frf"_s);
}

void TestReport::shapesNeedTheShapeAddOn()
{
    QTemporaryDir dir;
    ReportTemplate t = oneLine(u"x"_s);
    ReportObject shape;
    shape.kind = ObjectKind::Shape;
    shape.rect = QRectF(10, 20, 10, 5);
    t.pages[0].objects.append(shape);
    TemplateFile::save(t, dir.filePath(u"shapes.frf"_s));
    Report r;
    QVERIFY(loadError(r, dir.filePath(u"shapes.frf"_s)).contains(u"shape add-on"_s));
    QCOMPARE(r.objectCount(0), 0);
    ShapeAddOn frShapeObject1;
    QCOMPARE(frShapeObject1.objectName(), u"frShapeObject1"_s);
    QCOMPARE(loadError(r, dir.filePath(u"shapes.frf"_s)), QString());
    QCOMPARE(r.objectCount(0), 3);
}

void TestReport::objectTextsByPosition()
{
    Report r;
    r.setReportTemplate(oneLine(u"[DESCRIZIONE]"_s));
    QCOMPARE(r.objectText(0, 0), QString()); // a band has no text
    QCOMPARE(r.objectText(0, 1), u"[DESCRIZIONE]\r\n"_s);
    r.setObjectText(0, 1, u"Description\r\n[Schede.\"Descrizione\"]\r\n"_s);
    QCOMPARE(r.object(0, 1).lines, (QStringList{u"Description"_s, u"[Schede.\"Descrizione\"]"_s}));
    QCOMPARE(r.objectText(0, 1), u"Description\r\n[Schede.\"Descrizione\"]\r\n"_s);
}

void TestReport::translationPassChangesWhatPrints()
{
    MemoryDataset cards;
    fillCellar(cards, QDate(2025, 6, 1));
    Report r;
    r.datasets().add(u"MainForm.Schede"_s, &cards);
    r.setReportTemplate(oneLine(u"[RPT_VINO] [Schede.\"Descrizione\"]"_s));
    QString seen;
    r.setPreviewHook([&](const PreparedReport &p) { seen = p.pageText(0); });
    r.showReport();
    QVERIFY(seen.startsWith(u"[RPT_VINO] Barolo Cannubi\n"_s));
    // The program replaces the first key of each text as it reads and writes them back.
    for (int p = 0; p < r.pageCount(); ++p) {
        for (int i = 0; i < r.objectCount(p); ++i) {
            QString t = r.objectText(p, i);
            t.replace(u"[RPT_VINO]"_s, u"Wine:"_s);
            r.setObjectText(p, i, t);
        }
    }
    r.showReport();
    QVERIFY(seen.startsWith(u"Wine: Barolo Cannubi\n"_s));
}

void TestReport::showReportHandsThePreparedReportToThePreview()
{
    MemoryDataset cards;
    fillCellar(cards, QDate(2025, 6, 1));
    Report r;
    r.datasets().add(u"MainForm.Schede"_s, &cards);
    r.setReportTemplate(oneLine(u"[Schede.\"Descrizione\"]"_s));
    r.setTitle(u"Catalogue"_s);
    int calls = 0;
    QString title;
    int pages = 0;
    r.setPreviewHook([&](const PreparedReport &p) {
        ++calls;
        title = p.title;
        pages = p.pageCount();
        QVERIFY(p.pageText(0).contains(u"Château d'Yquem"_s));
    });
    bool errored = false;
    r.setErrorHook([&](const QString &) { errored = true; });
    r.showReport();
    QCOMPARE(calls, 1);
    QCOMPARE(title, u"Catalogue"_s);
    QCOMPARE(pages, 1);
    QVERIFY(!errored);
}

void TestReport::showReportReportsItsOwnFailures()
{
    Report r;
    r.setReportTemplate(oneLine(u"[Schede.\"Descrizione\"]"_s)); // no dataset registered
    bool previewed = false;
    QStringList errors;
    r.setPreviewHook([&](const PreparedReport &) { previewed = true; });
    r.setErrorHook([&](const QString &m) { errors.append(m); });
    r.showReport(); // returns normally
    QVERIFY(!previewed);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().contains(u"MainForm.Schede"_s), qPrintable(errors.front()));

    MemoryDataset cards;
    fillCellar(cards, QDate(2025, 6, 1));
    r.datasets().add(u"MainForm.Schede"_s, &cards);
    r.setObjectText(0, 1, u"[Schede.\"Descrizion\"]"_s);
    r.showReport();
    QCOMPARE(errors.size(), 2);
    QVERIFY2(errors.back().contains(u"Memo1"_s) && errors.back().contains(u"Descrizion"_s),
             qPrintable(errors.back()));
    QVERIFY(!previewed);
}

void TestReport::designNeedsTheAddOnAndGivesAPage()
{
    Report r;
    r.setReportTemplate(ReportTemplate());
    QCOMPARE(r.pageCount(), 0);
    QVERIFY_THROWS_EXCEPTION(VinaryError, r.design());
    DesignerAddOn frDesigner1;
    int opened = 0;
    r.setDesignerHook([&](Report &report) {
        ++opened;
        QCOMPARE(report.pageCount(), 1);
        QCOMPARE(report.objectCount(0), 0);
    });
    r.design();
    QCOMPARE(opened, 1);
}

void TestReport::exportToFile()
{
    MemoryDataset cards;
    fillCellar(cards, QDate(2025, 6, 1));
    Report r;
    r.datasets().add(u"MainForm.Schede"_s, &cards);
    r.setReportTemplate(oneLine(u"[Schede.\"Descrizione\"]"_s));
    QTemporaryDir dir;
    r.exportToFile(dir.filePath(u"c.txt"_s));
    QFile txt(dir.filePath(u"c.txt"_s));
    QVERIFY(txt.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(txt.readAll()).startsWith(u"Barolo Cannubi\n"_s));
    r.exportToFile(dir.filePath(u"c.PDF"_s));
    QVERIFY(QFileInfo(dir.filePath(u"c.PDF"_s)).size() > 1000);
    r.exportToFile(dir.filePath(u"c.rtf"_s));
    QFile rtf(dir.filePath(u"c.rtf"_s));
    QVERIFY(rtf.open(QIODevice::ReadOnly));
    QVERIFY(rtf.readAll().startsWith("{\\rtf1"));
    QVERIFY_THROWS_EXCEPTION(VinaryError, r.exportToFile(dir.filePath(u"c.docx"_s)));
}

QTEST_MAIN(TestReport)
#include "test_report.moc"
