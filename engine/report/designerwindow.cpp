#include "engine/report/designerwindow.h"

#include "engine/common/errors.h"
#include "engine/report/addons.h"
#include "engine/report/designerdocument.h"
#include "engine/report/designerscene.h"
#include "engine/report/memoeditor.h"
#include "engine/report/preparer.h"
#include "engine/report/previewwindow.h"
#include "engine/report/propertypanel.h"
#include "engine/report/report.h"
#include "engine/report/templatefile.h"
#include "engine/report/texts.h"
#include "engine/report/uiservices.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsView>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{
const QString clipboardType = u"application/x-vinary-report-objects"_s;
constexpr qint64 maxPictureFile = 16 * 1024 * 1024;

QString templateFilter()
{
    return engineText(u"[MOT_FILE_MODELLI]"_s, u"Report templates"_s) + u" (*.frf)"_s;
}
} // namespace

DesignerWindow::DesignerWindow(Report &report, QWidget *parent)
    : QDialog(parent), m_report(report), m_services(report.uiServices()), m_fileName(report.fileName())
{
    setObjectName(u"designerWindow"_s);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);

    m_document = new DesignerDocument(report.reportTemplate(), this);
    m_scene = new DesignerScene(*m_document, this);

    m_view = new QGraphicsView(m_scene, this);
    m_view->setObjectName(u"designerView"_s);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setDragMode(QGraphicsView::RubberBandDrag);
    m_view->setRubberBandSelectionMode(Qt::IntersectsItemShape);
    m_view->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    m_view->setFocusPolicy(Qt::StrongFocus);

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(u"designerPages"_s);
    m_tabs->setDocumentMode(true);
    m_tabs->setExpanding(false);

    m_panel = new PropertyPanel(m_services, this);
    m_panel->setDatasetNames(report.datasets().names());
    auto *panelScroll = new QScrollArea(this);
    panelScroll->setWidget(m_panel);
    panelScroll->setWidgetResizable(true);
    panelScroll->setMinimumWidth(420);
    panelScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto *centre = new QWidget(this);
    auto *centreLayout = new QVBoxLayout(centre);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->setSpacing(0);
    centreLayout->addWidget(m_tabs);
    centreLayout->addWidget(m_view, 1);
    auto *splitter = new QSplitter(this);
    splitter->addWidget(centre);
    splitter->addWidget(panelScroll);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({4000, 420});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildActions();
    layout->addWidget(splitter, 1);

    connect(m_tabs, &QTabBar::currentChanged, this, [this](int i) {
        if (i >= 0 && i != m_scene->page()) {
            m_scene->setPage(i);
            showSelection();
        }
    });
    connect(m_document, &DesignerDocument::pagesChanged, this, &DesignerWindow::rebuildTabs);
    connect(m_scene, &DesignerScene::selectedObjectsChanged, this, &DesignerWindow::showSelection);
    connect(m_scene, &DesignerScene::editTextRequested, this, &DesignerWindow::editText);
    connect(m_panel, &PropertyPanel::objectEdited, this, &DesignerWindow::applyEdit);
    connect(m_panel, &PropertyPanel::pageEdited, this, [this](const QSizeF &paper, const QMarginsF &margins) {
        m_document->changePageSetup(m_scene->page(), paper, margins);
    });
    connect(m_panel, &PropertyPanel::editTextRequested, this, [this] {
        const QList<int> selected = m_scene->selectedIndices();
        if (selected.size() == 1)
            editText(selected.front());
    });
    connect(m_panel, &PropertyPanel::loadPictureRequested, this, &DesignerWindow::loadPicture);
    connect(m_document->undoStack(), &QUndoStack::cleanChanged, this, &DesignerWindow::updateTitle);

    rebuildTabs();
    showSelection();
    updateTitle();
    resize(1200, 820);
    setWindowState(windowState() | Qt::WindowMaximized);
    setZoom(1.0);
    m_view->setFocus();
}

DesignerWindow::~DesignerWindow()
{
    // The undo stack signals while it is destroyed, when this window is already half gone.
    m_document->undoStack()->disconnect();
    m_document->disconnect();
}

