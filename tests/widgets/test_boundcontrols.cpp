#include "cellarfixture.h"
#include "tests/support/recordingerrorbox.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbdatebox.h"
#include "widgets/dbedit.h"
#include "widgets/dbnumberbox.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace vinary;

// The controls bound to a table field: they follow the current record, write only while the
// table is editing, and never start editing by themselves.
class TestBoundControls : public QObject
{
    Q_OBJECT

    test::CellarFixture m_cellar;
    QWidget *m_window = nullptr;
    DbEdit *m_description = nullptr;
    DbEdit *m_price = nullptr;
    DbComboBox *m_producer = nullptr;
    DbCheckBox *m_onList = nullptr;
    DbDateBox *m_due = nullptr;
    DbNumberBox *m_sale = nullptr;
    QLineEdit *m_other = nullptr;

    db::Table &cards() { return *m_cellar.cards; }
    db::Field &field(const char16_t *name) { return cards().fieldByName(QString::fromUtf16(name)); }

    void focus(QWidget *w)
    {
        w->setFocus();
        QTRY_VERIFY(w->hasFocus() || (w->focusProxy() && w->focusProxy()->hasFocus()));
    }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_cellar.open();
        m_cellar.addCard(u"Barolo"_qs, u"Conterno"_qs, 20.5, true, QDate(2030, 1, 15));
        m_cellar.addCard(u"Chianti"_qs, u"Antinori"_qs, 8, false);
        cards().first();

