#pragma once

#include "engine/report/prepared.h"
#include "engine/report/reportmodel.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace vinary::report
{

// Text is measured against a fixed reference resolution with unhinted glyphs, never against the
// screen, so that lines break alike in the preview, on paper and in the PDF.
namespace Reference
{
constexpr double dpi = 1200.0;
constexpr double pixelsPerMm = dpi / 25.4;
constexpr double mmPerPixel = 25.4 / dpi;
// The font as measured and painted: pixel-sized for the reference resolution.
QFont font(const QString &family, double pointSize, bool bold, bool italic, bool underline);
} // namespace Reference

// Lines of a text laid into a box, in millimetres relative to the box's top-left corner.
struct LaidOutText {
    std::vector<PreparedLine> lines;
    double height = 0.0; // of all lines together, padding included
    bool overflows = false;
};

// Breaks texts into lines for one report run; keeps the metrics of each font it meets.
class TextMeasurer
{
public:
    // Padding between a text and its box, in millimetres.
    static constexpr double padX = 0.6;
    static constexpr double padY = 0.3;

    TextMeasurer();
    ~TextMeasurer();

    // The index of the object's font (or of a font of that style) in `fonts`, added when new.
    int fontIndex(const ReportObject &object, std::vector<PreparedFont> &fonts);
    int fontIndex(const PreparedFont &style, std::vector<PreparedFont> &fonts);

    // Lays the text into a box of the given width. Lines are placed vertically from the top;
    // `align` moves them within `boxHeight` afterwards. Wrapping breaks between words only; a
    // word wider than the box stays whole and overflows.
    LaidOutText layout(const QString &text, int font, const std::vector<PreparedFont> &fonts, double boxWidth,
                       bool wordWrap, HAlign hAlign);
    // As layout, then what the object's fit asks when the text does not fit the box: a smaller
    // font down to half the size (and "…" if even that is too big), or the text cut with "…".
    // `font` comes back as the font the lines are set in. A box height of 0 or less means no
    // limit downwards.
    LaidOutText layoutFitted(const QString &text, int &font, std::vector<PreparedFont> &fonts,
                             const QSizeF &box, bool wordWrap, HAlign hAlign, TextFit fit);
    // Whether laid-out lines stay inside a box of that size.
    static bool fitsBox(const LaidOutText &laid, const QSizeF &box);
    static void alignVertically(LaidOutText &laid, double boxHeight, VAlign vAlign);
    double lineHeight(int font, const std::vector<PreparedFont> &fonts);
    // Whether a one-line text is measured without shaping (numbers, dates, codes), so that keeping
    // its layout saves nothing.
    bool measuresQuickly(const QString &text, int font, const std::vector<PreparedFont> &fonts);

private:
    struct Metrics;
    Metrics &metrics(int font, const std::vector<PreparedFont> &fonts);
    // `widths` (pixels), when given, holds each line's width already measured.
    LaidOutText place(const QStringList &lines, Metrics &m, double boxWidth, HAlign hAlign,
                      const std::vector<double> *widths = nullptr) const;
    LaidOutText ellipsize(const QString &text, int font, const std::vector<PreparedFont> &fonts,
                          const QSizeF &box, bool wordWrap, HAlign hAlign);
    std::vector<std::unique_ptr<Metrics>> m_metrics;
};

} // namespace vinary::report
