#include "engine/report/pdfwriter.h"

#include "engine/report/pdffont.h"
#include "engine/report/textmeasure.h"

#include <QDateTime>
#include <QGlyphRun>
#include <QHash>
#include <QPen>
#include <QRawFont>
#include <QTextLayout>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace vinary::report
{

namespace
{

constexpr double ptPerMm = 72.0 / 25.4;
constexpr double ptPerPixel = 72.0 / Reference::dpi;
// Bézier handles of a quarter circle.
constexpr double kappa = 0.5522847498;
// Texts of a report repeat (dates, names, quantities); their shapes are kept up to this count.
constexpr qsizetype shapeCacheSize = 40000;
constexpr qsizetype flushBytes = 256 * 1024;
// Where glyphs are placed in points; smaller deviations from the fonts' advances are not written.
constexpr double positionTolerance = 0.01;

// Numbers in content streams: three decimals at most, no exponent, no trailing zeros.
void milli(QByteArray &out, qint64 n)
{
    char buf[32];
    char *p = buf + sizeof buf;
    const bool negative = n < 0;
    quint64 v = negative ? quint64(-n) : quint64(n);
    int frac = int(v % 1000);
    v /= 1000;
    if (frac) {
        int digits = 3;
        while (frac % 10 == 0) {
            frac /= 10;
            --digits;
        }
        for (int i = 0; i < digits; ++i, frac /= 10)
            *--p = char('0' + frac % 10);
        *--p = '.';
    }
    do {
        *--p = char('0' + v % 10);
        v /= 10;
    } while (v);
    if (negative)
        *--p = '-';
    out.append(p, buf + sizeof buf - p);
}

qint64 toMilli(double v)
{
    return qint64(std::llround(v * 1000.0));
}

void num(QByteArray &out, double v)
{
    milli(out, toMilli(v));
}

void nums(QByteArray &out, std::initializer_list<double> values, const char *op)
{
    for (double v : values) {
        num(out, v);
        out.append(' ');
    }
    out.append(op);
    out.append('\n');
}

void hex4(QByteArray &out, quint32 v)
{
    static const char digits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.append(digits[(v >> shift) & 0xf]);
}

// A glyph index as the two bytes of its code in a literal string, half the size of hex.
void glyphCode(QByteArray &out, quint32 g)
{
    for (const char byte : {char(g >> 8), char(g & 0xff)}) {
        switch (byte) {
        case '(':
        case ')':
        case '\\':
            out.append('\\');
            out.append(byte);
            break;
        case '\r': // line ends in strings would be read as '\n'
            out.append("\\r");
            break;
        case '\n':
            out.append("\\n");
            break;
        default:
            out.append(byte);
        }
    }
}

QByteArray pdfString(const QString &s)
{
    QByteArray out = "<FEFF";
    for (QChar c : s)
        hex4(out, c.unicode());
    out.append('>');
    return out;
}

// One piece of a shaped text in one font along one baseline: the text operators that show it.
struct Segment {
    int font = 0;
    qint64 size = 0; // points, thousandths
    double dx = 0.0; // from the line's origin, points, y up
    double dy = 0.0;
    QByteArray show;
};

// Qt underlines each font's piece of a text at that font's position and thickness.
struct Underline {
    double x = 0.0; // from the line's origin, points
    double width = 0.0;
    double below = 0.0; // the line's middle under the baseline
    double thickness = 0.0;
};

struct Shaped {
    std::vector<Segment> segments;
    std::vector<Underline> underlines;
};

// What the content stream has set, so that nothing is set twice.
struct GraphicsState {
    QRgb fill = qRgb(0, 0, 0);
    QRgb stroke = qRgb(0, 0, 0);
    qint64 lineWidth = 1000;
    int cap = 0;
    QByteArray dash = "[]0";
    int font = -1;
    qint64 fontSize = 0;
};

struct Image {
    QByteArray key;
    int object = 0;
};

class Document
{
public:
    Document(const PreparedReport &report, const std::function<void(const QByteArray &)> &sink)
        : m_report(report), m_sink(sink)
    {
    }

    void write();

private:
    // The file
    void out(QByteArrayView data)
    {
        m_buffer.append(data);
        if (m_buffer.size() >= flushBytes)
            flush();
    }
    void flush()
    {
        if (m_buffer.isEmpty())
            return;
        m_written += m_buffer.size();
        m_sink(m_buffer);
        m_buffer.clear();
    }
    qint64 offset() const { return m_written + m_buffer.size(); }
    int reserve()
    {
        m_offsets.push_back(0);
        return int(m_offsets.size()) - 1;
    }
    void object(int number, const QByteArray &body)
    {
        m_offsets[size_t(number)] = offset();
        out(QByteArray::number(number) + " 0 obj\n");
        out(body);
        out("\nendobj\n");
    }
    void stream(int number, const QByteArray &data, const QByteArray &entries = QByteArray())
    {
        // qCompress gives a zlib stream, as /FlateDecode wants it, after four bytes of length.
        const QByteArray compressed = qCompress(data, 3);
        const QByteArrayView packed = QByteArrayView(compressed).sliced(4);
        m_offsets[size_t(number)] = offset();
        out(QByteArray::number(number) + " 0 obj\n<</Length " + QByteArray::number(packed.size()) +
            "/Filter/FlateDecode" + entries + ">>\nstream\n");
        out(packed);
        out("\nendstream\nendobj\n");
    }

    // Pages
    void page(const PreparedPage &page, double height);
    void text(const Primitive &p, double height);
    void shape(const Primitive &p, double height);
    void image(const Primitive &p, double height);
    bool setStroke(const Primitive &p, int cap);
    void setFill(const QColor &c);
    void beginText()
    {
        if (!m_inText) {
            m_content.append("BT\n");
            m_inText = true;
            m_tx = m_ty = 0;
        }
    }
    void endText()
    {
        if (m_inText) {
            m_content.append("ET\n");
            m_inText = false;
        }
    }
    void save()
    {
        endText();
        m_content.append("q\n");
        m_saved.push_back(m_state);
    }
    void restore()
    {
        endText();
        m_content.append("Q\n");
        m_state = m_saved.back();
        m_saved.pop_back();
    }

    // Text and fonts
    const Shaped &shaped(int font, const QString &text);
    Shaped shapeText(int font, const QString &text);
    int fontFor(const QRawFont &raw);
    void mapText(PdfFont &font, const QTextLine &line, const QString &text, std::vector<quint32> &missing);
    int imageFor(const QImage &image);
    void finish();

    const PreparedReport &m_report;
    const std::function<void(const QByteArray &)> &m_sink;
    QByteArray m_buffer;
    qint64 m_written = 0;
    std::vector<qint64> m_offsets{0};
    std::vector<int> m_pages;
    int m_catalog = 0;
    int m_pagesObject = 0;
    int m_resources = 0;

    QByteArray m_content;
    GraphicsState m_state;
    std::vector<GraphicsState> m_saved;
    bool m_inText = false;
    qint64 m_tx = 0;
    qint64 m_ty = 0;

    std::vector<std::unique_ptr<PdfFont>> m_fonts;
    std::vector<int> m_fontObjects;
    std::vector<std::pair<QRawFont, int>> m_fontAliases;
    std::vector<QHash<QString, Shaped>> m_shapes; // by the report's font
    qsizetype m_shapeCount = 0;
    std::vector<Image> m_images;
};

void Document::write()
{
    out("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    m_catalog = reserve();
    m_pagesObject = reserve();
    m_resources = reserve();
    const int count = m_report.pageCount();
    for (int i = 0; i < count; ++i) {
        const QSizeF paper = m_report.paperSize(i);
        page(m_report.page(i), std::round(paper.height() * ptPerMm));
    }
    if (count == 0) {
        // An empty report still makes a document of one blank sheet.
        page(PreparedPage(), std::round(PreparedPage().paperSize.height() * ptPerMm));
    }
    finish();
}

void Document::page(const PreparedPage &pp, double height)
{
    m_content.clear();
    m_state = GraphicsState();
    m_saved.clear();
    m_inText = false;
    m_content.append("2 M\n");
    for (const Primitive &p : pp.items) {
        switch (p.kind) {
        case Primitive::Kind::Text:
            text(p, height);
            break;
        case Primitive::Kind::Line:
        case Primitive::Kind::Rect:
        case Primitive::Kind::Ellipse:
            shape(p, height);
            break;
        case Primitive::Kind::Image:
            image(p, height);
            break;
        }
    }
    endText();
    const int contents = reserve();
    stream(contents, m_content);
    const int pageObject = reserve();
    // Sheets are measured in whole points, as printers and viewers list them.
    QByteArray dict = "<</Type/Page/Parent " + QByteArray::number(m_pagesObject) + " 0 R/Resources " +
                      QByteArray::number(m_resources) + " 0 R/MediaBox[0 0 ";
    num(dict, std::round(pp.paperSize.width() * ptPerMm));
    dict.append(' ');
    num(dict, height);
    dict.append("]/Contents " + QByteArray::number(contents) + " 0 R>>");
    object(pageObject, dict);
    m_pages.push_back(pageObject);
}

void Document::setFill(const QColor &c)
{
    const QRgb rgb = c.rgb();
    if (rgb == m_state.fill)
        return;
    m_state.fill = rgb;
    nums(m_content, {qRed(rgb) / 255.0, qGreen(rgb) / 255.0, qBlue(rgb) / 255.0}, "rg");
}

// Sets the outline of a line or shape; false when it has none.
bool Document::setStroke(const Primitive &p, int cap)
{
    if (p.penWidth <= 0.0 || p.penStyle == Qt::NoPen || !p.penColor.isValid() || p.penColor.alpha() == 0)
        return false;
    const QRgb rgb = p.penColor.rgb();
    if (rgb != m_state.stroke) {
        m_state.stroke = rgb;
        nums(m_content, {qRed(rgb) / 255.0, qGreen(rgb) / 255.0, qBlue(rgb) / 255.0}, "RG");
    }
    const double width = p.penWidth * ptPerMm;
    if (toMilli(width) != m_state.lineWidth) {
        m_state.lineWidth = toMilli(width);
        nums(m_content, {width}, "w");
    }
    if (cap != m_state.cap) {
        m_state.cap = cap;
        m_content.append(QByteArray::number(cap) + " J\n");
    }
    // The dashes Qt's pens make, in units of the pen's width.
    QByteArray dash = "[";
    if (p.penStyle != Qt::SolidLine) {
        const QPen pen(p.penColor, p.penWidth, p.penStyle, cap == 2 ? Qt::SquareCap : Qt::FlatCap);
        const QList<qreal> pattern = pen.dashPattern();
        for (qsizetype i = 0; i < pattern.size(); ++i) {
            if (i)
                dash.append(' ');
            num(dash, std::max(0.0001, pattern[i] * width));
        }
    }
    dash.append("]0");
    if (dash != m_state.dash) {
        m_state.dash = dash;
        m_content.append(dash + " d\n");
    }
    return true;
}

void Document::shape(const Primitive &p, double height)
{
    endText();
    if (p.kind == Primitive::Kind::Line) {
        // Square caps let two frame edges meet at a clean corner.
        if (!setStroke(p, 2))
            return;
        nums(m_content, {p.rect.left() * ptPerMm, height - p.rect.top() * ptPerMm}, "m");
        nums(m_content, {p.rect.right() * ptPerMm, height - p.rect.bottom() * ptPerMm}, "l S");
        return;
    }
    const bool filled = p.brushColor.isValid() && p.brushColor.alpha() > 0;
    if (filled)
        setFill(p.brushColor);
    const bool stroked = setStroke(p, 0);
    if (!filled && !stroked)
        return;
    const QRectF r = p.rect.normalized();
    const double x0 = r.left() * ptPerMm;
    const double x1 = r.right() * ptPerMm;
    const double top = height - r.top() * ptPerMm;
    const double bottom = height - r.bottom() * ptPerMm;
    if (p.kind == Primitive::Kind::Ellipse) {
        const double cx = (x0 + x1) / 2;
        const double cy = (top + bottom) / 2;
        const double rx = (x1 - x0) / 2;
        const double ry = (top - bottom) / 2;
        nums(m_content, {cx + rx, cy}, "m");
        nums(m_content, {cx + rx, cy + kappa * ry, cx + kappa * rx, cy + ry, cx, cy + ry}, "c");
        nums(m_content, {cx - kappa * rx, cy + ry, cx - rx, cy + kappa * ry, cx - rx, cy}, "c");
        nums(m_content, {cx - rx, cy - kappa * ry, cx - kappa * rx, cy - ry, cx, cy - ry}, "c");
        nums(m_content, {cx + kappa * rx, cy - ry, cx + rx, cy - kappa * ry, cx + rx, cy}, "c h");
    } else if (p.radius > 0.0) {
        // Each corner's radius is at most half the side, as Qt rounds them.
        const double rx = std::min(p.radius, r.width() / 2) * ptPerMm;
        const double ry = std::min(p.radius, r.height() / 2) * ptPerMm;
        const double kx = (1 - kappa) * rx;
        const double ky = (1 - kappa) * ry;
        nums(m_content, {x0 + rx, top}, "m");
        nums(m_content, {x1 - rx, top}, "l");
        nums(m_content, {x1 - kx, top, x1, top - ky, x1, top - ry}, "c");
        nums(m_content, {x1, bottom + ry}, "l");
        nums(m_content, {x1, bottom + ky, x1 - kx, bottom, x1 - rx, bottom}, "c");
        nums(m_content, {x0 + rx, bottom}, "l");
        nums(m_content, {x0 + kx, bottom, x0, bottom + ky, x0, bottom + ry}, "c");
        nums(m_content, {x0, top - ry}, "l");
        nums(m_content, {x0, top - ky, x0 + kx, top, x0 + rx, top}, "c h");
    } else {
        nums(m_content, {x0, bottom, x1 - x0, top - bottom}, "re");
    }
    m_content.append(filled && stroked ? "B\n" : filled ? "f\n" : "S\n");
}

void Document::image(const Primitive &p, double height)
{
    if (p.image.isNull() || p.rect.isEmpty())
        return;
    const int index = imageFor(p.image);
    endText();
    const QRectF r = p.rect.normalized();
    m_content.append("q ");
    nums(m_content,
         {r.width() * ptPerMm, 0, 0, r.height() * ptPerMm, r.left() * ptPerMm, height - r.bottom() * ptPerMm},
         "cm");
    m_content.append("/Im" + QByteArray::number(index) + " Do Q\n");
}

int Document::imageFor(const QImage &source)
{
    // The same picture on every page (a logo) is stored once.
    const bool alpha = source.hasAlphaChannel();
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    QByteArray pixels;
    pixels.reserve(qsizetype(rgb.width()) * rgb.height() * 3);
    for (int y = 0; y < rgb.height(); ++y)
        pixels.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), qsizetype(rgb.width()) * 3);
    QByteArray mask;
    if (alpha) {
        const QImage a = source.convertToFormat(QImage::Format_Alpha8);
        for (int y = 0; y < a.height(); ++y)
            mask.append(reinterpret_cast<const char *>(a.constScanLine(y)), a.width());
    }
    const QByteArray key = QByteArray::number(rgb.width()) + 'x' + QByteArray::number(rgb.height()) + ':' +
                           QByteArray::number(qHash(pixels)) + ':' + QByteArray::number(qHash(mask));
    for (size_t i = 0; i < m_images.size(); ++i) {
        if (m_images[i].key == key)
            return int(i);
    }
    const QByteArray size =
        "/Width " + QByteArray::number(rgb.width()) + "/Height " + QByteArray::number(rgb.height());
    int maskObject = 0;
    if (alpha) {
        maskObject = reserve();
        stream(maskObject, mask,
               "/Type/XObject/Subtype/Image" + size + "/ColorSpace/DeviceGray/BitsPerComponent 8");
    }
    const int object = reserve();
    stream(object, pixels,
           "/Type/XObject/Subtype/Image" + size + "/ColorSpace/DeviceRGB/BitsPerComponent 8" +
               (maskObject ? "/SMask " + QByteArray::number(maskObject) + " 0 R" : QByteArray()));
    m_images.push_back({key, object});
    return int(m_images.size()) - 1;
}

void Document::text(const Primitive &p, double height)
{
    if (p.lines.empty() || !p.color.isValid() || p.color.alpha() == 0)
        return;
    if (p.clip) {
        save();
        const QRectF r = p.rect.normalized();
        nums(m_content,
             {r.left() * ptPerMm, height - r.bottom() * ptPerMm, r.width() * ptPerMm, r.height() * ptPerMm},
             "re W n");
    }
    setFill(p.color);
    const PreparedFont &font = m_report.fonts.at(size_t(p.font));
    for (const PreparedLine &l : p.lines) {
        if (l.text.isEmpty())
            continue;
        const Shaped &s = shaped(p.font, l.text);
        const double ox = l.origin.x() * ptPerMm;
        const double oy = height - l.origin.y() * ptPerMm;
        for (const Segment &seg : s.segments) {
            beginText();
            if (seg.font != m_state.font || seg.size != m_state.fontSize) {
                m_state.font = seg.font;
                m_state.fontSize = seg.size;
                m_content.append("/F" + QByteArray::number(seg.font) + ' ');
                milli(m_content, seg.size);
                m_content.append(" Tf\n");
            }
            const qint64 x = toMilli(ox + seg.dx);
            const qint64 y = toMilli(oy + seg.dy);
            milli(m_content, x - m_tx);
            m_content.append(' ');
            milli(m_content, y - m_ty);
            m_content.append(" Td");
            m_tx = x;
            m_ty = y;
            m_content.append(seg.show);
        }
        if (font.underline && !s.underlines.empty()) {
            endText();
            for (const Underline &u : s.underlines)
                nums(m_content, {ox + u.x, oy - u.below - u.thickness / 2, u.width, u.thickness}, "re f");
        }
    }
    if (p.clip)
        restore();
}

const Shaped &Document::shaped(int font, const QString &text)
{
    if (size_t(font) >= m_shapes.size())
        m_shapes.resize(size_t(font) + 1);
    QHash<QString, Shaped> &shapes = m_shapes[size_t(font)];
    const auto it = shapes.constFind(text);
    if (it != shapes.constEnd())
        return *it;
    if (m_shapeCount >= shapeCacheSize) {
        for (auto &h : m_shapes)
            h.clear();
        m_shapeCount = 0;
    }
    ++m_shapeCount;
    return *shapes.insert(text, shapeText(font, text));
}

Shaped Document::shapeText(int fontIndex, const QString &text)
{
    // Shaped as QPainter::drawText() shapes it: same font, glyphs, kerning and fallback fonts.
    QTextLayout layout(text, m_report.fonts.at(size_t(fontIndex)).font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    Shaped shaped;
    if (!line.isValid())
        return shaped;
    const double baseline = line.y() + line.ascent();
    const bool underline = m_report.fonts.at(size_t(fontIndex)).underline;
    const QList<QGlyphRun> runs = line.glyphRuns();
    for (qsizetype r = 0; r < runs.size(); ++r) {
        const QGlyphRun &run = runs[r];
        const QRawFont raw = run.rawFont();
        const int index = fontFor(raw);
        PdfFont &font = *m_fonts[size_t(index)];
        const qint64 size = toMilli(raw.pixelSize() * ptPerPixel);
        const double fontSize = size / 1000.0;
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        std::vector<quint32> missing;
        qsizetype segment = -1;
        bool inString = false;
        double pen = 0.0;
        auto close = [&] {
            if (segment < 0)
                return;
            Segment &s = shaped.segments[size_t(segment)];
            if (inString)
                s.show.append(')');
            s.show.append("]TJ\n");
            inString = false;
        };
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
            const quint32 g = glyphs[i];
            const double x = positions[i].x() * ptPerPixel;
            const double y = (baseline - positions[i].y()) * ptPerPixel;
            if (segment < 0 || std::abs(y - shaped.segments[size_t(segment)].dy) > 0.0005) {
                // A new baseline (a raised mark) starts a text of its own.
                close();
                shaped.segments.push_back({index, size, x, y, "["});
                segment = qsizetype(shaped.segments.size()) - 1;
                pen = x;
            } else if (std::abs(x - pen) >= positionTolerance) {
                // Kerning, or where the advances have drifted: move by thousandths of the em.
                const qint64 adjust = std::llround(-(x - pen) * 1000.0 / fontSize);
                if (adjust != 0) {
                    Segment &s = shaped.segments[size_t(segment)];
                    if (inString)
                        s.show.append(')');
                    inString = false;
                    s.show.append(QByteArray::number(adjust));
                    pen -= adjust * fontSize / 1000.0;
                }
            }
            Segment &s = shaped.segments[size_t(segment)];
            if (!inString) {
                s.show.append('(');
                inString = true;
            }
            glyphCode(s.show, g);
            pen += font.advance(g) * fontSize / 1000.0;
            font.use(g);
            if (!font.hasText(g) && std::find(missing.begin(), missing.end(), g) == missing.end())
                missing.push_back(g);
        }
        close();
        if (!missing.empty())
            mapText(font, line, text, missing);
        if (underline && !positions.isEmpty()) {
            // Up to where the next piece starts, or the line ends.
            const double start = positions.front().x();
            const double end = r + 1 < runs.size() && !runs[r + 1].positions().isEmpty()
                                   ? runs[r + 1].positions().front().x()
                                   : line.horizontalAdvance();
            const double thickness = std::max(1.0, raw.lineThickness());
            shaped.underlines.push_back({start * ptPerPixel, (end - start) * ptPerPixel,
                                         (std::ceil(raw.underlinePosition()) + 0.5) * ptPerPixel,
                                         thickness * ptPerPixel});
        }
    }
    return shaped;
}

// Which characters the glyphs stand for, for copying text out of the document.
void Document::mapText(PdfFont &font, const QTextLine &line, const QString &text,
                       std::vector<quint32> &missing)
{
    const QRawFont &raw = font.rawFont();
    // Most glyphs are a character's own.
    for (qsizetype i = 0; i < text.size() && !missing.empty();) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, n);
        i += n;
        const QList<quint32> own = raw.glyphIndexesForString(ch);
        if (own.isEmpty() || own.front() == 0)
            continue;
        const auto it = std::find(missing.begin(), missing.end(), own.front());
        if (it != missing.end()) {
            font.setText(*it, ch);
            missing.erase(it);
        }
    }
    if (missing.empty())
        return;
    // Ligatures and contextual forms: the characters whose glyphs they are.
    std::map<quint32, QString> made;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        for (const QGlyphRun &run : line.glyphRuns(int(i), int(n))) {
            if (!font.sameFace(run.rawFont()))
                continue;
            for (quint32 g : run.glyphIndexes()) {
                if (std::find(missing.begin(), missing.end(), g) != missing.end())
                    made[g] += text.mid(i, n);
            }
        }
        i += n;
    }
    for (const auto &[g, t] : made)
        font.setText(g, t);
}

