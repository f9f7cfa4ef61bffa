#include "engine/report/pagepainter.h"

#include "engine/report/textmeasure.h"

#include <QPainter>
#include <QPen>

namespace vinary::report
{

namespace
{

QPen penOf(const Primitive &p)
{
    if (p.penWidth <= 0.0 || p.penStyle == Qt::NoPen || !p.penColor.isValid())
        return QPen(Qt::NoPen);
    QPen pen(p.penColor, p.penWidth, p.penStyle, Qt::FlatCap, Qt::MiterJoin);
    return pen;
}

QBrush brushOf(const Primitive &p)
{
    return p.brushColor.isValid() ? QBrush(p.brushColor) : QBrush(Qt::NoBrush);
}

} // namespace

void paintPage(QPainter &painter, const PreparedReport &report, int page, double pixelsPerMm)
{
    paintPage(painter, report.page(page), report.fonts, pixelsPerMm);
}

void paintPage(QPainter &painter, const PreparedPage &pp, const std::vector<PreparedFont> &fonts,
               double pixelsPerMm)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.scale(pixelsPerMm, pixelsPerMm);
    for (const Primitive &p : pp.items) {
        switch (p.kind) {
        case Primitive::Kind::Line: {
            QPen pen = penOf(p);
            // Square caps let two frame edges meet at a clean corner.
            pen.setCapStyle(Qt::SquareCap);
            painter.setPen(pen);
            painter.drawLine(p.rect.topLeft(), p.rect.bottomRight());
            break;
        }
        case Primitive::Kind::Rect:
            painter.setPen(penOf(p));
            painter.setBrush(brushOf(p));
            if (p.radius > 0.0)
                painter.drawRoundedRect(p.rect, p.radius, p.radius);
            else
                painter.drawRect(p.rect);
            break;
        case Primitive::Kind::Ellipse:
            painter.setPen(penOf(p));
            painter.setBrush(brushOf(p));
            painter.drawEllipse(p.rect);
            break;
        case Primitive::Kind::Image:
            painter.drawImage(p.rect, p.image);
            break;
        case Primitive::Kind::Text: {
            if (p.lines.empty())
                break;
            painter.save();
            if (p.clip)
                painter.setClipRect(p.rect, Qt::IntersectClip);
            // Text is drawn in reference pixels, in the font it was measured with.
            painter.scale(Reference::mmPerPixel, Reference::mmPerPixel);
            painter.setFont(fonts.at(size_t(p.font)).font);
            painter.setPen(p.color);
            for (const PreparedLine &l : p.lines)
                painter.drawText(l.origin * Reference::pixelsPerMm, l.text);
            painter.restore();
            break;
        }
        }
    }
    painter.restore();
}

} // namespace vinary::report
