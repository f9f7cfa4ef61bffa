#include "app/mainform.h"
#include "app/pictures.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/terminationsignals.h"
#include "engine/jet/jetformat.h"
#include "widgets/guard.h"

#include <QTimer>

using namespace vinary;

// A running instance still starting (a large database being compacted) answers once it is ready.
constexpr int kActivationTimeoutMs = 20000;

int main(int argc, char *argv[])
{
    GuardedApplication app(argc, argv);
    QApplication::setWindowIcon(pictures::programIcon());
    // The menu entry vinary.desktop: the desktop shows its name and themed icon for the windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("vinary"));

    // Before any window: a second start only sends the running one to the front.
    SingleInstance instance;
    if (!instance.claim())
        return instance.activateRunning(kActivationTimeoutMs) ? 0 : 1;

    TerminationSignals termination;
    // A cellar kept in the Jet format is migrated by the start-up compaction.
    jet::registerJetFormat();
    Forms &windows = createForms();
    TMainForm *mainForm = windows.MainForm;
    QObject::connect(&instance, &SingleInstance::activationRequested, mainForm, &TMainForm::bringToFront);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, mainForm,
                     &TMainForm::closeOnSignal);

    mainForm->showAtPlacement();
    instance.setReady();
    // A logout while the windows were being made: end as soon as the loop runs.
    if (termination.wasRequested())
        QTimer::singleShot(0, mainForm, &TMainForm::closeOnSignal);
    const int result = QApplication::exec();
    releaseForms();
    return result;
}
