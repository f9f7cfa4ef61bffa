// The delivered reports on one fixed cellar with long names, 13-digit codes, accents and a journal
// over nine months: their text exports against golden files in Italian and German, every template
// in all five languages with no text leaving its box, and printing on Letter paper.
// VINARY_UPDATE_GOLDEN=1 rewrites the golden files; VINARY_REPORT_PDF_DIR=<dir> keeps a PDF of
// every report in both languages.

#include "data/cellar.h"
#include "engine/report/addons.h"
#include "engine/report/exports.h"
#include "engine/report/printout.h"
#include "engine/report/report.h"
#include "engine/report/textmeasure.h"
#include "reports/printcommand.h"
#include "reports/tabledataset.h"
#include "reports/templatetranslation.h"
#include "tests/reports/printfixture.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using namespace vinary::test;

namespace
{

const QString goldenDir = QStringLiteral(VINARY_SOURCE_DIR "/tests/reports/golden/");
const QString languageDir = QStringLiteral(VINARY_SOURCE_DIR "/resources/language/");
const QDate today(2024, 3, 15);

struct Language {
    QString file;
    QLocale locale;
    QString tag;
};

const QList<Language> &languages()
{
    static const QList<Language> all{
        {u"italiano.lng"_s, QLocale(QLocale::Italian, QLocale::Italy), u"it"_s},
        {u"deutsch.lng"_s, QLocale(QLocale::German, QLocale::Germany), u"de"_s},
        {u"english.lng"_s, QLocale(QLocale::English, QLocale::UnitedKingdom), u"en"_s},
        {u"francais.lng"_s, QLocale(QLocale::French, QLocale::France), u"fr"_s},
        {u"espanol.lng"_s, QLocale(QLocale::Spanish, QLocale::Spain), u"es"_s},
    };
    return all;
}

// The fixed cellar: 36 cards and a journal from July to March.
void fillCellar(PrintFixture &f)
{
    static const char16_t *const names[] = {
        u"Brunello di Montalcino Riserva «Vigna del Fiore»",
        u"Barolo Cannubi Boschis Docg «Sperss» Gaja",
        u"Amarone della Valpolicella Classico «Mazzano»",
        u"Château Pichon-Longueville Comtesse de Lalande",
        u"Gewürztraminer Vendange Tardive «Clos Häuserer»",
        u"Franciacorta Satèn Millesimato «Cuvée Annamaria»",
        u"Passito di Pantelleria «Ben Ryé» Donnafugata",
        u"Chianti Classico Gran Selezione «Vigneto Bellavista»",
        u"Côte-Rôtie «La Mouline» Guigal",
        u"Trento Doc Riserva del Fondatore «Giulio Ferrari»",
        u"Vermentino di Gallura Superiore «Canayli»",
        u"Rioja Gran Reserva «Viña Tondonia» López de Heredia",
    };
    static const char16_t *const producers[] = {
        u"Tenuta Castelgiocondo dei Marchesi de' Frescobaldi",
        u"Azienda Agricola Poderi Aldo Conterno & Figli",
        u"Domaine Zind-Humbrecht",
        u"Cantina Sociale Cooperativa di Gallura",
    };
    static const char16_t *const suppliers[] = {u"Distribuzione Vini Pregiati Bertolini S.r.l.",
                                                u"Enoteca all'ingrosso Fratelli Pérez & C.",
                                                u"Cantina diretta"};
    static const char16_t *const groups[] = {u"Rossi d'Italia", u"Bianchi e rosati", u"Bollicine",
                                             u"Francia – Bordeaux, Borgogna e Rodano"};
    static const char16_t *const types[] = {u"Rosso fermo", u"Bianco aromatico", u"Spumante Metodo Classico",
                                            u"Passito"};
    static const char16_t *const regions[] = {u"Trentino-Alto Adige/Südtirol", u"Toscana", u"Piemonte",
                                              u"Bourgogne-Franche-Comté", u"Castilla y León"};
    static const char16_t *const sizes[] = {u"0,75 l", u"Magnum 1,5 l", u"0,375 l"};
    for (int i = 0; i < 36; ++i) {
        QVariantMap c;
        c[u"Codice"_s] = u"80%1"_s.arg(qint64(12345678901) + i * 7919, 11, 10, QChar(u'0'));
        c[u"Composizione"_s] = i % 2 ? u"Nebbiolo"_s : u"Sangiovese grosso, Colorino e Canaiolo nero"_s;
        c[u"Anno"_s] = QString::number(2005 + i % 17);
        c[u"Gradi"_s] = u"14,5"_s;
        c[u"Fornitore"_s] = QString::fromUtf16(suppliers[i % 3]);
        c[u"Zona"_s] = i % 3 ? u"Langhe"_s : u"Colli Orientali del Friuli"_s;
        c[u"Regione"_s] = QString::fromUtf16(regions[i % 5]);
        c[u"Tipologia"_s] = QString::fromUtf16(types[i % 4]);
        c[u"Capacita"_s] = QString::fromUtf16(sizes[i % 3]);
        c[u"Collocazione"_s] = u"S%1-R%2"_s.arg(i % 12 + 1).arg(i % 5 + 1);
        c[u"Quantita"_s] = i % 5 == 0 ? 0.0 : double((i * 13) % 47 + 1);
        c[u"Prezzo_Acq"_s] = 8.5 + (i * 37) % 400 + 0.25 * (i % 4);
        c[u"Ricarico"_s] = 2.0;
        c[u"Prezzo_Ven"_s] = (8.5 + (i * 37) % 400 + 0.25 * (i % 4)) * 2.0;
        c[u"Prezzo_Bic"_s] = i % 4 == 3 ? 0.0 : 4.5 + i % 9;
        c[u"Incarta"_s] = i % 3 != 2;
        c[u"Scadenza"_s] =
            i % 6 == 5 ? QVariant()
                       : QVariant(today.addDays(-200 + i * 61).toString(Qt::ISODate) + u" 00:00:00"_s);
        c[u"Scorta"_s] = double(i % 4 * 6);
        f.addCard(QString::fromUtf16(names[i % 12]), QString::fromUtf16(groups[i % 4]),
                  QString::fromUtf16(producers[i % 4]), c);
    }
    db::Statement s = f.cellar().DB.prepare(
        u"INSERT INTO Giornale (Causale, Data, Codice, Descrizione, Anno, Quantita, Prezzo_acq, Prezzo_ven) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s);
    for (int i = 0; i < 70; ++i) {
        const int card = (i * 5) % 36;
        const bool load = i % 3 == 0;
        s.reset();
        s.bind(1, load ? u"C"_s : u"S"_s);
        s.bind(2, QDate(2023, 7, 1).addDays(i * 3 + i / 4).toString(Qt::ISODate) + u" 00:00:00"_s);
        s.bind(3, u"80%1"_s.arg(qint64(12345678901) + card * 7919, 11, 10, QChar(u'0')));
        s.bind(4, QString::fromUtf16(names[card % 12]));
        s.bind(5, QString::number(2005 + card % 17));
        s.bind(6, load ? double(6 * (1 + i % 4)) : -double(1 + i % 3));
        s.bind(7, 8.5 + (card * 37) % 400);
        s.bind(8, (8.5 + (card * 37) % 400) * 2.0);
        s.exec();
    }
    f.exec(u"UPDATE Configurazione SET Utente = 'Enoteca «Il Grappolo d''Oro» di Müller & Söhne'"_s);
    f.reopen();
}

struct Row {
    int id;
    QString tracciato;
};

class Printer
{
public:
    Printer()
    {
        if (!m_fixture.isValid())
            return;
        fillCellar(m_fixture);
        Cellar &c = m_fixture.cellar();
        c.criteria.selGruppo = [] { return QString(); };
        c.criteria.selproduttore = [] { return QString(); };
        c.criteria.selfornitore = [] { return QString(); };
        c.criteria.seltipologia = [] { return QString(); };
        c.criteria.incarta = [] { return false; };
        c.criteria.dadata = [this] { return m_selection.from.toString(Qt::ISODate); };
        c.criteria.adata = [this] { return m_selection.to.toString(Qt::ISODate); };
        m_report.setClock([] { return QDateTime(today, QTime(9, 0)); });
    }

    PrintFixture &fixture() { return m_fixture; }
    report::Report &report() { return m_report; }

    void setLanguage(const Language &l)
    {
        m_fixture.language().load(languageDir + l.file);
        m_report.setLocale(l.locale);
    }

    QList<Row> reports()
    {
        QList<Row> rows;
        db::Statement s =
            m_fixture.cellar().DB.prepare(u"SELECT ID, Tracciato FROM Stampe ORDER BY Ordine"_s);
        while (s.step())
            rows.append({int(s.int64(0)), s.text(1)});
        return rows;
    }

    // The report prepared as the print menu prepares it.
    report::PreparedReport prepare(int id)
    {
        report::PreparedReport out;
        PrintCommand command(m_fixture.cellar(), m_report, m_selection);
        command.setShowStep([&] { out = m_report.prepare(); });
        command.run(id);
        return out;
    }

    // The tasting card, which prints the current card.
    report::PreparedReport tastingCard()
    {
        m_report.loadFromFile(m_fixture.dir() + u"scheda.frf"_s);
        translateTemplate(m_report, m_fixture.cellar());
        m_fixture.cellar().Schede.first();
        return m_report.prepare();
    }

private:
    PrintFixture m_fixture;
    report::ShapeAddOn m_shapes;
    report::Report m_report;
    CellarDatasets m_datasets{m_fixture.cellar(), m_report.datasets()};
    ScriptedSelection m_selection;
};

void compareWithGolden(const QString &actual, const QString &name)
{
    const QString path = goldenDir + name;
    if (qEnvironmentVariableIsSet("VINARY_UPDATE_GOLDEN")) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(actual.toUtf8());
        return;
    }
    QFile in(path);
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(u"missing golden file "_s + path));
    const QStringList expected = QString::fromUtf8(in.readAll()).split(u'\n');
    const QStringList lines = actual.split(u'\n');
    for (qsizetype i = 0; i < std::max(expected.size(), lines.size()); ++i) {
        const QString e = expected.value(i, u"<end of file>"_s);
        const QString a = lines.value(i, u"<end of file>"_s);
        QVERIFY2(
            e == a,
            qPrintable(u"%1 line %2\n expected: |%3|\n actual:   |%4|"_s.arg(name).arg(i + 1).arg(e, a)));
    }
}

