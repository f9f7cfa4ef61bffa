// The layout designer, headless: moves with keys and mouse, undo and redo, insertion, deletion,
// copy and paste, property edits, pages, saving, and handing the template back on close.

#include "engine/report/addons.h"
#include "engine/report/designerdocument.h"
#include "engine/report/designerscene.h"
#include "engine/report/designerwindow.h"
#include "engine/report/memoeditor.h"
#include "engine/report/propertypanel.h"
#include "engine/report/report.h"
#include "engine/report/templatefile.h"
#include "engine/report/uiservices.h"
#include "reportfixtures.h"
#include "tests/support/fulldisk.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGraphicsView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>

using namespace Qt::StringLiterals;
using namespace vinary;
using namespace vinary::report;
using namespace vinary::report::fixtures;

namespace
{

class QueuedServices : public UiServices
{
public:
    QStringList saveNames;
    QStringList errors;
    int questions = 0;
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    QList<Answer> answers;
    Answer questionWithCancel(QWidget *, const QString &, const QString &) override
    {
        ++questions;
        return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
    }
    void error(QWidget *, const QString &, const QString &text) override { errors.append(text); }
};

ReportTemplate sample()
{
    ReportTemplate t;
    ReportPage p = page();
    p.objects.append(band(BandType::MasterData, 20, 10, u"MainForm.Schede"_s));
    p.objects.append(text(20, 22, 40, 6, u"[Schede.\"Descrizione\"]"_s, u"Memo1"_s));
    p.objects.append(text(80, 22, 40, 6, u"[Schede.\"Anno\"]"_s, u"Memo2"_s));
    t.pages.append(p);
    return t;
}

struct Fixture {
    DesignerAddOn addOn;
    QueuedServices services;
    Report report;
    std::unique_ptr<DesignerWindow> window;
    Fixture()
    {
        report.setReportTemplate(sample());
        report.setUiServices(&services);
        window = std::make_unique<DesignerWindow>(report);
        window->show();
    }
    const ReportObject &object(int i) const { return window->document().page(0).object(i); }
};

} // namespace

class TestDesignerWindow : public QObject
{
    Q_OBJECT

private slots:
    void arrowKeyMoveUndoesAndRedoes();
    void mouseDragMovesSnappedToTheGrid();
    void shiftArrowResizes();
    void insertDeleteAndUndo();
    void copyAndPaste();
    void propertyEditsApplyToTheSelection();
    void pagesAddAndRemove();
    void saveAsWritesTheTemplate();
    void fullDiskKeepsTheSavedTemplate();
    void closingHandsTheTemplateBack();
    void memoEditorInsertsQualifiedFields();
    void looksRight();
};

void TestDesignerWindow::arrowKeyMoveUndoesAndRedoes()
{
    Fixture f;
    DesignerScene &scene = f.window->scene();
    scene.selectIndices({1});
    f.window->view()->setFocus();
    QTest::keyClick(f.window->view(), Qt::Key_Right);
    QTest::keyClick(f.window->view(), Qt::Key_Down);
    const double step = scene.gridStep();
    QCOMPARE(f.object(1).rect, QRectF(20 + step, 22 + step, 40, 6));
    QCOMPARE(scene.itemFor(1)->currentRect(), f.object(1).rect);
    QCOMPARE(f.object(2).rect, QRectF(80, 22, 40, 6)); // not selected, not moved
    QUndoStack *undo = f.window->document().undoStack();
    QCOMPARE(undo->count(), 2);
    undo->undo();
    undo->undo();
    QCOMPARE(f.object(1).rect, QRectF(20, 22, 40, 6));
    QCOMPARE(scene.itemFor(1)->currentRect(), QRectF(20, 22, 40, 6));
    undo->redo();
    QCOMPARE(f.object(1).rect, QRectF(20 + step, 22, 40, 6));
    QCOMPARE(scene.itemFor(1)->currentRect(), f.object(1).rect);
    QVERIFY(scene.selectedIndices() == QList<int>{1});
}

