#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QLocale>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

namespace vinary::report
{

// The template model: what a ".frf" file holds. A template is a list of pages; each page is an
// ordered list of objects. The order is part of the contract: the program's template translation
// walks the objects by position, and the file keeps the order exactly.

enum class ObjectKind { Text, Band, Picture, Line, Shape };

enum class BandType {
    ReportTitle,
    PageHeader,
    MasterHeader,
    MasterData,
    MasterFooter,
    GroupHeader,
    GroupFooter,
    ReportSummary,
    PageFooter
};

enum class ShapeKind { Rectangle, RoundedRectangle, Ellipse };

enum class HAlign { Left, Center, Right };
// What a text object does with a text too long for its box: cut it at the box's edge, print it
// smaller until it fits, or cut it after the last whole character that fits and end it in "…".
enum class TextFit { Clip, Shrink, Ellipsis };
enum class VAlign { Top, Center, Bottom };

// Which edges of a text object's box get a rule.
struct FrameEdges {
    bool left = false;
    bool top = false;
    bool right = false;
    bool bottom = false;
    bool any() const { return left || top || right || bottom; }
    bool operator==(const FrameEdges &) const = default;
};

// One object of a page. A flat value: every kind carries every style field, and only the ones of
// its kind matter. All lengths are millimetres; font sizes are points.
struct ReportObject {
    ObjectKind kind = ObjectKind::Text;
    QString name;
    QRectF rect;
    QStringList lines;

    // text
    QString fontFamily = QStringLiteral("Liberation Sans");
    double fontSize = 10.0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    HAlign hAlign = HAlign::Left;
    VAlign vAlign = VAlign::Top;
    bool wordWrap = true; // breaks lines between words, never inside one
    TextFit fit = TextFit::Clip;
    bool stretch = false; // grows downwards to hold its whole text, pushing what is below
    FrameEdges frame;
    double frameWidth = 0.2;
    QColor frameColor = QColor(0, 0, 0);
    QColor textColor = QColor(0, 0, 0);
    QColor fillColor; // invalid: no fill
    QString format;   // display format of the values printed: a number picture or a date pattern

    // band
    BandType bandType = BandType::MasterData;
    QString dataset;              // "MainForm.Schede"; master data bands only
    QString groupExpression;      // group header bands: a new group starts when its value changes
    QString printCondition;       // the band prints only when this is true, e.g. "[Quantita] <= [Scorta]"
    bool currentRowOnly = false;  // master data: only the dataset's current row, not the whole table
    bool repeatOnNewPage = true;  // master and group headers: repeated at the top of each new page
    bool printOnFirstPage = true; // page header and page footer

    // picture
    QByteArray imageData; // PNG or any format QImage reads
    bool keepAspect = true;

    // line and shape
    ShapeKind shapeKind = ShapeKind::Rectangle;
    double penWidth = 0.3;
    QColor penColor = QColor(0, 0, 0);
    Qt::PenStyle penStyle = Qt::SolidLine;
    QColor brushColor; // invalid: not filled
    double cornerRadius = 2.0;

    // A text shown translated: the lines the file holds (translation keys and all) and the lines
    // as translated. A save writes the file's lines back for as long as the text is unchanged, so
    // that a template shown in one language is not stored in it.
    struct Translation {
        QStringList fileLines;
        QStringList shownLines;
        bool operator==(const Translation &) const = default;
    };
    std::optional<Translation> translation;

    // The object's text as one text: every line followed by CR LF.
    QString text() const;
    // Replaces the lines by those of the text, split at CR LF, LF or CR. A final line break ends
    // the last line rather than starting an empty one; the empty text gives no lines.
    void setText(const QString &text);
    // Shows the translation of the text while keeping the lines a save writes.
    void setTranslatedText(const QString &text);
    // The lines a save writes: those of the file while the translated text is unchanged.
    QStringList savedLines() const;

    bool operator==(const ReportObject &) const = default;
};

struct ReportPage {
    QSizeF paperSize = QSizeF(210.0, 297.0); // as the sheet is printed: width x height
    // A page whose template names no paper prints on the locale's usual paper instead.
    bool paperFixed = true;
    QMarginsF margins = QMarginsF(15.0, 12.0, 15.0, 12.0);
    QList<ReportObject> objects;

    bool isLandscape() const { return paperSize.width() > paperSize.height(); }
    QRectF printableRect() const;
    int objectCount() const { return int(objects.size()); }
    ReportObject &object(int index) { return objects[index]; }
    const ReportObject &object(int index) const { return objects.at(index); }

    bool operator==(const ReportPage &) const = default;
};

struct ReportTemplate {
    QList<ReportPage> pages;

    int pageCount() const { return int(pages.size()); }
    ReportPage &page(int index) { return pages[index]; }
    const ReportPage &page(int index) const { return pages.at(index); }
    bool hasShapes() const;

    bool operator==(const ReportTemplate &) const = default;
};

// The paper a page prints on when its template fixes none: Letter in the United States and
// Canada, A4 elsewhere. Portrait, in millimetres.
QSizeF defaultPaperSize(const QLocale &locale);

// Names as the file and the designer show them.
QString bandTypeName(BandType type);
bool bandTypeFromName(const QString &name, BandType *type);
QString objectKindName(ObjectKind kind);

// The index of the band that holds an object's top edge, or -1: among the bands whose vertical
// span holds the top edge, the one that starts lowest.
int owningBand(const ReportPage &page, int objectIndex);

// A name not yet used on any page of the template, made of the prefix and a number.
QString uniqueObjectName(const ReportTemplate &templ, const QString &prefix);

} // namespace vinary::report
