#include "reports/templatetranslation.h"

#include "data/cellar.h"
#include "engine/report/report.h"

namespace vinary
{

void translateTemplate(report::Report &report, const Cellar &cellar)
{
    for (int p = 0; p < report.pageCount(); ++p) {
        for (int i = 0; i < report.objectCount(p); ++i) {
            // The designer shows the translation; saving from it writes the file's own text back
            // unless the user changed it there.
            const QString text = report.objectText(p, i);
            const QString translated = cellar.traduci(text);
            if (translated != text)
                report.object(p, i).setTranslatedText(translated);
        }
    }
}

void translateReportTitle(report::Report &report, const Cellar &cellar)
{
    report.setTitle(cellar.traduci(report.title()));
}

} // namespace vinary