// Every line inside its box, measured as the painter measures; a cut line only where a long text
// is cut, never a code, a number, a date or a caption of the language file.
void checkFits(const report::PreparedReport &r, const QStringList &captions, const QString &what)
{
    using report::TextMeasurer;
    using report::Reference::mmPerPixel;
    static const QRegularExpression numeric(u"^[\\d\\s.,/:'%+-]*…$"_s);
    std::vector<QFontMetricsF> metrics;
    for (const report::PreparedFont &f : r.fonts)
        metrics.emplace_back(f.font);
    for (int page = 0; page < r.pageCount(); ++page) {
        const report::PreparedPage prepared = r.page(page);
        for (const report::Primitive &p : prepared.items) {
            if (p.kind != report::Primitive::Kind::Text)
                continue;
            const QFontMetricsF &fm = metrics[size_t(p.font)];
            for (size_t i = 0; i < p.lines.size(); ++i) {
                const report::PreparedLine &l = p.lines[i];
                const QString where = u"%1 page %2: \"%3\""_s.arg(what).arg(page + 1).arg(l.text);
                const double width = fm.horizontalAdvance(l.text) * mmPerPixel;
                QVERIFY2(l.origin.x() >= p.rect.left() - 1e-3 &&
                             l.origin.x() + width <= p.rect.right() + 1e-3,
                         qPrintable(where + u" is wider than its box"_s));
                if (i > 0)
                    QVERIFY2(l.origin.y() + fm.descent() * mmPerPixel <= p.rect.bottom() + 0.3,
                             qPrintable(where + u" is below its box"_s));
                if (l.text.endsWith(u'…')) {
                    QVERIFY2(!numeric.match(l.text).hasMatch(), qPrintable(where + u" cuts a number"_s));
                    const QString cut = l.text.chopped(1).trimmed();
                    for (const QString &caption : captions)
                        QVERIFY2(!caption.startsWith(cut), qPrintable(where + u" cuts a caption"_s));
                }
            }
        }
    }
}