void TestDesignerWindow::mouseDragMovesSnappedToTheGrid()
{
    Fixture f;
    QGraphicsView *view = f.window->view();
    DesignerScene &scene = f.window->scene();
    scene.setGridStep(2.0);
    const QPoint start = view->mapFromScene(QPointF(30, 25));
    const QPoint end = view->mapFromScene(QPointF(30 + 7.3, 25 + 10.9));
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, end, view->viewport()->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                     {});
    QApplication::sendEvent(view->viewport(), &move);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, end);
    const QRectF r = f.object(1).rect;
    QCOMPARE(r.size(), QSizeF(40, 6));
    QCOMPARE(std::fmod(r.x(), 2.0), 0.0);
    QCOMPARE(std::fmod(r.y(), 2.0), 0.0);
    QVERIFY2(std::abs(r.x() - 27.3) <= 2.0 && std::abs(r.y() - 32.9) <= 2.0,
             qPrintable(u"%1 %2"_s.arg(r.x()).arg(r.y())));
    QCOMPARE(f.window->document().undoStack()->count(), 1);
    f.window->document().undoStack()->undo();
    QCOMPARE(f.object(1).rect, QRectF(20, 22, 40, 6));
}

void TestDesignerWindow::shiftArrowResizes()
{
    Fixture f;
    f.window->scene().selectIndices({1, 2});
    QTest::keyClick(f.window->view(), Qt::Key_Right, Qt::ShiftModifier);
    const double step = f.window->scene().gridStep();
    QCOMPARE(f.object(1).rect.size(), QSizeF(40 + step, 6));
    QCOMPARE(f.object(2).rect.size(), QSizeF(40 + step, 6));
    QCOMPARE(f.window->document().undoStack()->count(), 1); // both in one step
}

void TestDesignerWindow::insertDeleteAndUndo()
{
    Fixture f;
    f.window->insertObject(ObjectKind::Band);
    QCOMPARE(f.window->document().page(0).objectCount(), 4);
    const ReportObject &b = f.object(3);
    QCOMPARE(b.kind, ObjectKind::Band);
    QCOMPARE(b.rect.top(), 30.0); // below the lowest band
    QCOMPARE(b.name, u"Band1"_s);
    f.window->insertObject(ObjectKind::Shape, ShapeKind::Ellipse);
    QCOMPARE(f.object(4).shapeKind, ShapeKind::Ellipse);
    QVERIFY(f.window->scene().selectedIndices() == QList<int>{4});
    f.window->scene().selectIndices({1, 4});
    QTest::keyClick(f.window->view(), Qt::Key_Delete);
    QCOMPARE(f.window->document().page(0).objectCount(), 3);
    QCOMPARE(f.object(1).name, u"Memo2"_s);
    f.window->document().undoStack()->undo();
    QCOMPARE(f.window->document().page(0).objectCount(), 5);
    QCOMPARE(f.object(1).name, u"Memo1"_s); // back in its place in the page's order
    QCOMPARE(f.object(4).shapeKind, ShapeKind::Ellipse);
}

void TestDesignerWindow::copyAndPaste()
{
    Fixture f;
    f.window->scene().selectIndices({1, 2});
    f.window->copySelection();
    f.window->paste();
    QCOMPARE(f.window->document().page(0).objectCount(), 5);
    QCOMPARE(f.object(3).lines, f.object(1).lines);
    QCOMPARE(f.object(3).rect, f.object(1).rect.translated(5, 5));
    QVERIFY(f.object(3).name != f.object(1).name);
    QVERIFY(f.object(4).name != f.object(3).name);
    QVERIFY(f.window->scene().selectedIndices() == (QList<int>{3, 4}));
    f.window->cutSelection();
    QCOMPARE(f.window->document().page(0).objectCount(), 3);
}

