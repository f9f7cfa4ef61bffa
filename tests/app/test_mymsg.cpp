#include "app/mymsg.h"
#include "widgets/applicationtitle.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;
using vinary::Mymsg;
using vinary::MymsgDialog;

namespace {

// Runs the action on the message box as soon as it is up. A box that the action left open is
// closed after a few seconds, so that a broken test fails instead of hanging.
class BoxDriver : public QObject
{
public:
    explicit BoxDriver(std::function<void(MymsgDialog *)> action) : m_action(std::move(action))
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<MymsgDialog *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_poll.stop();
            m_box = box;
            m_ran = true;
            m_action(box);
        });
        m_poll.start(0);
        QTimer::singleShot(10000, this, [this] {
            if (m_box)
                m_box->done(QDialog::Rejected);
        });
    }
    bool ran() const { return m_ran; }

private:
    std::function<void(MymsgDialog *)> m_action;
    QTimer m_poll;
    QPointer<MymsgDialog> m_box;
    bool m_ran = false;
};

QPushButton *button(QWidget *box, const QString &name)
{
    return box->findChild<QPushButton *>(name);
}

void saveGrab(QWidget *box, const QString &name)
{
    const QString dir = qEnvironmentVariable("VINARY_GRAB_DIR");
    if (!dir.isEmpty())
        box->grab().save(QDir(dir).filePath(name));
}

} // namespace

class TestMymsg : public QObject
{
    Q_OBJECT

private slots:
    void init() { vinary::setApplicationTitle(u"Vinary"_s); }

    void noticeShowsOneButtonAndReturnsWhenPressed();
    void questionAnswersTrueOnlyForSi_data();
    void questionAnswersTrueOnlyForSi();
    void escapeAnswersNeither();
    void enterPressesTheDefaultSi();
    void captionIsTheTitleOfTheMoment();
    void boxIsSizedAndCentredAsDrawn_data();
    void boxIsSizedAndCentredAsDrawn();
    void longTextWrapsInsideTheScreen();
    void boxStandsOverTheActiveModalWindow();
};

void TestMymsg::noticeShowsOneButtonAndReturnsWhenPressed()
{
    Mymsg msg;
    QStringList buttons;
    QString text;
    bool iconShown = false;
    BoxDriver driver([&](MymsgDialog *box) {
        for (const QPushButton *b : box->findChildren<QPushButton *>())
            buttons << b->text();
        text = box->findChild<QLabel *>(u"lblText"_s)->text();
        iconShown = !box->findChild<QLabel *>(u"lblIcon"_s)->pixmap().isNull();
        saveGrab(box, u"mymsg-notice.png"_s);
        QTest::mouseClick(button(box, u"btnSi"_s), Qt::LeftButton);
    });
    msg.notice(u"   Not enough bottles in stock for this unload.   "_s);
    QVERIFY(driver.ran());
    QCOMPARE(buttons, QStringList{u"&Sì"_s});
    QCOMPARE(text, u"   Not enough bottles in stock for this unload.   "_s);
    QVERIFY(iconShown);
}

void TestMymsg::questionAnswersTrueOnlyForSi_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Sì pressed") << u"si"_s << true;
    QTest::newRow("No pressed") << u"no"_s << false;
    QTest::newRow("closed by its close control") << u"close"_s << false;
}

void TestMymsg::questionAnswersTrueOnlyForSi()
{
    QFETCH(QString, action);
    QFETCH(bool, answer);
    Mymsg msg;
    QStringList buttons;
    BoxDriver driver([&](MymsgDialog *box) {
        for (const QPushButton *b : box->findChildren<QPushButton *>())
            buttons << b->text();
        if (action == u"si"_s) {
            saveGrab(box, u"mymsg-question.png"_s);
            QTest::mouseClick(button(box, u"btnSi"_s), Qt::LeftButton);
        } else if (action == u"no"_s) {
            QTest::mouseClick(button(box, u"btnNo"_s), Qt::LeftButton);
        } else {
            box->close();
        }
    });
    QCOMPARE(msg.question(u"   Do you really want to delete?   "_s), answer);
    QVERIFY(driver.ran());
    QCOMPARE(buttons, (QStringList{u"&Sì"_s, u"&No"_s}));
}

void TestMymsg::escapeAnswersNeither()
{
    Mymsg msg;
    bool openAfterEscape = false;
    BoxDriver driver([&](MymsgDialog *box) {
        QTest::keyClick(box, Qt::Key_Escape);
        QTest::keyClick(button(box, u"btnSi"_s), Qt::Key_Escape);
        openAfterEscape = box->isVisible();
        // Still waiting: the answer given next is the one that counts.
        QTest::mouseClick(button(box, u"btnSi"_s), Qt::LeftButton);
    });
    QVERIFY(msg.question(u"Delete?"_s));
    QVERIFY(openAfterEscape);

    bool noticeOpenAfterEscape = false;
    BoxDriver noticeDriver([&](MymsgDialog *box) {
        QTest::keyClick(box, Qt::Key_Escape);
        noticeOpenAfterEscape = box->isVisible();
        box->close();
    });
    msg.notice(u"Notice"_s);
    QVERIFY(noticeOpenAfterEscape);
}

