#include "engine/report/textmeasure.h"

#include <QStringList>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <limits>

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

namespace
{

// The characters numbers, dates and codes are written with. A text made of them alone is measured
// from the advance of each character and the kerning of each pair, which for them is what shaping
// the whole text gives; every other text is shaped.
constexpr char kQuickCharacters[] = " 0123456789.,:;-+/%()'#*=";
constexpr int kQuickCount = int(sizeof(kQuickCharacters)) - 1;
// Quick widths compared with shaped ones before they are trusted for a font.
constexpr int kQuickChecks = 256;

} // namespace

struct TextMeasurer::Metrics {
    explicit Metrics(const QFont &f) : font(f), fm(f)
    {
        ascentMm = fm.ascent() * Reference::mmPerPixel;
        lineMm = fm.lineSpacing() * Reference::mmPerPixel;
        quickIndex.fill(-1);
        for (int i = 0; i < kQuickCount; ++i)
            quickIndex[size_t(kQuickCharacters[i])] = qint8(i);
        advances.fill(kUnknown);
        kerning.fill(kUnknown);
    }

    // The text's width in pixels, as QFontMetricsF gives it.
    double width(const QString &text)
    {
        if (text.isEmpty())
            return 0.0;
        if (quickTrusted || quickChecks < kQuickChecks) {
            qint64 sixtyFourths = 0;
            if (quickWidth(text, sixtyFourths)) {
                const double quick = double(sixtyFourths) / 64.0;
                if (quickTrusted)
                    return quick;
                const double shaped = fm.horizontalAdvance(text);
                if (shaped != quick) {
                    quickChecks = kQuickChecks; // never again for this font
                    return shaped;
                }
                quickTrusted = ++quickChecks >= kQuickChecks;
                return shaped;
            }
        }
        return fm.horizontalAdvance(text);
    }

    bool quick(const QString &text) const
    {
        if (!quickTrusted)
            return false;
        for (const QChar c : text) {
            if (c.unicode() >= 128 || quickIndex[c.unicode()] < 0)
                return false;
        }
        return true;
    }

    QFont font;
    QFontMetricsF fm;
    double ascentMm = 0.0;
    double lineMm = 0.0;

private:
    static constexpr qint32 kUnknown = std::numeric_limits<qint32>::min();

    // Widths are kept in 64ths of a pixel, the fixed-point unit text is shaped in, so that sums
    // are exact.
    static qint32 sixtyFourthsOf(double pixels) { return qint32(std::lround(pixels * 64.0)); }

    bool quickWidth(const QString &text, qint64 &total)
    {
        int previous = -1;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            const int index = u < 128 ? quickIndex[u] : -1;
            if (index < 0)
                return false;
            qint32 &advance = advances[size_t(index)];
            if (advance == kUnknown)
                advance = sixtyFourthsOf(fm.horizontalAdvance(QString(c)));
            total += advance;
            if (previous >= 0) {
                qint32 &kern = kerning[size_t(previous * kQuickCount + index)];
                if (kern == kUnknown) {
                    const QChar pairText[2] = {QLatin1Char(kQuickCharacters[previous]), c};
                    const QString pair(pairText, 2);
                    kern = sixtyFourthsOf(fm.horizontalAdvance(pair)) - advances[size_t(previous)] - advance;
                }
                total += kern;
            }
            previous = index;
        }
        return true;
    }

    std::array<qint8, 128> quickIndex{};
    std::array<qint32, kQuickCount> advances{};
    std::array<qint32, kQuickCount * kQuickCount> kerning{};
    int quickChecks = 0;
    bool quickTrusted = false;
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

bool TextMeasurer::measuresQuickly(const QString &text, int font, const std::vector<PreparedFont> &fonts)
{
    return metrics(font, fonts).quick(text);
}

double TextMeasurer::lineHeight(int font, const std::vector<PreparedFont> &fonts)
{
    return metrics(font, fonts).lineMm;
}

LaidOutText TextMeasurer::place(const QStringList &lines, Metrics &m, double boxWidth, HAlign hAlign,
                                const std::vector<double> *widths) const
{
    LaidOutText out;
    const double availMm = std::max(0.0, boxWidth - 2 * padX);
    double y = padY;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        PreparedLine pl;
        pl.text = line;
        const double px = widths && size_t(i) < widths->size() && (*widths)[size_t(i)] >= 0.0
                              ? (*widths)[size_t(i)]
                              : m.width(line);
        pl.width = px * Reference::mmPerPixel;
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
    std::vector<double> widths; // -1 where a wrapped line is still to be measured
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start <= n) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = n;
        QString paragraph = text.mid(start, end - start);
        if (paragraph.endsWith(u'\r'))
            paragraph.chop(1);
        const double width = m.width(paragraph);
        if (!wordWrap || width <= availPx) {
            lines.append(paragraph);
            widths.push_back(width);
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
                widths.push_back(-1.0);
            }
        }
        if (end >= n)
            break;
        start = end + 1;
    }
    return place(lines, m, boxWidth, hAlign, &widths);
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
