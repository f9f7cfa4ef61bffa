// The expression language of report templates: parsing, values, formats and texts with
// bracketed parts.

#include "engine/common/errors.h"
#include "engine/report/expression.h"

#include <QHash>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using namespace vinary::report;

Q_DECLARE_METATYPE(vinary::report::Value)

namespace
{

// Fields by name, in one dataset "Schede", and fixed built-ins.
class Fields : public Binder, public EvalContext
{
public:
    QHash<QString, Value> values;
    QStringList bound;
    QLocale loc = QLocale::c();
    double page = 3;

    int bindField(const QString &dataset, const QString &field) override
    {
        if (!dataset.isEmpty() && dataset.compare(u"Schede"_s, Qt::CaseInsensitive) != 0)
            throw VinaryError(u"The dataset \"%1\" is not found"_s.arg(dataset));
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (it.key().compare(field, Qt::CaseInsensitive) == 0) {
                bound.append(it.key());
                return int(bound.size()) - 1;
            }
        }
        throw VinaryError(u"no field \"%1\""_s.arg(field));
    }
    int bindAggregate(AggregateKind, const Expression &, int) override { return 0; }
    Value field(int slot) const override { return values.value(bound.at(slot)); }
    Value builtin(Builtin which) const override
    {
        if (which == Builtin::Page)
            return Value::number(page);
        return Value::text(u"builtin"_s);
    }
    Value aggregate(int) const override { return Value::number(42); }
    const QLocale &locale() const override { return loc; }

    QString eval(const QString &source)
    {
        Expression e = Expression::parse(source);
        e.bind(*this);
        return e.evaluate(*this).toText(loc);
    }
};

} // namespace

class TestExpression : public QObject
{
    Q_OBJECT

private slots:
    void arithmeticAndComparison_data();
    void arithmeticAndComparison();
    void fieldReferences();
    void functions_data();
    void functions();
    void syntaxErrors_data();
    void syntaxErrors();
    void unknownNamesFailOnBinding();
    void valuesDisplay();
    void formats_data();
    void formats();
    void comparisonOfMixedValues();
    void splitTextKeepsWhatIsNoExpression();
    void dataIsNeverReparsed();
    void deepNestingIsRefused();
};

void TestExpression::arithmeticAndComparison_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("precedence") << u"1 + 2 * 3"_s << u"7"_s;
    QTest::newRow("parentheses") << u"(1 + 2) * 3"_s << u"9"_s;
    QTest::newRow("brackets group") << u"[1 + 2] * 3"_s << u"9"_s;
    QTest::newRow("unary minus") << u"-2 * -3"_s << u"6"_s;
    QTest::newRow("division") << u"7 / 2"_s << u"3.5"_s;
    QTest::newRow("modulo") << u"7 mod 3"_s << u"1"_s;
    QTest::newRow("less or equal") << u"3 <= 3"_s << u"True"_s;
    QTest::newRow("not equal") << u"3 <> 3"_s << u"False"_s;
    QTest::newRow("and or not") << u"not (1 > 2) and (0 or 1)"_s << u"True"_s;
    QTest::newRow("text concatenation") << u"'Pag. ' + 3"_s << u"Pag. 3"_s;
    QTest::newRow("doubled quote") << u"'d''Yquem'"_s << u"d'Yquem"_s;
    QTest::newRow("exponent") << u"1.5e2"_s << u"150"_s;
}

void TestExpression::arithmeticAndComparison()
{
    QFETCH(QString, source);
    QFETCH(QString, expected);
    Fields f;
    QCOMPARE(f.eval(source), expected);
}

void TestExpression::fieldReferences()
{
    Fields f;
    f.values.insert(u"Quantita"_s, Value::number(4));
    f.values.insert(u"Scorta"_s, Value::number(6));
    f.values.insert(u"Descrizione"_s, Value::text(u"Barolo"_s));
    QCOMPARE(f.eval(u"[Quantita] <= [Scorta]"_s), u"True"_s);
    QCOMPARE(f.eval(u"Schede.\"Descrizione\""_s), u"Barolo"_s);
    QCOMPARE(f.eval(u"\"descrizione\""_s), u"Barolo"_s);
    QCOMPARE(f.eval(u"quantita * 2"_s), u"8"_s);
    QCOMPARE(f.eval(u"[PAGE#] + 1"_s), u"4"_s);
    QCOMPARE(f.eval(u"SUM([Quantita])"_s), u"42"_s);
}

