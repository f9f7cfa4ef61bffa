#include "engine/report/pdffont.h"

#include <QFont>

#include <algorithm>
#include <cmath>

namespace vinary::report
{

namespace
{

// Font tables are big-endian; reads past a table's end give 0, so a damaged font cannot crash us.
quint16 u16(const QByteArray &t, qsizetype at)
{
    if (at < 0 || at + 2 > t.size())
        return 0;
    return quint16((quint8(t[at]) << 8) | quint8(t[at + 1]));
}

qint16 i16(const QByteArray &t, qsizetype at)
{
    return qint16(u16(t, at));
}

quint32 u32(const QByteArray &t, qsizetype at)
{
    return (quint32(u16(t, at)) << 16) | u16(t, at + 2);
}

void put16(QByteArray &t, quint16 v)
{
    t.append(char(v >> 8));
    t.append(char(v & 0xff));
}

void put32(QByteArray &t, quint32 v)
{
    put16(t, quint16(v >> 16));
    put16(t, quint16(v & 0xffff));
}

void set16(QByteArray &t, qsizetype at, quint16 v)
{
    t[at] = char(v >> 8);
    t[at + 1] = char(v & 0xff);
}

void pad4(QByteArray &t)
{
    while (t.size() % 4)
        t.append('\0');
}

quint32 checksum(const QByteArray &t)
{
    quint32 sum = 0;
    const qsizetype full = t.size() / 4 * 4;
    for (qsizetype i = 0; i < full; i += 4)
        sum += u32(t, i);
    // A last, short word counts as if padded with zeros.
    if (full < t.size()) {
        quint32 word = 0;
        for (qsizetype k = 0; k < 4; ++k)
            word = (word << 8) | (full + k < t.size() ? quint8(t[full + k]) : 0u);
        sum += word;
    }
    return sum;
}

void number(QByteArray &out, double v)
{
    out.append(QByteArray::number(std::round(v * 1000.0) / 1000.0, 'g', 10));
}

void hex4(QByteArray &out, quint32 v)
{
    static const char digits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.append(digits[(v >> shift) & 0xf]);
}

// What a font says about itself in the tables the embedding reads.
struct Tables {
    QByteArray head, hhea, maxp, hmtx, loca, glyf;
    explicit Tables(const QRawFont &f)
        : head(f.fontTable("head")), hhea(f.fontTable("hhea")), maxp(f.fontTable("maxp")),
          hmtx(f.fontTable("hmtx")), loca(f.fontTable("loca")), glyf(f.fontTable("glyf"))
    {
    }
};

constexpr quint16 macBold = 0x1;
constexpr quint16 macItalic = 0x2;

} // namespace

bool PdfFont::embeddable(const QRawFont &font)
{
    if (!font.isValid())
        return false;
    const Tables t(font);
    if (t.head.size() < 54 || t.hhea.size() < 36 || t.maxp.size() < 6 || t.glyf.isEmpty())
        return false;
    const int unitsPerEm = u16(t.head, 18);
    const int glyphs = u16(t.maxp, 4);
    const int metrics = u16(t.hhea, 34);
    const int locaFormat = i16(t.head, 50);
    if (unitsPerEm < 16 || glyphs == 0 || metrics == 0 || metrics > glyphs || t.hmtx.size() < metrics * 4)
        return false;
    if ((locaFormat != 0 && locaFormat != 1) || t.loca.size() < (glyphs + 1) * (locaFormat ? 4 : 2))
        return false;
    // The licence: "restricted" and "bitmap only" fonts must not be embedded.
    const QByteArray os2 = font.fontTable("OS/2");
    const quint16 fsType = u16(os2, 8);
    return (fsType & 0x000f) != 0x0002 && !(fsType & 0x0200);
}

PdfFont::PdfFont(const QRawFont &font) : m_raw(font)
{
    m_head = font.fontTable("head");
    m_hmtx = font.fontTable("hmtx");
    m_unitsPerEm = std::max(16, int(u16(m_head, 18)));
    m_metricCount = std::max(1, int(u16(font.fontTable("hhea"), 34)));
    m_glyphCount = u16(font.fontTable("maxp"), 4);
    m_used.assign(m_glyphCount, false);
}

bool PdfFont::sameFace(const QRawFont &font) const
{
    return font.familyName() == m_raw.familyName() && font.styleName() == m_raw.styleName() &&
           font.fontTable("head") == m_head;
}

bool PdfFont::synthesized(const QRawFont &font) const
{
    const QByteArray os2 = m_raw.fontTable("OS/2");
    const quint16 macStyle = u16(m_head, 44);
    const quint16 selection = u16(os2, 62);
    const bool faceBold = (macStyle & macBold) || (selection & 0x20) || u16(os2, 4) >= 600;
    const bool faceItalic =
        (macStyle & macItalic) || (selection & 0x201) || u32(m_raw.fontTable("post"), 4) != 0;
    return (font.weight() >= QFont::DemiBold && !faceBold) ||
           (font.style() != QFont::StyleNormal && !faceItalic);
}

double PdfFont::advance(quint32 glyph) const
{
    const int index = int(std::min<quint32>(glyph, quint32(m_metricCount - 1)));
    return scaled(u16(m_hmtx, qsizetype(index) * 4));
}

void PdfFont::use(quint32 glyph)
{
    if (glyph < m_glyphCount)
        m_used[glyph] = true;
}

void PdfFont::setText(quint32 glyph, const QString &text)
{
    m_text.emplace(glyph, text);
}

QByteArray PdfFont::baseName(int index) const
{
    // A subset's name starts with six capitals of its own.
    QByteArray name;
    for (int k = 0, v = index; k < 6; ++k, v /= 26)
        name.append(char('A' + v % 26));
    std::reverse(name.begin(), name.end());
    name.append('+');
    QString ps;
    const QByteArray names = m_raw.fontTable("name");
    const int count = u16(names, 2);
    const int strings = u16(names, 4);
    for (int i = 0; i < count && ps.isEmpty(); ++i) {
        const qsizetype rec = 6 + qsizetype(i) * 12;
        if (u16(names, rec + 6) != 6)
            continue;
        const quint16 platform = u16(names, rec);
        const qsizetype at = strings + u16(names, rec + 10);
        const qsizetype length = std::min<qsizetype>(u16(names, rec + 8), names.size() - at);
        if (at < 0 || length <= 0)
            continue;
        if (platform == 3 || platform == 0) {
            for (qsizetype k = 0; k + 1 < length; k += 2)
                ps.append(QChar(u16(names, at + k)));
        } else if (platform == 1) {
            ps = QString::fromLatin1(names.mid(at, length));
        }
    }
    if (ps.isEmpty())
        ps = m_raw.familyName() + m_raw.styleName();
    for (QChar c : std::as_const(ps)) {
        const char16_t u = c.unicode();
        if (u > 32 && u < 127 && !QByteArrayView("()<>[]{}/%#").contains(char(u)))
            name.append(char(u));
    }
    return name;
}

QByteArray PdfFont::type0(const QByteArray &name, int cidFont, int toUnicode) const
{
    return "<</Type/Font/Subtype/Type0/BaseFont/" + name + "/Encoding/Identity-H/DescendantFonts[" +
           QByteArray::number(cidFont) + " 0 R]/ToUnicode " + QByteArray::number(toUnicode) + " 0 R>>";
}

QByteArray PdfFont::cidFont(const QByteArray &name, int descriptor) const
{
    QByteArray out = "<</Type/Font/Subtype/CIDFontType2/BaseFont/" + name +
                     "/CIDSystemInfo<</Registry(Adobe)/Ordering(Identity)/Supplement 0>>/FontDescriptor " +
                     QByteArray::number(descriptor) + " 0 R/CIDToGIDMap/Identity/DW ";
    number(out, advance(0));
    out.append("/W[");
    // Runs of consecutive glyphs share one entry: first [w1 w2 ...].
    for (quint32 g = 0; g < m_glyphCount;) {
        if (!m_used[g]) {
            ++g;
            continue;
        }
        out.append(QByteArray::number(g));
        out.append('[');
        for (bool first = true; g < m_glyphCount && m_used[g]; ++g, first = false) {
            if (!first)
                out.append(' ');
            number(out, advance(g));
        }
        out.append("]\n");
    }
    out.append("]>>");
    return out;
}

QByteArray PdfFont::descriptor(const QByteArray &name, int fontFile) const
{
    const QByteArray hhea = m_raw.fontTable("hhea");
    const QByteArray os2 = m_raw.fontTable("OS/2");
    const QByteArray post = m_raw.fontTable("post");
    const int ascent = i16(hhea, 4);
    const int descent = i16(hhea, 6);
    const int capHeight = u16(os2, 0) >= 2 && os2.size() >= 90 ? i16(os2, 88) : ascent;
    const double italicAngle = qint32(u32(post, 4)) / 65536.0;
    const int weight = os2.size() >= 6 ? u16(os2, 4) : ((u16(m_head, 44) & macBold) ? 700 : 400);
    int flags = 4; // symbolic: the glyphs are addressed by index, not by a standard encoding
    if (u32(post, 12) != 0)
        flags |= 1;
    if (italicAngle != 0.0 || (u16(m_head, 44) & macItalic))
        flags |= 64;
    QByteArray out =
        "<</Type/FontDescriptor/FontName/" + name + "/Flags " + QByteArray::number(flags) + "/FontBBox[";
    for (int k = 0; k < 4; ++k) {
        if (k)
            out.append(' ');
        number(out, scaled(i16(m_head, 36 + 2 * k)));
    }
    out.append("]/ItalicAngle ");
    number(out, italicAngle);
    out.append("/Ascent ");
    number(out, scaled(ascent));
    out.append("/Descent ");
    number(out, scaled(descent));
    out.append("/CapHeight ");
    number(out, scaled(capHeight));
    // No font table holds the stem width; this common estimate from the weight is what readers expect.
    out.append("/StemV " +
               QByteArray::number(10 + int(std::lround(220.0 * std::pow((weight - 50) / 900.0, 2)))));
    out.append("/FontFile2 " + QByteArray::number(fontFile) + " 0 R>>");
    return out;
}

QByteArray PdfFont::fontFile() const
{
    const QByteArray glyf = m_raw.fontTable("glyf");
    const QByteArray loca = m_raw.fontTable("loca");
    const bool longLoca = i16(m_head, 50) == 1;
    auto offset = [&](quint32 g) -> qsizetype {
        return longLoca ? qsizetype(u32(loca, qsizetype(g) * 4)) : qsizetype(u16(loca, qsizetype(g) * 2)) * 2;
    };

    // The glyphs drawn, .notdef, and the parts composite glyphs are made of.
    std::vector<bool> keep = m_used;
    if (!keep.empty())
        keep[0] = true;
    std::vector<quint32> pending;
    for (quint32 g = 0; g < m_glyphCount; ++g) {
        if (keep[g])
            pending.push_back(g);
    }
    while (!pending.empty()) {
        const quint32 g = pending.back();
        pending.pop_back();
        const qsizetype start = offset(g);
        const qsizetype end = std::min(offset(g + 1), glyf.size());
        if (end - start < 10 || i16(glyf, start) >= 0)
            continue;
        quint16 flags = 0;
        qsizetype at = start + 10;
        do {
            flags = u16(glyf, at);
            const quint16 part = u16(glyf, at + 2);
            at += 4 + ((flags & 0x1) ? 4 : 2);
            if (flags & 0x8)
                at += 2;
            else if (flags & 0x40)
                at += 4;
            else if (flags & 0x80)
                at += 8;
            if (part < m_glyphCount && !keep[part]) {
                keep[part] = true;
                pending.push_back(part);
            }
        } while ((flags & 0x20) && at + 4 <= end);
    }

    // Glyph indexes stay as they are, up to the last one kept; unused glyphs get no outline. The
    // new 'loca' is always long.
    quint32 kept = m_glyphCount;
    while (kept > 1 && !keep[kept - 1])
        --kept;
    QByteArray newGlyf;
    QByteArray newLoca;
    for (quint32 g = 0; g < kept; ++g) {
        put32(newLoca, quint32(newGlyf.size()));
        const qsizetype start = offset(g);
        const qsizetype end = std::min(offset(g + 1), glyf.size());
        if (keep[g] && end > start && start >= 0) {
            newGlyf.append(glyf.constData() + start, end - start);
            pad4(newGlyf);
        }
    }
    put32(newLoca, quint32(newGlyf.size()));
    QByteArray head = m_head;
    head.resize(std::max<qsizetype>(head.size(), 54));
    set16(head, 8, 0); // checkSumAdjustment: not checked by readers
    set16(head, 10, 0);
    set16(head, 50, 1);
    QByteArray maxp = m_raw.fontTable("maxp");
    set16(maxp, 4, quint16(kept));
    QByteArray hhea = m_raw.fontTable("hhea");
    const quint32 metrics = std::min<quint32>(quint32(m_metricCount), kept);
    set16(hhea, 34, quint16(metrics));
    const QByteArray hmtx = m_hmtx.left(qsizetype(metrics) * 4 + qsizetype(kept - metrics) * 2);

    // Tables in the order of their tags, as the directory wants them.
    const std::pair<const char *, QByteArray> tables[] = {
        {"cvt ", m_raw.fontTable("cvt ")},
        {"fpgm", m_raw.fontTable("fpgm")},
        {"glyf", newGlyf},
        {"head", head},
        {"hhea", hhea},
        {"hmtx", hmtx},
        {"loca", newLoca},
        {"maxp", maxp},
        {"prep", m_raw.fontTable("prep")},
    };
    int count = 0;
    for (const auto &t : tables)
        count += t.second.isEmpty() ? 0 : 1;
    int power = 1;
    int selector = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++selector;
    }
    QByteArray out;
    put32(out, 0x00010000);
    put16(out, quint16(count));
    put16(out, quint16(power * 16));
    put16(out, quint16(selector));
    put16(out, quint16(count * 16 - power * 16));
    quint32 at = quint32(12 + 16 * count);
    QByteArray body;
    for (const auto &[tag, data] : tables) {
        if (data.isEmpty())
            continue;
        out.append(tag, 4);
        put32(out, checksum(data));
        put32(out, at + quint32(body.size()));
        put32(out, quint32(data.size()));
        body.append(data);
        pad4(body);
    }
    out.append(body);
    return out;
}

QByteArray PdfFont::toUnicode() const
{
    QByteArray out = "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                     "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n"
                     "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n"
                     "1 begincodespacerange\n<0000><FFFF>\nendcodespacerange\n";
    std::vector<std::pair<quint32, const QString *>> entries;
    for (const auto &[glyph, text] : m_text) {
        if (glyph < m_glyphCount && m_used[glyph] && !text.isEmpty())
            entries.emplace_back(glyph, &text);
    }
    // At most 100 mappings to a block.
    for (size_t i = 0; i < entries.size(); i += 100) {
        const size_t n = std::min<size_t>(100, entries.size() - i);
        out.append(QByteArray::number(qulonglong(n)) + " beginbfchar\n");
        for (size_t k = i; k < i + n; ++k) {
            out.append('<');
            hex4(out, entries[k].first);
            out.append("><");
            for (QChar c : *entries[k].second)
                hex4(out, c.unicode());
            out.append(">\n");
        }
        out.append("endbfchar\n");
    }
    out.append("endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n");
    return out;
}

} // namespace vinary::report
