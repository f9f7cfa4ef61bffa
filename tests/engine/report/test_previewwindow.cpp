// The preview: caption, page navigation, zoom, print without a printer, exports through the
// file dialog seam, and the modal run from showReport.

#include "engine/report/addons.h"
#include "engine/report/exports.h"
#include "engine/report/preparer.h"
#include "engine/report/previewview.h"
#include "engine/report/previewwindow.h"
#include "engine/report/report.h"
#include "engine/report/uiservices.h"
#include "reportfixtures.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace vinary;
using namespace vinary::report;
using namespace vinary::report::fixtures;

namespace
{

class QueuedServices : public UiServices
{
public:
    bool printer = false;
    QString printTo; // when set, the print dialog "chooses" a PDF file printer
    QStringList saveNames;
    QStringList informations;
    QStringList errors;
    int printDialogs = 0;
    bool printerAvailable() override { return printer; }
    bool choosePrinter(QPrinter &p, QWidget *) override
    {
        ++printDialogs;
        if (printTo.isEmpty())
            return false;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(printTo);
        p.setPageSize(QPageSize(QPageSize::Letter)); // the user's paper, not the report's
        return true;
    }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    void information(QWidget *, const QString &, const QString &text) override { informations.append(text); }
    void error(QWidget *, const QString &, const QString &text) override { errors.append(text); }
};

// Thirty numbered rows of 25 mm: several pages.
PreparedReport sample(int rows = 30)
{
    ReportTemplate t;
    ReportPage p = page();
    p.objects.append(band(BandType::MasterData, 20, 25, u"Data"_s));
    p.objects.append(text(10, 20, 100, 8, u"Row [N] of [Name]"_s));
    t.pages.append(p);
    MemoryDataset ds({u"N"_s, u"Name"_s});
    for (int i = 1; i <= rows; ++i)
        ds.addRow({i, u"Château d'Yquem"_s});
    DatasetRegistry registry;
    registry.add(u"Data"_s, &ds);
    PrepareOptions o;
    o.title = u"Catalogo dei vini"_s;
    return prepareReport(t, registry, o);
}

} // namespace

class TestPreviewWindow : public QObject
{
    Q_OBJECT

private slots:
    void captionAndPageCount();
    void navigation();
    void zoomModes();
    void printWithoutPrinterSaysSo();
    void printPaintsEveryPage();
    void exportsFollowTheAddOns();
    void exportFailureIsShown();
    void showReportRunsTheModalPreview();
    void looksRight();
};

void TestPreviewWindow::captionAndPageCount()
{
    const PreparedReport r = sample();
    QueuedServices s;
    PreviewWindow w(r, s);
    QCOMPARE(w.windowTitle(), u"Catalogo dei vini"_s);
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    QCOMPARE(w.findChild<QLabel *>(u"pageCount"_s)->text().trimmed(), u"of %1"_s.arg(r.pageCount()));
    QCOMPARE(w.findChild<QSpinBox *>(u"pageBox"_s)->maximum(), r.pageCount());
}

void TestPreviewWindow::navigation()
{
    const PreparedReport r = sample();
    QVERIFY(r.pageCount() >= 3);
    QueuedServices s;
    PreviewWindow w(r, s);
    w.show();
    auto *next = w.findChild<QAction *>(u"actNextPage"_s);
    auto *previous = w.findChild<QAction *>(u"actPreviousPage"_s);
    auto *last = w.findChild<QAction *>(u"actLastPage"_s);
    auto *first = w.findChild<QAction *>(u"actFirstPage"_s);
    auto *box = w.findChild<QSpinBox *>(u"pageBox"_s);
    QVERIFY(!previous->isEnabled() && !first->isEnabled());
    next->trigger();
    QCOMPARE(w.view()->currentPage(), 1);
    QCOMPARE(box->value(), 2);
    last->trigger();
    QCOMPARE(w.view()->currentPage(), r.pageCount() - 1);
    QVERIFY(!next->isEnabled() && !last->isEnabled());
    box->setValue(2);
    QCOMPARE(w.view()->currentPage(), 1);
    first->trigger();
    QCOMPARE(w.view()->currentPage(), 0);
    QTest::keyClick(w.view(), Qt::Key_PageDown);
    QCOMPARE(w.view()->currentPage(), 1);
    QCOMPARE(box->value(), 2);
}

