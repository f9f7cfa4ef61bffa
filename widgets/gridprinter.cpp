#include "widgets/gridprinter.h"

#include "engine/common/errors.h"
#include "widgets/gridmodel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <functional>
#include <numeric>

using namespace Qt::StringLiterals;

namespace vinary {

namespace {

bool isNumber(db::FieldType type)
{
    return type == db::FieldType::Float || type == db::FieldType::Integer ||
           type == db::FieldType::Integer16 || type == db::FieldType::Counter;
}

} // namespace

int printGrid(QPrinter &printer, const TableGridModel &model, const GridExportColumns &columns,
              const QString &title, bool checkMarks)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw VinaryError(u"The printer cannot be used."_s);

    const QRectF page =
        printer.pageLayout()
            .paintRectPixels(printer.resolution())
            .translated(-printer.pageLayout().paintRectPixels(printer.resolution()).topLeft());
    const int rows = model.rowCount();
    auto cellText = [&](int row, int column) {
        if (checkMarks && model.typeAt(column) == db::FieldType::Boolean)
            return model.cellValue(row, column).toBool() ? u"\u2714"_s : QString();
        return model.cellText(row, column);
    };
    auto titleOf = [&](int column) { return model.headerData(column, Qt::Horizontal).toString(); };

    // Each column as wide as its longest value (a title may break between words), at the largest
    // size from 9 down to 6 points that fits the page; what is still too wide is taken from the
    // widest columns only, so codes, numbers and dates stay whole and long texts end in "…".
    QFont font(u"DejaVu Sans"_s);
    QFont bold = font;
    bold.setBold(true);
    QList<double> widths;
    double padding = 0;
    for (double size = 9.0; size >= 6.0; size -= 0.5) {
        font.setPointSizeF(size);
        bold.setPointSizeF(size);
        const QFontMetricsF plain(font, &printer);
        const QFontMetricsF strong(bold, &printer);
        padding = plain.averageCharWidth() * 0.5;
        widths.clear();
        double total = 0;
        for (const int column : columns.columns) {
            double need = 0;
            for (const QString &word : titleOf(column).split(u' ', Qt::SkipEmptyParts))
                need = std::max(need, strong.horizontalAdvance(word));
            for (int row = 0; row < rows; ++row)
                need = std::max(need, plain.horizontalAdvance(cellText(row, column)));
            need += 2 * padding + 1;
            widths << need;
            total += need;
        }
        if (total <= page.width())
            break;
    }
    double total = std::accumulate(widths.begin(), widths.end(), 0.0);
    if (total > page.width() && !widths.isEmpty()) {
        QList<double> sorted = widths;
        std::sort(sorted.begin(), sorted.end());
        // The cap that the widest columns are cut to, so that all together fill the page.
        double rest = page.width();
        double cap = 0;
        for (qsizetype i = 0; i < sorted.size(); ++i) {
            const double share = rest / double(sorted.size() - i);
            if (sorted.at(i) > share) {
                cap = share;
                break;
            }
            rest -= sorted.at(i);
        }
        for (double &w : widths)
            w = std::min(w, cap);
        total = std::accumulate(widths.begin(), widths.end(), 0.0);
    }
    QFont heading = bold;
    heading.setPointSizeF(font.pointSizeF() + 3);
    const QFontMetricsF metrics(font, &printer);
    const double rowHeight = metrics.height() * 1.35;
    const double titleHeight = metrics.height() * 2.4; // two lines of a title
    const double headingHeight = QFontMetricsF(heading, &printer).height() * 1.6;
    const double footHeight = metrics.height() * 1.8;

    const double bodyTop = headingHeight + titleHeight;
    const int rowsPerPage = qMax(1, int((page.height() - bodyTop - footHeight) / rowHeight));
    const int pages = qMax(1, (rows + rowsPerPage - 1) / rowsPerPage);
    const QPen gridPen(QColor(160, 160, 160), qMax(1.0, printer.resolution() / 300.0));

    auto drawRow = [&](double top, double height, const std::function<QString(int)> &textOf, bool titles) {
        double x = 0;
        const QFontMetricsF fm(painter.font(), &printer);
        for (qsizetype i = 0; i < columns.columns.size(); ++i) {
            const QRectF cell(x, top, widths.at(i), height);
            if (titles)
                painter.fillRect(cell, QColor(225, 225, 225));
            painter.setPen(gridPen);
            painter.drawRect(cell);
            painter.setPen(Qt::black);
            const int column = columns.columns.at(i);
            const QRectF inner = cell.adjusted(padding, 0, -padding, 0);
            if (titles) {
                painter.drawText(inner, int(Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap),
                                 textOf(column));
            } else {
                const Qt::Alignment align =
                    (isNumber(model.typeAt(column)) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
                painter.drawText(inner, int(align),
                                 fm.elidedText(textOf(column), Qt::ElideRight, qMax(0.0, inner.width())));
            }
            x += widths.at(i);
        }
    };

    for (int p = 0; p < pages; ++p) {
        if (p > 0 && !printer.newPage())
            throw VinaryError(u"The printer refused a new page."_s);
        painter.setFont(heading);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, 0, page.width(), headingHeight), int(Qt::AlignLeft | Qt::AlignVCenter),
                         title);
        painter.setFont(bold);
        drawRow(headingHeight, titleHeight, titleOf, true);
        painter.setFont(font);
        const int first = p * rowsPerPage;
        const int last = qMin(rows, first + rowsPerPage);
        for (int row = first; row < last; ++row)
            drawRow(
                bodyTop + (row - first) * rowHeight, rowHeight,
                [&](int column) { return cellText(row, column); }, false);
        painter.drawText(QRectF(0, page.height() - footHeight, page.width(), footHeight),
                         int(Qt::AlignRight | Qt::AlignBottom), u"Page %1 of %2"_s.arg(p + 1).arg(pages));
    }
    painter.end();
    return pages;
}

} // namespace vinary
