#include "engine/common/errors.h"
#include "tests/support/recordingerrorbox.h"
#include "widgets/applicationtitle.h"
#include "widgets/guard.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace Qt::StringLiterals;
using vinary::guarded;
using vinary::RecordingErrorBox;

namespace {

// An object whose user event handler fails, as an unguarded event handler of a window could.
class FailingObject : public QObject
{
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            throw vinary::VinaryError(u"Failed in an event"_s);
        return QObject::event(e);
    }
};

} // namespace

class TestGuard : public QObject
{
    Q_OBJECT

private slots:
    void init() { vinary::setApplicationTitle(u"Vinary"_s); }

    void finishedCommandShowsNothing();
    void errorShowsItsOwnMessage_data();
    void errorShowsItsOwnMessage();
    void silentAbortShowsNothing();
    void whatWasDoneBeforeTheErrorStays();
    void captionIsTheTitleAtTheMomentOfTheError();
    void failingErrorBoxDoesNotEscape();
    void guardedConnectRunsEveryClickThroughTheGuard();
    void guardedConnectPassesSignalArguments();
    void guardedConnectParentsTheBoxOnTheContextWidget();
    void unguardedEventIsCaughtByTheApplication();
    void platformBoxIsACriticalBoxWithTitleAndMessage();
};

void TestGuard::finishedCommandShowsNothing()
{
    RecordingErrorBox errors;
    int runs = 0;
    QVERIFY(guarded(nullptr, [&] { ++runs; }));
    QCOMPARE(runs, 1);
    QVERIFY(errors.shown().isEmpty());
}

void TestGuard::errorShowsItsOwnMessage_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("program error") << 0 << u"Cannot open file language.ini"_s;
    QTest::newRow("standard exception with UTF-8 text") << 1 << u"Quantità non valida"_s;
    QTest::newRow("exception of no known type") << 2 << vinary::unknownErrorMessage();
}

void TestGuard::errorShowsItsOwnMessage()
{
    QFETCH(int, kind);
    QFETCH(QString, message);
    RecordingErrorBox errors;
    QWidget window;
    const bool finished = guarded(&window, [&] {
        if (kind == 0)
            throw vinary::VinaryError(message);
        if (kind == 1)
            throw std::runtime_error(message.toStdString());
        throw 42;
    });
    QVERIFY(!finished);
    QCOMPARE(errors.messages(), QStringList{message});
    QCOMPARE(errors.shown().first().title, u"Vinary"_s);
    QCOMPARE(errors.shown().first().parent.data(), &window);
}

void TestGuard::silentAbortShowsNothing()
{
    RecordingErrorBox errors;
    QVERIFY(!guarded(nullptr, [] { throw vinary::SilentAbort(); }));
    QVERIFY(errors.shown().isEmpty());
}

void TestGuard::whatWasDoneBeforeTheErrorStays()
{
    RecordingErrorBox errors;
    QStringList steps;
    guarded(nullptr, [&] {
        steps << u"posted"_s;
        throw vinary::VinaryError(u"Table error"_s);
        steps << u"never"_s;
    });
    steps << u"program goes on"_s;
    QCOMPARE(steps, (QStringList{u"posted"_s, u"program goes on"_s}));
    QCOMPARE(errors.messages(), QStringList{u"Table error"_s});
}

void TestGuard::captionIsTheTitleAtTheMomentOfTheError()
{
    RecordingErrorBox errors;
    vinary::setApplicationTitle(u"[TITOLO]"_s);
    guarded(nullptr, [] { throw vinary::VinaryError(u"one"_s); });
    vinary::setApplicationTitle(u"Vinario"_s);
    guarded(nullptr, [] { throw vinary::VinaryError(u"two"_s); });
    QCOMPARE(errors.shown().at(0).title, u"[TITOLO]"_s);
    QCOMPARE(errors.shown().at(1).title, u"Vinario"_s);
}

void TestGuard::failingErrorBoxDoesNotEscape()
{
    struct ThrowingBox : vinary::ErrorBox
    {
        void showError(QWidget *, const QString &, const QString &) override { throw std::bad_alloc(); }
    } box;
    vinary::ErrorBox *previous = vinary::setErrorBox(&box);
    const bool finished = guarded(nullptr, [] { throw vinary::VinaryError(u"x"_s); });
    vinary::setErrorBox(previous);
    QVERIFY(!finished);
}

void TestGuard::guardedConnectRunsEveryClickThroughTheGuard()
{
    RecordingErrorBox errors;
    QWidget window;
    auto *button = new QPushButton(&window);
    int clicks = 0;
    vinary::guardedConnect(button, &QPushButton::clicked, &window, [&] {
        ++clicks;
        if (clicks == 1)
            throw vinary::VinaryError(u"First click fails"_s);
        if (clicks == 2)
            throw vinary::SilentAbort();
    });
    button->click();
    button->click();
    button->click();
    QCOMPARE(clicks, 3);
    QCOMPARE(errors.messages(), QStringList{u"First click fails"_s});
}

void TestGuard::guardedConnectPassesSignalArguments()
{
    RecordingErrorBox errors;
    QLineEdit edit;
    QStringList texts;
    int bare = 0;
    vinary::guardedConnect(&edit, &QLineEdit::textChanged, &edit, [&](const QString &text) {
        texts << text;
        if (text == u"bad"_s)
            throw vinary::VinaryError(u"Bad text"_s);
    });
    vinary::guardedConnect(&edit, &QLineEdit::textChanged, &edit, [&] { ++bare; });
    edit.setText(u"bad"_s);
    edit.setText(u"good"_s);
    QCOMPARE(texts, (QStringList{u"bad"_s, u"good"_s}));
    QCOMPARE(bare, 2);
    QCOMPARE(errors.messages(), QStringList{u"Bad text"_s});
}

void TestGuard::guardedConnectParentsTheBoxOnTheContextWidget()
{
    RecordingErrorBox errors;
    QWidget window;
    auto *helper = new QObject(&window); // a non-widget context owned by the window
    QTimer timer;
    vinary::guardedConnect(&timer, &QTimer::timeout, helper, [] { throw vinary::VinaryError(u"Late"_s); });
    QMetaObject::invokeMethod(&timer, "timeout", Qt::DirectConnection);
    QCOMPARE(errors.shown().size(), 1);
    QCOMPARE(errors.shown().first().parent.data(), &window);
}

void TestGuard::unguardedEventIsCaughtByTheApplication()
{
    RecordingErrorBox errors;
    FailingObject object;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&object, &event);
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QCOMPARE(errors.messages(), (QStringList{u"Failed in an event"_s, u"Failed in an event"_s}));
}

void TestGuard::platformBoxIsACriticalBoxWithTitleAndMessage()
{
    QCOMPARE(vinary::setErrorBox(nullptr), nullptr);
    QWidget window;
    window.show();
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget *parent = nullptr;
    bool seen = false;
    // Polls until the box is up, then answers it; a stuck box is closed after a few seconds.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        seen = true;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        parent = box->parentWidget();
        box->buttons().first()->click();
    });
    poll.start(0);
    QTimer::singleShot(10000, &window, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    const bool finished = guarded(&window, [] { throw vinary::VinaryError(u"Cannot create file x.ini"_s); });
    QVERIFY(seen);
    QVERIFY(!finished);
    QCOMPARE(title, u"Vinary"_s);
    QCOMPARE(text, u"Cannot create file x.ini"_s);
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(parent, &window);
}

int main(int argc, char **argv)
{
    vinary::GuardedApplication app(argc, argv);
    TestGuard test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_guard.moc"