void TestDesignerWindow::propertyEditsApplyToTheSelection()
{
    Fixture f;
    f.window->scene().selectIndices({1, 2});
    auto *bold = f.window->panel()->findChild<QCheckBox *>(u"propBold"_s);
    QVERIFY(bold);
    bold->setChecked(true);
    QVERIFY(f.object(1).bold && f.object(2).bold);
    // Geometry is only offered for one object.
    QVERIFY(!f.window->panel()->findChild<QDoubleSpinBox *>(u"propX"_s)->isEnabled());
    f.window->scene().selectIndices({0});
    auto *condition = f.window->panel()->findChild<QLineEdit *>(u"propCondition"_s);
    QVERIFY(condition->isVisibleTo(f.window->panel()));
    condition->setText(u"[Quantita] <= [Scorta]"_s);
    emit condition->editingFinished();
    QCOMPARE(f.object(0).printCondition, u"[Quantita] <= [Scorta]"_s);
    // Enter applies the field and opens nothing else.
    bool editorOpened = false;
    QTimer::singleShot(100, f.window.get(), [&editorOpened] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == u"memoEditor"_s) {
            editorOpened = true;
            modal->close();
        }
    });
    condition->setFocus();
    condition->setText(u"[Quantita] < [Scorta]"_s);
    QTest::keyClick(condition, Qt::Key_Return);
    QTest::qWait(150);
    QVERIFY(!editorOpened);
    QCOMPARE(f.object(0).printCondition, u"[Quantita] < [Scorta]"_s);
    f.window->document().undoStack()->undo();
    f.window->document().undoStack()->undo();
    QCOMPARE(f.object(0).printCondition, QString());
    f.window->document().undoStack()->undo();
    QVERIFY(!f.object(1).bold && !f.object(2).bold);
    // With nothing selected the panel edits the page.
    f.window->scene().clearSelection();
    auto *margin = f.window->panel()->findChild<QDoubleSpinBox *>(u"propMarginLeft"_s);
    QVERIFY(margin->isVisibleTo(f.window->panel()));
    margin->setValue(20);
    QCOMPARE(f.window->document().page(0).margins.left(), 20.0);
}

void TestDesignerWindow::pagesAddAndRemove()
{
    Fixture f;
    auto *add = f.window->findChild<QAction *>(u"actAddPage"_s);
    auto *remove = f.window->findChild<QAction *>(u"actRemovePage"_s);
    QVERIFY(!remove->isEnabled());
    add->trigger();
    QCOMPARE(f.window->document().pageCount(), 2);
    QCOMPARE(f.window->scene().page(), 1);
    QVERIFY(remove->isEnabled());
    remove->trigger();
    QCOMPARE(f.window->document().pageCount(), 1);
    f.window->document().undoStack()->undo();
    QCOMPARE(f.window->document().pageCount(), 2);
}

void TestDesignerWindow::saveAsWritesTheTemplate()
{
    Fixture f;
    QTemporaryDir dir;
    f.services.saveNames = {dir.filePath(u"mine"_s)};
    f.window->scene().selectIndices({1});
    f.window->scene().nudgeSelection(1, 0, false);
    QVERIFY(f.window->windowTitle().endsWith(u'*'));
    QVERIFY(f.window->save()); // no file yet: asks for a name
    QCOMPARE(f.window->fileName(), dir.filePath(u"mine.frf"_s));
    QVERIFY(!f.window->windowTitle().endsWith(u'*'));
    QCOMPARE(TemplateFile::load(dir.filePath(u"mine.frf"_s)), f.window->document().reportTemplate());
}

void TestDesignerWindow::fullDiskKeepsTheSavedTemplate()
{
    Fixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"mine.frf"_s);
    f.services.saveNames = {path};
    QVERIFY(f.window->save());
    const ReportTemplate saved = TemplateFile::load(path);
    f.window->scene().selectIndices({1});
    f.window->scene().nudgeSelection(1, 0, false);
    bool written = true;
    {
        testing::FullDisk full;
        QVERIFY(full.isValid());
        written = f.window->save();
    }
    QVERIFY(!written);
    QCOMPARE(f.services.errors.size(), 1);
    QVERIFY2(f.services.errors.constFirst().contains(path), qPrintable(f.services.errors.constFirst()));
    QVERIFY(f.window->windowTitle().endsWith(u'*'));
    QCOMPARE(TemplateFile::load(path), saved);
}