void TestExpression::functions_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("iif true") << u"IIF(2 > 1; 'yes'; 'no')"_s << u"yes"_s;
    QTest::newRow("iif false with commas") << u"iif(2 < 1, 'yes', 'no')"_s << u"no"_s;
    QTest::newRow("format") << u"FORMAT(1234.5; '#,##0.00')"_s << u"1,234.50"_s;
    QTest::newRow("format zero section") << u"FORMAT(0; '0.00;;#')"_s << u""_s;
    QTest::newRow("upper") << u"UPPER('brut')"_s << u"BRUT"_s;
    QTest::newRow("trim") << u"TRIM('  a ')"_s << u"a"_s;
    QTest::newRow("round half away") << u"ROUND(2.5)"_s << u"3"_s;
    QTest::newRow("round negative") << u"ROUND(-2.5)"_s << u"-3"_s;
    QTest::newRow("round digits") << u"ROUND(3.14159; 2)"_s << u"3.14"_s;
    QTest::newRow("int") << u"INT(-3.7)"_s << u"-3"_s;
    QTest::newRow("abs") << u"ABS(-3)"_s << u"3"_s;
    QTest::newRow("len") << u"LEN('Château')"_s << u"7"_s;
}

void TestExpression::functions()
{
    QFETCH(QString, source);
    QFETCH(QString, expected);
    Fields f;
    QCOMPARE(f.eval(source), expected);
}

void TestExpression::syntaxErrors_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("empty") << u""_s;
    QTest::newRow("dangling operator") << u"1 +"_s;
    QTest::newRow("two names") << u"see note"_s;
    QTest::newRow("unclosed parenthesis") << u"(1 + 2"_s;
    QTest::newRow("unterminated text") << u"'abc"_s;
    QTest::newRow("unknown function") << u"FOO(1)"_s;
    QTest::newRow("iif needs three") << u"IIF(1; 2)"_s;
    QTest::newRow("stray character") << u"1 $ 2"_s;
    QTest::newRow("hash in a field name") << u"Prezzo#"_s;
}

void TestExpression::syntaxErrors()
{
    QFETCH(QString, source);
    QVERIFY_THROWS_EXCEPTION(VinaryError, Expression::parse(source));
}

void TestExpression::unknownNamesFailOnBinding()
{
    Fields f;
    f.values.insert(u"Quantita"_s, Value::number(1));
    Expression e = Expression::parse(u"[Quantiat] + 1"_s);
    QVERIFY_THROWS_EXCEPTION(VinaryError, e.bind(f));
    Expression d = Expression::parse(u"Cantina.\"Quantita\""_s);
    QVERIFY_THROWS_EXCEPTION(VinaryError, d.bind(f));
    Expression nested = Expression::parse(u"SUM(SUM([Quantita]))"_s);
    QVERIFY_THROWS_EXCEPTION(VinaryError, nested.bind(f));
    Expression zero = Expression::parse(u"1 / 0"_s);
    zero.bind(f);
    QVERIFY_THROWS_EXCEPTION(VinaryError, zero.evaluate(f));
}

void TestExpression::valuesDisplay()
{
    const QLocale c = QLocale::c();
    const QLocale it(QLocale::Italian, QLocale::Italy);
    QCOMPARE(Value::number(12.5).toText(c), u"12.5"_s);
    QCOMPARE(Value::number(12.5).toText(it), u"12,5"_s);
    QCOMPARE(Value::number(1234567).toText(it), u"1234567"_s);
    QCOMPARE(Value::number(-3).toText(c), u"-3"_s);
    QCOMPARE(Value().toText(c), QString());
    QCOMPARE(Value::boolean(true).toText(c), u"True"_s);
    QCOMPARE(Value::date(QDateTime(QDate(2024, 3, 9), QTime(0, 0))).toText(it), u"09/03/2024"_s);
    QVERIFY(Value::date(QDateTime()).isNull());
    QCOMPARE(Value::fromVariant(QVariant(QDate(2024, 3, 9))).type(), Value::Type::Date);
    QCOMPARE(Value::fromVariant(QVariant(7)).toNumber(), 7.0);
    QVERIFY(Value::fromVariant(QVariant()).isNull());
}