// The captions the delivered templates print: the values of their keys in the language file.
QStringList captions(const Cellar &cellar)
{
    QStringList out;
    static const QRegularExpression key(u"\\[[A-Z0-9_]+\\]"_s);
    const QDir dir(QStringLiteral(VINARY_SOURCE_DIR "/resources/reports"));
    for (const QString &file : dir.entryList({u"*.frf"_s})) {
        QFile f(dir.filePath(file));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        for (auto it = key.globalMatch(text); it.hasNext();) {
            const QString k = it.next().captured(0);
            const QString v = cellar.traduci(k);
            if (v != k && !out.contains(v))
                out.append(v);
        }
    }
    return out;
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestDeliveredReports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textExportsMatchTheGoldenFiles_data();
    void textExportsMatchTheGoldenFiles();
    void noTextLeavesItsBoxInAnyLanguage();
    void pagesFollowTheLocalesPaper();
    void printingOnLetterKeepsTheWholePage();

private:
    std::unique_ptr<Printer> m_printer;
};

void TestDeliveredReports::initTestCase()
{
    m_printer = std::make_unique<Printer>();
    QVERIFY2(m_printer->fixture().isValid(), qPrintable(m_printer->fixture().errorText()));
    QCOMPARE(m_printer->reports().size(), 9);
}

