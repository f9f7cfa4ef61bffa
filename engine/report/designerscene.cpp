#include "engine/report/designerscene.h"

#include "engine/report/designerdocument.h"
#include "engine/report/textmeasure.h"
#include "engine/report/texts.h"

#include <QCursor>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <cmath>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{

constexpr double handleSize = 1.6; // millimetres
constexpr double pickMargin = 0.8;

QColor bandColor(BandType type)
{
    switch (type) {
    case BandType::ReportTitle:
    case BandType::ReportSummary:
        return QColor(0xF2, 0xE6, 0xC9);
    case BandType::PageHeader:
    case BandType::PageFooter:
        return QColor(0xD9, 0xE4, 0xF2);
    case BandType::MasterHeader:
    case BandType::MasterFooter:
        return QColor(0xDD, 0xEE, 0xDD);
    case BandType::MasterData:
        return QColor(0xEA, 0xF5, 0xE4);
    case BandType::GroupHeader:
    case BandType::GroupFooter:
        return QColor(0xEC, 0xE2, 0xF2);
    }
    return QColor(0xEE, 0xEE, 0xEE);
}

QString bandCaption(const ReportObject &o)
{
    QString caption = bandTypeLabel(o.bandType);
    if (o.bandType == BandType::MasterData && !o.dataset.isEmpty())
        caption += u": "_s + o.dataset;
    if (o.bandType == BandType::GroupHeader && !o.groupExpression.isEmpty())
        caption += u": "_s + o.groupExpression;
    if (!o.printCondition.isEmpty())
        caption += u"  "_s + engineText(u"[MOT_SE]"_s, u"if"_s) + u' ' + o.printCondition;
    return caption;
}

void drawReferenceText(QPainter *painter, const QRectF &box, const QFont &font, const QString &text,
                       Qt::Alignment align, const QColor &color)
{
    painter->save();
    painter->setClipRect(box, Qt::IntersectClip);
    painter->scale(Reference::mmPerPixel, Reference::mmPerPixel);
    painter->setFont(font);
    painter->setPen(color);
    const QRectF r(box.topLeft() * Reference::pixelsPerMm, box.size() * Reference::pixelsPerMm);
    const double pad = TextMeasurer::padX * Reference::pixelsPerMm;
    painter->drawText(r.adjusted(pad, pad / 2, -pad, 0), int(align) | Qt::TextWordWrap, text);
    painter->restore();
}

} // namespace

// ---------------------------------------------------------------- item

ObjectItem::ObjectItem(DesignerScene &scene, int index) : m_scene(scene), m_index(index)
{
    setFlags(ItemIsSelectable | ItemIsMovable | ItemSendsGeometryChanges);
    setAcceptHoverEvents(true);
    syncFromModel();
}

const ReportObject &ObjectItem::object() const
{
    return m_scene.document().page(m_scene.page()).object(m_index);
}

void ObjectItem::syncFromModel()
{
    const ReportObject &o = object();
    prepareGeometryChange();
    m_size = o.rect.size();
    setFlag(ItemSendsGeometryChanges, false);
    setPos(o.rect.topLeft());
    setFlag(ItemSendsGeometryChanges, true);
    // Bands lie beneath everything; the others keep the page's order.
    setZValue(o.kind == ObjectKind::Band ? 0.0 : 1.0 + m_index);
    setToolTip(o.name);
    update();
}

QRectF ObjectItem::boundingRect() const
{
    return QRectF(QPointF(0, 0), m_size).adjusted(-pickMargin, -pickMargin, handleSize, handleSize);
}

QPainterPath ObjectItem::shape() const
{
    QPainterPath path;
    path.addRect(QRectF(QPointF(0, 0), m_size)
                     .adjusted(-pickMargin / 2, -pickMargin / 2, pickMargin / 2, pickMargin / 2));
    if (isSelected())
        path.addRect(QRectF(m_size.width() - handleSize / 2, m_size.height() - handleSize / 2, handleSize,
                            handleSize));
    return path;
}

