#include "engine/report/textmeasure.h"

#include <QTextLayout>

#include <cmath>

namespace vinary::report
{

QFont Reference::font(const QString &family, double pointSize, bool bold, bool italic, bool underline)
{
    QFont f(family);
    f.setPixelSize(std::max(1, int(std::lround(pointSize * dpi / 72.0))));
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(true);
    return f;
}

struct TextMeasurer::Metrics {
    explicit Metrics(const QFont &f) : font(f), fm(f)
    {
        ascentMm = fm.ascent() * Reference::mmPerPixel;
        lineMm = fm.lineSpacing() * Reference::mmPerPixel;
    }
    QFont font;
    QFontMetricsF fm;
    double ascentMm = 0.0;
    double lineMm = 0.0;
};

TextMeasurer::TextMeasurer() = default;
TextMeasurer::~TextMeasurer() = default;

int TextMeasurer::fontIndex(const ReportObject &object, std::vector<PreparedFont> &fonts)
{
    PreparedFont wanted;
    wanted.family = object.fontFamily;
    wanted.pointSize = object.fontSize;
    wanted.bold = object.bold;
    wanted.italic = object.italic;
    wanted.underline = object.underline;
    for (size_t i = 0; i < fonts.size(); ++i) {
        if (fonts[i].sameStyle(wanted))
            return int(i);
    }
    wanted.font =
        Reference::font(wanted.family, wanted.pointSize, wanted.bold, wanted.italic, wanted.underline);
    fonts.push_back(wanted);
    return int(fonts.size()) - 1;
}

TextMeasurer::Metrics &TextMeasurer::metrics(int font, const std::vector<PreparedFont> &fonts)
{
    if (size_t(font) >= m_metrics.size())
        m_metrics.resize(size_t(font) + 1);
    auto &slot = m_metrics[size_t(font)];
    if (!slot)
        slot = std::make_unique<Metrics>(fonts[size_t(font)].font);
    return *slot;
}

double TextMeasurer::lineHeight(int font, const std::vector<PreparedFont> &fonts)
{
    return metrics(font, fonts).lineMm;
}

LaidOutText TextMeasurer::layout(const QString &text, int font, const std::vector<PreparedFont> &fonts,
                                 double boxWidth, bool wordWrap, HAlign hAlign)
{
    Metrics &m = metrics(font, fonts);
    LaidOutText out;
    const double availMm = std::max(0.0, boxWidth - 2 * padX);
    const double availPx = availMm * Reference::pixelsPerMm;
    double y = padY;

    auto addLine = [&](const QString &line, double widthPx) {
        PreparedLine pl;
        pl.text = line;
        pl.width = widthPx * Reference::mmPerPixel;
        double x = padX;
        if (hAlign == HAlign::Right)
            x += availMm - pl.width;
        else if (hAlign == HAlign::Center)
            x += (availMm - pl.width) / 2;
        if (pl.width > availMm + 1e-6) {
            out.overflows = true;
            x = hAlign == HAlign::Right ? padX + availMm - pl.width : padX;
            if (hAlign == HAlign::Center)
                x = padX + (availMm - pl.width) / 2;
        }
        pl.origin = QPointF(x, y + m.ascentMm);
        out.lines.push_back(std::move(pl));
        y += m.lineMm;
    };

    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start <= n) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = n;
        QString paragraph = text.mid(start, end - start);
        if (paragraph.endsWith(u'\r'))
            paragraph.chop(1);
        const double width = paragraph.isEmpty() ? 0.0 : m.fm.horizontalAdvance(paragraph);
        if (!wordWrap || width <= availPx) {
            addLine(paragraph, width);
        } else {
            QTextLayout layout(paragraph, m.font);
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            option.setUseDesignMetrics(true);
            layout.setTextOption(option);
            layout.beginLayout();
            for (;;) {
                QTextLine line = layout.createLine();
                if (!line.isValid())
                    break;
                line.setLineWidth(availPx);
            }
            layout.endLayout();
            for (int i = 0; i < layout.lineCount(); ++i) {
                const QTextLine line = layout.lineAt(i);
                QString piece = paragraph.mid(line.textStart(), line.textLength());
                while (piece.endsWith(u' '))
                    piece.chop(1);
                addLine(piece, piece.isEmpty() ? 0.0 : m.fm.horizontalAdvance(piece));
            }
        }
        if (end >= n)
            break;
        start = end + 1;
    }
    out.height = y + padY;
    return out;
}

void TextMeasurer::alignVertically(LaidOutText &laid, double boxHeight, VAlign vAlign)
{
    if (vAlign == VAlign::Top || laid.height >= boxHeight)
        return;
    const double shift = vAlign == VAlign::Bottom ? boxHeight - laid.height : (boxHeight - laid.height) / 2;
    for (PreparedLine &line : laid.lines)
        line.origin.ry() += shift;
}

} // namespace vinary::report