void TestDeliveredReports::textExportsMatchTheGoldenFiles_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("Italian") << 0;
    QTest::newRow("German") << 1;
}

void TestDeliveredReports::textExportsMatchTheGoldenFiles()
{
    QFETCH(int, language);
    const Language &l = languages().at(language);
    m_printer->setLanguage(l);
    const QByteArray pdfDir = qgetenv("VINARY_REPORT_PDF_DIR");
    for (const Row &row : m_printer->reports()) {
        const report::PreparedReport r = m_printer->prepare(row.id);
        const QString base = QFileInfo(row.tracciato).completeBaseName() + u'-' + l.tag;
        compareWithGolden(report::textExport(r), base + u".txt"_s);
        if (!pdfDir.isEmpty())
            report::exportPdf(r, QDir(QString::fromLocal8Bit(pdfDir)).filePath(base + u".pdf"_s));
    }
    if (!pdfDir.isEmpty())
        report::exportPdf(m_printer->tastingCard(),
                          QDir(QString::fromLocal8Bit(pdfDir)).filePath(u"scheda-"_s + l.tag + u".pdf"_s));
}

void TestDeliveredReports::noTextLeavesItsBoxInAnyLanguage()
{
    for (const Language &l : languages()) {
        m_printer->setLanguage(l);
        const QStringList texts = captions(m_printer->fixture().cellar());
        QVERIFY(texts.size() > 40);
        for (const Row &row : m_printer->reports()) {
            checkFits(m_printer->prepare(row.id), texts, row.tracciato + u' ' + l.tag);
            if (QTest::currentTestFailed())
                return;
        }
        checkFits(m_printer->tastingCard(), texts, u"scheda.frf "_s + l.tag);
    }
}

void TestDeliveredReports::pagesFollowTheLocalesPaper()
{
    m_printer->setLanguage(languages().at(2));
    m_printer->report().setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    const report::PreparedReport letter = m_printer->prepare(1);
    QCOMPARE(letter.paperSize(0), QSizeF(215.9, 279.4));
    m_printer->report().setLocale(QLocale(QLocale::French, QLocale::Canada));
    QCOMPARE(m_printer->prepare(1).paperSize(0), QSizeF(215.9, 279.4));
    m_printer->report().setLocale(QLocale(QLocale::German, QLocale::Austria));
    const report::PreparedReport a4 = m_printer->prepare(1);
    QCOMPARE(a4.paperSize(0), QSizeF(210, 297));
    // Fewer rows fit the shorter sheet.
    QVERIFY(letter.pageCount() >= a4.pageCount());
}

void TestDeliveredReports::printingOnLetterKeepsTheWholePage()
{
    // An A4 report printed through the print dialog's Letter paper.
    m_printer->setLanguage(languages().at(0));
    const report::PreparedReport r = m_printer->prepare(1);
    QCOMPARE(r.paperSize(0), QSizeF(210, 297));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"letter.pdf"_s);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    QVERIFY(report::printPages(printer, r, 0, r.pageCount() - 1));

    if (QStandardPaths::findExecutable(u"pdfinfo"_s).isEmpty())
        QSKIP("pdfinfo is not installed");
    const QString info = run(u"pdfinfo"_s, {pdf});
    QVERIFY2(info.contains(u"612 x 792 pts"_s), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(u"Pages:\\s+%1\\b"_s.arg(r.pageCount()))), qPrintable(info));
    // Everything of each page is on its sheet: the corners' texts read back.
    for (int page = 1; page <= r.pageCount(); ++page) {
        const QString text = run(u"pdftotext"_s, {u"-f"_s, QString::number(page), u"-l"_s,
                                                  QString::number(page), u"-layout"_s, pdf, u"-"_s});
        QVERIFY2(text.contains(u"%1 / %2"_s.arg(page).arg(r.pageCount())), qPrintable(text.right(300)));
        const QString firstRow =
            r.page(page - 1).items.empty() ? QString() : r.pageText(page - 1).section(u'\n', 0, 0);
        QVERIFY2(text.simplified().contains(firstRow.section(u' ', 0, 1)), qPrintable(firstRow));
    }
}

QTEST_MAIN(TestDeliveredReports)
#include "test_deliveredreports.moc"