bool ObjectItem::inHandle(const QPointF &local) const
{
    return isSelected() && std::abs(local.x() - m_size.width()) <= handleSize &&
           std::abs(local.y() - m_size.height()) <= handleSize;
}

void ObjectItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const ReportObject &o = object();
    const QRectF r(QPointF(0, 0), m_size);
    painter->setRenderHint(QPainter::Antialiasing, true);
    switch (o.kind) {
    case ObjectKind::Band: {
        QColor fill = bandColor(o.bandType);
        fill.setAlpha(150);
        painter->fillRect(r, fill);
        painter->setPen(QPen(fill.darker(150), 0));
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        static const QFont captionFont = Reference::font(u"Liberation Sans"_s, 6.5, false, false, false);
        drawReferenceText(painter, r, captionFont, bandCaption(o), Qt::AlignLeft | Qt::AlignTop,
                          fill.darker(260));
        break;
    }
    case ObjectKind::Text: {
        if (o.fillColor.isValid())
            painter->fillRect(r, o.fillColor);
        painter->setPen(QPen(QColor(0, 0, 0, 40), 0, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r);
        if (o.frame.any()) {
            painter->setPen(QPen(o.frameColor, o.frameWidth, Qt::SolidLine, Qt::SquareCap));
            if (o.frame.top)
                painter->drawLine(r.topLeft(), r.topRight());
            if (o.frame.bottom)
                painter->drawLine(r.bottomLeft(), r.bottomRight());
            if (o.frame.left)
                painter->drawLine(r.topLeft(), r.bottomLeft());
            if (o.frame.right)
                painter->drawLine(r.topRight(), r.bottomRight());
        }
        const QFont font = Reference::font(o.fontFamily, o.fontSize, o.bold, o.italic, o.underline);
        Qt::Alignment align = o.hAlign == HAlign::Right    ? Qt::AlignRight
                              : o.hAlign == HAlign::Center ? Qt::AlignHCenter
                                                           : Qt::AlignLeft;
        align |= o.vAlign == VAlign::Bottom   ? Qt::AlignBottom
                 : o.vAlign == VAlign::Center ? Qt::AlignVCenter
                                              : Qt::AlignTop;
        drawReferenceText(painter, r, font, o.lines.join(u'\n'), align, o.textColor);
        break;
    }
    case ObjectKind::Line:
        painter->setPen(QPen(o.penColor, std::max(o.penWidth, 0.1), o.penStyle));
        painter->drawLine(r.topLeft(), r.bottomRight());
        break;
    case ObjectKind::Shape:
        painter->setPen(o.penStyle == Qt::NoPen ? QPen(Qt::NoPen) : QPen(o.penColor, o.penWidth, o.penStyle));
        painter->setBrush(o.brushColor.isValid() ? QBrush(o.brushColor) : QBrush(Qt::NoBrush));
        if (o.shapeKind == ShapeKind::Ellipse)
            painter->drawEllipse(r);
        else if (o.shapeKind == ShapeKind::RoundedRectangle)
            painter->drawRoundedRect(r, o.cornerRadius, o.cornerRadius);
        else
            painter->drawRect(r);
        break;
    case ObjectKind::Picture: {
        const QImage image = QImage::fromData(o.imageData);
        if (image.isNull()) {
            painter->setPen(QPen(Qt::gray, 0, Qt::DashLine));
            painter->drawRect(r);
            painter->drawLine(r.topLeft(), r.bottomRight());
            painter->drawLine(r.topRight(), r.bottomLeft());
        } else {
            const QSizeF s =
                o.keepAspect ? QSizeF(image.size()).scaled(r.size(), Qt::KeepAspectRatio) : r.size();
            painter->drawImage(QRectF(QPointF((r.width() - s.width()) / 2, (r.height() - s.height()) / 2), s),
                               image);
        }
        break;
    }
    }
    if (isSelected()) {
        painter->setPen(QPen(QColor(0x1E, 0x6F, 0xD9), 0, Qt::DashLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r);
        painter->fillRect(
            QRectF(m_size.width() - handleSize / 2, m_size.height() - handleSize / 2, handleSize, handleSize),
            QColor(0x1E, 0x6F, 0xD9));
    }
}

QVariant ObjectItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemPositionChange) {
        const QPointF p = value.toPointF();
        return QPointF(m_scene.snap(p.x()), m_scene.snap(p.y()));
    }
    if (change == ItemSelectedHasChanged)
        prepareGeometryChange();
    return QGraphicsItem::itemChange(change, value);
}

void ObjectItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && inHandle(event->pos())) {
        m_resizing = true;
        event->accept();
        return;
    }
    QGraphicsItem::mousePressEvent(event);
}

void ObjectItem::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_resizing) {
        const QPointF p = event->pos();
        const bool isLine = object().kind == ObjectKind::Line;
        const double minimum = isLine ? 0.0 : m_scene.gridStep();
        prepareGeometryChange();
        m_size = QSizeF(std::max(minimum, m_scene.snap(pos().x() + p.x()) - pos().x()),
                        std::max(minimum, m_scene.snap(pos().y() + p.y()) - pos().y()));
        update();
        return;
    }
    QGraphicsItem::mouseMoveEvent(event);
}

void ObjectItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    m_resizing = false;
    QGraphicsItem::mouseReleaseEvent(event);
}

void ObjectItem::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    setCursor(inHandle(event->pos()) ? Qt::SizeFDiagCursor : Qt::SizeAllCursor);
    QGraphicsItem::hoverMoveEvent(event);
}

// ---------------------------------------------------------------- scene

DesignerScene::DesignerScene(DesignerDocument &document, QObject *parent)
    : QGraphicsScene(parent), m_document(document)
{
    connect(&m_document, &DesignerDocument::objectsChanged, this, &DesignerScene::onObjectsChanged);
    connect(&m_document, &DesignerDocument::pageContentChanged, this, [this](int page) {
        if (page == m_page)
            rebuild();
    });
    connect(&m_document, &DesignerDocument::pageSetupChanged, this, [this](int page) {
        if (page == m_page)
            rebuild();
    });
    connect(this, &QGraphicsScene::selectionChanged, this, &DesignerScene::selectedObjectsChanged);
    rebuild();
}

DesignerScene::~DesignerScene()
{
    // The base class would signal the selection's end to a scene no longer of this type.
    blockSignals(true);
    clear();
}

void DesignerScene::setPage(int page)
{
    m_page = std::clamp(page, 0, m_document.pageCount() - 1);
    rebuild();
}

void DesignerScene::setGridStep(double millimetres)
{
    m_grid = std::clamp(millimetres, 0.1, 20.0);
    update();
}

double DesignerScene::snap(double value) const
{
    return std::round(value / m_grid) * m_grid;
}

void DesignerScene::rebuild()
{
    const QList<int> selected = selectedIndices();
    const QSignalBlocker block(this);
    clear();
    m_items.clear();
    const ReportPage &page = m_document.page(m_page);
    setSceneRect(QRectF(QPointF(-10, -10), page.paperSize + QSizeF(20, 20)));
    for (int i = 0; i < page.objectCount(); ++i) {
        auto *item = new ObjectItem(*this, i);
        addItem(item);
        m_items.insert(i, item);
    }
    for (int i : selected) {
        if (ObjectItem *item = m_items.value(i))
            item->setSelected(true);
    }
    update();
    emit selectedObjectsChanged();
}

void DesignerScene::onObjectsChanged(int page, const QList<int> &indices)
{
    if (page != m_page)
        return;
    for (int i : indices) {
        if (ObjectItem *item = m_items.value(i))
            item->syncFromModel();
    }
    emit selectedObjectsChanged();
}

QList<int> DesignerScene::selectedIndices() const
{
    QList<int> out;
    const QList<QGraphicsItem *> items = selectedItems();
    for (QGraphicsItem *item : items)
        out.append(static_cast<ObjectItem *>(item)->index());
    std::sort(out.begin(), out.end());
    return out;
}

