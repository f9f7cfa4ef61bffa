#include "engine/report/reportmodel.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace vinary::report
{

QString ReportObject::text() const
{
    QString out;
    for (const QString &line : lines) {
        out += line;
        out += u"\r\n"_s;
    }
    return out;
}

void ReportObject::setText(const QString &text)
{
    lines.clear();
    QString current;
    bool open = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            lines.append(current);
            current.clear();
            open = false;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines.append(current);
}

void ReportObject::setTranslatedText(const QString &text)
{
    const QStringList file = savedLines();
    setText(text);
    if (lines == file)
        translation.reset();
    else
        translation = Translation{file, lines};
}

QStringList ReportObject::savedLines() const
{
    return translation && lines == translation->shownLines ? translation->fileLines : lines;
}

QRectF ReportPage::printableRect() const
{
    return QRectF(QPointF(0, 0), paperSize).marginsRemoved(margins);
}

bool ReportTemplate::hasShapes() const
{
    for (const ReportPage &page : pages) {
        for (const ReportObject &object : page.objects) {
            if (object.kind == ObjectKind::Shape)
                return true;
        }
    }
    return false;
}

namespace
{
struct BandName {
    BandType type;
    const char16_t *name;
};
constexpr BandName bandNames[] = {
    {BandType::ReportTitle, u"report-title"},   {BandType::PageHeader, u"page-header"},
    {BandType::MasterHeader, u"master-header"}, {BandType::MasterData, u"master-data"},
    {BandType::MasterFooter, u"master-footer"}, {BandType::GroupHeader, u"group-header"},
    {BandType::GroupFooter, u"group-footer"},   {BandType::ReportSummary, u"report-summary"},
    {BandType::PageFooter, u"page-footer"},
};
} // namespace

QSizeF defaultPaperSize(const QLocale &locale)
{
    const QLocale::Territory t = locale.territory();
    if (t == QLocale::UnitedStates || t == QLocale::Canada)
        return QSizeF(215.9, 279.4);
    return QSizeF(210.0, 297.0);
}

QString bandTypeName(BandType type)
{
    for (const BandName &b : bandNames) {
        if (b.type == type)
            return QString::fromUtf16(b.name);
    }
    return QString();
}

bool bandTypeFromName(const QString &name, BandType *type)
{
    for (const BandName &b : bandNames) {
        if (name.compare(QString::fromUtf16(b.name), Qt::CaseInsensitive) == 0) {
            *type = b.type;
            return true;
        }
    }
    return false;
}

QString objectKindName(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::Text:
        return u"text"_s;
    case ObjectKind::Band:
        return u"band"_s;
    case ObjectKind::Picture:
        return u"picture"_s;
    case ObjectKind::Line:
        return u"line"_s;
    case ObjectKind::Shape:
        return u"shape"_s;
    }
    return QString();
}

int owningBand(const ReportPage &page, int objectIndex)
{
    const double top = page.objects.at(objectIndex).rect.top();
    int best = -1;
    for (int i = 0; i < page.objectCount(); ++i) {
        const ReportObject &band = page.objects.at(i);
        if (band.kind != ObjectKind::Band || i == objectIndex)
            continue;
        if (top >= band.rect.top() && top < band.rect.bottom()) {
            if (best < 0 || band.rect.top() > page.objects.at(best).rect.top())
                best = i;
        }
    }
    return best;
}

QString uniqueObjectName(const ReportTemplate &templ, const QString &prefix)
{
    QSet<QString> used;
    for (const ReportPage &page : templ.pages) {
        for (const ReportObject &object : page.objects)
            used.insert(object.name.toLower());
    }
    for (int n = 1;; ++n) {
        const QString name = prefix + QString::number(n);
        if (!used.contains(name.toLower()))
            return name;
    }
}

} // namespace vinary::report
