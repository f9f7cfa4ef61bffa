#include "app/mainparts.h"

#include "app/pictures.h"

#include <QMouseEvent>
#include <QPainter>

namespace vinary
{

TiledBackground::TiledBackground(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_tile = pictures::backgroundTile(devicePixelRatioF());
}

void TiledBackground::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().brush(QPalette::Dark));
    if (!m_tile.isNull())
        painter.drawTiledPixmap(rect(), m_tile);
}

PictureStrip::PictureStrip(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_picture = pictures::pictureStrip(devicePixelRatioF());
}

QRect PictureStrip::pictureRect() const
{
    QRect r(0, 0, kWidth, kHeight);
    r.moveCenter(rect().center());
    r.moveTop(0);
    return r;
}

QSize PictureStrip::sizeHint() const
{
    return QSize(kWidth, kHeight);
}

QSize PictureStrip::minimumSizeHint() const
{
    return QSize(0, kHeight);
}

void PictureStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(pictureRect().topLeft(), m_picture);
}

void PictureStrip::mouseMoveEvent(QMouseEvent *event)
{
    setCursor(pictureRect().contains(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void PictureStrip::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && pictureRect().contains(event->position().toPoint())) {
        event->accept();
        Q_EMIT clicked();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

StatusPanel::StatusPanel(int preferredWidth, QWidget *parent)
    : QLabel(parent), m_preferredWidth(preferredWidth)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setMinimumWidth(1);
    setTextFormat(Qt::PlainText);
}

QSize StatusPanel::sizeHint() const
{
    return QSize(m_preferredWidth, QLabel::sizeHint().height());
}

QSize StatusPanel::minimumSizeHint() const
{
    return QSize(1, QLabel::minimumSizeHint().height());
}

} // namespace vinary
