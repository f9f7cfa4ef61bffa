#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace vinary::pictures
{

// The program's pictures, drawn from the SVG files compiled into it.

// A picture at its size in device-independent pixels, sharp on a screen of the given pixel ratio.
QPixmap render(const QString &name, const QSize &size, qreal devicePixelRatio = 1.0);
// The picture's own size; an empty size when there is no such picture.
QSize designSize(const QString &name);

QIcon programIcon();
QPixmap backgroundTile(qreal devicePixelRatio = 1.0);
// 700 by 41, transparent around its band.
QPixmap pictureStrip(qreal devicePixelRatio = 1.0);
// 305 by 263.
QPixmap splashPicture(qreal devicePixelRatio = 1.0);

} // namespace vinary::pictures
