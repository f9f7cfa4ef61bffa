#include "engine/report/rtfwriter.h"

#include <cmath>

namespace vinary::report
{

QByteArray RtfWriter::escape(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += '\\';
            out += char(u);
        } else if (u == u'\t') {
            out += "\\tab ";
        } else if (u == u'\n') {
            out += "\\line ";
        } else if (u == u'\r') {
            continue;
        } else if (u < 0x20) {
            continue; // other control characters have no meaning in running text
        } else if (u < 0x80) {
            out += char(u);
        } else {
            // \uN takes a signed 16-bit number; the '?' stands in for readers without Unicode.
            out += "\\u";
            out += QByteArray::number(int(qint16(u)));
            out += '?';
        }
    }
    return out;
}

int RtfWriter::twips(double millimetres)
{
    return int(std::lround(millimetres * 1440.0 / 25.4));
}

RtfWriter::RtfWriter()
{
    m_colors.append(QColor()); // the automatic colour
}

void RtfWriter::setPaper(const QSizeF &sizeMm, const QMarginsF &marginsMm)
{
    m_paper = sizeMm;
    m_margins = marginsMm;
}

int RtfWriter::font(const QString &family)
{
    const qsizetype i = m_fonts.indexOf(family);
    if (i >= 0)
        return int(i);
    m_fonts.append(family);
    return int(m_fonts.size()) - 1;
}

int RtfWriter::color(const QColor &color)
{
    if (!color.isValid())
        return 0;
    for (qsizetype i = 1; i < m_colors.size(); ++i) {
        if (m_colors.at(i).rgb() == color.rgb())
            return int(i);
    }
    m_colors.append(color);
    return int(m_colors.size()) - 1;
}

void RtfWriter::addPageBreak()
{
    m_pendingPageBreak = true;
}

void RtfWriter::addParagraph(const Paragraph &p)
{
    QByteArray &b = m_body;
    b += "\\pard\\plain";
    if (m_pendingPageBreak) {
        b += "\\pagebb";
        m_pendingPageBreak = false;
    }
    if (p.spaceBefore > 0)
        b += "\\sb" + QByteArray::number(p.spaceBefore);
    if (p.lineHeight > 0)
        b += "\\sl-" + QByteArray::number(p.lineHeight) + "\\slmult0";
    int last = -1;
    for (const Tab &t : p.tabs) {
        const int pos = std::max(t.position, last + 1);
        if (t.align == TabAlign::Right)
            b += "\\tqr";
        else if (t.align == TabAlign::Center)
            b += "\\tqc";
        b += "\\tx" + QByteArray::number(pos);
        last = pos;
    }
    for (const Run &r : p.runs) {
        b += "{\\f" + QByteArray::number(r.font) + "\\fs" +
             QByteArray::number(int(std::lround(r.pointSize * 2)));
        if (r.bold)
            b += "\\b";
        if (r.italic)
            b += "\\i";
        if (r.underline)
            b += "\\ul";
        if (r.color > 0)
            b += "\\cf" + QByteArray::number(r.color);
        b += ' ';
        if (r.tabBefore)
            b += "\\tab ";
        b += escape(r.text);
        b += '}';
    }
    b += "\\par\n";
}

QByteArray RtfWriter::document() const
{
    return header() + m_body + trailer();
}

QByteArray RtfWriter::takeBody()
{
    QByteArray body;
    body.swap(m_body);
    return body;
}

QByteArray RtfWriter::header() const
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    const QStringList fonts = m_fonts.isEmpty() ? QStringList{QStringLiteral("Arial")} : m_fonts;
    for (qsizetype i = 0; i < fonts.size(); ++i)
        out += "{\\f" + QByteArray::number(i) + "\\fnil " + escape(fonts.at(i)) + ";}";
    out += "}\n{\\colortbl;";
    for (qsizetype i = 1; i < m_colors.size(); ++i) {
        const QColor &c = m_colors.at(i);
        out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue" +
               QByteArray::number(c.blue()) + ';';
    }
    out += "}\n";
    out += "\\paperw" + QByteArray::number(twips(m_paper.width())) + "\\paperh" +
           QByteArray::number(twips(m_paper.height())) + "\\margl" +
           QByteArray::number(twips(m_margins.left())) + "\\margr" +
           QByteArray::number(twips(m_margins.right())) + "\\margt" +
           QByteArray::number(twips(m_margins.top())) + "\\margb" +
           QByteArray::number(twips(m_margins.bottom()));
    if (m_paper.width() > m_paper.height())
        out += "\\landscape";
    out += "\n";
    return out;
}

QByteArray RtfWriter::singleParagraphDocument(const QString &text, const QString &fontFamily,
                                              double pointSize)
{
    RtfWriter w;
    Run run;
    run.text = text;
    run.font = w.font(fontFamily);
    run.pointSize = pointSize;
    Paragraph p;
    p.runs.push_back(run);
    w.addParagraph(p);
    return w.document();
}

} // namespace vinary::report