void DesignerWindow::buildActions()
{
    auto *bar = new QToolBar(this);
    bar->setObjectName(u"designerToolBar"_s);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    layout()->addWidget(bar);
    auto add = [&](const QString &text, const QString &name, QStyle::StandardPixmap icon,
                   const QKeySequence &key, auto slot) {
        QAction *a = icon == QStyle::SP_CustomBase ? bar->addAction(text)
                                                   : bar->addAction(style()->standardIcon(icon), text);
        a->setObjectName(name);
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    const auto none = QStyle::SP_CustomBase;
    add(engineText(u"[MOT_APRI]"_s, u"&Open…"_s), u"actOpen"_s, QStyle::SP_DialogOpenButton,
        QKeySequence::Open, [this] { openTemplate(); });
    add(engineText(u"[MOT_SALVA]"_s, u"&Save"_s), u"actSave"_s, QStyle::SP_DialogSaveButton,
        QKeySequence::Save, [this] { save(); });
    add(engineText(u"[MOT_SALVA_CON_NOME]"_s, u"Save &as…"_s), u"actSaveAs"_s, none, QKeySequence::SaveAs,
        [this] { saveAs(); });
    bar->addSeparator();
    QUndoStack *undo = m_document->undoStack();
    m_undo = add(engineText(u"[MOT_ANNULLA]"_s, u"&Undo"_s), u"actUndo"_s, QStyle::SP_ArrowBack,
                 QKeySequence::Undo, [undo] { undo->undo(); });
    m_redo = add(engineText(u"[MOT_RIPETI]"_s, u"&Redo"_s), u"actRedo"_s, QStyle::SP_ArrowForward,
                 QKeySequence::Redo, [undo] { undo->redo(); });
    m_undo->setEnabled(false);
    m_redo->setEnabled(false);
    connect(undo, &QUndoStack::canUndoChanged, m_undo, &QAction::setEnabled);
    connect(undo, &QUndoStack::canRedoChanged, m_redo, &QAction::setEnabled);
    add(engineText(u"[MOT_TAGLIA]"_s, u"Cu&t"_s), u"actCut"_s, none, QKeySequence::Cut,
        [this] { cutSelection(); });
    add(engineText(u"[MOT_COPIA]"_s, u"&Copy"_s), u"actCopy"_s, none, QKeySequence::Copy,
        [this] { copySelection(); });
    add(engineText(u"[MOT_INCOLLA]"_s, u"&Paste"_s), u"actPaste"_s, none, QKeySequence::Paste,
        [this] { paste(); });
    add(engineText(u"[MOT_ELIMINA]"_s, u"&Delete"_s), u"actDelete"_s, QStyle::SP_TrashIcon, QKeySequence(),
        [this] { m_document->deleteObjects(m_scene->page(), m_scene->selectedIndices()); });
    bar->addSeparator();
    add(engineText(u"[MOT_INSERISCI_TESTO]"_s, u"Te&xt"_s), u"actInsertText"_s, none, QKeySequence(),
        [this] { insertObject(ObjectKind::Text); });
    add(engineText(u"[MOT_INSERISCI_BANDA]"_s, u"&Band"_s), u"actInsertBand"_s, none, QKeySequence(),
        [this] { insertObject(ObjectKind::Band); });
    add(engineText(u"[MOT_INSERISCI_LINEA]"_s, u"&Line"_s), u"actInsertLine"_s, none, QKeySequence(),
        [this] { insertObject(ObjectKind::Line); });
    add(engineText(u"[MOT_INSERISCI_RETTANGOLO]"_s, u"Rectan&gle"_s), u"actInsertRectangle"_s, none,
        QKeySequence(), [this] { insertObject(ObjectKind::Shape, ShapeKind::Rectangle); });
    add(engineText(u"[MOT_INSERISCI_ARROTONDATO]"_s, u"R&ounded"_s), u"actInsertRounded"_s, none,
        QKeySequence(), [this] { insertObject(ObjectKind::Shape, ShapeKind::RoundedRectangle); });
    add(engineText(u"[MOT_INSERISCI_ELLISSE]"_s, u"&Ellipse"_s), u"actInsertEllipse"_s, none, QKeySequence(),
        [this] { insertObject(ObjectKind::Shape, ShapeKind::Ellipse); });
    add(engineText(u"[MOT_INSERISCI_IMMAGINE]"_s, u"P&icture"_s), u"actInsertPicture"_s, none, QKeySequence(),
        [this] { insertObject(ObjectKind::Picture); });
    bar->addSeparator();
    add(engineText(u"[MOT_AGGIUNGI_PAGINA]"_s, u"Add pa&ge"_s), u"actAddPage"_s, none, QKeySequence(),
        [this] {
            const int page = m_scene->page() + 1;
            m_document->addPage(page);
            m_tabs->setCurrentIndex(page);
        });
    m_removePage = add(engineText(u"[MOT_TOGLI_PAGINA]"_s, u"Remove page"_s), u"actRemovePage"_s, none,
                       QKeySequence(), [this] { m_document->deletePage(m_scene->page()); });
    bar->addSeparator();
    add(engineText(u"[MOT_ANTEPRIMA]"_s, u"Pre&view"_s), u"actPreview"_s, QStyle::SP_FileDialogContentsView,
        QKeySequence(Qt::Key_F5), [this] { preview(); });
    auto *zoomLabel = new QLabel(u' ' + engineText(u"[MOT_ZOOM]"_s, u"&Zoom"_s) + u' ', bar);
    m_zoomBox = new QComboBox(bar);
    m_zoomBox->setObjectName(u"designerZoom"_s);
    for (int z : {50, 75, 100, 150, 200, 300})
        m_zoomBox->addItem(u"%1 %"_s.arg(z), z / 100.0);
    m_zoomBox->setCurrentIndex(2);
    zoomLabel->setBuddy(m_zoomBox);
    bar->addWidget(zoomLabel);
    bar->addWidget(m_zoomBox);
    connect(m_zoomBox, &QComboBox::currentIndexChanged, this,
            [this](int i) { setZoom(m_zoomBox->itemData(i).toDouble()); });
    bar->addSeparator();
    add(engineText(u"[MOT_CHIUDI_DESIGNER]"_s, u"Clos&e"_s), u"actCloseDesigner"_s,
        QStyle::SP_DialogCloseButton, QKeySequence(), [this] { accept(); });
    auto *selectAll = new QAction(this);
    selectAll->setShortcut(QKeySequence::SelectAll);
    selectAll->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(selectAll);
    connect(selectAll, &QAction::triggered, this, [this] {
        QList<int> all;
        for (int i = 0; i < m_document->page(m_scene->page()).objectCount(); ++i)
            all.append(i);
        m_scene->selectIndices(all);
    });
}

void DesignerWindow::setZoom(double factor)
{
    const double s = factor * logicalDpiX() / 25.4;
    m_view->setTransform(QTransform::fromScale(s, s));
    // Start at the sheet's top-left corner, where a template begins.
    m_view->horizontalScrollBar()->setValue(m_view->horizontalScrollBar()->minimum());
    m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->minimum());
}