void TestDesignerWindow::closingHandsTheTemplateBack()
{
    Fixture f;
    f.window->scene().selectIndices({1});
    f.window->scene().nudgeSelection(0, 3, false);
    f.services.answers = {UiServices::Answer::Cancel};
    f.window->accept();
    QVERIFY(f.window->isVisible()); // cancelled: back to the designer, nothing handed back
    QCOMPARE(f.report.object(0, 1).rect.top(), 22.0);
    f.services.answers = {UiServices::Answer::No}; // do not save
    f.window->accept();
    QCOMPARE(f.services.questions, 2);
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.report.object(0, 1).rect.top(), 22 + 3 * f.window->scene().gridStep());
    QVERIFY(f.report.fileName().isEmpty());
}

void TestDesignerWindow::memoEditorInsertsQualifiedFields()
{
    MemoryDataset cards;
    fillWines(cards, 1);
    DatasetRegistry registry;
    registry.add(u"MainForm.Schede"_s, &cards);
    MemoEditor editor(u"Wine: "_s, registry);
    QTreeWidget *tree = editor.fieldTree();
    QCOMPARE(tree->topLevelItemCount(), 3); // the dataset, the built-in values and the functions
    QTreeWidgetItem *schede = tree->topLevelItem(0);
    QCOMPARE(schede->text(0), u"MainForm.Schede"_s);
    QCOMPARE(schede->childCount(), int(wineFields().size()));
    editor.editor()->moveCursor(QTextCursor::End);
    editor.insertItem(schede->child(2)); // Descrizione
    editor.insertItem(tree->topLevelItem(1)->child(2));
    editor.insertItem(schede); // a dataset itself inserts nothing
    QCOMPARE(editor.text(), u"Wine: [Schede.\"Descrizione\"][PAGE#]"_s);
    // A function goes in with the cursor where its argument belongs.
    QTreeWidgetItem *sum = tree->topLevelItem(2)->child(0);
    QCOMPARE(sum->text(0), u"SUM(expression)"_s);
    tree->setCurrentItem(sum);
    const QByteArray keep = qgetenv("VINARY_SCREENSHOT_DIR");
    if (!keep.isEmpty())
        editor.grab().save(QString::fromLocal8Bit(keep) + u"/memoeditor.png"_s);
    editor.insertItem(sum);
    editor.insertItem(schede->child(2));
    QCOMPARE(editor.text(), u"Wine: [Schede.\"Descrizione\"][PAGE#][SUM([Schede.\"Descrizione\"])]"_s);
}

void TestDesignerWindow::looksRight()
{
    Fixture f;
    f.window->setWindowState(Qt::WindowNoState);
    f.window->resize(1280, 860);
    f.window->scene().selectIndices({1});
    QCoreApplication::processEvents();
    auto *tabs = f.window->findChild<QTabBar *>(u"designerPages"_s);
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 1);
    QVERIFY2(tabs->isVisible() && tabs->height() > 10,
             qPrintable(u"%1 %2 %3 %4"_s.arg(tabs->isVisible())
                            .arg(tabs->height())
                            .arg(tabs->sizeHint().height())
                            .arg(tabs->parentWidget()->objectName())));
    const QImage shot = f.window->grab().toImage();
    QVERIFY(!shot.isNull());
    const QByteArray keep = qgetenv("VINARY_SCREENSHOT_DIR");
    if (!keep.isEmpty())
        shot.save(QString::fromLocal8Bit(keep) + u"/designer.png"_s);
}

QTEST_MAIN(TestDesignerWindow)
#include "test_designerwindow.moc"
