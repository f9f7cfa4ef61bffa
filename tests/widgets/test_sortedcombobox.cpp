#include "widgets/sortedcombobox.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace vinary;

class TestSortedComboBox : public QObject
{
    Q_OBJECT

    QWidget *m_window = nullptr;
    SortedComboBox *m_box = nullptr;

private Q_SLOTS:
    void init()
    {
        m_window = new QWidget;
        m_box = new SortedComboBox(m_window);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }

    void cleanup() { delete m_window; }

    void itemsStaySortedIgnoringCase()
    {
        for (const QString &item :
             {u"rosso"_qs, u"Bianco"_qs, u"ambra"_qs, u"Rosato"_qs, u"bianco"_qs, QString()})
            m_box->addSorted(item);
        QCOMPARE(m_box->items(), (QStringList{QString(), u"ambra"_qs, u"Bianco"_qs, u"bianco"_qs,
                                              u"Rosato"_qs, u"rosso"_qs}));
        m_box->setItems({u"Zeta"_qs, u"alfa"_qs, u"Beta"_qs});
        QCOMPARE(m_box->items(), (QStringList{u"alfa"_qs, u"Beta"_qs, u"Zeta"_qs}));
        QCOMPARE(m_box->count(), 3);
    }

    void lookUpIgnoresCase()
    {
        m_box->setItems({u"Barolo"_qs, u"Chianti"_qs});
        QVERIFY(m_box->containsNoCase(u"CHIANTI"_qs));
        QVERIFY(m_box->containsNoCase(u"barolo"_qs));
        QCOMPARE(m_box->findNoCase(u"chianti"_qs), 1);
        QVERIFY(!m_box->containsNoCase(u"Chiant"_qs));
        QVERIFY(!m_box->containsNoCase(QString()));
    }

    void changingItemsKeepsTheShownText()
    {
        m_box->setEditText(u"Amarone"_qs);
        QSignalSpy edited(m_box->lineEdit(), &QLineEdit::textEdited);
        m_box->clearItems();
        QCOMPARE(m_box->currentText(), u"Amarone"_qs);
        m_box->addSorted(u"Barbera"_qs); // the first item would otherwise become the text
        QCOMPARE(m_box->currentText(), u"Amarone"_qs);
        m_box->setItems({u"Dolcetto"_qs, u"Arneis"_qs});
        QCOMPARE(m_box->currentText(), u"Amarone"_qs);
        m_box->clearItems();
        QCOMPARE(m_box->currentText(), u"Amarone"_qs);
        QCOMPARE(m_box->count(), 0);
        QCOMPARE(edited.count(), 0);
    }

    void typingIsNotRestricted()
    {
        m_box->setItems({u"Barolo"_qs, u"Barbaresco"_qs});
        m_box->setFocus();
        QTRY_VERIFY(m_box->lineEdit()->hasFocus());
        QTest::keyClicks(m_box->lineEdit(), u"Bar"_qs);
        QCOMPARE(m_box->currentText(), u"Bar"_qs); // nothing is completed into the box
        QTest::keyClicks(m_box->lineEdit(), u"dolino"_qs);
        QTest::keyClick(m_box->lineEdit(), Qt::Key_Return);
        QCOMPARE(m_box->currentText(), u"Bardolino"_qs);
        QCOMPARE(m_box->count(), 2); // typing adds no item
    }

    void readOnlyRefusesTypingAndTheList()
    {
        m_box->setItems({u"Barolo"_qs, u"Chianti"_qs});
        m_box->setEditText(u"Barolo"_qs);
        m_box->setReadOnly(true);
        m_box->setFocus();
        QTRY_VERIFY(m_box->lineEdit()->hasFocus());
        QTest::keyClicks(m_box->lineEdit(), u"xyz"_qs);
        QTest::keyClick(m_box, Qt::Key_Down);
        QCOMPARE(m_box->currentText(), u"Barolo"_qs);
        m_box->showPopup();
        QVERIFY(!m_box->view()->isVisible());
    }
};

QTEST_MAIN(TestSortedComboBox)
#include "test_sortedcombobox.moc"
