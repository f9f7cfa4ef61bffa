#include "widgets/gridprinter.h"

#include "engine/common/errors.h"
#include "widgets/gridmodel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <functional>

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
    // Screen widths are pixels at 96 dots per inch; a table wider than the page is narrowed.
    double scale = printer.resolution() / 96.0;
    double total = 0;
    for (qsizetype i = 0; i < columns.columns.size(); ++i)
        total += qMax(8, columns.widths.value(i, 64));
    if (total * scale > page.width() && total > 0)
        scale = page.width() / total;

    QFont font(u"DejaVu Sans"_s);
    font.setPointSizeF(qBound(5.0, 9.0 * qMin(1.0, scale / (printer.resolution() / 96.0)), 9.0));
    QFont bold = font;
    bold.setBold(true);
    QFont heading = font;
    heading.setBold(true);
    heading.setPointSizeF(font.pointSizeF() + 3);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    const double rowHeight = metrics.height() * 1.35;
    const double padding = metrics.averageCharWidth() * 0.5;
    const double headingHeight = QFontMetricsF(heading, &printer).height() * 1.6;
    const double footHeight = metrics.height() * 1.8;

    QList<double> widths;
    for (qsizetype i = 0; i < columns.columns.size(); ++i)
        widths << qMax(8, columns.widths.value(i, 64)) * scale;

    const int rows = model.rowCount();
    const double bodyTop = headingHeight + rowHeight;
    const int rowsPerPage = qMax(1, int((page.height() - bodyTop - footHeight) / rowHeight));
    const int pages = qMax(1, (rows + rowsPerPage - 1) / rowsPerPage);
    const QPen gridPen(QColor(160, 160, 160), qMax(1.0, printer.resolution() / 300.0));

    auto drawRow = [&](double top, const std::function<QString(int)> &textOf, bool titles) {
        double x = 0;
        for (qsizetype i = 0; i < columns.columns.size(); ++i) {
            const QRectF cell(x, top, widths.at(i), rowHeight);
            if (titles)
                painter.fillRect(cell, QColor(225, 225, 225));
            painter.setPen(gridPen);
            painter.drawRect(cell);
            painter.setPen(Qt::black);
            const int column = columns.columns.at(i);
            const QRectF inner = cell.adjusted(padding, 0, -padding, 0);
            const Qt::Alignment align =
                (!titles && isNumber(model.typeAt(column)) ? Qt::AlignRight : Qt::AlignLeft) |
                Qt::AlignVCenter;
            const QString text = QFontMetricsF(painter.font(), &printer)
                                     .elidedText(textOf(column), Qt::ElideRight, qMax(0.0, inner.width()));
            painter.drawText(inner, int(align), text);
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
        drawRow(
            headingHeight, [&](int column) { return model.headerData(column, Qt::Horizontal).toString(); },
            true);
        painter.setFont(font);
        const int first = p * rowsPerPage;
        const int last = qMin(rows, first + rowsPerPage);
        for (int row = first; row < last; ++row) {
            drawRow(
                bodyTop + (row - first) * rowHeight,
                [&](int column) {
                    if (checkMarks && model.typeAt(column) == db::FieldType::Boolean)
                        return model.cellValue(row, column).toBool() ? u"\u2714"_s : QString();
                    return model.cellText(row, column);
                },
                false);
        }
        painter.drawText(QRectF(0, page.height() - footHeight, page.width(), footHeight),
                         int(Qt::AlignRight | Qt::AlignBottom), u"Page %1 of %2"_s.arg(p + 1).arg(pages));
    }
    painter.end();
    return pages;
}

} // namespace vinary
