#include "app/mainform.h"
#include "app/pictures.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/terminationsignals.h"
#include "engine/jet/jetformat.h"
#include "widgets/guard.h"

#include <QTimer>

using namespace vinary;

// A running instance that is nearly ready comes to the front without a word; one still starting
// (a large database being compacted) is named in a notice instead of a long silent wait.
constexpr int kActivationTimeoutMs = 3000;

int main(int argc, char *argv[])
{
    GuardedApplication app(argc, argv);
    setProgramIdentity();
    QApplication::setWindowIcon(pictures::programIcon());
    // The menu entry vinary.desktop: the desktop shows its name and themed icon for the windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("vinary"));

    // Before any window: a second start only sends the running one to the front.
    SingleInstance instance;
    if (!instance.claim()) {
        const SingleInstance::Answer answer = instance.activateRunning(kActivationTimeoutMs);
        showSecondStartNotice(answer);
        return answer == SingleInstance::Answer::None ? 1 : 0;
    }

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
