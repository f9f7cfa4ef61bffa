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

#include <memory>
#include <utility>
#include <vector>

namespace vinary::report
{

class PageStore;

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

// A prepared report. Its pages sit in a page store, compact and, once the report grows, in a
// temporary file; each is read back whole when it is painted or exported, so that a report of any
// length costs little memory. Copies share the pages, which never change once prepared; the last
// copy to go frees them.
class PreparedReport
{
public:
    PreparedReport();

    QString title;
    std::vector<PreparedFont> fonts;

    int pageCount() const;
    // The page, read back from the store. Throws VinaryError when the temporary file fails.
    PreparedPage page(int page) const;
    // The page's paper, without reading the page.
    QSizeF paperSize(int page) const;
    // Every text of a page in reading order, each row a line, its pieces joined by a space.
    QString pageText(int page) const;

    // Building: pages are appended in order; items of a stored page may be replaced afterwards.
    void appendPage(const PreparedPage &page);
    void patchPage(int page, const std::vector<std::pair<size_t, Primitive>> &items);
    // Where the store moves its pages to a temporary file (tests and benchmarks lower it).
    void setSpillBytes(qint64 bytes);
    const PageStore &store() const { return *m_store; }

private:
    std::shared_ptr<PageStore> m_store;
};

} // namespace vinary::report
