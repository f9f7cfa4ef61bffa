#include "engine/report/exports.h"

#include "engine/common/atomicfile.h"
#include "engine/common/errors.h"
#include "engine/report/pagepainter.h"
#include "engine/report/pdfwriter.h"
#include "engine/report/rtfwriter.h"
#include "engine/report/textmeasure.h"
#include "engine/report/texts.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <QFontMetricsF>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{

constexpr double cellWidth = 2.0;
constexpr double cellHeight = 4.2;

// The character columns of the text export. Every text box's left and right edge is a stop; the
// space between two stops gets as many characters as its width in cells, widened where a box's
// longest line needs more, so that a value always fits its own column, later columns never drift
// and every page lines up with the others.
class ColumnMap
{
public:
    explicit ColumnMap(const PreparedReport &report)
    {
        // What each box needs, by its edges: its longest line and a space before the next column.
        // Pages are read one at a time; only the boxes' edges and needs stay.
        std::map<std::pair<qint64, qint64>, int> byEdges;
        for (int i = 0; i < report.pageCount(); ++i) {
            const PreparedPage page = report.page(i);
            for (const Primitive &p : page.items) {
                if (p.kind != Primitive::Kind::Text || p.lines.empty())
                    continue;
                int &need = byEdges[{key(p.rect.left()), key(p.rect.right())}];
                for (const PreparedLine &l : p.lines)
                    need = std::max(need, int(l.text.size()) + 1);
            }
        }
        for (const auto &[edges, need] : byEdges) {
            m_stops.push_back(edges.first);
            m_stops.push_back(edges.second);
        }
        std::sort(m_stops.begin(), m_stops.end());
        m_stops.erase(std::unique(m_stops.begin(), m_stops.end()), m_stops.end());
        if (m_stops.size() < 2)
            return;
        std::vector<int> chars(m_stops.size() - 1);
        for (size_t k = 0; k + 1 < m_stops.size(); ++k)
            chars[k] = int(std::lround((m_stops[k + 1] - m_stops[k]) / (10.0 * cellWidth)));

        std::map<std::pair<size_t, size_t>, int> needs;
        for (const auto &[edges, need] : byEdges)
            needs[{stopOfKey(edges.first), stopOfKey(edges.second)}] = need;
        std::vector<std::pair<std::pair<size_t, size_t>, int>> boxes(needs.begin(), needs.end());
        std::stable_sort(boxes.begin(), boxes.end(), [](const auto &a, const auto &b) {
            return a.first.second - a.first.first < b.first.second - b.first.first;
        });
        for (const auto &[span, need] : boxes) {
            if (span.second <= span.first)
                continue;
            int have = 0;
            for (size_t k = span.first; k < span.second; ++k)
                have += chars[k];
            if (have < need)
                chars[span.second - 1] += need - have;
        }
        m_columns.assign(m_stops.size(), 0);
        for (size_t k = 0; k + 1 < m_stops.size(); ++k)
            m_columns[k + 1] = m_columns[k] + chars[k];
    }

    // The character column where a box edge at x (millimetres from the sheet's left) falls.
    int column(double x) const { return m_columns.empty() ? 0 : m_columns[stop(x)]; }

private:
    // Edges are compared in tenths of a millimetre.
    static qint64 key(double x) { return qint64(std::llround(x * 10.0)); }
    size_t stop(double x) const { return stopOfKey(key(x)); }
    size_t stopOfKey(qint64 k) const
    {
        const auto it = std::lower_bound(m_stops.begin(), m_stops.end(), k);
        return std::min(size_t(it - m_stops.begin()), m_stops.size() - 1);
    }

    std::vector<qint64> m_stops;
    std::vector<int> m_columns;
};

QString pageAsText(const PreparedPage &page, const ColumnMap &columns,
                   const std::vector<QFontMetricsF> &metrics)
{
    QStringList out;
    double lastBottom = -1.0;
    for (const auto &row : textRows(page)) {
        // One empty line stands for a gap that would hold a line of text; closer rows follow at once.
        double top = row.front().line->origin.y();
        double bottom = top;
        for (const TextRun &run : row) {
            const QFontMetricsF &fm = metrics.at(size_t(run.primitive->font));
            top = std::min(top, run.line->origin.y() - fm.ascent() * Reference::mmPerPixel);
            bottom = std::max(bottom, run.line->origin.y() + fm.descent() * Reference::mmPerPixel);
        }
        if (lastBottom >= 0.0 && top - lastBottom > cellHeight)
            out.append(QString());
        lastBottom = bottom;

        QString line;
        for (const TextRun &run : row) {
            const int left = columns.column(run.primitive->rect.left());
            const int width = std::max(1, columns.column(run.primitive->rect.right()) - left - 1);
            // Clipped to its column as the printed page clips it to its box.
            const QString text = run.line->text.left(width);
            const int size = int(text.size());
            int col = left;
            if (run.primitive->alignment & Qt::AlignRight)
                col = left + width - size;
            else if (run.primitive->alignment & Qt::AlignHCenter)
                col = left + (width - size) / 2;
            // Texts never overwrite each other: one that would starts after a space.
            if (!line.isEmpty() && col <= line.size())
                col = std::max(col, int(line.size()) + (line.endsWith(u' ') ? 0 : 1));
            if (line.size() < col)
                line += QString(col - line.size(), u' ');
            line += text;
        }
        while (line.endsWith(u' '))
            line.chop(1);
        out.append(line);
    }
    QString text = out.join(u'\n');
    if (!out.isEmpty())
        text += u'\n';
    return text;
}