int Document::fontFor(const QRawFont &raw)
{
    for (const auto &[alias, index] : m_fontAliases) {
        if (alias == raw)
            return index;
    }
    int index = -1;
    for (size_t i = 0; i < m_fonts.size() && index < 0; ++i) {
        if (m_fonts[i]->sameFace(raw))
            index = int(i);
    }
    if (index < 0) {
        if (!PdfFont::embeddable(raw))
            throw PdfWriter::Unsupported();
        m_fonts.push_back(std::make_unique<PdfFont>(raw));
        // Fonts are written at the end, once their glyphs are known.
        m_fontObjects.push_back(reserve());
        index = int(m_fonts.size()) - 1;
    }
    if (m_fonts[size_t(index)]->synthesized(raw))
        throw PdfWriter::Unsupported();
    m_fontAliases.emplace_back(raw, index);
    return index;
}

void Document::finish()
{
    QByteArray resources = "<</ProcSet[/PDF/Text/ImageC]/Font<<";
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        const PdfFont &font = *m_fonts[i];
        const QByteArray name = font.baseName(int(i));
        const int cid = reserve();
        const int descriptor = reserve();
        const int file = reserve();
        const int toUnicode = reserve();
        const QByteArray program = font.fontFile();
        stream(file, program, "/Length1 " + QByteArray::number(program.size()));
        object(descriptor, font.descriptor(name, file));
        object(cid, font.cidFont(name, descriptor));
        stream(toUnicode, font.toUnicode());
        object(m_fontObjects[i], font.type0(name, cid, toUnicode));
        resources.append("/F" + QByteArray::number(qulonglong(i)) + ' ' +
                         QByteArray::number(m_fontObjects[i]) + " 0 R");
    }
    resources.append(">>/XObject<<");
    for (size_t i = 0; i < m_images.size(); ++i)
        resources.append("/Im" + QByteArray::number(qulonglong(i)) + ' ' +
                         QByteArray::number(m_images[i].object) + " 0 R");
    resources.append(">>>>");
    object(m_resources, resources);

    QByteArray pages = "<</Type/Pages/Count " + QByteArray::number(qulonglong(m_pages.size())) + "/Kids[";
    for (size_t i = 0; i < m_pages.size(); ++i) {
        pages.append(QByteArray::number(m_pages[i]) + " 0 R");
        pages.append(i % 10 == 9 ? '\n' : ' ');
    }
    pages.append("]>>");
    object(m_pagesObject, pages);
    object(m_catalog, "<</Type/Catalog/Pages " + QByteArray::number(m_pagesObject) + " 0 R>>");

    const QDateTime now = QDateTime::currentDateTime();
    const int offsetMinutes = now.offsetFromUtc() / 60;
    QByteArray date = "(D:" + now.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    date.append(offsetMinutes < 0 ? '-' : '+');
    date.append(QByteArray::number(std::abs(offsetMinutes) / 60).rightJustified(2, '0') + '\'' +
                QByteArray::number(std::abs(offsetMinutes) % 60).rightJustified(2, '0') + "')");
    const int info = reserve();
    object(info, "<</Title " + pdfString(m_report.title) + "/Creator " + pdfString(QStringLiteral("Vinary")) +
                     "/Producer " + pdfString(QStringLiteral("Vinary")) + "/CreationDate " + date + ">>");

    const qint64 xref = offset();
    QByteArray table =
        "xref\n0 " + QByteArray::number(qulonglong(m_offsets.size())) + "\n0000000000 65535 f \n";
    for (size_t i = 1; i < m_offsets.size(); ++i) {
        table.append(QByteArray::number(m_offsets[i]).rightJustified(10, '0'));
        table.append(" 00000 n \n");
        if (table.size() >= flushBytes) {
            out(table);
            table.clear();
        }
    }
    out(table);
    out("trailer\n<</Size " + QByteArray::number(qulonglong(m_offsets.size())) + "/Root " +
        QByteArray::number(m_catalog) + " 0 R/Info " + QByteArray::number(info) + " 0 R>>\nstartxref\n" +
        QByteArray::number(xref) + "\n%%EOF\n");
    flush();
}

} // namespace

bool PdfWriter::canWrite(const PreparedReport &report)
{
    for (const PreparedFont &f : report.fonts) {
        const QRawFont raw = QRawFont::fromFont(f.font);
        if (!PdfFont::embeddable(raw) || PdfFont(raw).synthesized(raw))
            return false;
    }
    return true;
}

void PdfWriter::write(const PreparedReport &report, const std::function<void(const QByteArray &)> &sink)
{
    Document(report, sink).write();
}

} // namespace vinary::report
