// Dates and times as the database stores them: the quick reading of the usual forms gives what the
// general one gives, and whatever is not a date reads as none.
#include "engine/common/datetimes.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;

class TestDateTimes : public QObject
{
    Q_OBJECT

private slots:
    void fromIsoText_data();
    void fromIsoText();
    void toIsoTextAgreesWithQt();
};

void TestDateTimes::fromIsoText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime none;
    QTest::newRow("date and time") << u"2024-03-10 17:45:09"_s
                                   << QDateTime(QDate(2024, 3, 10), QTime(17, 45, 9));
    QTest::newRow("date only") << u"2024-03-10"_s << QDateTime(QDate(2024, 3, 10), QTime(0, 0));
    QTest::newRow("blanks around") << u" 1999-12-31 00:00:00 "_s
                                   << QDateTime(QDate(1999, 12, 31), QTime(0, 0));
    QTest::newRow("milliseconds") << u"2024-03-10 17:45:09.250"_s
                                  << QDateTime(QDate(2024, 3, 10), QTime(17, 45, 9, 250));
    QTest::newRow("T and Z") << u"2024-03-10T17:45Z"_s << QDateTime(QDate(2024, 3, 10), QTime(17, 45));
    QTest::newRow("leap day") << u"2024-02-29 00:00:00"_s << QDateTime(QDate(2024, 2, 29), QTime(0, 0));
    QTest::newRow("no such day") << u"2023-02-29 00:00:00"_s << none;
    QTest::newRow("month 13") << u"2024-13-01"_s << none;
    QTest::newRow("hour 24") << u"2024-03-10 24:00:00"_s << none;
    QTest::newRow("second 60") << u"2024-03-10 23:59:60"_s << none;
    QTest::newRow("letters") << u"2024-O3-10 00:00:00"_s << none;
    QTest::newRow("other separator") << u"2024/03/10 00:00:00"_s << none;
    QTest::newRow("empty") << QString() << none;
}

void TestDateTimes::fromIsoText()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    const QDateTime read = vinary::fromIsoText(text);
    QCOMPARE(read.isValid(), expected.isValid());
    if (expected.isValid())
        QCOMPARE(read, expected);
}

void TestDateTimes::toIsoTextAgreesWithQt()
{
    // The quick writer gives Qt's own formatting, and reads back as the same moment.
    const QList<QDateTime> moments{
        QDateTime(QDate(2024, 3, 10), QTime(17, 45, 9)),
        QDateTime(QDate(1, 1, 1), QTime(0, 0)),
        QDateTime(QDate(999, 7, 4), QTime(9, 5, 3, 7)),
        QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999)),
        QDateTime(QDate(1899, 12, 30), QTime(6, 0)),
        QDateTime(QDate(2024, 2, 29), QTime(0, 0, 0, 250)),
        QDateTime(QDate(-44, 3, 15), QTime(12, 0)),
        QDateTime(QDate(10000, 1, 1), QTime(0, 0)),
    };
    for (const QDateTime &m : moments) {
        const QString format = m.time().msec() ? u"yyyy-MM-dd HH:mm:ss.zzz"_s : u"yyyy-MM-dd HH:mm:ss"_s;
        QCOMPARE(toIsoText(m), m.toString(format));
        if (m.date().year() >= 1 && m.date().year() <= 9999)
            QCOMPARE(vinary::fromIsoText(toIsoText(m)), m);
    }
    QVERIFY(toIsoText(QDateTime()).isEmpty());
}

QTEST_GUILESS_MAIN(TestDateTimes)
#include "test_datetimes.moc"
