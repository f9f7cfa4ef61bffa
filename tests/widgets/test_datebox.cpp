#include "widgets/datebox.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using namespace vinary;

class TestDateBox : public QObject
{
    Q_OBJECT

    QWidget *m_window = nullptr;
    DateBox *m_box = nullptr;
    QLineEdit *m_other = nullptr;

    void leaveBox()
    {
        m_other->setFocus();
        QTRY_VERIFY(!m_box->lineEdit()->hasFocus());
    }

    void typeIntoBox(const QString &text)
    {
        m_box->setFocus();
        QTRY_VERIFY(m_box->lineEdit()->hasFocus());
        m_box->lineEdit()->selectAll();
        if (text.isEmpty())
            QTest::keyClick(m_box->lineEdit(), Qt::Key_Delete);
        else
            QTest::keyClicks(m_box->lineEdit(), text);
    }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_window = new QWidget;
        m_other = new QLineEdit(m_window);
        m_box = new DateBox(m_window);
        m_box->move(0, 40);
        m_window->resize(300, 120);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        leaveBox();
    }

    void cleanup()
    {
        delete m_window;
        QLocale::setDefault(QLocale::c());
    }

    void startsEmpty()
    {
        QVERIFY(m_box->isEmpty());
        QVERIFY(m_box->date().isNull());
        QCOMPARE(m_box->lineEdit()->text(), QString());
    }

    void showsTheShortFormatWithTheFullYear()
    {
        m_box->setDate(QDate(2024, 3, 7));
        QCOMPARE(m_box->lineEdit()->text(), QLocale().toString(QDate(2024, 3, 7), DateBox::displayFormat()));
        QVERIFY(m_box->lineEdit()->text().contains(u"2024"_qs));
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        QCOMPARE(DateBox::displayFormat(), u"dd/MM/yyyy"_qs);
        m_box->setDate(QDate(2024, 3, 8));
        QCOMPARE(m_box->lineEdit()->text(), u"08/03/2024"_qs);
    }

    void setAndClear()
    {
        QSignalSpy changed(m_box, &DateBox::dateChanged);
        QSignalSpy edited(m_box, &DateBox::dateEdited);
        m_box->setDate(QDate(2023, 12, 31));
        QCOMPARE(m_box->date(), QDate(2023, 12, 31));
        QVERIFY(!m_box->isEmpty());
        m_box->clear();
        QVERIFY(m_box->isEmpty());
        QCOMPARE(m_box->lineEdit()->text(), QString());
        m_box->setDate(QDate(2023, 2, 30)); // no such day: no date
        QVERIFY(m_box->isEmpty());
        QCOMPARE(changed.count(), 2);
        QCOMPARE(edited.count(), 0); // the program's changes are not the user's
    }

    void typedDates()
    {
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        QSignalSpy edited(m_box, &DateBox::dateEdited);
        typeIntoBox(u"05/11/2022"_qs);
        QCOMPARE(m_box->date(), QDate(2022, 11, 5)); // taken as soon as it is complete
        leaveBox();
        QCOMPARE(edited.count(), 1);

        typeIntoBox(u"1/2/24"_qs); // a two-digit year belongs to this century
        leaveBox();
        QCOMPARE(m_box->date(), QDate(2024, 2, 1));
        QCOMPARE(m_box->lineEdit()->text(), u"01/02/2024"_qs);
    }

    void emptyingTheTextMeansNoDate()
    {
        m_box->setDate(QDate(2020, 1, 1));
        QSignalSpy edited(m_box, &DateBox::dateEdited);
        typeIntoBox(QString());
        QVERIFY(m_box->isEmpty());
        leaveBox();
        QCOMPARE(edited.count(), 1);
        QVERIFY(edited.first().at(0).toDate().isNull());
    }

    void unreadableTextGoesBack()
    {
        m_box->setDate(QDate(2020, 6, 15));
        const QString before = m_box->lineEdit()->text();
        typeIntoBox(u"32/13/xx"_qs);
        leaveBox();
        QCOMPARE(m_box->date(), QDate(2020, 6, 15));
        QCOMPARE(m_box->lineEdit()->text(), before);
    }

    void calendarPicksADate()
    {
        QCOMPARE(m_box->calendarButton()->toolTip(), m_box->calendarButton()->accessibleName());
        QVERIFY(!m_box->calendarButton()->toolTip().isEmpty());
        m_box->setDate(QDate(2021, 5, 10));
        QSignalSpy edited(m_box, &DateBox::dateEdited);
        QTest::mouseClick(m_box->calendarButton(), Qt::LeftButton);
        QCalendarWidget *calendar = m_box->calendar();
        QVERIFY(calendar);
        QTRY_VERIFY(calendar->isVisible());
        QCOMPARE(calendar->selectedDate(), QDate(2021, 5, 10));
        QVERIFY(m_box->window()->grab().save(QDir::temp().filePath(u"vinary-datebox.png"_qs)));
        QVERIFY(calendar->grab().save(QDir::temp().filePath(u"vinary-calendar.png"_qs)));
        Q_EMIT calendar->clicked(QDate(2021, 5, 20));
        QTRY_VERIFY(!calendar->isVisible());
        QCOMPARE(m_box->date(), QDate(2021, 5, 20));
        QCOMPARE(edited.count(), 1);
    }

    void readOnlyRefusesTypingAndCalendar()
    {
        m_box->setDate(QDate(2021, 5, 10));
        m_box->setReadOnly(true);
        typeIntoBox(u"01/01/2000"_qs);
        QCOMPARE(m_box->date(), QDate(2021, 5, 10));
        QVERIFY(!m_box->calendarButton()->isEnabled());
        m_box->showCalendar();
        QVERIFY(!m_box->calendar() || !m_box->calendar()->isVisible());
    }
};

QTEST_MAIN(TestDateBox)
#include "test_datebox.moc"