void DesignerWindow::rebuildTabs()
{
    const QSignalBlocker block(m_tabs);
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    for (int i = 0; i < m_document->pageCount(); ++i)
        m_tabs->addTab(engineText(u"[MOT_SCHEDA_PAGINA]"_s, u"Page %1"_s).arg(i + 1));
    const int page = std::clamp(m_scene->page(), 0, m_document->pageCount() - 1);
    m_tabs->setCurrentIndex(page);
    m_tabs->updateGeometry(); // a tab bar filled while hidden does not ask for its height
    m_scene->setPage(page);
    m_removePage->setEnabled(m_document->pageCount() > 1);
    showSelection();
}

void DesignerWindow::showSelection()
{
    const QList<int> selected = m_scene->selectedIndices();
    const ReportPage &page = m_document->page(m_scene->page());
    if (selected.isEmpty())
        m_panel->showPage(page);
    else
        m_panel->showObject(page.object(selected.front()), int(selected.size()));
}

void DesignerWindow::applyEdit(const std::function<void(ReportObject &)> &change, const QString &label)
{
    const QList<int> selected = m_scene->selectedIndices();
    if (selected.isEmpty())
        return;
    QList<ReportObject> after;
    for (int i : selected) {
        ReportObject o = m_document->page(m_scene->page()).object(i);
        change(o);
        o.rect.setWidth(std::max(0.0, o.rect.width()));
        o.rect.setHeight(std::max(0.0, o.rect.height()));
        after.append(o);
    }
    m_document->changeObjects(m_scene->page(), selected, after, label);
}