// The text export page by page: `sink` receives each page's text as it is made.
void streamText(const PreparedReport &report, const std::function<void(const QString &)> &sink)
{
    const ColumnMap columns(report);
    std::vector<QFontMetricsF> metrics;
    for (const PreparedFont &f : report.fonts)
        metrics.emplace_back(f.font);
    for (int i = 0; i < report.pageCount(); ++i) {
        QString text = pageAsText(report.page(i), columns, metrics);
        if (i > 0)
            text.prepend(u"\f\n"_s);
        sink(text);
    }
}

} // namespace

QString textExport(const PreparedReport &report)
{
    QString out;
    streamText(report, [&](const QString &page) { out += page; });
    return out;
}

void exportText(const PreparedReport &report, const QString &path)
{
    AtomicFile file(path);
    streamText(report, [&](const QString &page) { file.write(page.toUtf8()); });
    file.commit();
}

namespace
{

// One page's rows as paragraphs, each with tab stops where its texts begin (or end).
void rtfPage(RtfWriter &w, const PreparedReport &report, const std::vector<QFontMetricsF> &metrics,
             const PreparedPage &page)
{
    double previousBottom = page.margins.top();
    for (const auto &row : textRows(page)) {
        RtfWriter::Paragraph p;
        double ascent = 0.0;
        double lineHeight = 0.0;
        for (const TextRun &run : row) {
            const QFontMetricsF &fm = metrics.at(size_t(run.primitive->font));
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
        w.addParagraph(p);
    }
}

// The RTF export page by page. The fonts and colours head the document, so a first walk over the
// pages only collects them; the second hands each page's paragraphs to `sink` as it goes.
void streamRtf(const PreparedReport &report, const std::function<void(const QByteArray &)> &sink)
{
    std::vector<QFontMetricsF> metrics;
    for (const PreparedFont &f : report.fonts)
        metrics.emplace_back(f.font);
    RtfWriter w;
    for (const bool writing : {false, true}) {
        if (writing) {
            w.discardBody();
            sink(w.header());
        }
        for (int i = 0; i < report.pageCount(); ++i) {
            const PreparedPage page = report.page(i);
            if (i == 0)
                w.setPaper(page.paperSize, page.margins);
            else
                w.addPageBreak();
            rtfPage(w, report, metrics, page);
            const QByteArray body = w.takeBody();
            if (writing)
                sink(body);
        }
    }
    sink(RtfWriter::trailer());
}

} // namespace

QByteArray rtfExport(const PreparedReport &report)
{
    QByteArray out;
    streamRtf(report, [&](const QByteArray &piece) { out += piece; });
    return out;
}

void exportRtf(const PreparedReport &report, const QString &path)
{
    AtomicFile file(path);
    streamRtf(report, [&](const QByteArray &piece) { file.write(piece); });
    file.commit();
}

void exportPdf(const PreparedReport &report, const QString &path)
{
    if (PdfWriter::canWrite(report)) {
        try {
            AtomicFile file(path);
            PdfWriter::write(report, [&](const QByteArray &piece) { file.write(piece); });
            file.commit();
            return;
        } catch (const PdfWriter::Unsupported &) {
            // A fallback font that cannot be embedded: Qt's PDF engine draws the whole document.
        }
    }
    exportPdfPainted(report, path);
}

void exportPdfPainted(const PreparedReport &report, const QString &path)
{
    AtomicFile file(path);
    {
        QPdfWriter pdf(&file.device());
        pdf.setResolution(int(Reference::dpi));
        pdf.setTitle(report.title);
        pdf.setCreator(u"Vinary"_s);
        auto layoutFor = [](const QSizeF &s) {
            const bool landscape = s.width() > s.height();
            const QPageSize size(landscape ? s.transposed() : s, QPageSize::Millimeter, QString(),
                                 QPageSize::ExactMatch);
            return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
        };
        if (report.pageCount() > 0)
            pdf.setPageLayout(layoutFor(report.paperSize(0)));
        QPainter painter;
        if (!painter.begin(&pdf))
            throw VinaryError(engineText(u"[MOT_ERR_CREA_FILE]"_s, u"Cannot create file %1"_s).arg(path));
        const double scale = pdf.resolution() / 25.4;
        // One page in memory at a time.
        for (int i = 0; i < report.pageCount(); ++i) {
            if (i > 0) {
                pdf.setPageLayout(layoutFor(report.paperSize(i)));
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
