// Qt's own texts follow the language file's "[LINGUA_ISO]": a code Qt has a catalogue for installs
// it, anything else leaves Qt's English without a word to the user.

#include "language/languagetable.h"
#include "language/qtcatalogue.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;
using vinary::LanguageTable;

class TestQtCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void languageOfTheFile_data();
    void languageOfTheFile();
    void installedCatalogueTranslatesQtsButtons_data();
    void installedCatalogueTranslatesQtsButtons();
};

void TestQtCatalogue::languageOfTheFile_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("language");
    QTest::newRow("italian") << QStringList{u"[TITOLO]=Vinary"_s, u"[LINGUA_ISO]=it"_s} << u"it_IT"_s;
    QTest::newRow("with country and dash") << QStringList{u"[lingua_iso]=pt-BR"_s} << u"pt_BR"_s;
    QTest::newRow("padded") << QStringList{u"[LINGUA_ISO]= de "_s} << u"de_DE"_s;
    QTest::newRow("no such language") << QStringList{u"[LINGUA_ISO]=xq"_s} << QString();
    QTest::newRow("a path") << QStringList{u"[LINGUA_ISO]=../../tmp/evil"_s} << QString();
    QTest::newRow("a word") << QStringList{u"[LINGUA_ISO]=Italiano"_s} << QString();
    QTest::newRow("no key: the system's") << QStringList{u"[TITOLO]=Vinary"_s} << QLocale::system().name();
}

void TestQtCatalogue::languageOfTheFile()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, language);
    LanguageTable table(lines);
    // The English file behind the table does not speak for it.
    table.setFallback({u"[LINGUA_ISO]=en"_s});
    QCOMPARE(vinary::qtCatalogueLanguage(table), language);
}

void TestQtCatalogue::installedCatalogueTranslatesQtsButtons_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("italian") << u"it_IT"_s << true << u"Annulla"_s;
    QTest::newRow("german") << u"de_DE"_s << true << u"Abbrechen"_s;
    QTest::newRow("french") << u"fr_FR"_s << true << u"Annuler"_s;
    QTest::newRow("spanish") << u"es_ES"_s << true << u"Cancelar"_s;
    QTest::newRow("none: English") << QString() << false << u"Cancel"_s;
    QTest::newRow("without a catalogue: English") << u"sw_KE"_s << false << u"Cancel"_s;
}

void TestQtCatalogue::installedCatalogueTranslatesQtsButtons()
{
    QFETCH(QString, language);
    QFETCH(bool, installed);
    QFETCH(QString, cancel);
    QCOMPARE(vinary::installQtCatalogue(language), installed);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
}

QTEST_GUILESS_MAIN(TestQtCatalogue)
#include "test_qtcatalogue.moc"
