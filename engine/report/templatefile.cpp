#include "engine/report/templatefile.h"

#include "engine/common/atomicfile.h"
#include "engine/common/errors.h"
#include "engine/report/texts.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{

constexpr int maxDepth = 32;
const QString rootName = u"vinary-report"_s;
const QString objectsRootName = u"vinary-report-objects"_s;

// ---------------------------------------------------------------- writing

QString number(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

QString colorText(const QColor &c)
{
    if (!c.isValid())
        return u"none"_s;
    return c.alpha() == 255 ? c.name(QColor::HexRgb) : c.name(QColor::HexArgb);
}

QString hAlignText(HAlign a)
{
    switch (a) {
    case HAlign::Left:
        return u"left"_s;
    case HAlign::Center:
        return u"center"_s;
    case HAlign::Right:
        return u"right"_s;
    }
    return u"left"_s;
}

QString vAlignText(VAlign a)
{
    switch (a) {
    case VAlign::Top:
        return u"top"_s;
    case VAlign::Center:
        return u"center"_s;
    case VAlign::Bottom:
        return u"bottom"_s;
    }
    return u"top"_s;
}

QString shapeKindText(ShapeKind k)
{
    switch (k) {
    case ShapeKind::Rectangle:
        return u"rectangle"_s;
    case ShapeKind::RoundedRectangle:
        return u"rounded-rectangle"_s;
    case ShapeKind::Ellipse:
        return u"ellipse"_s;
    }
    return u"rectangle"_s;
}

QString penStyleText(Qt::PenStyle s)
{
    switch (s) {
    case Qt::NoPen:
        return u"none"_s;
    case Qt::DashLine:
        return u"dash"_s;
    case Qt::DotLine:
        return u"dot"_s;
    case Qt::DashDotLine:
        return u"dash-dot"_s;
    default:
        return u"solid"_s;
    }
}

QString frameText(const FrameEdges &f)
{
    QString s;
    if (f.left)
        s += u'l';
    if (f.top)
        s += u't';
    if (f.right)
        s += u'r';
    if (f.bottom)
        s += u'b';
    return s;
}

QString fitText(TextFit f)
{
    switch (f) {
    case TextFit::Clip:
        return u"clip"_s;
    case TextFit::Shrink:
        return u"shrink"_s;
    case TextFit::Ellipsis:
        return u"ellipsis"_s;
    }
    return u"clip"_s;
}

QString boolText(bool b)
{
    return b ? u"true"_s : u"false"_s;
}

// Writes only what differs from a default object, so files stay short and every value that is
// not written reads back as the same default.
// A template file keeps the texts of translated objects as the file had them; the clipboard
// takes the texts as shown.
enum class Texts { Saved, Shown };

void writeObject(QXmlStreamWriter &w, const ReportObject &o, Texts texts)
{
    static const ReportObject d;
    w.writeStartElement(objectKindName(o.kind));
    w.writeAttribute(u"name"_s, o.name);
    w.writeAttribute(u"x"_s, number(o.rect.x()));
    w.writeAttribute(u"y"_s, number(o.rect.y()));
    w.writeAttribute(u"width"_s, number(o.rect.width()));
    w.writeAttribute(u"height"_s, number(o.rect.height()));
    auto str = [&](const QString &key, const QString &value, const QString &def) {
        if (value != def)
            w.writeAttribute(key, value);
    };
    auto num = [&](const QString &key, double value, double def) {
        if (value != def)
            w.writeAttribute(key, number(value));
    };
    auto flag = [&](const QString &key, bool value, bool def) {
        if (value != def)
            w.writeAttribute(key, boolText(value));
    };
    auto color = [&](const QString &key, const QColor &value, const QColor &def) {
        if (value != def)
            w.writeAttribute(key, colorText(value));
    };
    str(u"font"_s, o.fontFamily, d.fontFamily);
    num(u"size"_s, o.fontSize, d.fontSize);
    flag(u"bold"_s, o.bold, d.bold);
    flag(u"italic"_s, o.italic, d.italic);
    flag(u"underline"_s, o.underline, d.underline);
    str(u"align"_s, hAlignText(o.hAlign), hAlignText(d.hAlign));
    str(u"valign"_s, vAlignText(o.vAlign), vAlignText(d.vAlign));
    flag(u"wrap"_s, o.wordWrap, d.wordWrap);
    str(u"fit"_s, fitText(o.fit), fitText(d.fit));
    flag(u"stretch"_s, o.stretch, d.stretch);
    str(u"frame"_s, frameText(o.frame), frameText(d.frame));
    num(u"frame-width"_s, o.frameWidth, d.frameWidth);
    color(u"frame-color"_s, o.frameColor, d.frameColor);
    color(u"color"_s, o.textColor, d.textColor);
    color(u"fill"_s, o.fillColor, d.fillColor);
    str(u"format"_s, o.format, d.format);
    str(u"band"_s, bandTypeName(o.bandType), bandTypeName(d.bandType));
    str(u"dataset"_s, o.dataset, d.dataset);
    str(u"group"_s, o.groupExpression, d.groupExpression);
    str(u"condition"_s, o.printCondition, d.printCondition);
    flag(u"current-row-only"_s, o.currentRowOnly, d.currentRowOnly);
    flag(u"repeat"_s, o.repeatOnNewPage, d.repeatOnNewPage);
    flag(u"first-page"_s, o.printOnFirstPage, d.printOnFirstPage);
    flag(u"keep-aspect"_s, o.keepAspect, d.keepAspect);
    str(u"shape"_s, shapeKindText(o.shapeKind), shapeKindText(d.shapeKind));
    num(u"pen-width"_s, o.penWidth, d.penWidth);
    color(u"pen-color"_s, o.penColor, d.penColor);
    str(u"pen-style"_s, penStyleText(o.penStyle), penStyleText(d.penStyle));
    color(u"brush"_s, o.brushColor, d.brushColor);
    num(u"radius"_s, o.cornerRadius, d.cornerRadius);
    for (const QString &line : texts == Texts::Saved ? o.savedLines() : o.lines)
        w.writeTextElement(u"l"_s, line);
    if (!o.imageData.isEmpty())
        w.writeTextElement(u"image"_s, QString::fromLatin1(o.imageData.toBase64()));
    w.writeEndElement();
}

// ---------------------------------------------------------------- reading

class Reader
{
public:
    Reader(const QByteArray &data, const QString &name) : m_xml(data), m_name(name) {}

    [[noreturn]] void damaged(const QString &why) const
    {
        throw VinaryError(engineText(u"[MOT_ERR_MODELLO_DANNEGGIATO]"_s,
                                     u"The report template %1 is damaged: %2 (line %3)."_s)
                              .arg(m_name, why, QString::number(m_xml.lineNumber())));
    }
    [[noreturn]] void notATemplate() const
    {
        throw VinaryError(
            engineText(u"[MOT_ERR_NON_MODELLO]"_s, u"%1 is not a Vinary report template."_s).arg(m_name));
    }

    // The next start or end element; text between elements is skipped.
    QXmlStreamReader::TokenType nextElement()
    {
        for (;;) {
            const auto t = m_xml.readNext();
            if (t == QXmlStreamReader::StartElement) {
                if (++m_depth > maxDepth)
                    damaged(engineText(u"[MOT_DANNO_ANNIDATO]"_s, u"its elements are nested too deeply"_s));
                return t;
            }
            if (t == QXmlStreamReader::EndElement) {
                --m_depth;
                return t;
            }
            if (t == QXmlStreamReader::DTD)
                damaged(engineText(u"[MOT_DANNO_DOCTYPE]"_s, u"it holds a document type declaration"_s));
            if (t == QXmlStreamReader::Invalid)
                damaged(m_xml.errorString());
            if (t == QXmlStreamReader::EndDocument)
                damaged(engineText(u"[MOT_DANNO_FINE]"_s, u"it ends too early"_s));
        }
    }

    // Skips the element just started, with everything in it.
    void skipElement()
    {
        const int depth = m_depth;
        while (m_depth >= depth)
            nextElement();
    }

    // The text of the element just started; it must hold no elements.
    QString elementText(qsizetype limit)
    {
        QString text;
        for (;;) {
            const auto t = m_xml.readNext();
            if (t == QXmlStreamReader::Characters) {
                if (text.size() < limit)
                    text += m_xml.text().left(limit - text.size());
            } else if (t == QXmlStreamReader::EndElement) {
                --m_depth;
                return text;
            } else if (t == QXmlStreamReader::StartElement) {
                ++m_depth;
                damaged(engineText(u"[MOT_DANNO_TESTO_ELEMENTO]"_s, u"a text holds an element"_s));
            } else if (t == QXmlStreamReader::Invalid) {
                damaged(m_xml.errorString());
            } else if (t == QXmlStreamReader::EndDocument) {
                damaged(engineText(u"[MOT_DANNO_FINE]"_s, u"it ends too early"_s));
            }
        }
    }

    double num(const QString &key, double def, double lo, double hi) const
    {
        const auto attrs = m_xml.attributes();
        if (!attrs.hasAttribute(key))
            return def;
        bool ok = false;
        const double v = attrs.value(key).toDouble(&ok);
        if (!ok || !std::isfinite(v))
            damaged(engineText(u"[MOT_DANNO_NUMERO]"_s, u"the value \"%1\" of %2 is not a number"_s)
                        .arg(attrs.value(key).left(40), key));
        return std::clamp(v, lo, hi);
    }

    QString str(const QString &key, const QString &def, qsizetype limit = 4096) const
    {
        const auto attrs = m_xml.attributes();
        if (!attrs.hasAttribute(key))
            return def;
        return attrs.value(key).left(limit).toString();
    }

    bool flag(const QString &key, bool def) const
    {
        const auto attrs = m_xml.attributes();
        if (!attrs.hasAttribute(key))
            return def;
        const auto v = attrs.value(key);
        if (v == u"true"_s || v == u"1"_s)
            return true;
        if (v == u"false"_s || v == u"0"_s)
            return false;
        damaged(
            engineText(u"[MOT_DANNO_VERO_FALSO]"_s, u"the value of %1 is neither true nor false"_s).arg(key));
    }

    QColor color(const QString &key, const QColor &def) const
    {
        const auto attrs = m_xml.attributes();
        if (!attrs.hasAttribute(key))
            return def;
        const QString v = attrs.value(key).toString();
        if (v == u"none"_s)
            return QColor();
        const QColor c = QColor::fromString(v);
        if (!c.isValid() || !v.startsWith(u'#'))
            damaged(engineText(u"[MOT_DANNO_COLORE]"_s, u"the value \"%1\" of %2 is not a colour"_s)
                        .arg(v.left(40), key));
        return c;
    }

    ReportObject readObject(ObjectKind kind)
    {
        static const ReportObject d;
        ReportObject o;
        o.kind = kind;
        o.name = str(u"name"_s, QString(), 200);
        const double x = num(u"x"_s, 0, -TemplateFile::maxLength, TemplateFile::maxLength);
        const double y = num(u"y"_s, 0, -TemplateFile::maxLength, TemplateFile::maxLength);
        const double w = num(u"width"_s, 0, 0, TemplateFile::maxLength);
        const double h = num(u"height"_s, 0, 0, TemplateFile::maxLength);
        o.rect = QRectF(x, y, w, h);
        o.fontFamily = str(u"font"_s, d.fontFamily, 200);
        o.fontSize = num(u"size"_s, d.fontSize, 1.0, 400.0);
        o.bold = flag(u"bold"_s, d.bold);
        o.italic = flag(u"italic"_s, d.italic);
        o.underline = flag(u"underline"_s, d.underline);
        const QString align = str(u"align"_s, u"left"_s);
        o.hAlign = align == u"center"_s ? HAlign::Center : align == u"right"_s ? HAlign::Right : HAlign::Left;
        const QString valign = str(u"valign"_s, u"top"_s);
        o.vAlign = valign == u"center"_s   ? VAlign::Center
                   : valign == u"bottom"_s ? VAlign::Bottom
                                           : VAlign::Top;
        o.wordWrap = flag(u"wrap"_s, d.wordWrap);
        const QString fit = str(u"fit"_s, u"clip"_s);
        o.fit = fit == u"shrink"_s     ? TextFit::Shrink
                : fit == u"ellipsis"_s ? TextFit::Ellipsis
                                       : TextFit::Clip;
        o.stretch = flag(u"stretch"_s, d.stretch);
        const QString frame = str(u"frame"_s, QString());
        o.frame.left = frame.contains(u'l');
        o.frame.top = frame.contains(u't');
        o.frame.right = frame.contains(u'r');
        o.frame.bottom = frame.contains(u'b');
        o.frameWidth = num(u"frame-width"_s, d.frameWidth, 0.0, 20.0);
        o.frameColor = color(u"frame-color"_s, d.frameColor);
        o.textColor = color(u"color"_s, d.textColor);
        o.fillColor = color(u"fill"_s, d.fillColor);
        o.format = str(u"format"_s, d.format, 200);
        const QString band = str(u"band"_s, bandTypeName(d.bandType));
        if (!bandTypeFromName(band, &o.bandType))
            damaged(
                engineText(u"[MOT_DANNO_TIPO_BANDA]"_s, u"\"%1\" is not a band type"_s).arg(band.left(40)));
        o.dataset = str(u"dataset"_s, d.dataset, 200);
        o.groupExpression = str(u"group"_s, d.groupExpression);
        o.printCondition = str(u"condition"_s, d.printCondition);
        o.currentRowOnly = flag(u"current-row-only"_s, d.currentRowOnly);
        o.repeatOnNewPage = flag(u"repeat"_s, d.repeatOnNewPage);
        o.printOnFirstPage = flag(u"first-page"_s, d.printOnFirstPage);
        o.keepAspect = flag(u"keep-aspect"_s, d.keepAspect);
        const QString shape = str(u"shape"_s, u"rectangle"_s);
        o.shapeKind = shape == u"ellipse"_s             ? ShapeKind::Ellipse
                      : shape == u"rounded-rectangle"_s ? ShapeKind::RoundedRectangle
                                                        : ShapeKind::Rectangle;
        o.penWidth = num(u"pen-width"_s, d.penWidth, 0.0, 20.0);
        o.penColor = color(u"pen-color"_s, d.penColor);
        const QString pen = str(u"pen-style"_s, u"solid"_s);
        o.penStyle = pen == u"none"_s       ? Qt::NoPen
                     : pen == u"dash"_s     ? Qt::DashLine
                     : pen == u"dot"_s      ? Qt::DotLine
                     : pen == u"dash-dot"_s ? Qt::DashDotLine
                                            : Qt::SolidLine;
        o.brushColor = color(u"brush"_s, d.brushColor);
        o.cornerRadius = num(u"radius"_s, d.cornerRadius, 0.0, 1000.0);

        qsizetype textLength = 0;
        while (nextElement() == QXmlStreamReader::StartElement) {
            const auto tag = m_xml.name();
            if (tag == u"l"_s) {
                const QString line = elementText(TemplateFile::maxTextLength);
                // A line holds no line break; one smuggled in starts further lines.
                const QStringList parts = line.split(QRegularExpression(u"\r\n|\r|\n"_s));
                for (const QString &part : parts) {
                    if (o.lines.size() >= TemplateFile::maxLines || textLength >= TemplateFile::maxTextLength)
                        break;
                    const QString kept = part.left(TemplateFile::maxTextLength - textLength);
                    textLength += kept.size();
                    o.lines.append(kept);
                }
            } else if (tag == u"image"_s) {
                const QString data = elementText(TemplateFile::maxFileSize);
                o.imageData = QByteArray::fromBase64(data.toLatin1());
            } else {
                skipElement();
            }
        }
        return o;
    }

    void readObjects(QList<ReportObject> &objects)
    {
        while (nextElement() == QXmlStreamReader::StartElement) {
            const auto tag = m_xml.name();
            ObjectKind kind;
            if (tag == u"text"_s)
                kind = ObjectKind::Text;
            else if (tag == u"band"_s)
                kind = ObjectKind::Band;
            else if (tag == u"picture"_s)
                kind = ObjectKind::Picture;
            else if (tag == u"line"_s)
                kind = ObjectKind::Line;
            else if (tag == u"shape"_s)
                kind = ObjectKind::Shape;
            else {
                skipElement();
                continue;
            }
            if (objects.size() >= TemplateFile::maxObjectsPerPage)
                damaged(engineText(u"[MOT_DANNO_TROPPI_OGGETTI]"_s, u"a page holds more than %1 objects"_s)
                            .arg(TemplateFile::maxObjectsPerPage));
            objects.append(readObject(kind));
        }
    }

    ReportPage readPage()
    {
        static const ReportPage d;
        ReportPage page;
        const double w = num(u"width"_s, d.paperSize.width(), 10.0, TemplateFile::maxLength);
        const double h = num(u"height"_s, d.paperSize.height(), 10.0, TemplateFile::maxLength);
        page.paperSize = QSizeF(w, h);
        const auto attrs = m_xml.attributes();
        page.paperFixed = attrs.hasAttribute(u"width"_s) || attrs.hasAttribute(u"height"_s);
        // Margins leave at least a tenth of the sheet to print on.
        const double l = num(u"left"_s, d.margins.left(), 0.0, w * 0.45);
        const double r = num(u"right"_s, d.margins.right(), 0.0, w * 0.45);
        const double t = num(u"top"_s, d.margins.top(), 0.0, h * 0.45);
        const double b = num(u"bottom"_s, d.margins.bottom(), 0.0, h * 0.45);
        page.margins = QMarginsF(l, t, r, b);
        readObjects(page.objects);
        return page;
    }

    void checkRoot(const QString &expected)
    {
        if (nextElement() != QXmlStreamReader::StartElement || m_xml.name() != expected)
            notATemplate();
        const QString version = str(u"version"_s, QString());
        bool ok = false;
        const int v = version.toInt(&ok);
        if (!ok || v < 1)
            damaged(engineText(u"[MOT_DANNO_VERSIONE]"_s, u"it has no valid format version"_s));
        if (v > TemplateFile::formatVersion)
            throw VinaryError(
                engineText(u"[MOT_ERR_VERSIONE_NUOVA]"_s,
                           u"The report template %1 was written by a newer version of Vinary (format %2)."_s)
                    .arg(m_name, version));
    }

    ReportTemplate readTemplate()
    {
        checkRoot(rootName);
        ReportTemplate templ;
        while (nextElement() == QXmlStreamReader::StartElement) {
            if (m_xml.name() == u"page"_s) {
                if (templ.pages.size() >= TemplateFile::maxPages)
                    damaged(engineText(u"[MOT_DANNO_TROPPE_PAGINE]"_s, u"it holds more than %1 pages"_s)
                                .arg(TemplateFile::maxPages));
                templ.pages.append(readPage());
            } else {
                skipElement();
            }
        }
        return templ;
    }

    QList<ReportObject> readObjectList()
    {
        checkRoot(objectsRootName);
        QList<ReportObject> objects;
        readObjects(objects);
        return objects;
    }

private:
    QXmlStreamReader m_xml;
    QString m_name;
    int m_depth = 0;
};

// Another engine's templates are binary; an XML file always starts with '<' once an optional
// byte order mark and white space are skipped.
bool looksLikeXml(const QByteArray &data)
{
    const QByteArray head = data.left(4096);
    if (head.contains('\0'))
        return false;
    qsizetype i = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < head.size() &&
           (head.at(i) == ' ' || head.at(i) == '\t' || head.at(i) == '\r' || head.at(i) == '\n'))
        ++i;
    return i < head.size() && head.at(i) == '<';
}

} // namespace

