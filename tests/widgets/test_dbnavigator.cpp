#include "cellarfixture.h"
#include "tests/support/recordingerrorbox.h"
#include "widgets/dbnavigator.h"

#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using namespace vinary;

class TestDbNavigator : public QObject
{
    Q_OBJECT

    test::CellarFixture m_cellar;
    DbNavigator *m_nav = nullptr;

    db::Table &cards() { return *m_cellar.cards; }
    QToolButton *button(DbNavigator::Button b) { return m_nav->button(b); }
    QString current() { return cards().fieldByName(u"Descrizione"_qs).asString(); }

private Q_SLOTS:
    void init()
    {
        m_cellar.open();
        for (const QString &wine : {u"Amarone"_qs, u"Barolo"_qs, u"Chianti"_qs})
            m_cellar.addCard(wine);
        cards().first();
        m_nav = new DbNavigator;
        m_nav->setTable(&cards());
        m_nav->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_nav));
    }

    void cleanup()
    {
        delete m_nav;
        m_cellar.cards.reset();
        m_cellar.connection.reset();
    }

    void movesThroughTheTable()
    {
        QTest::mouseClick(button(DbNavigator::Next), Qt::LeftButton);
        QCOMPARE(current(), u"Barolo"_qs);
        QTest::mouseClick(button(DbNavigator::Last), Qt::LeftButton);
        QCOMPARE(current(), u"Chianti"_qs);
        QTest::mouseClick(button(DbNavigator::Prior), Qt::LeftButton);
        QCOMPARE(current(), u"Barolo"_qs);
        QTest::mouseClick(button(DbNavigator::First), Qt::LeftButton);
        QCOMPARE(current(), u"Amarone"_qs);
    }

    void buttonsEnabledWhereTheyLead()
    {
        QVERIFY(!button(DbNavigator::First)->isEnabled());
        QVERIFY(!button(DbNavigator::Prior)->isEnabled());
        QVERIFY(button(DbNavigator::Next)->isEnabled());
        QVERIFY(button(DbNavigator::Last)->isEnabled());
        cards().last(); // moved by someone else
        QVERIFY(button(DbNavigator::First)->isEnabled());
        QVERIFY(!button(DbNavigator::Next)->isEnabled());
        QVERIFY(!button(DbNavigator::Last)->isEnabled());
        cards().close();
        for (int b = 0; b < 4; ++b)
            QVERIFY(!button(DbNavigator::Button(b))->isEnabled());
    }

    void hintsAreTooltipsAndAccessibleNames()
    {
        m_nav->setHints({u"First card"_qs, u"Previous card"_qs, u"Next card"_qs, u"Last card"_qs});
        QCOMPARE(m_nav->hints(),
                 (QStringList{u"First card"_qs, u"Previous card"_qs, u"Next card"_qs, u"Last card"_qs}));
        for (int b = 0; b < 4; ++b) {
            QCOMPARE(button(DbNavigator::Button(b))->accessibleName(),
                     button(DbNavigator::Button(b))->toolTip());
            QVERIFY(!button(DbNavigator::Button(b))->icon().isNull());
        }
        QVERIFY(m_nav->grab().save(QDir::temp().filePath(u"vinary-navigator.png"_qs)));
    }

    void moveSettlesAPendingChange()
    {
        QSignalSpy moved(m_nav, &DbNavigator::moved);
        cards().edit();
        cards().fieldByName(u"Note"_qs).setAsString(u"kept"_qs);
        QTest::mouseClick(button(DbNavigator::Next), Qt::LeftButton);
        QCOMPARE(cards().state(), db::DataState::Browse);
        QCOMPARE(moved.count(), 1);
        cards().first();
        QCOMPARE(cards().fieldByName(u"Note"_qs).asString(), u"kept"_qs);
    }

    void failedMoveShowsTheError()
    {
        RecordingErrorBox errors;
        cards().edit();
        cards().fieldByName(u"Note"_qs).setAsString(u"lost?"_qs);
        // The record disappears under the cursor: saving it fails, and the user is told.
        m_cellar.connection->exec(u"DELETE FROM Schede WHERE Descrizione = 'Amarone'"_qs);
        QSignalSpy moved(m_nav, &DbNavigator::moved);
        QTest::mouseClick(button(DbNavigator::Next), Qt::LeftButton);
        QCOMPARE(errors.messages().size(), 1);
        QCOMPARE(moved.count(), 0);
        QVERIFY(cards().isEditing());
    }
};

QTEST_MAIN(TestDbNavigator)
#include "test_dbnavigator.moc"
