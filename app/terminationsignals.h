#pragma once

#include <QObject>

class QSocketNotifier;

namespace vinary
{

// Turns SIGTERM (a desktop logout) and SIGINT (Ctrl+C in a terminal) into a Qt signal delivered by
// the event loop, so that the program can end the way it ends when the user closes it. The
// signal handler only writes one byte into a pipe; everything else happens on the user-interface
// thread. Once a signal has come, no box or other modal window waits for an answer: the one open
// is rejected, and so is every one that opens afterwards, so that each nested event loop returns
// to the code that opened it and the program can end from wherever it was, start-up included.
// One object at a time; the previous handlers come back when it is destroyed.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    bool isInstalled() const { return m_notifier != nullptr; }
    // A signal has come already (perhaps before anyone was connected to terminationRequested).
    bool wasRequested() const { return m_requested; }

Q_SIGNALS:
    void terminationRequested(int signalNumber);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void readPipe();
    void dismissModalWindows();

    QSocketNotifier *m_notifier = nullptr;
    bool m_requested = false;
    int m_dismissals = 0;
};

} // namespace vinary