namespace TemplateFile
{

ReportTemplate parse(const QByteArray &data, const QString &displayName)
{
    if (data.size() > maxFileSize)
        throw VinaryError(engineText(u"[MOT_ERR_MODELLO_GRANDE]"_s,
                                     u"The report template %1 is too large to be a report template."_s)
                              .arg(displayName));
    if (!looksLikeXml(data))
        throw VinaryError(engineText(u"[MOT_ERR_NON_MODELLO]"_s, u"%1 is not a Vinary report template."_s)
                              .arg(displayName));
    Reader reader(data, displayName);
    return reader.readTemplate();
}

ReportTemplate load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw VinaryError(
            engineText(u"[MOT_ERR_APERTURA_MODELLO]"_s, u"Cannot open the report template %1: %2."_s)
                .arg(path, file.errorString()));
    if (file.size() > maxFileSize)
        throw VinaryError(engineText(u"[MOT_ERR_MODELLO_GRANDE]"_s,
                                     u"The report template %1 is too large to be a report template."_s)
                              .arg(path));
    return parse(file.read(maxFileSize + 1), path);
}

QByteArray serialize(const ReportTemplate &templ)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(1);
    w.writeStartDocument();
    w.writeStartElement(rootName);
    w.writeAttribute(u"version"_s, QString::number(formatVersion));
    for (const ReportPage &page : templ.pages) {
        w.writeStartElement(u"page"_s);
        if (page.paperFixed) {
            w.writeAttribute(u"width"_s, number(page.paperSize.width()));
            w.writeAttribute(u"height"_s, number(page.paperSize.height()));
        }
        w.writeAttribute(u"left"_s, number(page.margins.left()));
        w.writeAttribute(u"top"_s, number(page.margins.top()));
        w.writeAttribute(u"right"_s, number(page.margins.right()));
        w.writeAttribute(u"bottom"_s, number(page.margins.bottom()));
        for (const ReportObject &object : page.objects)
            writeObject(w, object, Texts::Saved);
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

void save(const ReportTemplate &templ, const QString &path)
{
    writeFileAtomically(path, serialize(templ));
}

QByteArray serializeObjects(const QList<ReportObject> &objects)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument();
    w.writeStartElement(objectsRootName);
    w.writeAttribute(u"version"_s, QString::number(formatVersion));
    for (const ReportObject &object : objects)
        writeObject(w, object, Texts::Shown);
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

QList<ReportObject> parseObjects(const QByteArray &data)
{
    if (data.size() > maxFileSize || !looksLikeXml(data))
        throw VinaryError(engineText(u"[MOT_ERR_APPUNTI]"_s, u"The clipboard holds no report objects."_s));
    Reader reader(data, u"clipboard"_s);
    return reader.readObjectList();
}

} // namespace TemplateFile

} // namespace vinary::report
