#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QMarginsF>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

namespace vinary::report
{

// A prepared report: pages of drawing primitives in millimetres from the sheet's top-left
// corner, ready to paint on any device. Text is already broken into lines and placed; painters
// and exports never measure text again, so screen, paper, PDF and text export agree.

struct PreparedLine {
    QString text;
    QPointF origin; // left end of the baseline, millimetres
    double width = 0.0;
};

// The fonts of a report, in the reference resolution the engine measures with.
struct PreparedFont {
    QString family;
    double pointSize = 10.0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QFont font; // pixel-sized for the reference resolution

    bool sameStyle(const PreparedFont &o) const
    {
        return family == o.family && pointSize == o.pointSize && bold == o.bold && italic == o.italic &&
               underline == o.underline;
    }
};

struct Primitive {
    enum class Kind { Text, Line, Rect, Ellipse, Image };
    Kind kind = Kind::Text;
    QRectF rect; // text: the object's box; line: from topLeft to bottomRight

    // text
    int font = 0;
    QColor color;
    Qt::Alignment alignment = Qt::AlignLeft; // horizontal alignment, for the exports
    bool clip = false;                       // some text reaches past the box
    std::vector<PreparedLine> lines;

    // line, rectangle, ellipse
    QColor penColor;
    double penWidth = 0.0; // 0: no outline
    Qt::PenStyle penStyle = Qt::SolidLine;
    QColor brushColor; // invalid: not filled
    double radius = 0.0;

    // image
    QImage image;
};

struct PreparedPage {
    QSizeF paperSize = QSizeF(210.0, 297.0);
    QMarginsF margins;
    std::vector<Primitive> items;
};

// One line of text on a page, with the primitive it belongs to.
struct TextRun {
    const Primitive *primitive;
    const PreparedLine *line;
};
// The page's non-empty text lines in reading order: rows of lines whose baselines lie within
// `tolerance` millimetres of the row's first, each row from left to right.
std::vector<std::vector<TextRun>> textRows(const PreparedPage &page, double tolerance = 1.0);

struct PreparedReport {
    QString title;
    std::vector<PreparedPage> pages;
    std::vector<PreparedFont> fonts;

    int pageCount() const { return int(pages.size()); }
    // Every text of a page in reading order, each row a line, its pieces joined by a space.
    QString pageText(int page) const;
};

} // namespace vinary::report
