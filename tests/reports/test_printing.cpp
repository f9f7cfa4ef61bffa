#include "reports/printing.h"

#include "app/mainform.h"
#include "app/startup.h"
#include "data/cellar.h"
#include "engine/report/addons.h"
#include "engine/report/designerdocument.h"
#include "engine/report/designerwindow.h"
#include "engine/report/exports.h"
#include "engine/report/templatefile.h"
#include "reports/select.h"
#include "tests/reports/printfixture.h"
#include "tests/support/recordingerrorbox.h"
#include "widgets/sortedcombobox.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace vinary;

namespace
{

int objectNamed(const report::ReportPage &page, const QString &name)
{
    for (int i = 0; i < page.objectCount(); ++i) {
        if (page.object(i).name == name)
            return i;
    }
    return -1;
}

// Answers the selection dialog once it shows, after `fill` set its boxes.
void answerDialog(TSelezioneForm &dialog, bool confirm, std::function<void()> fill = nullptr)
{
    QTimer::singleShot(0, &dialog, [&dialog, confirm, fill] {
        QTRY_VERIFY(dialog.isVisible());
        if (fill)
            fill();
        QTest::keyClick(&dialog, confirm ? Qt::Key_Return : Qt::Key_Escape);
    });
}

QStringList printedLines(const report::PreparedReport &prepared)
{
    QStringList lines;
    for (const QString &line : report::textExport(prepared).split(u'\n')) {
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    return lines;
}

bool anyLineHolds(const QStringList &lines, const QString &text)
{
    for (const QString &line : lines) {
        if (line.contains(text))
            return true;
    }
    return false;
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void ownsTheComponentAndItsAddOns();
    void designerBeforeAnyRunShowsOneEmptyPage();
    void designerAfterARunShowsTheTranslatedTemplate();
    void printsWhatTheDialogSelects();
    void escapePrintsNothing();
    void withoutTheDialogNothingHappens();
    void printMenuOfTheMainWindowRunsTheReport();

private:
    std::unique_ptr<test::PrintFixture> m_f;
    std::unique_ptr<TSelezioneForm> m_dialog;
    std::unique_ptr<Printing> m_printing;
    QList<report::PreparedReport> m_previews;
};

void TestPrinting::init()
{
    m_f = std::make_unique<test::PrintFixture>();
    QVERIFY2(m_f->isValid(), qPrintable(m_f->errorText()));
    m_f->addCard(u"Barolo"_s, u"Rossi"_s, u"Conterno"_s);
    m_f->addCard(u"Arneis"_s, u"Bianchi"_s, u"Giacosa"_s);
    m_f->reopen();
    m_dialog = std::make_unique<TSelezioneForm>(m_f->cellar());
    m_printing = std::make_unique<Printing>(m_f->cellar());
    m_printing->setSelezioneForm(m_dialog.get());
    m_previews.clear();
    m_printing->frReport1().setPreviewHook(
        [this](const report::PreparedReport &prepared) { m_previews.append(prepared); });
}

void TestPrinting::cleanup()
{
    m_printing.reset();
    m_dialog.reset();
    m_f.reset();
}

void TestPrinting::ownsTheComponentAndItsAddOns()
{
    QCOMPARE(m_printing->frReport1().objectName(), u"frReport1"_s);
    QCOMPARE(m_printing->frReport1().title(), u"[STAMPE]"_s);
    QVERIFY(report::ShapeAddOn::available());
    QVERIFY(report::TextExportAddOn::available());
    QVERIFY(report::RichExportAddOn::available());
    QVERIFY(report::DesignerAddOn::available());
    // The templates reach the main window's tables by their names.
    for (const QString &name : {u"MainForm.Schede"_s, u"MainForm.giornale"_s, u"MainForm.intestazione"_s,
                                u"MainForm.stampe"_s, u"MainForm.indici"_s})
        QVERIFY2(m_printing->frReport1().datasets().find(name), qPrintable(name));
    m_printing.reset();
    QVERIFY(!report::DesignerAddOn::available());
}

void TestPrinting::designerBeforeAnyRunShowsOneEmptyPage()
{
    int opened = 0;
    m_printing->frReport1().setDesignerHook([&](report::Report &r) {
        ++opened;
        QCOMPARE(r.pageCount(), 1);
        QCOMPARE(r.objectCount(0), 0);
        QCOMPARE(r.title(), u"[STAMPE]"_s);
    });
    m_printing->Personalizzazionestampe1Click();
    QCOMPARE(opened, 1);
}

void TestPrinting::designerAfterARunShowsTheTranslatedTemplate()
{
    answerDialog(*m_dialog, true);
    m_printing->StampeClick(1);
    QCOMPARE(m_previews.size(), 1);

    // The designer shows the translated texts; a plain save after one edit writes that edit and
    // keeps every other text as the file had it, keys included.
    const QString delivered = m_f->dir() + u"catalogo.frf"_s;
    int opened = 0;
    m_printing->frReport1().setDesignerHook([&](report::Report &r) {
        ++opened;
        QCOMPARE(r.fileName(), QFileInfo(delivered).absoluteFilePath());
        QCOMPARE(r.title(), u"Vinary - Reports"_s);
        report::DesignerWindow designer(r);
        const report::ReportPage &page = designer.document().page(0);
        const int kept = objectNamed(page, u"Memo1"_s);
        const int edited = objectNamed(page, u"Memo4"_s);
        QVERIFY(kept >= 0 && edited >= 0);
        QCOMPARE(page.object(kept).text(), u"Wine Catalogue\r\n"_s);
        QCOMPARE(page.object(edited).text(), u"Wine Catalogue\r\n"_s);
        report::ReportObject changed = page.object(edited);
        changed.setText(u"Our wines"_s);
        designer.document().changeObjects(0, {edited}, {changed}, u"Text"_s);
        QVERIFY(designer.save());
    });
    m_printing->Personalizzazionestampe1Click();
    QCOMPARE(opened, 1);

    const report::ReportTemplate saved = report::TemplateFile::load(delivered);
    const report::ReportPage &page = saved.page(0);
    QCOMPARE(page.object(objectNamed(page, u"Memo1"_s)).lines, QStringList{u"[RPT_CATALOGO]"_s});
    QCOMPARE(page.object(objectNamed(page, u"Memo4"_s)).lines, QStringList{u"Our wines"_s});
    for (const report::ReportObject &o : page.objects)
        QVERIFY2(!o.lines.contains(u"Wine Catalogue"_s), qPrintable(o.name));
    QFile file(delivered);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("[RPT_NUMERO_VINI]"));
}

void TestPrinting::printsWhatTheDialogSelects()
{
    answerDialog(*m_dialog, true, [this] { m_dialog->selGruppo->setEditText(u"Bianchi"_s); });
    m_printing->StampeClick(1);
    QCOMPARE(m_previews.size(), 1);
    const QStringList lines = printedLines(m_previews.first());
    QVERIFY(anyLineHolds(lines, u"Arneis"_s));
    QVERIFY(!anyLineHolds(lines, u"Barolo"_s));
    QCOMPARE(m_f->cellar().filterMode, QChar(u' '));
    QVERIFY(!m_f->cellar().Schede.filtered());

    // The choice stays for the next print.
    answerDialog(*m_dialog, true);
    m_printing->StampeClick(1);
    QCOMPARE(m_previews.size(), 2);
    QVERIFY(!anyLineHolds(printedLines(m_previews.last()), u"Barolo"_s));
}

void TestPrinting::escapePrintsNothing()
{
    answerDialog(*m_dialog, false);
    m_printing->StampeClick(1);
    QVERIFY(m_previews.isEmpty());
    QCOMPARE(m_printing->frReport1().title(), u"[STAMPE]"_s);
    QVERIFY(!m_f->cellar().stampe.isActive());
    QVERIFY(!m_f->cellar().indici.isActive());
}

void TestPrinting::withoutTheDialogNothingHappens()
{
    m_printing->setSelezioneForm(nullptr);
    m_printing->StampeClick(1);
    QVERIFY(m_previews.isEmpty());
    QVERIFY(!m_f->cellar().stampe.isActive());
}

void TestPrinting::printMenuOfTheMainWindowRunsTheReport()
{
    // The program's own windows over the same program directory.
    m_printing.reset();
    m_dialog.reset();
    QVERIFY(QFile::copy(QStringLiteral(VINARY_SOURCE_DIR "/resources/language/english.lng"),
                        m_f->dir() + u"language.ini"_s));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_f->dir()));
    RecordingErrorBox errors;
    {
        auto *main = new TMainForm;
        Forms forms;
        forms.MainForm = main;
        forms.SelezioneForm = new TSelezioneForm(main->cellar(), main);
        main->attachForms(forms);
        QList<report::PreparedReport> shown;
        main->frReport1().setPreviewHook([&](const report::PreparedReport &p) { shown.append(p); });

        QAction *catalogue = main->printItems().value(0);
        QVERIFY(catalogue);
        QCOMPARE(catalogue->text(), u"Catalogue"_s);
        answerDialog(*forms.SelezioneForm, true,
                     [&] { forms.SelezioneForm->selproduttore->setEditText(u"Conterno"_s); });
        catalogue->trigger();
        QCOMPARE(shown.size(), 1);
        const QStringList lines = printedLines(shown.first());
        QVERIFY(anyLineHolds(lines, u"Barolo"_s));
        QVERIFY(!anyLineHolds(lines, u"Arneis"_s));
        QCOMPARE(main->frReport1().title(), u"Vinary - Reports"_s);

        int designed = 0;
        main->frReport1().setDesignerHook([&](report::Report &) { ++designed; });
        main->Personalizzazionestampe1->trigger();
        QCOMPARE(designed, 1);
        delete main;
    }
    QDir::setCurrent(previous);
    QCOMPARE(errors.messages(), QStringList());
}

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
