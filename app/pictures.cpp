#include "app/pictures.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

// The resources live in a static library, so they are registered by hand before the first use.
static void initPictureResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(vinary);
        return true;
    }();
    Q_UNUSED(done);
}

namespace vinary::pictures
{

namespace
{

QString resourcePath(const QString &name)
{
    initPictureResources();
    return u":/pictures/"_s + name;
}

} // namespace

QSize designSize(const QString &name)
{
    QSvgRenderer renderer(resourcePath(name));
    return renderer.isValid() ? renderer.defaultSize() : QSize();
}

QPixmap render(const QString &name, const QSize &size, qreal devicePixelRatio)
{
    QSvgRenderer renderer(resourcePath(name));
    if (!renderer.isValid() || size.isEmpty())
        return QPixmap();
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}

QIcon programIcon()
{
    // Drawn at each size rather than scaled, so that small icons stay crisp.
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(render(u"vinary.svg"_s, QSize(side, side)));
    return icon;
}

QPixmap backgroundTile(qreal devicePixelRatio)
{
    return render(u"background.svg"_s, designSize(u"background.svg"_s), devicePixelRatio);
}

QPixmap pictureStrip(qreal devicePixelRatio)
{
    return render(u"strip.svg"_s, QSize(700, 41), devicePixelRatio);
}

QPixmap splashPicture(qreal devicePixelRatio)
{
    return render(u"splash.svg"_s, QSize(305, 263), devicePixelRatio);
}

} // namespace vinary::pictures
