#include "cellarfixture.h"
#include "widgets/gridmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace vinary;

class TestGridModel : public QObject
{
    Q_OBJECT

    test::CellarFixture m_cellar;
    std::unique_ptr<TableGridModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    db::Table &cards() { return *m_cellar.cards; }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_cellar.open();
        m_cellar.addCard(u"Barolo"_qs, u"Conterno"_qs, 12.5, true);
        m_cellar.addCard(u"Chianti"_qs, u"Antinori"_qs, 0, false);
        m_cellar.addCard(u"Amarone"_qs, u"Quintarelli"_qs, 2.6, true);
        cards().resort();
        m_model = std::make_unique<TableGridModel>();
        m_model->setTable(&cards());
        m_model->setColumns({{u"Descrizione"_qs, u"Wine"_qs, 0},
                             {u"Prezzo_Acq"_qs, u"Price"_qs, 0},
                             {u"Quantita"_qs, u"Stock"_qs, 0},
                             {u"Incarta"_qs, u"Listed"_qs, 0},
                             {u"NoSuchField"_qs, u"Nothing"_qs, 0}});
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup()
    {
        m_tester.reset();
        m_model.reset();
        m_cellar.cards.reset();
        m_cellar.connection.reset();
    }

    void showsTheCursorByPosition()
    {
        QCOMPARE(m_model->rowCount(), 3);
        QCOMPARE(m_model->columnCount(), 5);
        QCOMPARE(m_model->headerData(1, Qt::Horizontal).toString(), u"Price"_qs);
        QCOMPARE(m_model->data(m_model->index(0, 0)).toString(), u"Amarone"_qs);
        QCOMPARE(m_model->data(m_model->index(1, 0)).toString(), u"Barolo"_qs);
        QCOMPARE(m_model->data(m_model->index(2, 0)).toString(), u"Chianti"_qs);
        QCOMPARE(m_model->data(m_model->index(1, 1)).toString(), u"12.50"_qs);
        QCOMPARE(m_model->data(m_model->index(2, 1)).toString(), QString()); // 0 is an empty cell
        QCOMPARE(m_model->data(m_model->index(0, 4)).toString(), QString());
        QCOMPARE(m_model->data(m_model->index(1, 1), Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignRight | Qt::AlignVCenter));
        QVERIFY(!(m_model->flags(m_model->index(0, 0)) & Qt::ItemIsEditable));
    }

    // A date shows as the locale writes it, with the year in four digits, and reads back the same.
    void datesWithTheFullYear_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("shown");
        QTest::newRow("it_IT") << u"it_IT"_qs << u"09/12/2026"_qs;
        QTest::newRow("de_DE") << u"de_DE"_qs << u"09.12.2026"_qs;
        QTest::newRow("fr_FR") << u"fr_FR"_qs << u"09/12/2026"_qs;
        QTest::newRow("en_US") << u"en_US"_qs << u"12/9/2026"_qs;
    }

    void datesWithTheFullYear()
    {
        QFETCH(QString, locale);
        QFETCH(QString, shown);
        QLocale::setDefault(QLocale(locale));
        m_model->setColumns({{u"Scadenza"_qs, u"Due"_qs, 0}});
        cards().first();
        cards().edit();
        db::Field &due = cards().fieldByName(u"Scadenza"_qs);
        due.setAsDateTime(QDateTime(QDate(2026, 12, 9), QTime(0, 0)));
        cards().post();
        QCOMPARE(m_model->data(m_model->index(0, 0)).toString(), shown);
        cards().edit();
        due.setAsString(due.asString());
        QCOMPARE(due.asDateTime(), QDateTime(QDate(2026, 12, 9), QTime(0, 0)));
        cards().cancel();
    }

    void booleansAsCheckMarksOrText()
    {
        const QModelIndex listed = m_model->index(1, 3);
        QCOMPARE(m_model->data(listed, Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(m_model->data(m_model->index(2, 3), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(!m_model->data(listed).isValid());
        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        m_model->setDisplayBoolean(false);
        QCOMPARE(changed.count(), 1);
        QVERIFY(!m_model->data(listed, Qt::CheckStateRole).isValid());
        QCOMPARE(m_model->data(listed).toString(), m_model->cellText(1, 3));
        QVERIFY(!m_model->cellText(1, 3).isEmpty());
    }

    void followsInsertsChangesAndDeletes()
    {
        QSignalSpy inserted(m_model.get(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(m_model.get(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        m_cellar.addCard(u"Soave"_qs);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(m_model->rowCount(), 4);
        QCOMPARE(m_model->data(m_model->index(3, 0)).toString(), u"Soave"_qs); // stays at the end

        cards().first();
        cards().edit();
        cards().fieldByName(u"Descrizione"_qs).setAsString(u"Amarone Classico"_qs);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(m_model->data(m_model->index(0, 0)).toString(), u"Amarone Classico"_qs); // pending value
        cards().post();
        QCOMPARE(m_model->data(m_model->index(0, 0)).toString(), u"Amarone Classico"_qs);

        cards().moveTo(1);
        cards().deleteRecord();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(m_model->rowCount(), 3);
        QCOMPARE(m_model->data(m_model->index(1, 0)).toString(), u"Chianti"_qs);
    }

    void resetsWhenTheCursorIsReadAgain()
    {
        QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
        cards().setSortedBy({u"[Produttore] ASC"_qs});
        cards().resort();
        QVERIFY(reset.count() >= 1);
        QCOMPARE(m_model->data(m_model->index(0, 0)).toString(), u"Chianti"_qs); // Antinori first
        cards().onFilterRecord = [](db::Table &t, bool &accept) {
            accept = t.fieldByName(u"Incarta"_qs).asBoolean();
        };
        cards().setFiltered(true);
        QCOMPARE(m_model->rowCount(), 2);
        cards().close();
        QCOMPARE(m_model->rowCount(), 0);
        cards().open();
        QCOMPARE(m_model->rowCount(), 2);
    }

    void currentRowIsMarked()
    {
        QSignalSpy current(m_model.get(), &TableGridModel::currentRecordChanged);
        cards().moveTo(2);
        QVERIFY(!current.isEmpty());
        QVERIFY(!m_model->headerData(2, Qt::Vertical).toString().isEmpty());
        QVERIFY(m_model->headerData(0, Qt::Vertical).toString().isEmpty());
    }

    void readsOnlyTheRowsAsked()
    {
        // A large cursor costs nothing until its cells are asked for.
        m_cellar.addManyCards(5000);
        QCOMPARE(m_model->rowCount(), 5003);
        QCOMPARE(m_model->data(m_model->index(5002, 0)).toString(), u"Wine 004999"_qs);
    }
};

QTEST_MAIN(TestGridModel)
#include "test_gridmodel.moc"
