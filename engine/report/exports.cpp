#include "engine/report/exports.h"

#include "engine/common/atomicfile.h"
#include "engine/common/errors.h"
#include "engine/report/pagepainter.h"
#include "engine/report/rtfwriter.h"
#include "engine/report/textmeasure.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{

constexpr double cellWidth = 2.0;
constexpr double cellHeight = 4.2;

QString pageAsText(const PreparedPage &page)
{
    std::vector<QString> grid;
    int lastRow = -1;
    double lastY = 0.0;
    for (const auto &row : textRows(page)) {
        // Rows follow one another as closely as the gaps between them allow, so that lines set
        // 6 mm apart do not fall now on one grid row, now on the second next.
        const double y = row.front().line->origin.y();
        const int r = lastRow < 0 ? std::max(0, int(std::lround((y - page.margins.top()) / cellHeight)) - 1)
                                  : lastRow + std::max(1, int(std::lround((y - lastY) / cellHeight)));
        lastRow = r;
        lastY = y;
        if (grid.size() <= size_t(r))
            grid.resize(size_t(r) + 1);
        QString &line = grid[size_t(r)];
        for (const TextRun &run : row) {
            const QString &text = run.line->text;
            const double left = run.line->origin.x() - page.margins.left();
            int col = int(std::lround(left / cellWidth));
            if (run.primitive->alignment & Qt::AlignRight)
                col = int(std::lround((left + run.line->width) / cellWidth)) - int(text.size());
            else if (run.primitive->alignment & Qt::AlignHCenter)
                col = int(std::lround((left + run.line->width / 2) / cellWidth)) - int(text.size() / 2);
            col = std::max(col, 0);
            // Texts never overwrite each other: one that would starts after a space.
            if (!line.isEmpty() && col <= line.size())
                col = std::max(col, int(line.size()) + (line.endsWith(u' ') ? 0 : 1));
            if (line.size() < col)
                line += QString(col - line.size(), u' ');
            line += text;
        }
    }
    QString out;
    for (const QString &line : grid) {
        QString l = line;
        while (l.endsWith(u' '))
            l.chop(1);
        out += l;
        out += u'\n';
    }
    return out;
}

} // namespace

QString textExport(const PreparedReport &report)
{
    QString out;
    for (size_t i = 0; i < report.pages.size(); ++i) {
        if (i > 0)
            out += u"\f\n"_s;
        out += pageAsText(report.pages[i]);
    }
    return out;
}

void exportText(const PreparedReport &report, const QString &path)
{
    writeFileAtomically(path, textExport(report).toUtf8());
}

QByteArray rtfExport(const PreparedReport &report)
{
    RtfWriter w;
    if (!report.pages.empty())
        w.setPaper(report.pages.front().paperSize, report.pages.front().margins);
    for (size_t i = 0; i < report.pages.size(); ++i) {
        const PreparedPage &page = report.pages[i];
        if (i > 0)
            w.addPageBreak();
        double previousBottom = page.margins.top();
        bool firstRow = true;
        for (const auto &row : textRows(page)) {
            RtfWriter::Paragraph p;
            double ascent = 0.0;
            double lineHeight = 0.0;
            for (const TextRun &run : row) {
                const PreparedFont &f = report.fonts.at(size_t(run.primitive->font));
                QFontMetricsF fm(f.font);
                ascent = std::max(ascent, fm.ascent() * Reference::mmPerPixel);
                lineHeight = std::max(lineHeight, fm.lineSpacing() * Reference::mmPerPixel);
            }
            const double top = row.front().line->origin.y() - ascent;
            p.spaceBefore = RtfWriter::twips(std::max(0.0, top - previousBottom));
            p.lineHeight = RtfWriter::twips(lineHeight);
            previousBottom = top + lineHeight;
            int lastTab = -1;
            for (size_t k = 0; k < row.size(); ++k) {
                const TextRun &run = row[k];
                const PreparedFont &f = report.fonts.at(size_t(run.primitive->font));
                RtfWriter::Run r;
                r.text = run.line->text;
                r.font = w.font(f.family);
                r.pointSize = f.pointSize;
                r.bold = f.bold;
                r.italic = f.italic;
                r.underline = f.underline;
                r.color = run.primitive->color == QColor(Qt::black) ? 0 : w.color(run.primitive->color);
                const double left = run.line->origin.x() - page.margins.left();
                RtfWriter::Tab tab;
                if (run.primitive->alignment & Qt::AlignRight) {
                    tab.position = RtfWriter::twips(left + run.line->width);
                    tab.align = RtfWriter::TabAlign::Right;
                } else if (run.primitive->alignment & Qt::AlignHCenter) {
                    tab.position = RtfWriter::twips(left + run.line->width / 2);
                    tab.align = RtfWriter::TabAlign::Center;
                } else {
                    tab.position = RtfWriter::twips(left);
                }
                if (k == 0 && tab.align == RtfWriter::TabAlign::Left && tab.position < 60) {
                    r.tabBefore = false; // starts at the margin
                } else if (tab.position > lastTab) {
                    r.tabBefore = true;
                    p.tabs.push_back(tab);
                    lastTab = tab.position;
                } else {
                    r.text.prepend(u' '); // stops that would go backwards become a space
                }
                p.runs.push_back(r);
            }
            if (firstRow)
                firstRow = false;
            w.addParagraph(p);
        }
    }
    return w.document();
}

void exportRtf(const PreparedReport &report, const QString &path)
{
    writeFileAtomically(path, rtfExport(report));
}

void exportPdf(const PreparedReport &report, const QString &path)
{
    AtomicFile file(path);
    {
        QPdfWriter pdf(&file.device());
        pdf.setResolution(int(Reference::dpi));
        pdf.setTitle(report.title);
        pdf.setCreator(u"Vinary"_s);
        auto layoutFor = [](const PreparedPage &page) {
            const QSizeF s = page.paperSize;
            const bool landscape = s.width() > s.height();
            const QPageSize size(landscape ? s.transposed() : s, QPageSize::Millimeter, QString(),
                                 QPageSize::ExactMatch);
            return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
        };
        if (!report.pages.empty())
            pdf.setPageLayout(layoutFor(report.pages.front()));
        QPainter painter;
        if (!painter.begin(&pdf))
            throw VinaryError(u"Cannot create file %1"_s.arg(path));
        const double scale = pdf.resolution() / 25.4;
        for (int i = 0; i < report.pageCount(); ++i) {
            if (i > 0) {
                pdf.setPageLayout(layoutFor(report.pages[size_t(i)]));
                pdf.newPage();
            }
            paintPage(painter, report, i, scale);
        }
        painter.end();
    }
    file.commit();
}

bool exportFormatFor(const QString &path, ExportFormat *format)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"pdf"_s)
        *format = ExportFormat::Pdf;
    else if (suffix == u"txt"_s)
        *format = ExportFormat::Text;
    else if (suffix == u"rtf"_s)
        *format = ExportFormat::Rtf;
    else
        return false;
    return true;
}

void exportReport(const PreparedReport &report, const QString &path, ExportFormat format)
{
    switch (format) {
    case ExportFormat::Pdf:
        exportPdf(report, path);
        break;
    case ExportFormat::Text:
        exportText(report, path);
        break;
    case ExportFormat::Rtf:
        exportRtf(report, path);
        break;
    }
}

} // namespace vinary::report
