// Randomized inputs for the template loader, the evaluator and the paginator: whatever comes in,
// the engine answers with a template, a value, a prepared report or a VinaryError, never a crash
// or a hang. Seeds are fixed so that a failure repeats; VINARY_RANDOM_SEED picks another run.

#include "engine/common/errors.h"
#include "engine/report/expression.h"
#include "engine/report/preparer.h"
#include "engine/report/templatefile.h"
#include "reportfixtures.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using namespace vinary::report;
using namespace vinary::report::fixtures;

namespace
{

quint32 seed()
{
    bool ok = false;
    const quint32 s = qEnvironmentVariable("VINARY_RANDOM_SEED").toUInt(&ok);
    return ok ? s : 20250601u;
}

const QStringList &tokens()
{
    static const QStringList t = {u"[Quantita]"_s,
                                  u"[Scorta]"_s,
                                  u"[Schede.\"Descrizione\"]"_s,
                                  u"Prezzo_Acq"_s,
                                  u"Valore"_s,
                                  u"[PAGE#]"_s,
                                  u"[TOTALPAGES]"_s,
                                  u"DATE"_s,
                                  u"LINE#"_s,
                                  u"1"_s,
                                  u"0"_s,
                                  u"2.5"_s,
                                  u"1e308"_s,
                                  u"'d''Yquem'"_s,
                                  u"'['"_s,
                                  u"+"_s,
                                  u"-"_s,
                                  u"*"_s,
                                  u"/"_s,
                                  u"mod"_s,
                                  u"="_s,
                                  u"<="_s,
                                  u"<>"_s,
                                  u"and"_s,
                                  u"or"_s,
                                  u"not"_s,
                                  u"("_s,
                                  u")"_s,
                                  u"["_s,
                                  u"]"_s,
                                  u";"_s,
                                  u","_s,
                                  u"IIF("_s,
                                  u"SUM("_s,
                                  u"COUNT("_s,
                                  u"AVG("_s,
                                  u"MIN("_s,
                                  u"MAX("_s,
                                  u"FORMAT("_s,
                                  u"'0.00;;#'"_s,
                                  u"UPPER("_s,
                                  u"ROUND("_s,
                                  u"."_s,
                                  u"\""_s,
                                  u"Incarta"_s,
                                  u"Pronto"_s,
                                  u"Nessuno"_s,
                                  u"@"_s};
    return t;
}

QString randomExpression(QRandomGenerator &rng)
{
    QString out;
    const int n = rng.bounded(1, 14);
    for (int i = 0; i < n; ++i) {
        out += tokens().at(rng.bounded(qsizetype(tokens().size())));
        if (rng.bounded(3) == 0)
            out += u' ';
    }
    return out;
}

// A page of random bands and texts, some of them wrong in the ways a user's template can be.
ReportTemplate randomTemplate(QRandomGenerator &rng)
{
    ReportTemplate t;
    const int pages = rng.bounded(1, 3);
    for (int pg = 0; pg < pages; ++pg) {
        ReportPage p = page();
        if (rng.bounded(4) == 0)
            p.paperSize = QSizeF(rng.bounded(50, 400), rng.bounded(50, 400)); // margins stay within it
        const int bands = rng.bounded(0, 8);
        double y = 10;
        for (int b = 0; b < bands; ++b) {
            const auto type = static_cast<BandType>(rng.bounded(9));
            const double h = rng.bounded(0, 60) + rng.generateDouble();
            ReportObject band =
                fixtures::band(type, y, h, type == BandType::MasterData ? u"Schede"_s : QString());
            if (rng.bounded(4) == 0)
                band.printCondition = randomExpression(rng);
            if (type == BandType::GroupHeader)
                band.groupExpression = rng.bounded(2) ? u"[Tipologia]"_s : randomExpression(rng);
            band.currentRowOnly = rng.bounded(5) == 0;
            band.repeatOnNewPage = rng.bounded(2);
            p.objects.append(band);
            const int texts = rng.bounded(0, 4);
            for (int k = 0; k < texts; ++k) {
                ReportObject o =
                    text(rng.bounded(0, 200), y + rng.bounded(0, int(h) + 1), rng.bounded(0, 120),
                         rng.bounded(0, 20), u"A [%1] b"_s.arg(randomExpression(rng)));
                o.stretch = rng.bounded(2);
                o.wordWrap = rng.bounded(2);
                o.format = rng.bounded(3) == 0 ? u"#,##0.00"_s : QString();
                o.hAlign = static_cast<HAlign>(rng.bounded(3));
                p.objects.append(o);
            }
            y += h;
        }
        t.pages.append(p);
    }
    return t;
}

QByteArray mutate(QByteArray data, QRandomGenerator &rng)
{
    const int edits = rng.bounded(1, 8);
    for (int e = 0; e < edits && !data.isEmpty(); ++e) {
        const qsizetype at = rng.bounded(data.size());
        switch (rng.bounded(6)) {
        case 0:
            data[at] = char(rng.bounded(256));
            break;
        case 1:
            data.remove(at, rng.bounded(1, 40));
            break;
        case 2:
            data.insert(at, data.mid(rng.bounded(data.size()), rng.bounded(1, 200)));
            break;
        case 3:
            data.truncate(at);
            break;
        case 4:
            data.insert(at, QByteArray::number(rng.generateDouble() * 1e300, 'g', 17));
            break;
        case 5:
            data.insert(at, "<x><y a=\"-1e999\">");
            break;
        }
    }
    return data;
}

} // namespace