void TestExpression::formats_data()
{
    QTest::addColumn<Value>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("price") << Value::number(12.5) << u"0.00;;#"_s << u"12,50"_s;
    QTest::newRow("price zero") << Value::number(0) << u"0.00;;#"_s << u""_s;
    QTest::newRow("quantity rounds") << Value::number(2.6) << u"#"_s << u"3"_s;
    QTest::newRow("grouping") << Value::number(1234.5) << u"#,##0.00"_s << u"1.234,50"_s;
    QTest::newRow("date pattern") << Value::date(QDateTime(QDate(2024, 3, 9), QTime(0, 0))) << u"dd/MM/yyyy"_s
                                  << u"09/03/2024"_s;
    QTest::newRow("text ignores the picture") << Value::text(u"Barolo"_s) << u"0.00"_s << u"Barolo"_s;
    QTest::newRow("empty stays empty") << Value() << u"0.00"_s << u""_s;
}

void TestExpression::formats()
{
    QFETCH(Value, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(value.formatted(format, QLocale(QLocale::Italian, QLocale::Italy)), expected);
}

void TestExpression::comparisonOfMixedValues()
{
    QCOMPARE(Value::text(u"rosso"_s).compare(Value::text(u"ROSSO"_s)), 0);
    QVERIFY(Value::text(u"abc"_s).compare(Value::text(u"abd"_s)) < 0);
    QCOMPARE(Value::text(u"10"_s).compare(Value::number(10)), 0);
    QVERIFY(Value::text(u"9"_s).compare(Value::number(10)) < 0);
    QCOMPARE(Value().compare(Value::number(0)), 0);
    QCOMPARE(Value().compare(Value::text(QString())), 0);
    QVERIFY(Value::number(1).compare(Value()) > 0);
    QCOMPARE(Value::boolean(true).compare(Value::number(1)), 0);
}

void TestExpression::splitTextKeepsWhatIsNoExpression()
{
    const auto segs = splitText(u"Total: [SUM([Valore])] [see note] [unclosed"_s);
    QCOMPARE(segs.size(), size_t(3));
    QCOMPARE(segs[0].isExpression, false);
    QCOMPARE(segs[0].text, u"Total: "_s);
    QCOMPARE(segs[1].isExpression, true);
    QCOMPARE(segs[1].text, u"[SUM([Valore])]"_s);
    QCOMPARE(segs[2].isExpression, false);
    QCOMPARE(segs[2].text, u" [see note] [unclosed"_s);

    const auto quoted = splitText(u"[IIF(1; ']'; 'x')]!"_s);
    QCOMPARE(quoted.size(), size_t(2));
    QCOMPARE(quoted[0].isExpression, true);
    QCOMPARE(quoted[1].text, u"!"_s);

    QVERIFY(isKeyShaped(u"RPT_TITLE"_s));
    QVERIFY(isKeyShaped(u"PUNTI1"_s));
    QVERIFY(!isKeyShaped(u"Descrizione"_s));
    QVERIFY(!isKeyShaped(u"_1"_s));
}

void TestExpression::dataIsNeverReparsed()
{
    Fields f;
    f.values.insert(u"Descrizione"_s, Value::text(u"Château d'Yquem [1+1] IIF("_s));
    QCOMPARE(f.eval(u"[Descrizione]"_s), u"Château d'Yquem [1+1] IIF("_s);
    QCOMPARE(f.eval(u"UPPER([Descrizione])"_s), u"CHÂTEAU D'YQUEM [1+1] IIF("_s);
}

void TestExpression::deepNestingIsRefused()
{
    QVERIFY_THROWS_EXCEPTION(VinaryError, Expression::parse(QString(200, u'(') + u'1' + QString(200, u')')));
    QVERIFY_THROWS_EXCEPTION(VinaryError, Expression::parse(QString(200, u'-') + u'1'));
    QVERIFY_THROWS_EXCEPTION(VinaryError, Expression::parse(QString(5000, u'1')));
    // A long flat chain is fine: it is not nested.
    QString chain = u"1"_s;
    for (int i = 0; i < 1000; ++i)
        chain += u"+1"_s;
    Fields f;
    QCOMPARE(f.eval(chain), u"1001"_s);
}

QTEST_GUILESS_MAIN(TestExpression)
#include "test_expression.moc"