void TestMymsg::enterPressesTheDefaultSi()
{
    Mymsg msg;
    bool siIsDefault = false;
    bool siHasFocus = false;
    BoxDriver driver([&](MymsgDialog *box) {
        QPushButton *si = button(box, u"btnSi"_s);
        siIsDefault = si->isDefault() && !button(box, u"btnNo"_s)->isDefault();
        siHasFocus = box->focusWidget() == si;
        QTest::keyClick(box->focusWidget(), Qt::Key_Return);
    });
    QVERIFY(msg.question(u"Delete?"_s));
    QVERIFY(siIsDefault);
    QVERIFY(siHasFocus);
}

void TestMymsg::captionIsTheTitleOfTheMoment()
{
    Mymsg msg;
    QStringList captions;
    const auto record = [&](MymsgDialog *box) {
        captions << box->windowTitle();
        box->close();
    };
    {
        BoxDriver driver(record);
        msg.notice(u"one"_s);
    }
    vinary::setApplicationTitle(u"Vinario"_s);
    {
        BoxDriver driver(record);
        msg.question(u"two"_s);
    }
    QCOMPARE(captions, (QStringList{u"Vinary"_s, u"Vinario"_s}));
}

void TestMymsg::boxIsSizedAndCentredAsDrawn_data()
{
    QTest::addColumn<bool>("question");
    QTest::addColumn<QString>("text");
    QTest::newRow("short notice") << false << u"Ok"_s;
    QTest::newRow("short question") << true << u"?"_s;
    QTest::newRow("padded question") << true << u"   Do you really want to delete?   "_s;
    QTest::newRow("long notice") << false << QString(20, u'W') + u" in stock"_s;
}

void TestMymsg::boxIsSizedAndCentredAsDrawn()
{
    QFETCH(bool, question);
    QFETCH(QString, text);
    MymsgDialog box(question ? MymsgDialog::Kind::Question : MymsgDialog::Kind::Notice, text);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    const int buttons = question ? 2 : 1;
    QCOMPARE(box.height(), MymsgDialog::kBoxHeight);
    QVERIFY(box.width() >= MymsgDialog::kMinWidthPerButton * buttons + 10);

    // The whole text fits, and the box is no wider than text, icon and margins need.
    const QLabel *label = box.findChild<QLabel *>(u"lblText"_s);
    const int textWidth = label->fontMetrics().horizontalAdvance(text);
    QVERIFY2(label->width() >= textWidth, qPrintable(u"%1 < %2"_s.arg(label->width()).arg(textWidth)));
    QVERIFY(label->geometry().right() < box.width());
    const QLabel *icon = box.findChild<QLabel *>(u"lblIcon"_s);
    QVERIFY(icon->geometry().left() >= 0);
    QVERIFY(!icon->geometry().intersects(label->geometry()));
    if (box.width() > MymsgDialog::kMinWidthPerButton * buttons + 10)
        QVERIFY(box.width() <= icon->width() + label->width() + 30);

    // Buttons 75 wide, 5 apart, the group centred in a strip along the bottom.
    const QPushButton *si = button(&box, u"btnSi"_s);
    QCOMPARE(si->width(), MymsgDialog::kButtonWidth);
    int groupRight = si->geometry().right();
    if (question) {
        const QPushButton *no = button(&box, u"btnNo"_s);
        QCOMPARE(no->width(), MymsgDialog::kButtonWidth);
        QCOMPARE(no->x() - (si->x() + si->width()), MymsgDialog::kButtonGap);
        QCOMPARE(no->y(), si->y());
        groupRight = no->geometry().right();
    } else {
        QVERIFY(!button(&box, u"btnNo"_s));
    }
    QVERIFY(qAbs(si->x() - (box.width() - 1 - groupRight)) <= 1);
    QVERIFY(si->geometry().bottom() < box.height());
    QVERIFY(si->y() > label->geometry().bottom());

    const QRect screen = box.screen()->availableGeometry();
    const QRect outer = box.frameGeometry();
    QVERIFY2(
        qAbs(outer.center().x() - screen.center().x()) <= 1 &&
            qAbs(outer.center().y() - screen.center().y()) <= 1,
        qPrintable(
            u"box at %1,%2 %3x%4"_s.arg(outer.x()).arg(outer.y()).arg(outer.width()).arg(outer.height())));
}

void TestMymsg::longTextWrapsInsideTheScreen()
{
    QStringList words;
    for (int i = 0; i < 60; ++i)
        words << u"bottles"_s;
    const QString text = words.join(u' ');
    MymsgDialog box(MymsgDialog::Kind::Notice, text);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    saveGrab(&box, u"mymsg-long.png"_s);

    const QRect screen = box.screen()->availableGeometry();
    QVERIFY(box.frameGeometry().width() <= screen.width());
    QVERIFY(box.height() > MymsgDialog::kBoxHeight);
    const QLabel *label = box.findChild<QLabel *>(u"lblText"_s);
    QVERIFY(label->heightForWidth(label->width()) <= label->height());
    QVERIFY(button(&box, u"btnSi"_s)->y() > label->geometry().bottom());
}

void TestMymsg::boxStandsOverTheActiveModalWindow()
{
    QWidget owner;
    Mymsg msg(&owner);
    QDialog window(&owner);
    QWidget *parentOfBox = nullptr;
    BoxDriver driver([&](MymsgDialog *box) {
        parentOfBox = box->parentWidget();
        box->close();
    });
    QTimer::singleShot(0, &window, [&] {
        msg.notice(u"From a modal window"_s);
        window.accept();
    });
    window.exec();
    QCOMPARE(parentOfBox, &window);
}

QTEST_MAIN(TestMymsg)
#include "test_mymsg.moc"
