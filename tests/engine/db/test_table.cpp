#include "engine/db/connection.h"
#include "engine/db/table.h"
#include "tests/support/cellardb.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace vinary;
using namespace vinary::db;

class TestTable : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Connection> m_db;

    Connection &db() { return *m_db; }

    void addCard(Table &t, const QString &descr, double qty = 0, const QString &code = QString())
    {
        t.append();
        t.fieldByName(QStringLiteral("Descrizione")).setAsString(descr);
        t.fieldByName(QStringLiteral("Quantita")).setAsFloat(qty);
        if (!code.isEmpty())
            t.fieldByName(QStringLiteral("Codice")).setAsString(code);
        t.post();
    }

    QStringList descriptions(Table &t)
    {
        QStringList out;
        const int col = t.fieldByName(QStringLiteral("Descrizione")).index();
        for (int i = 0; i < t.recordCount(); ++i)
            out << t.valueAt(i, col).toString();
        return out;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        const QString file = m_dir.filePath(QStringLiteral("vinary.mdb"));
        QFile::remove(file);
        test::createCellarDatabase(file);
        m_db = std::make_unique<Connection>();
        m_db->setFallbackDirectory(QString());
        m_db->setDatabaseName(file);
        m_db->open();
    }

    void cleanup() { m_db.reset(); }

    void emptyTable()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        QVERIFY(t.eof());
        QCOMPARE(t.recordCount(), 0);
        t.first();
        t.next();
        QVERIFY(t.eof());
        QCOMPARE(t.recNo(), -1);
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QString());
        QCOMPARE(t.fieldByName(QStringLiteral("Quantita")).asFloat(), 0.0);
        QVERIFY(!t.fieldByName(QStringLiteral("Scadenza")).asDateTime().isValid());
        QVERIFY_THROWS_EXCEPTION(VinaryError, t.deleteRecord());
    }

    void closedConnectionRefusesTables()
    {
        Connection closed;
        Table t(closed, QStringLiteral("Schede"));
        QVERIFY_THROWS_EXCEPTION(VinaryError, t.open());
        Query q(closed);
        q.setSql(QStringLiteral("SELECT 1"));
        QVERIFY_THROWS_EXCEPTION(VinaryError, q.open());
    }

    void navigationAndEof()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.setSortedBy({QStringLiteral("[Descrizione] ASC")});
        t.open();
        addCard(t, QStringLiteral("b"));
        addCard(t, QStringLiteral("a"));
        addCard(t, QStringLiteral("C"));
        t.resort();
        QCOMPARE(descriptions(t), (QStringList{u"a"_qs, u"b"_qs, u"C"_qs}));
        QVERIFY(!t.eof());
        t.next();
        t.next();
        QVERIFY(!t.eof());
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("C"));
        t.next();
        QVERIFY(t.eof());
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("C"));
        t.first();
        QVERIFY(!t.eof());
        QCOMPARE(t.recNo(), 0);
        t.last();
        QCOMPARE(t.recNo(), 2);
    }

    void walkReadsInCursorOrderAndSeesWritesMadeOnTheWay()
    {
        // A walk with next() reads the records ahead in batches: in cursor order (not rowid
        // order), a record deleted meanwhile reads as empty, and a write made during the walk is
        // seen by the records after it.
        Table t(db(), QStringLiteral("Schede"));
        t.setSortedBy({QStringLiteral("[Descrizione] DESC")});
        t.open();
        for (int i = 0; i < 150; ++i)
            addCard(t, QStringLiteral("w%1").arg(i, 3, 10, QLatin1Char('0')), i);
        t.resort();
        Field &descr = t.fieldByName(QStringLiteral("Descrizione"));
        Field &qty = t.fieldByName(QStringLiteral("Quantita"));
        t.first();
        QStringList seen;
        for (int n = 0; !t.eof(); ++n) {
            seen << descr.asString();
            if (n == 10) // the walk has read past w129 already
                db().exec(QStringLiteral("UPDATE Schede SET Quantita = 1000 WHERE Descrizione = 'w129'"));
            if (n == 30) {
                t.edit();
                qty.setAsFloat(-1);
                t.post();
            }
            if (descr.asString() == u"w129"_qs)
                QCOMPARE(qty.asFloat(), 1000.0);
            t.next();
        }
        QStringList expected;
        for (int i = 149; i >= 0; --i)
            expected << QStringLiteral("w%1").arg(i, 3, 10, QLatin1Char('0'));
        QCOMPARE(seen, expected);
        t.first();
        QCOMPARE(t.valueAt(30, qty.index()).toDouble(), -1.0);
    }

    void unicodeCaseInsensitiveSort()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        for (const char *d : {"zeta", "Élan", "éclat", "Alba", "ábaco", "ÉTÉ"})
            addCard(t, QString::fromUtf8(d));
        t.setSortedBy({QStringLiteral("Descrizione")});
        t.resort();
        // Letter case is ignored and accented letters stand beside their base letters.
        const QStringList expected = {QString::fromUtf8("ábaco"), u"Alba"_qs,
                                      QString::fromUtf8("éclat"), QString::fromUtf8("Élan"),
                                      QString::fromUtf8("ÉTÉ"),   u"zeta"_qs};
        QCOMPARE(descriptions(t), expected);
    }

    void sortItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("descending");
        QTest::newRow("bracketed ASC") << "[Descrizione] ASC"
                                       << "Descrizione" << false;
        QTest::newRow("bare") << "Descrizione"
                              << "Descrizione" << false;
        QTest::newRow("quoted DESC") << "\"[Anno] DESC\""
                                     << "Anno" << true;
        QTest::newRow("lower-case desc") << "anno desc"
                                         << "anno" << true;
    }
    void sortItems()
    {
        QFETCH(QString, item);
        const SortItem s = parseSortItem(item);
        QTEST(s.column, "column");
        QTEST(s.descending, "descending");
    }

    void sortItemNamingNoColumnIsAnError()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QStringLiteral("x"));
        t.setSortedBy({QStringLiteral("[Nessuna] ASC")});
        QVERIFY_THROWS_EXCEPTION(VinaryError, t.resort());
        // SQL pasted into a sort item never reaches the database.
        t.setSortedBy({QStringLiteral("Descrizione; DROP TABLE Schede")});
        QVERIFY_THROWS_EXCEPTION(VinaryError, t.resort());
        t.setSortedBy({QStringLiteral("[Descrizione]) --")});
        QVERIFY_THROWS_EXCEPTION(VinaryError, t.resort());
        QVERIFY(t.isActive());
        QCOMPARE(t.recordCount(), 1);
    }

    void appendedCardStaysAtTheEndUntilReopen()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.setSortedBy({QStringLiteral("[Descrizione] ASC")});
        t.open();
        addCard(t, QStringLiteral("m"));
        addCard(t, QStringLiteral("z"));
        t.resort();
        addCard(t, QStringLiteral("a"));
        QCOMPARE(descriptions(t), (QStringList{u"m"_qs, u"z"_qs, u"a"_qs}));
        QCOMPARE(t.recNo(), 2);
        t.resort();
        QCOMPARE(descriptions(t), (QStringList{u"a"_qs, u"m"_qs, u"z"_qs}));
    }

    void deleteLastAndOnly()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QStringLiteral("a"));
        addCard(t, QStringLiteral("b"));
        addCard(t, QStringLiteral("c"));
        t.last();
        t.deleteRecord();
        QCOMPARE(t.recordCount(), 2);
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("b"));
        t.first();
        t.deleteRecord();
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("b"));
        t.deleteRecord();
        QCOMPARE(t.recordCount(), 0);
        QVERIFY(t.eof());
        Statement s = db().prepare(QStringLiteral("SELECT count(*) FROM Schede"));
        QVERIFY(s.step());
        QCOMPARE(s.int64(0), 0);
    }

    void beforeDeleteCanCancel()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QStringLiteral("keep"));
        t.beforeDelete = [](Table &) { throw SilentAbort(); };
        QVERIFY_THROWS_EXCEPTION(SilentAbort, t.deleteRecord());
        QCOMPARE(t.recordCount(), 1);
    }

    void filterRejectingEverything()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QStringLiteral("a"));
        addCard(t, QStringLiteral("b"));
        t.onFilterRecord = [](Table &table, bool &accept) {
            QCOMPARE(table.state(), DataState::Filter);
            accept = false;
        };
        t.setFiltered(true);
        QCOMPARE(t.recordCount(), 0);
        QVERIFY(t.eof());
        t.setFiltered(false);
        QCOMPARE(t.recordCount(), 2);
    }

    void switchingFilteredToSameValueDoesNothing()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QStringLiteral("a"));
        addCard(t, QStringLiteral("b"));
        int calls = 0;
        t.onFilterRecord = [&calls](Table &, bool &) { ++calls; };
        t.setFiltered(true);
        const int afterOn = calls;
        QCOMPARE(afterOn, 2);
        t.next();
        QSignalSpy reset(&t, &Table::rowsReset);
        t.setFiltered(true);
        QCOMPARE(calls, afterOn);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(t.recNo(), 1);
    }

    void filterReadsCriteriaAtFirst()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QStringLiteral("Barolo"));
        addCard(t, QStringLiteral("Chianti"));
        QString wanted = QStringLiteral("Barolo");
        t.onFilterRecord = [&wanted](Table &table, bool &accept) {
            accept = table.fieldByName(QStringLiteral("Descrizione")).asString() == wanted;
        };
        t.setFiltered(true);
        QCOMPARE(t.recordCount(), 1);
        wanted = QStringLiteral("Chianti");
        QCOMPARE(t.recordCount(), 1);
        t.first();
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("Chianti"));
    }

    void settleOnFilterSwitch()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QStringLiteral("a"));
        // An untouched new card is dropped, a changed card is saved.
        t.append();
        t.setFiltered(true);
        QCOMPARE(t.recordCount(), 1);
        t.edit();
        t.fieldByName(QStringLiteral("Descrizione")).setAsString(QStringLiteral("changed"));
        t.setFiltered(false);
        QCOMPARE(t.state(), DataState::Browse);
        t.first();
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("changed"));
    }

    void hooksInOrder()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.addCalculatedField(QStringLiteral("Valore"), FieldType::Float);
        QStringList events;
        t.onNewRecord = [&events](Table &table) {
            events << QStringLiteral("new");
            table.fieldByName(QStringLiteral("Ricarico")).setAsFloat(2);
        };
        t.onCalcFields = [&events](Table &table) {
            events << QStringLiteral("calc");
            table.fieldByName(QStringLiteral("Valore"))
                .setAsFloat(table.fieldByName(QStringLiteral("Quantita")).asFloat() * 2);
        };
        t.afterPost = [&events](Table &table) {
            QCOMPARE(table.state(), DataState::Browse);
            events << QStringLiteral("post");
        };
        t.open();
        events.clear();
        t.append();
        QCOMPARE(events.value(0), QStringLiteral("new"));
        QVERIFY(!t.isModified());
        t.fieldByName(QStringLiteral("Quantita")).setAsFloat(3);
        QCOMPARE(t.fieldByName(QStringLiteral("Valore")).asFloat(), 6.0);
        t.post();
        QCOMPARE(events.last(), QStringLiteral("post"));
        QCOMPARE(t.fieldByName(QStringLiteral("Ricarico")).asFloat(), 2.0);
        QVERIFY(t.fieldByName(QStringLiteral("ID")).asInteger() > 0);
    }

    void postRequiresEditing()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        QVERIFY_THROWS_EXCEPTION(VinaryError, t.post());
        addCard(t, QStringLiteral("a"));
        QVERIFY_THROWS_EXCEPTION(VinaryError,
                                 t.fieldByName(QStringLiteral("Descrizione")).setAsString(u"x"_qs));
    }

    void editWithoutRecordBeginsNew()
    {
        Table t(db(), QStringLiteral("Schede"));
        int news = 0;
        t.onNewRecord = [&news](Table &) { ++news; };
        t.open();
        t.edit();
        QCOMPARE(t.state(), DataState::Insert);
        QCOMPARE(news, 1);
    }

    void cancelRestores()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QStringLiteral("orig"));
        t.edit();
        t.fieldByName(QStringLiteral("Descrizione")).setAsString(QStringLiteral("typed"));
        t.cancel();
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("orig"));
        t.append();
        t.fieldByName(QStringLiteral("Descrizione")).setAsString(QStringLiteral("new"));
        t.cancel();
        QCOMPARE(t.recordCount(), 1);
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("orig"));
    }

    void textIsCutToColumnSize()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QString(60, u'x'));
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QString(50, u'x'));
        t.edit();
        t.fieldByName(QStringLiteral("Codice")).setAsString(QString(10000, u'7'));
        t.post();
        QCOMPARE(t.fieldByName(QStringLiteral("Codice")).asString().size(), 13);
    }

    void textIsCutAtACharacter_data()
    {
        // Descrizione holds 50 units; the tail follows a head of plain letters.
        QTest::addColumn<int>("head");
        QTest::addColumn<QString>("tail");
        QTest::addColumn<QString>("kept");
        QTest::newRow("pair across the end") << 49 << u"\U0001F377b"_qs << QString();
        QTest::newRow("pair that fits") << 47 << u"c\U0001F377b"_qs << u"c\U0001F377"_qs;
        QTest::newRow("mark across the end") << 49 << u"e\u0301x"_qs << QString();
        QTest::newRow("mark after a pair") << 48 << u"\U0001D400\u0301"_qs << QString();
    }

    void textIsCutAtACharacter()
    {
        QFETCH(int, head);
        QFETCH(QString, tail);
        QFETCH(QString, kept);
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QString(head, u'a') + tail);
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QString(head, u'a') + kept);
    }

    void badNumbersAreErrors()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        t.append();
        QVERIFY_THROWS_EXCEPTION(VinaryError,
                                 t.fieldByName(QStringLiteral("Quantita")).setAsString(u"12abc"_qs));
        QVERIFY_THROWS_EXCEPTION(VinaryError,
                                 t.fieldByName(QStringLiteral("Prezzo_Acq")).setAsString(u"1.2.3"_qs));
        t.fieldByName(QStringLiteral("Quantita")).setAsString(QStringLiteral("12.5"));
        QCOMPARE(t.fieldByName(QStringLiteral("Quantita")).asFloat(), 12.5);
        t.cancel();

        Table stampe(db(), QStringLiteral("Stampe"));
        stampe.open();
        stampe.edit();
        QVERIFY_THROWS_EXCEPTION(VinaryError,
                                 stampe.fieldByName(QStringLiteral("Ordine")).setAsInteger(40000));
        QVERIFY_THROWS_EXCEPTION(VinaryError,
                                 stampe.fieldByName(QStringLiteral("Ordine")).setAsString(u"x"_qs));
        stampe.fieldByName(QStringLiteral("Ordine")).setAsInteger(-32768);
        stampe.cancel();
    }

    void displayFormats_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("shown");
        QTest::newRow("price 0 is empty") << 0.0 << "0.00;;#"
                                          << "";
        QTest::newRow("price 12.5") << 12.5 << "0.00;;#"
                                    << "12.50";
        QTest::newRow("negative price") << -3.0 << "0.00;;#"
                                        << "-3.00";
        QTest::newRow("quantity 2.6") << 2.6 << "#"
                                      << "3";
        QTest::newRow("markup 1.5") << 1.5 << "#"
                                    << "2";
        QTest::newRow("quantity 0 is empty") << 0.0 << "#"
                                             << "";
    }
    void displayFormats()
    {
        QFETCH(double, value);
        QFETCH(QString, format);
        Table t(db(), QStringLiteral("Schede"));
        t.setDisplayFormat(QStringLiteral("Prezzo_Acq"), format);
        t.open();
        t.append();
        t.fieldByName(QStringLiteral("Prezzo_Acq")).setAsFloat(value);
        t.post();
        QTEST(t.fieldByName(QStringLiteral("Prezzo_Acq")).displayText(), "shown");
        QTEST(t.displayTextAt(0, t.fieldByName(QStringLiteral("Prezzo_Acq")).index()), "shown");
    }

    void datesRoundTripAsIsoTextAndNullForNoDate()
    {
        Table t(db(), QStringLiteral("Giornale"));
        t.open();
        t.append();
        t.fieldByName(QStringLiteral("Data")).setAsDateTime(QDateTime(QDate(2026, 12, 9), QTime(0, 0)));
        t.post();
        t.append();
        t.fieldByName(QStringLiteral("Data")).setAsFloat(0);
        t.post();
        Statement s = db().prepare(QStringLiteral("SELECT Data FROM Giornale ORDER BY ID"));
        QVERIFY(s.step());
        QCOMPARE(s.text(0), QStringLiteral("2026-12-09 00:00:00"));
        QVERIFY(s.step());
        QVERIFY(s.isNull(0));
        t.first();
        QCOMPARE(t.fieldByName(QStringLiteral("Data")).asDateTime().date(), QDate(2026, 12, 9));
        t.next();
        QCOMPARE(t.fieldByName(QStringLiteral("Data")).asFloat(), 0.0);
    }

    void locateFindsInCursorOrder()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        addCard(t, QStringLiteral("a"));
        addCard(t, QStringLiteral("b"));
        const int id = t.fieldByName(QStringLiteral("ID")).asInteger();
        t.first();
        QVERIFY(t.locate(QStringLiteral("ID"), id));
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("b"));
        QVERIFY(!t.locate(QStringLiteral("ID"), 999));
        QCOMPARE(t.fieldByName(QStringLiteral("Descrizione")).asString(), QStringLiteral("b"));
    }

    void randomAccessWithoutRefiltering()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        db().begin();
        for (int i = 0; i < 3000; ++i)
            addCard(t, QStringLiteral("card %1").arg(i, 5, 10, QLatin1Char('0')), i);
        db().commit();
        int calls = 0;
        t.onFilterRecord = [&calls](Table &table, bool &accept) {
            ++calls;
            accept = int(table.fieldByName(QStringLiteral("Quantita")).asFloat()) % 3 == 0;
        };
        t.setFiltered(true);
        QCOMPARE(t.recordCount(), 1000);
        const int before = calls;
        const int col = t.fieldByName(QStringLiteral("Quantita")).index();
        QCOMPARE(t.valueAt(500, col).toDouble(), 1500.0);
        QCOMPARE(t.valueAt(999, col).toDouble(), 2997.0);
        t.moveTo(700);
        QCOMPARE(t.fieldByName(QStringLiteral("Quantita")).asFloat(), 2100.0);
        QCOMPARE(calls, before);
    }

    void rollbackBringsCursorsBack()
    {
        Table t(db(), QStringLiteral("Giornale"));
        t.open();
        {
            Transaction txn(db());
            t.append();
            t.fieldByName(QStringLiteral("Causale")).setAsString(QStringLiteral("C"));
            t.post();
            QCOMPARE(t.recordCount(), 1);
        }
        QCOMPARE(t.recordCount(), 0);
        Statement s = db().prepare(QStringLiteral("SELECT count(*) FROM Giornale"));
        QVERIFY(s.step());
        QCOMPARE(s.int64(0), 0);
    }

    void listQueryIsReadOnlyAndSingle()
    {
        Table t(db(), QStringLiteral("Schede"));
        t.open();
        Query q(db());
        q.setSql(QStringLiteral("SELECT DISTINCT gruppo FROM schede ORDER BY gruppo"));
        q.open();
        QVERIFY(q.eof());
        q.close();
        addCard(t, QStringLiteral("a"));
        q.open();
        QVERIFY(!q.eof());
        QCOMPARE(q.field(0).asString(), QString());
        q.close();
        q.setSql(QStringLiteral("DELETE FROM Schede"));
        QVERIFY_THROWS_EXCEPTION(VinaryError, q.open());
        q.setSql(QStringLiteral("SELECT 1; DELETE FROM Schede"));
        QVERIFY_THROWS_EXCEPTION(VinaryError, q.open());
        q.clearSql();
        QVERIFY_THROWS_EXCEPTION(VinaryError, q.open());
        t.first();
        QCOMPARE(t.recordCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTable)
#include "test_table.moc"
