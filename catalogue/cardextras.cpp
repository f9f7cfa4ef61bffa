#include "catalogue/cardextras.h"

#include "catalogue/notesfiles.h"
#include "data/cardrules.h"
#include "data/cellar.h"
#include "engine/report/report.h"
#include "reports/templatetranslation.h"
#include "widgets/documentlauncher.h"

using namespace Qt::StringLiterals;

namespace vinary
{

void CardExtras::SpeedButton1Click()
{
    db::Table &schede = m_cellar.Schede;
    if (!schede.isEditing())
        return;
    const double purchase = schede.fieldByName(u"Prezzo_Acq"_s).asFloat();
    const double ricarico = schede.fieldByName(u"Ricarico"_s).asFloat();
    schede.fieldByName(u"Prezzo_Ven"_s).setAsFloat(CardRules::markup(purchase, ricarico));
}

void CardExtras::BitBtn1Click()
{
    if (!m_report)
        return;
    m_report->loadFromFile(u"scheda.frf"_s);
    translateReportTitle(*m_report, m_cellar);
    translateTemplate(*m_report, m_cellar);
    // No filter mode and no filter switch: the card on show is the current row the template prints.
    m_report->showReport();
}

void CardExtras::BitBtn2Click()
{
    openNotes(m_cellar.Schede.fieldByName(u"Produttore"_s).asString());
}

void CardExtras::BitBtn3Click()
{
    openNotes(m_cellar.Schede.fieldByName(u"Fornitore"_s).asString());
}

QString CardExtras::openNotes(const QString &name)
{
    const QString path = notesfiles::notesFilePath(name);
    if (path.isEmpty())
        return path;
    notesfiles::ensureNotesFile(path, name);
    // Whether an editor started is not examined: a desktop without one simply shows nothing.
    documentLauncher().open(path);
    return path;
}

} // namespace vinary
