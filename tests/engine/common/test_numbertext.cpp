#include "engine/common/numbertext.h"

#include <QTest>

using namespace Qt::StringLiterals;
using vinary::parseUserNumber;

// How a typed number is read in the users' locales: either separator when it is unambiguous,
// nothing when the text is unreadable or could mean two numbers.
class TestNumberText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reading_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<double>("value");
        for (const QString &name : {u"it_IT"_s, u"de_DE"_s, u"fr_FR"_s, u"en_US"_s}) {
            auto row = [&](const char *what) -> QTestData & {
                return QTest::addRow("%s %s", qPrintable(name), what);
            };
            row("point") << name << u"6.80"_s << true << 6.8;
            row("comma") << name << u"6,80"_s << true << 6.8;
            row("spaces around") << name << u"  12 "_s << true << 12.0;
            row("negative") << name << u"-0,5"_s << true << -0.5;
            row("leading separator") << name << u".25"_s << true << 0.25;
            row("trailing separator") << name << u"7,"_s << true << 7.0;
            row("zero before three decimals") << name << u"0.125"_s << true << 0.125;
            row("four digits before three decimals") << name << u"1234.567"_s << true << 1234.567;
            row("empty") << name << u" "_s << false << 0.0;
            row("lone sign") << name << u"-"_s << false << 0.0;
            row("lone separator") << name << u","_s << false << 0.0;
            row("both separators") << name << u"1.234,5"_s << false << 0.0;
            row("two points") << name << u"1.2.3"_s << false << 0.0;
            row("letter") << name << u"6.8x"_s << false << 0.0;
            row("space inside") << name << u"1 000"_s << false << 0.0;
            row("exponent") << name << u"1e5"_s << false << 0.0;
            row("sign inside") << name << u"12-3"_s << false << 0.0;
        }
        // The other separator before three digits reads as a group where the locale groups with it.
        QTest::newRow("it_IT 1.000 is ambiguous") << u"it_IT"_s << u"1.000"_s << false << 0.0;
        QTest::newRow("de_DE 12.500 is ambiguous") << u"de_DE"_s << u"12.500"_s << false << 0.0;
        QTest::newRow("en_US 1,000 is ambiguous") << u"en_US"_s << u"1,000"_s << false << 0.0;
        QTest::newRow("it_IT 1,000 is one") << u"it_IT"_s << u"1,000"_s << true << 1.0;
        QTest::newRow("en_US 1.000 is one") << u"en_US"_s << u"1.000"_s << true << 1.0;
        QTest::newRow("fr_FR 1.000 is one") << u"fr_FR"_s << u"1.000"_s << true << 1.0;
    }

    void reading()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, readable);
        QFETCH(double, value);
        const std::optional<double> read = parseUserNumber(text, QLocale(locale));
        QCOMPARE(read.has_value(), readable);
        if (readable)
            QCOMPARE(*read, value);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "test_numbertext.moc"
