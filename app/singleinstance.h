#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;
class QLocalSocket;
class QWidget;

namespace vinary
{

// One running program per user. The first process listens on a local socket named after the
// executable and the user, reachable by that user only; a later start finds it there, asks it to
// come to the front and ends without touching anything else.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // name: a bare socket name (placed in the system's temporary directory) or a full path.
    explicit SingleInstance(const QString &name = defaultName(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the running one. A socket left behind by a run that ended
    // abnormally answers nobody and is taken over.
    bool claim();
    bool isRunningInstance() const { return m_server != nullptr; }

    // Requests that came while the program was still starting are answered from here on; until
    // then they wait, since there is no window yet to bring forward.
    void setReady();
    bool isReady() const { return m_ready; }
    int waitingRequests() const { return int(m_waiting.size()); }

    // What the running instance answered when asked to come to the front.
    enum class Answer {
        Activated, // it came to the front
        Starting,  // it is still starting and comes up by itself when ready
        None,      // nothing that answers as this program does
    };
    // Asks the running instance to come to the front, waiting at most timeoutMs for it.
    Answer activateRunning(int timeoutMs = 3000) const;

    const QString &name() const { return m_name; }

    // The executable's file name and the user, in the user's runtime directory when there is one,
    // otherwise in a folder that only the user may enter (see privateDirectory); empty when there
    // is no such folder, and then the guard lets every start run.
    static QString defaultName();
    // The folder at path, made with mode 0700 when missing. An existing one is used only when it
    // is a real folder (not a link) of this user that nobody else may enter; empty otherwise.
    static QString privateDirectory(const QString &path);

Q_SIGNALS:
    // A later start asked this one to come to the front.
    void activationRequested();

private:
    bool listen();
    bool isStarting() const;
    QString besideSocket(const QString &suffix) const;
    void serve(QLocalSocket *socket);
    void answer(QLocalSocket *socket);

    QString m_name;
    QLocalServer *m_server = nullptr;
    bool m_ready = false;
    QList<QPointer<QLocalSocket>> m_waiting;
    std::unique_ptr<QLockFile> m_starting;
};

// Tells the user of a later start why nothing came to the front: the running instance is still
// starting, or it does not answer. Nothing is shown when it came to the front.
void showSecondStartNotice(SingleInstance::Answer answer);

// Brings a main window to the front: restored when minimised, raised and activated, together with
// the modal window open over it, if any.
void bringToFront(QWidget *window);

} // namespace vinary
