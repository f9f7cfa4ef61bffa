#include "engine/report/texts.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{
Translator &translator()
{
    static Translator installed;
    return installed;
}
} // namespace

void setTranslator(Translator t)
{
    translator() = std::move(t);
}

QString engineText(const QString &key, const QString &english)
{
    if (const Translator &t = translator()) {
        QString text = t(key);
        if (!text.isEmpty())
            return text;
    }
    return english;
}

QString bandTypeLabel(BandType type)
{
    switch (type) {
    case BandType::ReportTitle:
        return engineText(u"[MOT_BANDA_TITOLO]"_s, u"Report title"_s);
    case BandType::PageHeader:
        return engineText(u"[MOT_BANDA_TESTA_PAGINA]"_s, u"Page header"_s);
    case BandType::MasterHeader:
        return engineText(u"[MOT_BANDA_TESTA_DATI]"_s, u"Master header"_s);
    case BandType::MasterData:
        return engineText(u"[MOT_BANDA_DATI]"_s, u"Master data"_s);
    case BandType::MasterFooter:
        return engineText(u"[MOT_BANDA_PIEDE_DATI]"_s, u"Master footer"_s);
    case BandType::GroupHeader:
        return engineText(u"[MOT_BANDA_TESTA_GRUPPO]"_s, u"Group header"_s);
    case BandType::GroupFooter:
        return engineText(u"[MOT_BANDA_PIEDE_GRUPPO]"_s, u"Group footer"_s);
    case BandType::ReportSummary:
        return engineText(u"[MOT_BANDA_RIEPILOGO]"_s, u"Report summary"_s);
    case BandType::PageFooter:
        return engineText(u"[MOT_BANDA_PIEDE_PAGINA]"_s, u"Page footer"_s);
    }
    return QString();
}

QString objectKindLabel(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::Text:
        return engineText(u"[MOT_OGGETTO_TESTO]"_s, u"Text"_s);
    case ObjectKind::Band:
        return engineText(u"[MOT_OGGETTO_BANDA]"_s, u"Band"_s);
    case ObjectKind::Picture:
        return engineText(u"[MOT_OGGETTO_IMMAGINE]"_s, u"Picture"_s);
    case ObjectKind::Line:
        return engineText(u"[MOT_OGGETTO_LINEA]"_s, u"Line"_s);
    case ObjectKind::Shape:
        return engineText(u"[MOT_OGGETTO_FORMA]"_s, u"Shape"_s);
    }
    return QString();
}

QString objectNamePrefix(ObjectKind kind)
{
    // A name is an identifier in the template: letters and digits only.
    QString prefix =
        kind == ObjectKind::Text ? engineText(u"[MOT_NOME_TESTO]"_s, u"Memo"_s) : objectKindLabel(kind);
    prefix.removeIf([](QChar c) { return !c.isLetterOrNumber(); });
    return prefix.isEmpty() ? u"Object"_s : prefix;
}

} // namespace vinary::report
