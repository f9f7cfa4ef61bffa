#pragma once

#include <QByteArray>
#include <QRawFont>
#include <QString>

#include <map>
#include <vector>

namespace vinary::report
{

// A TrueType font embedded in a PDF as a CID font (Type0, Identity-H): the codes in the document's
// text are the font's glyph indexes. The embedded font keeps every glyph index but only the
// outlines of the glyphs used; a ToUnicode map lets readers copy the text out again.
class PdfFont
{
public:
    // Whether the font has TrueType outlines, the tables this class needs and a licence that lets
    // it be embedded; fonts with other outlines (CFF) are not.
    static bool embeddable(const QRawFont &font);
    // Requires embeddable(font).
    explicit PdfFont(const QRawFont &font);

    const QRawFont &rawFont() const { return m_raw; }
    // Whether the font stands for `font`, which may be of another size: same face, same file.
    bool sameFace(const QRawFont &font) const;
    // Whether Qt would embolden or slant this face to draw `font`, which the PDF could not show.
    bool synthesized(const QRawFont &font) const;

    // A glyph's advance in thousandths of the em, as the document's widths give it.
    double advance(quint32 glyph) const;
    quint32 glyphCount() const { return m_glyphCount; }
    // Marks a glyph as drawn.
    void use(quint32 glyph);
    // The text a glyph stands for when copied; the first one given holds.
    bool hasText(quint32 glyph) const { return m_text.count(glyph) > 0; }
    void setText(quint32 glyph, const QString &text);

    // The PDF objects, written once every glyph is known. `name` is the font's name with its
    // subset tag; the dictionaries refer to the other objects by number.
    QByteArray baseName(int index) const;
    QByteArray type0(const QByteArray &name, int cidFont, int toUnicode) const;
    QByteArray cidFont(const QByteArray &name, int descriptor) const;
    QByteArray descriptor(const QByteArray &name, int fontFile) const;
    QByteArray fontFile() const; // the subset TrueType font, uncompressed
    QByteArray toUnicode() const;

private:
    double scaled(int units) const { return units * 1000.0 / m_unitsPerEm; }

    QRawFont m_raw;
    QByteArray m_head;
    QByteArray m_hmtx;
    int m_unitsPerEm = 1000;
    int m_metricCount = 0;
    quint32 m_glyphCount = 0;
    std::vector<bool> m_used;
    std::map<quint32, QString> m_text;
};

} // namespace vinary::report
