#pragma once

#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace vinary
{

// The main window's empty client area: its background picture repeated to fill it, over the
// desktop's workspace colour.
class TiledBackground : public QWidget
{
    Q_OBJECT

public:
    explicit TiledBackground(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_tile;
};

// The picture strip along the bottom: a 700 by 41 picture, centred on a transparent band as wide
// as the window. A click anywhere on the picture emits clicked().
class PictureStrip : public QWidget
{
    Q_OBJECT

public:
    explicit PictureStrip(QWidget *parent = nullptr);

    QRect pictureRect() const;
    const QPixmap &picture() const { return m_picture; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int kWidth = 700;
    static constexpr int kHeight = 41;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPixmap m_picture;
};

// One panel of the status line: a width it asks for, but never a minimum that would keep the
// window from shrinking to its minimum size.
class StatusPanel : public QLabel
{
    Q_OBJECT

public:
    StatusPanel(int preferredWidth, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int m_preferredWidth;
};

} // namespace vinary
