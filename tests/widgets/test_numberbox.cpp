#include "widgets/numberbox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace vinary;

// The number box of the movements window: two decimals, display formats, either separator.
class TestNumberBox : public QObject
{
    Q_OBJECT

    QWidget *m_window = nullptr;
    NumberBox *m_box = nullptr;
    QLineEdit *m_other = nullptr;

    void focusBox()
    {
        m_box->setFocus();
        QTRY_VERIFY(m_box->hasFocus());
    }

    void leaveBox()
    {
        m_other->setFocus();
        QTRY_VERIFY(!m_box->hasFocus());
    }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_window = new QWidget;
        m_box = new NumberBox(m_window);
        m_other = new QLineEdit(m_window);
        m_other->move(0, 40);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }

    void cleanup()
    {
        delete m_window;
        QLocale::setDefault(QLocale::c());
    }

    void displayFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("price 0 shows empty") << u"0.00;;#"_qs << 0.0 << QString();
        QTest::newRow("price 12.5 with two decimals") << u"0.00;;#"_qs << 12.5 << u"12.50"_qs;
        QTest::newRow("negative price") << u"0.00;;#"_qs << -3.2 << u"-3.20"_qs;
        QTest::newRow("quantity 2.6 as a whole number") << u"0;;#"_qs << 2.6 << u"3"_qs;
        QTest::newRow("quantity 0 shows empty") << u"0;;#"_qs << 0.0 << QString();
        QTest::newRow("markup 1.5 rounds up") << u"#"_qs << 1.5 << u"2"_qs;
        QTest::newRow("three decimals are rounded") << u"0.00;;#"_qs << 2.675 << u"2.68"_qs;
    }

    void displayFormats()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, shown);
        leaveBox();
        m_box->setDisplayFormat(format);
        m_box->setValue(value);
        QCOMPARE(m_box->text(), shown);
    }

    void valuesAreRoundedToTwoDecimals()
    {
        m_box->setValue(3.456);
        QCOMPARE(m_box->value(), 3.46);
        m_box->setValue(-0.005);
        QCOMPARE(m_box->value(), -0.01);
        m_box->setValue(7.0 / 3.0);
        QCOMPARE(m_box->value(), 2.33);
    }

    void typingReadsTheRoundedValue()
    {
        QSignalSpy edited(m_box, &NumberBox::valueEdited);
        focusBox();
        QTest::keyClicks(m_box, u"12.345"_qs);
        QCOMPARE(m_box->value(), 12.35);
        QVERIFY(!edited.isEmpty());
        QCOMPARE(edited.last().at(0).toDouble(), 12.35);
        leaveBox();
        QCOMPARE(m_box->text(), u"12.35"_qs);
    }

    void editingShowsThePlainValue()
    {
        leaveBox();
        m_box->setValue(12.5);
        QCOMPARE(m_box->text(), u"12.50"_qs);
        focusBox();
        QCOMPARE(m_box->text(), u"12.5"_qs);
        leaveBox();
        QCOMPARE(m_box->text(), u"12.50"_qs);
    }

    void emptyBoxReadsZero()
    {
        m_box->setValue(4);
        focusBox();
        m_box->selectAll();
        QTest::keyClick(m_box, Qt::Key_Delete);
        QCOMPARE(m_box->text(), QString());
        QCOMPARE(m_box->value(), 0.0);
        leaveBox();
        QCOMPARE(m_box->text(), QString());
    }

    // Nothing typed is dropped: a text that cannot be read stays, keeps the last value and the
    // focus, and is marked with the reason.
    void keepsAndMarksWhatIsNoNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << u"1a2b"_qs;
        QTest::newRow("a second separator") << u"1.2.3"_qs;
        QTest::newRow("group separator") << u"1,000"_qs;
        QTest::newRow("sign inside") << u"12-3"_qs;
        QTest::newRow("exponent") << u"1e5"_qs;
    }

    void keepsAndMarksWhatIsNoNumber()
    {
        QFETCH(QString, typed);
        m_box->setValue(4);
        focusBox();
        m_box->selectAll();
        QTest::keyClicks(m_box, typed);
        QCOMPARE(m_box->text(), typed);
        QVERIFY(!m_box->isReadable());
        QVERIFY(!m_box->toolTip().isEmpty());
        QCOMPARE(m_box->accessibleDescription(), m_box->toolTip());
        QTest::keyClick(m_box, Qt::Key_Tab);
        QCOMPARE(m_box->text(), typed);
        QVERIFY(m_box->hasFocus());
        m_other->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(m_box->hasFocus());
        QCOMPARE(m_box->text(), typed);
        m_box->selectAll();
        QTest::keyClicks(m_box, u"7"_qs);
        QVERIFY(m_box->isReadable());
        QCOMPARE(m_box->value(), 7.0);
        QVERIFY(m_box->toolTip().isEmpty());
    }

    void usesTheSystemSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        auto *box = new NumberBox(m_window);
        box->show();
        leaveBox();
        box->setValue(12.5);
        QCOMPARE(box->text(), u"12,50"_qs);
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        box->selectAll();
        QTest::keyClicks(box, u"3.5"_qs); // a point stands for this system's comma
        QCOMPARE(box->value(), 3.5);
        box->selectAll();
        QTest::keyClicks(box, u"3,25"_qs);
        QCOMPARE(box->value(), 3.25);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_3);
        QTest::keyClick(box, Qt::Key_Period, Qt::KeypadModifier);
        QTest::keyClick(box, Qt::Key_7);
        QCOMPARE(box->text(), u"3,7"_qs);
        QCOMPARE(box->value(), 3.7);
    }

    void valueChangedOnlyOnChange()
    {
        QSignalSpy changed(m_box, &NumberBox::valueChanged);
        m_box->setValue(1.001);
        m_box->setValue(1.0);
        QCOMPARE(changed.count(), 1);
        m_box->setValue(2);
        QCOMPARE(changed.count(), 2);
    }

    void grab()
    {
        m_box->setValue(1234.5);
        m_box->resize(120, m_box->sizeHint().height());
        QVERIFY(m_box->grab().save(QDir::temp().filePath(u"vinary-numberbox.png"_qs)));
    }
};

QTEST_MAIN(TestNumberBox)
#include "test_numberbox.moc"
