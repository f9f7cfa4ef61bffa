#include "app/terminationsignals.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vinary
{

namespace
{

// A window that refuses to close (it asks again) is not retried for ever.
constexpr int kMaxDismissals = 50;

int g_pipe[2] = {-1, -1};
struct sigaction g_previousTerm;
struct sigaction g_previousInt;

extern "C" void onTerminationSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a pending request; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (g_pipe[0] < 0)
            g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

    struct sigaction action {
    };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &g_previousTerm);
    ::sigaction(SIGINT, &action, &g_previousInt);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    ::sigaction(SIGTERM, &g_previousTerm, nullptr);
    ::sigaction(SIGINT, &g_previousInt, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::readPipe()
{
    unsigned char bytes[16];
    for (;;) {
        const ssize_t n = ::read(g_pipe[0], bytes, sizeof bytes);
        if (n <= 0)
            break;
        if (!m_requested) {
            m_requested = true;
            if (qApp)
                qApp->installEventFilter(this);
            QTimer::singleShot(0, this, &TerminationSignals::dismissModalWindows);
        }
        for (ssize_t i = 0; i < n; ++i)
            Q_EMIT terminationRequested(int(bytes[i]));
    }
}

bool TerminationSignals::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        const auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow() && (widget->isModal() || widget->windowType() == Qt::Popup))
            QTimer::singleShot(0, this, &TerminationSignals::dismissModalWindows);
    }
    return QObject::eventFilter(watched, event);
}

void TerminationSignals::dismissModalWindows()
{
    QWidget *popup = QApplication::activePopupWidget();
    QWidget *modal = QApplication::activeModalWidget();
    if ((!popup && !modal) || m_dismissals >= kMaxDismissals)
        return;
    ++m_dismissals;
    if (popup)
        popup->close();
    if (modal) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    }
    // The next window down gets its turn once this one's loop has returned.
    QTimer::singleShot(0, this, &TerminationSignals::dismissModalWindows);
}

} // namespace vinary
