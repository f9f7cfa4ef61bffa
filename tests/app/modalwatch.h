#pragma once

// Driving the program's modal windows from a test: open one through its menu command, act on it
// from inside its own event loop, close it.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace vinary::testing
{

// Calls inside() with the first visible modal window other than `exclude`, from whatever event loop
// is running then; gives up after five seconds. Returns the watch, which stops once it is done.
inline QPointer<QTimer> watchModal(QWidget *exclude, std::function<void(QWidget *)> inside,
                                   std::shared_ptr<bool> found)
{
    auto *timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != exclude && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            *found = true;
            if (!QTest::qWaitForWindowExposed(modal))
                qWarning("%s was never exposed", qPrintable(modal->objectName()));
            inside(modal);
        } else if (++*ticks > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return timer;
}

// Runs open(), which shows a modal window; inside() gets that window and must close it. False when
// no modal window came.
inline bool withModal(const std::function<void()> &open, const std::function<void(QWidget *)> &inside)
{
    auto found = std::make_shared<bool>(false);
    QPointer<QTimer> watch = watchModal(QApplication::activeModalWidget(), inside, found);
    open();
    if (watch)
        watch->deleteLater();
    return *found;
}

inline void closeModal(QWidget *window)
{
    if (auto *dialog = qobject_cast<QDialog *>(window))
        dialog->reject();
    else
        window->close();
}

} // namespace vinary::testing