QPointF DesignerWindow::freeSpot() const
{
    const QPointF centre = m_view->mapToScene(m_view->viewport()->rect().center());
    const QRectF printable = m_document->page(m_scene->page()).printableRect();
    const double x =
        std::clamp(centre.x() - 20.0, printable.left(), std::max(printable.left(), printable.right() - 40.0));
    const double y = std::clamp(centre.y(), printable.top(), printable.bottom());
    return QPointF(m_scene->snap(x), m_scene->snap(y));
}

void DesignerWindow::insertObject(ObjectKind kind, ShapeKind shape)
{
    const ReportPage &page = m_document->page(m_scene->page());
    ReportObject o;
    o.kind = kind;
    const QPointF at = freeSpot();
    switch (kind) {
    case ObjectKind::Band: {
        // A new band goes below the lowest one, across the printable width.
        double y = page.margins.top();
        for (const ReportObject &b : page.objects) {
            if (b.kind == ObjectKind::Band)
                y = std::max(y, b.rect.bottom());
        }
        o.rect = QRectF(page.margins.left(), y, page.printableRect().width(), 8.0);
        o.name = uniqueObjectName(m_document->reportTemplate(), objectNamePrefix(kind));
        break;
    }
    case ObjectKind::Text:
        o.rect = QRectF(at, QSizeF(40.0, 6.0));
        o.name = uniqueObjectName(m_document->reportTemplate(), objectNamePrefix(kind));
        break;
    case ObjectKind::Line:
        o.rect = QRectF(at, QSizeF(40.0, 0.0));
        o.name = uniqueObjectName(m_document->reportTemplate(), objectNamePrefix(kind));
        break;
    case ObjectKind::Shape:
        o.shapeKind = shape;
        o.rect = QRectF(at, QSizeF(30.0, 15.0));
        o.name = uniqueObjectName(m_document->reportTemplate(), objectNamePrefix(kind));
        break;
    case ObjectKind::Picture:
        o.rect = QRectF(at, QSizeF(30.0, 30.0));
        o.name = uniqueObjectName(m_document->reportTemplate(), objectNamePrefix(kind));
        break;
    }
    const int index = page.objectCount();
    m_document->addObjects(m_scene->page(), {o}, u"Insert"_s);
    m_scene->selectIndices({index});
    m_view->setFocus();
}

void DesignerWindow::copySelection()
{
    const QList<int> selected = m_scene->selectedIndices();
    if (selected.isEmpty())
        return;
    QList<ReportObject> objects;
    QStringList texts;
    for (int i : selected) {
        objects.append(m_document->page(m_scene->page()).object(i));
        texts.append(objects.back().lines.join(u'\n'));
    }
    auto *mime = new QMimeData;
    mime->setData(clipboardType, TemplateFile::serializeObjects(objects));
    mime->setText(texts.join(u'\n'));
    QApplication::clipboard()->setMimeData(mime);
}

void DesignerWindow::cutSelection()
{
    copySelection();
    m_document->deleteObjects(m_scene->page(), m_scene->selectedIndices());
}

void DesignerWindow::paste()
{
    const QMimeData *mime = QApplication::clipboard()->mimeData();
    if (!mime || !mime->hasFormat(clipboardType))
        return;
    QList<ReportObject> objects;
    try {
        objects = TemplateFile::parseObjects(mime->data(clipboardType));
    } catch (const VinaryError &e) {
        m_services.error(this, windowTitle(), e.message());
        return;
    }
    if (objects.isEmpty())
        return;
    const int base = m_document->page(m_scene->page()).objectCount();
    ReportTemplate names = m_document->reportTemplate();
    for (ReportObject &o : objects) {
        o.rect.translate(m_scene->snap(5.0), m_scene->snap(5.0));
        o.name = uniqueObjectName(names, objectNamePrefix(o.kind));
        names.pages.front().objects.append(o);
    }
    m_document->addObjects(m_scene->page(), objects, u"Paste"_s);
    QList<int> pasted;
    for (int i = 0; i < objects.size(); ++i)
        pasted.append(base + i);
    m_scene->selectIndices(pasted);
}

void DesignerWindow::editText(int index)
{
    const ReportObject &o = m_document->page(m_scene->page()).object(index);
    MemoEditor editor(o.lines.join(u'\n'), m_report.datasets(), this);
    editor.setWindowTitle(engineText(u"[MOT_TESTO_DI]"_s, u"Text of %1"_s).arg(o.name));
    if (editor.exec() != QDialog::Accepted)
        return;
    ReportObject changed = o;
    changed.setText(editor.text());
    m_document->changeObjects(m_scene->page(), {index}, {changed}, u"Text"_s);
}

