#include "widgets/guard.h"

#include "engine/common/errors.h"
#include "widgets/applicationtitle.h"

#include <QMessageBox>
#include <QWidget>

#include <exception>
#include <optional>

using namespace Qt::StringLiterals;

namespace vinary {

namespace {

ErrorBox *g_installed = nullptr;

} // namespace

void QtErrorBox::showError(QWidget *parent, const QString &title, const QString &message)
{
    QMessageBox::critical(parent, title, message);
}

ErrorBox &errorBox()
{
    static QtErrorBox platformBox;
    return g_installed ? *g_installed : platformBox;
}

ErrorBox *setErrorBox(ErrorBox *box)
{
    return std::exchange(g_installed, box);
}

QString unknownErrorMessage()
{
    return u"Unknown error"_s;
}

bool guarded(QWidget *parent, const std::function<void()> &command) noexcept
{
    // The message is shown after the handler has left the catch block, so that the box's own event
    // loop never runs while an exception is in flight.
    std::optional<QString> message;
    try {
        command();
        return true;
    } catch (const SilentAbort &) {
        return false;
    } catch (const std::exception &e) {
        try {
            message = QString::fromUtf8(e.what());
        } catch (...) {
            message = QString();
        }
    } catch (...) {
        message = unknownErrorMessage();
    }
    try {
        errorBox().showError(parent, applicationTitle(), *message);
    } catch (...) {
        // Nothing more can be told to the user; the program goes on.
    }
    return false;
}

QWidget *widgetOf(const QObject *object)
{
    for (const QObject *o = object; o; o = o->parent()) {
        if (o->isWidgetType())
            return const_cast<QWidget *>(static_cast<const QWidget *>(o));
    }
    return nullptr;
}

GuardedApplication::GuardedApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    QWidget *widget = widgetOf(receiver);
    guarded(widget ? widget->window() : nullptr, [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace vinary
