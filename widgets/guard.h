#pragma once

#include <QApplication>
#include <QObject>
#include <QString>

#include <concepts>
#include <functional>
#include <utility>

class QWidget;

namespace vinary {

// The box that shows an error's message to the user: the platform's critical message box, or a
// stand-in installed by a test.
class ErrorBox
{
public:
    virtual ~ErrorBox() = default;
    virtual void showError(QWidget *parent, const QString &title, const QString &message) = 0;
};

class QtErrorBox : public ErrorBox
{
public:
    void showError(QWidget *parent, const QString &title, const QString &message) override;
};

// The error box in force: the platform's one unless another has been installed.
ErrorBox &errorBox();
// Installs a box (nullptr restores the platform's one) and returns the box installed before, or
// nullptr when that was the platform's one. The caller keeps ownership.
ErrorBox *setErrorBox(ErrorBox *box);

// The text shown for an exception that is no std::exception.
QString unknownErrorMessage();

// Runs one user command. A SilentAbort ends it without a word; any other exception ends it with its
// own message in the error box, captioned with the application title. Nothing escapes: the program
// goes on with whatever the command had done. Returns true when the command ran to its end.
bool guarded(QWidget *parent, const std::function<void()> &command) noexcept;

// The widget an object belongs to (itself or its nearest widget ancestor), for parenting boxes.
QWidget *widgetOf(const QObject *object);

namespace detail {

// A slot that runs its functor through the guard. Its call operator only accepts argument lists
// the functor takes, so that connect() passes the functor as many signal arguments as it wants.
template <typename Functor> class GuardedSlot
{
public:
    GuardedSlot(const QObject *context, Functor functor) : m_context(context), m_functor(std::move(functor))
    {
    }

    template <typename... Args>
    requires std::invocable<Functor &, Args...>
    void operator()(Args &&...args)
    {
        guarded(widgetOf(m_context), [&] { std::invoke(m_functor, std::forward<Args>(args)...); });
    }

private:
    const QObject *m_context;
    Functor m_functor;
};

} // namespace detail

// connect() for a window's handlers: the slot runs through guarded(), with the context's widget as
// the parent of the error box, e.g. guardedConnect(button, &QPushButton::clicked, this, [this] { ... }).
template <typename Sender, typename Signal, typename Functor>
QMetaObject::Connection guardedConnect(const Sender *sender, Signal signal, const QObject *context,
                                       Functor &&slot, Qt::ConnectionType type = Qt::AutoConnection)
{
    return QObject::connect(sender, signal, context,
                            detail::GuardedSlot<std::decay_t<Functor>>(context, std::forward<Functor>(slot)),
                            type);
}

// The last net under every event handler: an exception thrown from an event that no handler guarded
// is shown like any other error instead of ending the program.
class GuardedApplication : public QApplication
{
    Q_OBJECT

public:
    GuardedApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace vinary