void DesignerWindow::loadPicture()
{
    const QString path = m_services.openFileName(this, objectKindLabel(ObjectKind::Picture), QString(),
                                                 engineText(u"[MOT_FILE_IMMAGINI]"_s, u"Pictures"_s) +
                                                     u" (*.png *.jpg *.jpeg *.bmp *.gif *.svg)"_s);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxPictureFile) {
        m_services.error(
            this, windowTitle(),
            engineText(u"[MOT_IMMAGINE_ILLEGGIBILE]"_s, u"Cannot read the picture %1."_s).arg(path));
        return;
    }
    const QByteArray data = file.readAll();
    if (QImage::fromData(data).isNull()) {
        m_services.error(this, windowTitle(),
                         engineText(u"[MOT_NON_IMMAGINE]"_s, u"%1 is not a picture."_s).arg(path));
        return;
    }
    applyEdit([data](ReportObject &o) { o.imageData = data; }, u"Picture"_s);
}

void DesignerWindow::openTemplate()
{
    const QString path =
        m_services.openFileName(this, engineText(u"[MOT_APRI_MODELLO]"_s, u"Open template"_s),
                                QFileInfo(m_fileName).absolutePath(), templateFilter());
    if (path.isEmpty())
        return;
    try {
        const ReportTemplate loaded = TemplateFile::load(path);
        if (loaded.hasShapes() && !ShapeAddOn::available())
            throw VinaryError(
                engineText(u"[MOT_MODELLO_CON_FORME]"_s,
                           u"The report template %1 holds shapes, which need the shape add-on."_s)
                    .arg(path));
        m_document->reset(loaded);
        m_fileName = path;
        updateTitle();
    } catch (const VinaryError &e) {
        m_services.error(this, windowTitle(), e.message());
    }
}

bool DesignerWindow::writeTo(const QString &path)
{
    try {
        TemplateFile::save(m_document->reportTemplate(), path);
    } catch (const VinaryError &e) {
        m_services.error(this, windowTitle(), e.message());
        return false;
    }
    m_fileName = path;
    m_document->undoStack()->setClean();
    updateTitle();
    return true;
}

bool DesignerWindow::save()
{
    if (m_fileName.isEmpty())
        return saveAs();
    return writeTo(m_fileName);
}

bool DesignerWindow::saveAs()
{
    QString path = m_services.saveFileName(this, engineText(u"[MOT_SALVA_MODELLO]"_s, u"Save template as"_s),
                                           m_fileName, templateFilter());
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().compare(u"frf"_s, Qt::CaseInsensitive) != 0)
        path += u".frf"_s;
    return writeTo(path);
}

void DesignerWindow::preview()
{
    PrepareOptions options;
    options.locale = m_report.locale();
    options.title = m_report.title();
    PreparedReport prepared;
    try {
        prepared = prepareReport(m_document->reportTemplate(), m_report.datasets(), options);
    } catch (const std::exception &e) {
        m_services.error(this, windowTitle(), QString::fromUtf8(e.what()));
        return;
    }
    PreviewWindow window(prepared, m_services, this);
    window.exec();
}

void DesignerWindow::updateTitle()
{
    QString title = engineText(u"[MOT_DESIGNER]"_s, u"Report designer"_s);
    if (!m_fileName.isEmpty())
        title += u" – "_s + QFileInfo(m_fileName).fileName();
    if (!m_document->undoStack()->isClean())
        title += u" *"_s;
    setWindowTitle(title);
}

void DesignerWindow::done(int result)
{
    if (!m_document->undoStack()->isClean()) {
        switch (m_services.questionWithCancel(
                    this, windowTitle(), engineText(u"[MOT_SALVARE_MODIFICHE]"_s, u"Save the changes to the template?"_s))) {
        case UiServices::Answer::Cancel:
            return; // back to the designer
        case UiServices::Answer::Yes:
            if (!save())
                return;
            break;
        case UiServices::Answer::No:
            break;
        }
    }
    // What was designed stays on the component, saved or not.
    m_report.setReportTemplate(m_document->reportTemplate(), m_fileName);
    QDialog::done(result);
}

} // namespace vinary::report