void TestPreviewWindow::zoomModes()
{
    const PreparedReport r = sample();
    QueuedServices s;
    PreviewWindow w(r, s);
    w.setWindowState(Qt::WindowNoState);
    w.resize(900, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *zoom = w.findChild<QComboBox *>(u"zoomBox"_s);
    PreviewView *v = w.view();
    const QSize room = v->viewport()->size();
    zoom->setCurrentIndex(0); // whole page
    QVERIFY(v->pageRect(0).height() <= room.height());
    QVERIFY(v->pageRect(0).width() <= room.width());
    zoom->setCurrentIndex(1); // page width
    QVERIFY(std::abs(v->pageRect(0).width() - (room.width() - 32)) <= 2);
    zoom->setCurrentIndex(2); // 100 %
    QCOMPARE(v->pageRect(0).width(), int(std::lround(210 * v->logicalDpiX() / 25.4)));
}

void TestPreviewWindow::printWithoutPrinterSaysSo()
{
    const PreparedReport r = sample();
    QueuedServices s;
    PreviewWindow w(r, s);
    w.findChild<QAction *>(u"actPrint"_s)->trigger();
    QCOMPARE(s.printDialogs, 0);
    QCOMPARE(s.informations.size(), 1);
    QVERIFY(s.informations.front().contains(u"No printer"_s));
    s.printer = true;
    w.print();
    QCOMPARE(s.printDialogs, 1); // cancelled: nothing printed, nothing said
    QCOMPARE(s.informations.size(), 1);
}

void TestPreviewWindow::printPaintsEveryPage()
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext is not installed");
    const PreparedReport r = sample();
    QueuedServices s;
    QTemporaryDir dir;
    s.printer = true;
    s.printTo = dir.filePath(u"printed.pdf"_s);
    PreviewWindow w(r, s);
    w.print();
    QProcess p;
    p.start(u"pdftotext"_s, {s.printTo, u"-"_s});
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QCOMPARE(text.count(u'\f'), r.pageCount());
    QVERIFY(text.contains(u"Row 1 of Château d'Yquem"_s));
    QVERIFY(text.contains(u"Row 30 of Château d'Yquem"_s));
    if (QStandardPaths::findExecutable(u"pdfinfo"_s).isEmpty())
        return;
    p.start(u"pdfinfo"_s, {s.printTo});
    QVERIFY(p.waitForFinished(30000));
    const QString info = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(info.contains(u"612 x 792 pts"_s), qPrintable(info));
}

void TestPreviewWindow::exportsFollowTheAddOns()
{
    const PreparedReport r = sample(3);
    QueuedServices s;
    {
        PreviewWindow w(r, s);
        QVERIFY(w.findChild<QAction *>(u"actExportPdf"_s));
        QVERIFY(!w.findChild<QAction *>(u"actExportText"_s));
        QVERIFY(!w.findChild<QAction *>(u"actExportRtf"_s));
    }
    TextExportAddOn frTextExportObject1;
    RichExportAddOn frRichExportObject1;
    QCOMPARE(frTextExportObject1.objectName(), u"frTextExportObject1"_s);
    QCOMPARE(frRichExportObject1.objectName(), u"frRichExportObject1"_s);
    PreviewWindow w(r, s);
    QTemporaryDir dir;
    s.saveNames = {dir.filePath(u"c"_s), dir.filePath(u"c.rtf"_s), dir.filePath(u"c.pdf"_s)};
    w.findChild<QAction *>(u"actExportText"_s)->trigger();
    w.findChild<QAction *>(u"actExportRtf"_s)->trigger();
    w.findChild<QAction *>(u"actExportPdf"_s)->trigger();
    QFile txt(dir.filePath(u"c.txt"_s)); // the extension is added when missing
    QVERIFY(txt.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(txt.readAll()), textExport(r));
    QVERIFY(QFile::exists(dir.filePath(u"c.rtf"_s)));
    QVERIFY(QFileInfo(dir.filePath(u"c.pdf"_s)).size() > 1000);
    QVERIFY(s.errors.isEmpty());
    // Cancelling the file dialog writes nothing.
    w.findChild<QAction *>(u"actExportPdf"_s)->trigger();
    QVERIFY(s.errors.isEmpty());
}

void TestPreviewWindow::exportFailureIsShown()
{
    const PreparedReport r = sample(3);
    QueuedServices s;
    PreviewWindow w(r, s);
    s.saveNames = {u"/no/such/folder/c.pdf"_s};
    w.exportAs(int(ExportFormat::Pdf));
    QCOMPARE(s.errors, QStringList{u"Cannot create file /no/such/folder/c.pdf"_s});
}

void TestPreviewWindow::showReportRunsTheModalPreview()
{
    MemoryDataset cards;
    fillCellar(cards, QDate(2025, 6, 1));
    Report report;
    QueuedServices s;
    report.setUiServices(&s);
    report.datasets().add(u"MainForm.Schede"_s, &cards);
    ReportTemplate t;
    ReportPage p = page();
    p.objects.append(band(BandType::MasterData, 20, 6, u"MainForm.Schede"_s));
    p.objects.append(text(10, 20, 100, 6, u"[Schede.\"Descrizione\"]"_s));
    t.pages.append(p);
    report.setReportTemplate(t);
    report.setTitle(u"Elenco"_s);
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto *w = qobject_cast<PreviewWindow *>(QApplication::activeModalWidget());
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"Elenco"_s);
        QTRY_VERIFY(w->view()->paintedPages() > 0);
        seen = true;
        w->findChild<QAction *>(u"actClose"_s)->trigger();
    });
    report.showReport(); // returns when the preview closes
    QVERIFY(seen);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestPreviewWindow::looksRight()
{
    const PreparedReport r = sample();
    QueuedServices s;
    TextExportAddOn text;
    RichExportAddOn rich;
    PreviewWindow w(r, s);
    w.setWindowState(Qt::WindowNoState);
    w.resize(1100, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(w.view()->paintedPages() > 0);
    const QImage shot = w.grab().toImage();
    QVERIFY(!shot.isNull());
    const QByteArray keep = qgetenv("VINARY_SCREENSHOT_DIR");
    if (!keep.isEmpty())
        shot.save(QString::fromLocal8Bit(keep) + u"/preview.png"_s);
}

QTEST_MAIN(TestPreviewWindow)
#include "test_previewwindow.moc"
