#include "reports/templatetranslation.h"

#include "data/cellar.h"
#include "engine/report/report.h"
#include "language/languagetable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;

namespace
{

report::ReportObject textObject(const QString &name, const QStringList &lines)
{
    report::ReportObject o;
    o.kind = report::ObjectKind::Text;
    o.name = name;
    o.rect = QRectF(15, 15, 60, 6);
    o.lines = lines;
    return o;
}

} // namespace

class TestTemplateTranslation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void everyObjectOfEveryPage();
    void onlyTheFirstKeyOfAnObject();
    void dataReferencesStay();
    void longTailIsCut();
    void fileIsNotChanged();
    void titleTranslatedOnceInPlace();

private:
    LanguageTable m_language{QStringList{u"[TITOLO]=Cellar"_s, u"[GRUPPO]=Group"_s, u"[ANNO]=Vintage"_s,
                                         u"[STAMPE]=Reports [of the cellar]"_s}};
    Cellar m_cellar;
};

void TestTemplateTranslation::init()
{
    m_cellar.language = &m_language;
}

void TestTemplateTranslation::everyObjectOfEveryPage()
{
    report::Report r;
    report::ReportTemplate t;
    t.pages.append(report::ReportPage());
    t.pages.append(report::ReportPage());
    t.pages[0].objects << textObject(u"A"_s, {u"[TITOLO]"_s}) << textObject(u"B"_s, {u"x [GRUPPO] y"_s});
    t.pages[1].objects << textObject(u"C"_s, {u"[ANNO]"_s});
    report::ReportObject band;
    band.kind = report::ObjectKind::Band;
    band.lines = {u"[TITOLO]"_s};
    t.pages[1].objects << band;
    r.setReportTemplate(t);

    translateTemplate(r, m_cellar);
    QCOMPARE(r.objectText(0, 0), u"Cellar\r\n"_s);
    QCOMPARE(r.objectText(0, 1), u"x Group y\r\n"_s);
    QCOMPARE(r.objectText(1, 0), u"Vintage\r\n"_s);
    QCOMPARE(r.objectText(1, 1), u"Cellar\r\n"_s);
    QCOMPARE(r.object(0, 0).lines.size(), 1);
}

void TestTemplateTranslation::onlyTheFirstKeyOfAnObject()
{
    report::Report r;
    report::ReportTemplate t;
    t.pages.append(report::ReportPage());
    t.pages[0].objects << textObject(u"A"_s, {u"[GRUPPO]"_s, u"[ANNO]"_s})
                       << textObject(u"B"_s, {u"[GRUPPO] and [ANNO]"_s});
    r.setReportTemplate(t);
    translateTemplate(r, m_cellar);
    QCOMPARE(r.object(0, 0).lines, (QStringList{u"Group"_s, u"[ANNO]"_s}));
    QCOMPARE(r.object(0, 1).lines, QStringList{u"Group and [ANNO]"_s});
}

void TestTemplateTranslation::dataReferencesStay()
{
    report::Report r;
    report::ReportTemplate t;
    t.pages.append(report::ReportPage());
    t.pages[0].objects << textObject(u"A"_s, {u"[Schede.\"Descrizione\"]"_s})
                       << textObject(u"B"_s, {u"[Schede.\"Anno\"] [ANNO]"_s}) << textObject(u"C"_s, {});
    r.setReportTemplate(t);
    const report::ReportTemplate before = r.reportTemplate();
    translateTemplate(r, m_cellar);
    QVERIFY(r.reportTemplate() == before);
}

void TestTemplateTranslation::longTailIsCut()
{
    report::Report r;
    report::ReportTemplate t;
    t.pages.append(report::ReportPage());
    const QString tail = QString(300, u'x');
    t.pages[0].objects << textObject(u"A"_s, {u"[GRUPPO]"_s + tail})
                       << textObject(u"B"_s, {u"[NOKEY]"_s + tail});
    r.setReportTemplate(t);
    translateTemplate(r, m_cellar);
    QCOMPARE(r.objectText(0, 0), u"Group"_s + QString(255, u'x') + u"\r\n"_s);
    QCOMPARE(r.objectText(0, 1), u"[NOKEY]"_s + QString(255, u'x') + u"\r\n"_s);
}

void TestTemplateTranslation::fileIsNotChanged()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"t.frf"_s);
    report::Report r;
    r.reportTemplate().page(0).objects << textObject(u"A"_s, {u"[GRUPPO]"_s});
    r.saveToFile(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();

    report::Report loaded;
    loaded.loadFromFile(path);
    translateTemplate(loaded, m_cellar);
    QCOMPARE(loaded.objectText(0, 0), u"Group\r\n"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), saved);
}

void TestTemplateTranslation::titleTranslatedOnceInPlace()
{
    report::Report r;
    QCOMPARE(r.title(), u"[STAMPE]"_s);
    translateReportTitle(r, m_cellar);
    QCOMPARE(r.title(), u"Reports [of the cellar]"_s);
    // The translation holds no key of the table: later runs leave it as it is.
    translateReportTitle(r, m_cellar);
    QCOMPARE(r.title(), u"Reports [of the cellar]"_s);
}

QTEST_GUILESS_MAIN(TestTemplateTranslation)
#include "test_templatetranslation.moc"
