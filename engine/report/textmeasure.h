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

    // The index of the object's font in `fonts`, added when new.
    int fontIndex(const ReportObject &object, std::vector<PreparedFont> &fonts);

    // Lays the text into a box of the given width. Lines are placed vertically from the top;
    // `align` moves them within `boxHeight` afterwards.
    LaidOutText layout(const QString &text, int font, const std::vector<PreparedFont> &fonts, double boxWidth,
                       bool wordWrap, HAlign hAlign);
    static void alignVertically(LaidOutText &laid, double boxHeight, VAlign vAlign);
    double lineHeight(int font, const std::vector<PreparedFont> &fonts);

private:
    struct Metrics;
    Metrics &metrics(int font, const std::vector<PreparedFont> &fonts);
    std::vector<std::unique_ptr<Metrics>> m_metrics;
};

} // namespace vinary::report
