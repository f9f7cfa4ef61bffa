#include "widgets/widgeticons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vinary {

namespace {

void drawTriangle(QPainter &p, qreal left, qreal right, qreal top, qreal bottom, bool pointsLeft)
{
    QPainterPath path;
    const qreal middle = (top + bottom) / 2;
    if (pointsLeft) {
        path.moveTo(right, top);
        path.lineTo(left, middle);
        path.lineTo(right, bottom);
    } else {
        path.moveTo(left, top);
        path.lineTo(right, middle);
        path.lineTo(left, bottom);
    }
    path.closeSubpath();
    p.fillPath(path, p.brush());
}

QPixmap draw(WidgetIcon icon, int size, const QColor &ink)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setBrush(ink);
    p.setPen(Qt::NoPen);
    switch (icon) {
    case WidgetIcon::Calendar: {
        p.setPen(QPen(ink, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 2.5, 13, 12));
        p.fillRect(QRectF(1.5, 2.5, 13, 3), QColor(0, 0, 128));
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 4; ++col)
                p.drawRect(QRectF(3 + col * 2.75, 7 + row * 2.5, 1.6, 1.6));
        }
        p.fillRect(QRectF(4, 1, 1.5, 3), ink);
        p.fillRect(QRectF(10.5, 1, 1.5, 3), ink);
        break;
    }
    case WidgetIcon::First:
        p.fillRect(QRectF(3, 3, 2, 10), ink);
        drawTriangle(p, 5.5, 12.5, 3, 13, true);
        break;
    case WidgetIcon::Prior:
        drawTriangle(p, 4.5, 11.5, 3, 13, true);
        break;
    case WidgetIcon::Next:
        drawTriangle(p, 4.5, 11.5, 3, 13, false);
        break;
    case WidgetIcon::Last:
        drawTriangle(p, 3.5, 10.5, 3, 13, false);
        p.fillRect(QRectF(11, 3, 2, 10), ink);
        break;
    }
    return pixmap;
}

} // namespace

QIcon widgetIcon(WidgetIcon which)
{
    QIcon icon;
    const QColor ink(40, 40, 40);
    const QColor faded(160, 160, 160);
    for (const int size : {16, 24, 32}) {
        icon.addPixmap(draw(which, size, ink), QIcon::Normal);
        icon.addPixmap(draw(which, size, faded), QIcon::Disabled);
    }
    return icon;
}

} // namespace vinary
