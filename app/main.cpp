#include "app/mainform.h"
#include "app/pictures.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/terminationsignals.h"
#include "widgets/guard.h"

using namespace vinary;

int main(int argc, char *argv[])
{
    GuardedApplication app(argc, argv);
    QApplication::setWindowIcon(pictures::programIcon());

    // Before any window: a second start only sends the running one to the front.
    SingleInstance instance;
    if (!instance.claim())
        return instance.activateRunning() ? 0 : 1;

    TerminationSignals termination;
    Forms &windows = createForms();
    TMainForm *mainForm = windows.MainForm;
    QObject::connect(&instance, &SingleInstance::activationRequested, mainForm, &TMainForm::bringToFront);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, mainForm, &TMainForm::closeOnSignal);

    mainForm->showAtPlacement();
    const int result = QApplication::exec();
    releaseForms();
    return result;
}