void DesignerScene::selectIndices(const QList<int> &indices)
{
    clearSelection();
    for (int i : indices) {
        if (ObjectItem *item = m_items.value(i))
            item->setSelected(true);
    }
}

void DesignerScene::nudgeSelection(int dx, int dy, bool resize)
{
    const QList<int> indices = selectedIndices();
    if (indices.isEmpty())
        return;
    QList<QRectF> from;
    QList<QRectF> to;
    for (int i : indices) {
        const QRectF r = m_document.page(m_page).object(i).rect;
        from.append(r);
        QRectF moved = r;
        if (resize) {
            const bool isLine = m_document.page(m_page).object(i).kind == ObjectKind::Line;
            const double minimum = isLine ? 0.0 : m_grid;
            moved.setWidth(std::max(minimum, r.width() + dx * m_grid));
            moved.setHeight(std::max(minimum, r.height() + dy * m_grid));
        } else {
            moved.translate(dx * m_grid, dy * m_grid);
        }
        to.append(moved);
    }
    m_document.moveObjects(m_page, indices, from, to, resize ? u"Resize"_s : u"Move"_s);
}

void DesignerScene::drawBackground(QPainter *painter, const QRectF &rect)
{
    painter->fillRect(rect, QColor(0x8A, 0x8D, 0x91));
    const ReportPage &page = m_document.page(m_page);
    const QRectF paper(QPointF(0, 0), page.paperSize);
    painter->fillRect(paper.translated(0.8, 0.8), QColor(0, 0, 0, 70));
    painter->fillRect(paper, Qt::white);
    // Grid dots every 5 steps keep the page readable at any zoom.
    const double step = m_grid * 5;
    painter->setPen(QPen(QColor(0xC8, 0xCC, 0xD2), 0));
    const QRectF area = rect.intersected(paper);
    for (double x = std::ceil(area.left() / step) * step; x <= area.right(); x += step) {
        for (double y = std::ceil(area.top() / step) * step; y <= area.bottom(); y += step)
            painter->drawPoint(QPointF(x, y));
    }
    painter->setPen(QPen(QColor(0x9A, 0xB8, 0xE0), 0, Qt::DashLine));
    painter->drawRect(page.printableRect());
}

void DesignerScene::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsScene::mousePressEvent(event);
    m_pressed = selectedIndices();
    m_pressedRects.clear();
    for (int i : m_pressed)
        m_pressedRects.append(m_document.page(m_page).object(i).rect);
}

void DesignerScene::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsScene::mouseReleaseEvent(event);
    QList<int> indices;
    QList<QRectF> from;
    QList<QRectF> to;
    for (qsizetype k = 0; k < m_pressed.size(); ++k) {
        ObjectItem *item = m_items.value(m_pressed.at(k));
        if (!item)
            continue;
        const QRectF now = item->currentRect();
        if (now != m_pressedRects.at(k)) {
            indices.append(m_pressed.at(k));
            from.append(m_pressedRects.at(k));
            to.append(now);
        }
    }
    m_pressed.clear();
    m_pressedRects.clear();
    if (!indices.isEmpty())
        m_document.moveObjects(m_page, indices, from, to, u"Move"_s);
}

void DesignerScene::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsScene::mouseDoubleClickEvent(event);
    for (QGraphicsItem *item : items(event->scenePos())) {
        auto *o = static_cast<ObjectItem *>(item);
        if (o->object().kind == ObjectKind::Text) {
            emit editTextRequested(o->index());
            return;
        }
    }
}

void DesignerScene::keyPressEvent(QKeyEvent *event)
{
    const bool resize = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        nudgeSelection(-1, 0, resize);
        return;
    case Qt::Key_Right:
        nudgeSelection(1, 0, resize);
        return;
    case Qt::Key_Up:
        nudgeSelection(0, -1, resize);
        return;
    case Qt::Key_Down:
        nudgeSelection(0, 1, resize);
        return;
    case Qt::Key_Delete:
        m_document.deleteObjects(m_page, selectedIndices());
        return;
    default:
        QGraphicsScene::keyPressEvent(event);
    }
}

} // namespace vinary::report
