// A shop's spreadsheet of 300 wines, kept in LibreOffice Calc by an Italian user and saved as CSV by
// Calc itself (semicolons, decimal commas, thousands points, accents, day/month/year dates, quoted
// notes with semicolons and quotes), comes in through the import dialog with every value as in the
// spreadsheet. tests/data/spreadsheet/make_cantina.py tells how the files were made.
#include "stock/importfrm.h"
#include "stockfixture.h"

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;
using vinary::test::StockFixture;

class TestImportFrm : public QObject
{
    Q_OBJECT

private slots:
    void calcSpreadsheetComesInAsWritten();
};

void TestImportFrm::calcSpreadsheetComesInAsWritten()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    StockFixture f;
    const QDir languages(QStringLiteral(VINARY_SOURCE_DIR "/resources/language"));
    for (const QString &name : languages.entryList({u"*.lng"_s}))
        QVERIFY(QFile::copy(languages.filePath(name), f.dir.filePath(name)));
    f.language.load(languages.filePath(u"italiano.lng"_s));
    f.cellar.DB.exec(u"UPDATE Configurazione SET Ricarico = 1.8"_s);
    f.open();

    const QString folder = QStringLiteral(VINARY_SOURCE_DIR "/tests/data/spreadsheet/");
    vinary::CardImport import(f.cellar);
    import.loadFile(folder + u"cantina.csv"_s);
    QStringList messages;
    vinary::TImportForm form(f.cellar, import, [&](QWidget *, const QString &text) { messages << text; });
    if (qEnvironmentVariableIsSet("VINARY_GRAB_DIR"))
        form.grab().save(qEnvironmentVariable("VINARY_GRAB_DIR") + u"/importa-cantina.png"_s);

    // Every column is recognised by its Italian header, and nothing is refused.
    for (int c = 0; c < 16; ++c)
        QVERIFY2(form.mappingBox(c)->currentIndex() > 0, qPrintable(form.mappingBox(c)->currentText()));
    QCOMPARE(form.badRows()->count(), 0);
    QCOMPARE(form.preview()->rowCount(), vinary::TImportForm::kPreviewRows);
    QStringList firstRow;
    for (int c = 0; c < form.preview()->columnCount(); ++c)
        firstRow << (form.preview()->item(0, c) ? form.preview()->item(0, c)->text() : QString());
    QVERIFY2(firstRow.contains(u"2.451,23"_s), qPrintable(firstRow.join(u'|')));

    form.findChild<QPushButton *>(u"btnImporta"_s)->click();
    QCOMPARE(messages.size(), 1);

    QFile expectedFile(folder + u"cantina_attesa.tsv"_s);
    QVERIFY(expectedFile.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList expected = QString::fromUtf8(expectedFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
    const QStringList columns = expected.takeFirst().split(u'\t');
    QStringList quoted;
    for (const QString &c : columns)
        quoted << u"COALESCE(CAST(\"%1\" AS TEXT), '')"_s.arg(c);
    QStringList stored;
    vinary::db::Statement s =
        f.cellar.DB.prepare(u"SELECT %1 FROM Schede ORDER BY ID"_s.arg(quoted.join(u" || char(9) || "_s)));
    while (s.step())
        stored << s.text(0);
    QCOMPARE(stored.size(), 300);
    for (int i = 0; i < 300; ++i) {
        // Numbers compare by value: the database writes 12.0 where the spreadsheet shows 12.
        const QStringList got = stored.at(i).split(u'\t');
        const QStringList want = expected.at(i).split(u'\t');
        QCOMPARE(got.size(), want.size());
        for (int c = 0; c < got.size(); ++c) {
            bool numeric = false;
            const double w = want.at(c).toDouble(&numeric);
            if (numeric && columns.at(c) != u"Codice"_s && columns.at(c) != u"Anno"_s)
                QVERIFY2(qFuzzyCompare(got.at(c).toDouble() + 1.0, w + 1.0),
                         qPrintable(u"line %1, %2: %3 instead of %4"_s.arg(i + 2).arg(
                             columns.at(c), got.at(c), want.at(c))));
            else
                QVERIFY2(got.at(c) == want.at(c),
                         qPrintable(u"line %1, %2: %3 instead of %4"_s.arg(i + 2).arg(
                             columns.at(c), got.at(c), want.at(c))));
        }
    }
}

QTEST_MAIN(TestImportFrm)
#include "test_importfrm.moc"
