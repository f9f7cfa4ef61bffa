#include "engine/report/printout.h"

#include "engine/report/pagepainter.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace vinary::report
{

bool printPages(QPrinter &printer, const PreparedReport &report, int from, int to)
{
    from = std::max(from, 0);
    to = std::min(to, report.pageCount() - 1);
    if (from > to)
        return true;
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double pixelsPerMm = printer.resolution() / 25.4;
    const QSizeF sheet = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    for (int i = from; i <= to; ++i) {
        if (i > from)
            printer.newPage();
        const QSizeF paper = report.paperSize(i);
        const double scale = std::min({1.0, sheet.width() / paper.width(), sheet.height() / paper.height()});
        const QSizeF used = paper * scale;
        painter.save();
        painter.translate((sheet.width() - used.width()) / 2 * pixelsPerMm,
                          (sheet.height() - used.height()) / 2 * pixelsPerMm);
        paintPage(painter, report, i, pixelsPerMm * scale);
        painter.restore();
    }
    return painter.end();
}

} // namespace vinary::report
