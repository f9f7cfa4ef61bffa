#include "app/startup.h"

#include "app/infofrm.h"
#include "app/mainform.h"
#include "app/placement.h"
#include "app/splash.h"
#include "catalogue/vinaryfrm.h"
#include "engine/common/errors.h"
#include "language/languagetable.h"
#include "language/qtcatalogue.h"
#include "reports/select.h"
#include "stock/manutefrm.h"
#include "stock/movimentifrm.h"
#include "widgets/applicationtitle.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace vinary
{

void setProgramIdentity()
{
    QCoreApplication::setOrganizationName(u"Vinary"_s);
    // The maker's own web address (the help menu's site), so the domain names nobody else.
    QCoreApplication::setOrganizationDomain(u"vinary.example.org"_s);
    QCoreApplication::setApplicationName(u"vinary"_s);
}

Forms &forms()
{
    static Forms instance;
    return instance;
}

namespace
{

// The language file the main window is about to load; an unreadable one is reported by the main
// window, so here it only leaves the system's language.
LanguageTable startLanguage()
{
    LanguageTable table;
    try {
        table.load(LanguageTable::iniFileName());
    } catch (const VinaryError &) {
    }
    return table;
}

} // namespace

Forms &createForms()
{
    Forms &f = forms();
    installQtCatalogue(qtCatalogueLanguage(startLanguage()));
    f.SplashForm = new TSplashForm;
    setApplicationTitle(u"[TITOLO]"_s);

    f.MainForm = new TMainForm(f.SplashForm);
    Cellar &cellar = f.MainForm->cellar();
    f.SelezioneForm = new TSelezioneForm(cellar, f.MainForm);
    f.frmVinary = new TfrmVinary(cellar, f.MainForm);
    f.frmVinary->setReport(&f.MainForm->frReport1());
    attachPlacement(*f.frmVinary, WindowPlacement());
    f.ManutenzioneForm = new TManutenzioneForm(cellar, f.MainForm);
    f.frmInfo = new TfrmInfo(cellar, f.MainForm);
    f.frmInOut = new TfrmInOut(cellar, f.MainForm);
    attachPlacement(*f.frmInOut, WindowPlacement());
    f.MainForm->attachForms(f);

    f.SplashForm->hideSplash();
    delete f.SplashForm;
    f.SplashForm = nullptr;
    return f;
}

void releaseForms()
{
    Forms &f = forms();
    delete f.frmInOut;
    delete f.frmInfo;
    delete f.ManutenzioneForm;
    delete f.frmVinary;
    delete f.SelezioneForm;
    delete f.MainForm;
    delete f.SplashForm;
    f = Forms();
}

} // namespace vinary
