#pragma once

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QHash>
#include <QList>
#include <QRectF>

namespace vinary::report
{

class DesignerDocument;
class DesignerScene;
struct ReportObject;

// A designer item shows one object of the page; it is a view of the model object, not the
// model. Scene coordinates are millimetres from the sheet's top-left corner.
class ObjectItem : public QGraphicsItem
{
public:
    ObjectItem(DesignerScene &scene, int index);

    int index() const { return m_index; }
    const ReportObject &object() const;
    // The rectangle the item shows now, which differs from the model's while it is dragged.
    QRectF currentRect() const { return QRectF(pos(), m_size); }
    void syncFromModel();

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;

private:
    bool inHandle(const QPointF &local) const;

    DesignerScene &m_scene;
    int m_index;
    QSizeF m_size;
    bool m_resizing = false;
};

// One page of the document, with a snapping grid; turns mouse and keyboard edits into undo
// commands on the document.
class DesignerScene : public QGraphicsScene
{
    Q_OBJECT
public:
    explicit DesignerScene(DesignerDocument &document, QObject *parent = nullptr);
    ~DesignerScene() override;

    DesignerDocument &document() const { return m_document; }
    void setPage(int page);
    int page() const { return m_page; }
    double gridStep() const { return m_grid; }
    void setGridStep(double millimetres);
    double snap(double value) const;

    QList<int> selectedIndices() const;
    void selectIndices(const QList<int> &indices);
    ObjectItem *itemFor(int index) const { return m_items.value(index); }
    // Moves the selection by a number of grid steps, or resizes it with `resize`.
    void nudgeSelection(int dx, int dy, bool resize);

signals:
    void selectedObjectsChanged();
    void editTextRequested(int index);

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void rebuild();
    void onObjectsChanged(int page, const QList<int> &indices);

    DesignerDocument &m_document;
    int m_page = 0;
    double m_grid = 1.0;
    QHash<int, ObjectItem *> m_items;
    QList<int> m_pressed;
    QList<QRectF> m_pressedRects;
};

} // namespace vinary::report