class TestRandomized : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qInfo("seed %u", seed()); }
    void mutatedTemplateFiles();
    void randomExpressions();
    void randomTemplatesPrepare();
    void roundTripOfRandomTemplates();
};

void TestRandomized::mutatedTemplateFiles()
{
    QRandomGenerator rng(seed());
    MemoryDataset cards;
    fillCellar(cards, QDate(2025, 6, 1));
    DatasetRegistry registry;
    registry.add(u"MainForm.Schede"_s, &cards);
    const QByteArray valid = TemplateFile::serialize(randomTemplate(rng));
    int loaded = 0;
    for (int i = 0; i < 400; ++i) {
        const QByteArray data = mutate(valid, rng);
        try {
            const ReportTemplate t = TemplateFile::parse(data, u"fuzz.frf"_s);
            ++loaded;
            prepareReport(t, registry);
        } catch (const VinaryError &e) {
            QVERIFY(!e.message().isEmpty());
        }
    }
    QVERIFY(loaded > 0); // some mutations stay readable, so preparing them is exercised too
}

void TestRandomized::randomExpressions()
{
    QRandomGenerator rng(seed() + 1);
    struct Any : Binder, EvalContext {
        int bindField(const QString &dataset, const QString &field) override
        {
            if (field == u"Nessuno"_s || (!dataset.isEmpty() && dataset != u"Schede"_s))
                throw VinaryError(u"unknown"_s);
            return 0;
        }
        int bindAggregate(AggregateKind, const Expression &, int) override { return 0; }
        Value field(int) const override { return Value::text(u"Château d'Yquem ]['"_s); }
        Value builtin(Builtin) const override { return Value::number(7); }
        Value aggregate(int) const override { return Value(); }
        const QLocale &locale() const override { return m_locale; }
        QLocale m_locale = QLocale::c();
    } any;
    int evaluated = 0;
    for (int i = 0; i < 5000; ++i) {
        const QString source = randomExpression(rng);
        try {
            Expression e = Expression::parse(source);
            e.bind(any);
            e.evaluate(any);
            ++evaluated;
        } catch (const VinaryError &) {
        }
        // Splitting a text never loses or invents characters of its literal parts.
        const QString text = u"x[%1]y"_s.arg(source);
        QString joined;
        for (const TextSegment &s : splitText(text))
            joined += s.text;
        QCOMPARE(joined, text);
    }
    QVERIFY(evaluated > 100);
}

void TestRandomized::randomTemplatesPrepare()
{
    QRandomGenerator rng(seed() + 2);
    MemoryDataset cards;
    fillWines(cards, 200);
    DatasetRegistry registry;
    registry.add(u"MainForm.Schede"_s, &cards);
    int prepared = 0;
    for (int i = 0; i < 150; ++i) {
        const ReportTemplate t = randomTemplate(rng);
        QElapsedTimer timer;
        timer.start();
        try {
            const PreparedReport r = prepareReport(t, registry);
            ++prepared;
            QVERIFY(r.pageCount() >= t.pageCount());
        } catch (const VinaryError &e) {
            QVERIFY(!e.message().isEmpty());
        }
        QVERIFY2(timer.elapsed() < 20000, "preparing a random template took too long");
    }
    QVERIFY(prepared > 10);
}

void TestRandomized::roundTripOfRandomTemplates()
{
    QRandomGenerator rng(seed() + 3);
    for (int i = 0; i < 100; ++i) {
        const ReportTemplate t = randomTemplate(rng);
        const ReportTemplate back = TemplateFile::parse(TemplateFile::serialize(t), u"r.frf"_s);
        QCOMPARE(back.pageCount(), t.pageCount());
        for (int p = 0; p < t.pageCount(); ++p) {
            QCOMPARE(back.page(p).paperSize, t.page(p).paperSize);
            QCOMPARE(back.page(p).margins, t.page(p).margins);
            QCOMPARE(back.page(p).objectCount(), t.page(p).objectCount());
            for (int o = 0; o < t.page(p).objectCount(); ++o) {
                const ReportObject &a = t.page(p).object(o);
                const ReportObject &b = back.page(p).object(o);
                QVERIFY2(a == b,
                         qPrintable(u"page %1 object %2: %3 / %4"_s.arg(p).arg(o).arg(a.text(), b.text())));
            }
        }
    }
}

QTEST_MAIN(TestRandomized)
#include "test_randomized.moc"