        m_window = new QWidget;
        auto *layout = new QVBoxLayout(m_window);
        layout->addWidget(m_description = new DbEdit);
        layout->addWidget(m_price = new DbEdit);
        layout->addWidget(m_producer = new DbComboBox);
        layout->addWidget(m_onList = new DbCheckBox(u"On the wine list"_qs));
        layout->addWidget(m_due = new DbDateBox);
        layout->addWidget(m_sale = new DbNumberBox);
        layout->addWidget(m_other = new QLineEdit);
        m_description->bind(&cards(), u"Descrizione"_qs);
        m_price->bind(&cards(), u"Prezzo_Acq"_qs);
        m_producer->bind(&cards(), u"Produttore"_qs);
        m_onList->bind(&cards(), u"Incarta"_qs);
        m_due->bind(&cards(), u"Scadenza"_qs);
        m_sale->bind(&cards(), u"Prezzo_Ven"_qs);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        focus(m_other);
    }

    void cleanup()
    {
        delete m_window;
        m_cellar.cards.reset();
        m_cellar.connection.reset();
    }

    void showTheCurrentRecord()
    {
        QCOMPARE(m_description->text(), u"Barolo"_qs);
        QCOMPARE(m_price->text(), u"20.50"_qs); // the field's display format
        QCOMPARE(m_producer->currentText(), u"Conterno"_qs);
        QVERIFY(m_onList->isChecked());
        QCOMPARE(m_due->date(), QDate(2030, 1, 15));
        QCOMPARE(m_sale->text(), QString()); // 0 shows as an empty box
        cards().next();
        QCOMPARE(m_description->text(), u"Chianti"_qs);
        QCOMPARE(m_price->text(), u"8.00"_qs);
        QCOMPARE(m_producer->currentText(), u"Antinori"_qs);
        QVERIFY(!m_onList->isChecked());
        QVERIFY(m_due->isEmpty());
        QVERIFY(m_window->grab().save(QDir::temp().filePath(u"vinary-boundcontrols-browse.png"_qs)));
    }

    void browseModeRefusesTyping()
    {
        QVERIFY(m_description->isReadOnly());
        focus(m_description);
        QTest::keyClicks(m_description, u"xyz"_qs);
        QCOMPARE(m_description->text(), u"Barolo"_qs);

        focus(m_producer);
        QTest::keyClicks(m_producer->lineEdit(), u"xyz"_qs);
        QCOMPARE(m_producer->currentText(), u"Conterno"_qs);

        QTest::mouseClick(m_onList, Qt::LeftButton);
        QVERIFY(m_onList->isChecked());

        QVERIFY(!m_due->calendarButton()->isEnabled());
        focus(m_due);
        QTest::keyClicks(m_due->lineEdit(), u"1"_qs);
        focus(m_sale);
        QTest::keyClicks(m_sale, u"12"_qs);
        focus(m_other);

        // Nothing started editing, nothing changed.
        QCOMPARE(cards().state(), db::DataState::Browse);
        QCOMPARE(field(u"Descrizione").asString(), u"Barolo"_qs);
        QCOMPARE(field(u"Produttore").asString(), u"Conterno"_qs);
        QVERIFY(field(u"Incarta").asBoolean());
        QCOMPARE(field(u"Scadenza").asDateTime().date(), QDate(2030, 1, 15));
        QCOMPARE(field(u"Prezzo_Ven").asFloat(), 0.0);
    }

    void editModeWritesTheFields()
    {
        cards().edit();
        QVERIFY(!m_description->isReadOnly());
        focus(m_description);
        m_description->selectAll();
        QTest::keyClicks(m_description, u"Barbaresco"_qs);
        QCOMPARE(field(u"Descrizione").asString(), u"Barbaresco"_qs);

        focus(m_price);
        QCOMPARE(m_price->text(), u"20.5"_qs); // the plain value while editing
        m_price->selectAll();
        QTest::keyClicks(m_price, u"12.50"_qs);
        QCOMPARE(field(u"Prezzo_Acq").asFloat(), 12.5);
        QCOMPARE(m_price->text(), u"12.50"_qs);
        QTest::keyClicks(m_price, u"x"_qs); // kept in sight, never written
        QCOMPARE(m_price->text(), u"12.50x"_qs);
        QCOMPARE(field(u"Prezzo_Acq").asFloat(), 12.5);
        QTest::keyClick(m_price, Qt::Key_Backspace);

        focus(m_producer);
        m_producer->lineEdit()->selectAll();
        QTest::keyClicks(m_producer->lineEdit(), u"Gaja"_qs);
        QCOMPARE(field(u"Produttore").asString(), u"Gaja"_qs);

        QTest::mouseClick(m_onList, Qt::LeftButton);
        QVERIFY(!m_onList->isChecked());
        QVERIFY(!field(u"Incarta").asBoolean());

        focus(m_due);
        m_due->lineEdit()->selectAll();
        QTest::keyClick(m_due->lineEdit(), Qt::Key_Delete);
        QVERIFY(field(u"Scadenza").isNull());

        focus(m_sale);
        QTest::keyClicks(m_sale, u"30.255"_qs);
        QCOMPARE(field(u"Prezzo_Ven").asFloat(), 30.26); // two decimals
        focus(m_other);
        QCOMPARE(m_price->text(), u"12.50"_qs);
        QCOMPARE(m_sale->text(), u"30.26"_qs);
        QVERIFY(m_window->grab().save(QDir::temp().filePath(u"vinary-boundcontrols-edit.png"_qs)));

        cards().post();
        QVERIFY(m_description->isReadOnly());
        QCOMPARE(m_description->text(), u"Barbaresco"_qs);
        cards().first();
        QCOMPARE(field(u"Produttore").asString(), u"Gaja"_qs);
        QVERIFY(field(u"Scadenza").isNull());
    }

    void dateInATextBox()
    {
        auto *loaded = new DbEdit(m_window);
        m_window->layout()->addWidget(loaded);
        loaded->bind(&cards(), u"Ultimo_carico"_qs);
        RecordingErrorBox errors;
        cards().edit();
        focus(loaded);
        QTest::keyClicks(loaded, u"15 Mar 20"_qs); // half typed: nothing written, nothing refused
        QVERIFY(field(u"Ultimo_carico").isNull());
        QTest::keyClicks(loaded, u"24"_qs);
        focus(m_other);
        QCOMPARE(field(u"Ultimo_carico").asDateTime(), QDateTime(QDate(2024, 3, 15), QTime(0, 0)));
        focus(loaded);
        loaded->selectAll();
        QTest::keyClicks(loaded, u"not a date"_qs);
        focus(m_other);
        QCOMPARE(field(u"Ultimo_carico").asDateTime().date(), QDate(2024, 3, 15));
        QCOMPARE(loaded->text(), field(u"Ultimo_carico").displayText());
        QVERIFY(errors.messages().isEmpty());
    }

    void programChangesShowInTheBoxes()
    {
        cards().edit();
        field(u"Prezzo_Ven").setAsFloat(41);
        field(u"Scadenza").setAsDateTime(QDateTime(QDate(2031, 3, 1), QTime(0, 0)));
        QCOMPARE(m_sale->text(), u"41.00"_qs);
        QCOMPARE(m_due->date(), QDate(2031, 3, 1));
        cards().cancel();
        QCOMPARE(m_sale->text(), QString());
        QCOMPARE(m_due->date(), QDate(2030, 1, 15));
    }

    void pasteIsCutToTheColumnSize()
    {
        cards().edit();
        QCOMPARE(m_description->maxLength(), 50);
        QCOMPARE(m_producer->lineEdit()->maxLength(), 50);
        const QString huge(10000, u'x');
        QApplication::clipboard()->setText(huge);
        focus(m_description);
        m_description->selectAll();
        m_description->paste();
        QCOMPARE(m_description->text().size(), 50);
        QCOMPARE(field(u"Descrizione").asString(), QString(50, u'x'));
        focus(m_producer);
        m_producer->lineEdit()->selectAll();
        m_producer->lineEdit()->paste();
        QCOMPARE(field(u"Produttore").asString().size(), 50);
    }

    void pickedItemIsWritten()
    {
        m_producer->setItems({u"Antinori"_qs, u"Gaja"_qs});
        QCOMPARE(m_producer->currentText(), u"Conterno"_qs); // the list does not change the record
        cards().edit();
        m_producer->setCurrentIndex(1);
        Q_EMIT m_producer->activated(1);
        QCOMPARE(field(u"Produttore").asString(), u"Gaja"_qs);
        m_producer->clearItems();
        QCOMPARE(m_producer->currentText(), u"Gaja"_qs);
    }

    void newRecordShowsEmptyBoxes()
    {
        cards().append();
        QCOMPARE(m_description->text(), QString());
        QCOMPARE(m_producer->currentText(), QString());
        QVERIFY(!m_onList->isChecked());
        QVERIFY(m_due->isEmpty());
        QVERIFY(!m_description->isReadOnly());
        cards().cancel();
        QCOMPARE(m_description->text(), u"Barolo"_qs);
        QVERIFY(m_description->isReadOnly());
    }

    void closedTableShowsNothing()
    {
        cards().close();
        QCOMPARE(m_description->text(), QString());
        QVERIFY(m_description->isReadOnly());
        QVERIFY(m_producer->isReadOnly());
        QVERIFY(!m_onList->isChecked());
    }

    void refusedWriteIsReported()
    {
        // A counter cannot be written: the box stays read-only even while editing.
        auto *id = new DbEdit(m_window);
        id->bind(&cards(), u"ID"_qs);
        cards().edit();
        QVERIFY(id->isReadOnly());
        QVERIFY(!m_description->isReadOnly());
        cards().cancel();

        // A value the field refuses shows the field's own message, and the box the stored value.
        db::Table reports(*m_cellar.connection, u"Stampe"_qs);
        reports.open();
        QVERIFY(reports.recordCount() > 0);
        const int before = reports.fieldByName(u"Ordine"_qs).asInteger();
        auto *order = new DbEdit(m_window);
        order->bind(&reports, u"Ordine"_qs);
        order->show();
        reports.edit();
        RecordingErrorBox errors;
        focus(order);
        order->selectAll();
        QTest::keyClicks(order, u"99999"_qs); // beyond a 16-bit integer
        QVERIFY(!errors.messages().isEmpty());
        QCOMPARE(reports.fieldByName(u"Ordine"_qs).asInteger(), 9999);
        QTest::keyClicks(order, u"1.5"_qs); // whole numbers only
        QCOMPARE(order->text(), u"9999.5"_qs);
        QCOMPARE(reports.fieldByName(u"Ordine"_qs).asInteger(), 9999);
        reports.cancel();
        QCOMPARE(reports.fieldByName(u"Ordine"_qs).asInteger(), before);
        focus(m_other);
        QCOMPARE(order->text(), QString::number(before));
    }
};

QTEST_MAIN(TestBoundControls)
#include "test_boundcontrols.moc"
