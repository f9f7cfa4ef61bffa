#include "engine/report/textmeasure.h"

#include <QStringList>
#include <QTextLayout>

#include <algorithm>

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
    return fontIndex(wanted, fonts);
}

int TextMeasurer::fontIndex(const PreparedFont &style, std::vector<PreparedFont> &fonts)
{
    for (size_t i = 0; i < fonts.size(); ++i) {
        if (fonts[i].sameStyle(style))
            return int(i);
    }
    PreparedFont wanted = style;
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

LaidOutText TextMeasurer::place(const QStringList &lines, Metrics &m, double boxWidth, HAlign hAlign) const
{
    LaidOutText out;
    const double availMm = std::max(0.0, boxWidth - 2 * padX);
    double y = padY;
    for (const QString &line : lines) {
        PreparedLine pl;
        pl.text = line;
        pl.width = (line.isEmpty() ? 0.0 : m.fm.horizontalAdvance(line)) * Reference::mmPerPixel;
        double x = padX;
        if (hAlign == HAlign::Right)
            x += availMm - pl.width;
        else if (hAlign == HAlign::Center)
            x += (availMm - pl.width) / 2;
        if (pl.width > availMm + 1e-6)
            out.overflows = true;
        pl.origin = QPointF(x, y + m.ascentMm);
        out.lines.push_back(std::move(pl));
        y += m.lineMm;
    }
    out.height = y + padY;
    return out;
}

LaidOutText TextMeasurer::layout(const QString &text, int font, const std::vector<PreparedFont> &fonts,
                                 double boxWidth, bool wordWrap, HAlign hAlign)
{
    Metrics &m = metrics(font, fonts);
    const double availPx = std::max(0.0, boxWidth - 2 * padX) * Reference::pixelsPerMm;
    QStringList lines;
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
            lines.append(paragraph);
        } else {
            QTextLayout layout(paragraph, m.font);
            QTextOption option;
            // Between words only: "Giacen|za" is worse than a header that overflows and shrinks.
            option.setWrapMode(QTextOption::WordWrap);
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
                lines.append(piece);
            }
        }
        if (end >= n)
            break;
        start = end + 1;
    }
    return place(lines, m, boxWidth, hAlign);
}

bool TextMeasurer::fitsBox(const LaidOutText &laid, const QSizeF &box)
{
    if (laid.overflows)
        return false;
    // The first line always prints; the box's height limits only the lines after it.
    return laid.lines.size() <= 1 || box.height() <= 0.0 || laid.height <= box.height() + 1e-6;
}

LaidOutText TextMeasurer::ellipsize(const QString &text, int font, const std::vector<PreparedFont> &fonts,
                                    const QSizeF &box, bool wordWrap, HAlign hAlign)
{
    Metrics &m = metrics(font, fonts);
    const LaidOutText laid = layout(text, font, fonts, box.width(), wordWrap, hAlign);
    const double availPx = std::max(0.0, box.width() - 2 * padX) * Reference::pixelsPerMm;
    const QString dots(QChar(0x2026));
    auto cut = [&](QString s, bool force) {
        if (!force && m.fm.horizontalAdvance(s) <= availPx)
            return s;
        while (!s.isEmpty() && m.fm.horizontalAdvance(s + dots) > availPx)
            s.chop(1);
        while (s.endsWith(u' '))
            s.chop(1);
        return s + dots;
    };
    // As many lines as the box holds, at least one.
    size_t keep = laid.lines.size();
    if (box.height() > 0.0) {
        const double room = box.height() - 2 * padY;
        keep = std::clamp<size_t>(size_t(std::max(0.0, std::floor(room / m.lineMm + 1e-6))), 1, keep);
    }
    QStringList lines;
    for (size_t i = 0; i < keep; ++i)
        lines.append(cut(laid.lines[i].text, i + 1 == keep && keep < laid.lines.size()));
    return place(lines, m, box.width(), hAlign);
}

LaidOutText TextMeasurer::layoutFitted(const QString &text, int &font, std::vector<PreparedFont> &fonts,
                                       const QSizeF &box, bool wordWrap, HAlign hAlign, TextFit fit)
{
    LaidOutText laid = layout(text, font, fonts, box.width(), wordWrap, hAlign);
    if (fit == TextFit::Clip || fitsBox(laid, box))
        return laid;
    if (fit == TextFit::Shrink) {
        const PreparedFont base = fonts[size_t(font)];
        const double smallest = std::max(4.0, base.pointSize * 0.5);
        int smaller = font;
        for (double size = base.pointSize * 0.95; size >= smallest - 1e-9; size *= 0.95) {
            PreparedFont style = base;
            style.pointSize = std::round(size * 10.0) / 10.0;
            smaller = fontIndex(style, fonts);
            laid = layout(text, smaller, fonts, box.width(), wordWrap, hAlign);
            if (fitsBox(laid, box)) {
                font = smaller;
                return laid;
            }
        }
        font = smaller;
    }
    return ellipsize(text, font, fonts, box, wordWrap, hAlign);
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
