#include "catalogue/cardextras.h"
#include "catalogue/vinaryfrm.h"
#include "data/cellar.h"
#include "engine/common/errors.h"
#include "engine/report/prepared.h"
#include "engine/report/report.h"
#include "reports/printing.h"
#include "tests/catalogue/rtfplaintext.h"
#include "tests/reports/printfixture.h"
#include "tests/support/recordingerrorbox.h"
#include "widgets/dbedit.h"
#include "widgets/documentlauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace vinary;
using namespace Qt::StringLiterals;
using vinary::test::PrintFixture;

namespace
{

// Records the documents the notes buttons would open, installed for its lifetime.
class RecordingLauncher : public DocumentLauncher
{
public:
    RecordingLauncher() : m_previous(setDocumentLauncher(this)) {}
    ~RecordingLauncher() override { setDocumentLauncher(m_previous); }
    RecordingLauncher(const RecordingLauncher &) = delete;
    RecordingLauncher &operator=(const RecordingLauncher &) = delete;

    bool open(const QString &path) override
    {
        opened << path;
        // The file must be there, complete, by the time the editor is started.
        existedWhenOpened << QFileInfo::exists(path);
        return false; // a desktop without an editor: nothing is reported
    }

    QStringList opened;
    QList<bool> existedWhenOpened;

private:
    DocumentLauncher *m_previous;
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A catalogue window over a program directory that is also the current directory, with the
// main window's report component, the preview replaced by a recorder, and the notes folder.
struct Card {
    PrintFixture f;
    RecordingErrorBox errors;
    RecordingLauncher launcher;
    std::unique_ptr<test::CurrentDirectory> cd;
    std::unique_ptr<Printing> printing;
    std::unique_ptr<TfrmVinary> w;

    QList<report::PreparedReport> previews;
    QList<QChar> modeDuringPreview;
    QList<bool> filteredDuringPreview;
    QStringList reportErrors;

    explicit Card(const QList<QVariantMap> &cards = {}, bool withNotesFolder = true)
    {
        for (const QVariantMap &c : cards)
            f.cellarFixture().insertCard(c);
        f.reopen();
        if (withNotesFolder)
            QDir(f.dir()).mkdir(u"archivi"_s);
        cd = std::make_unique<test::CurrentDirectory>(f.dir());
        printing = std::make_unique<Printing>(f.cellar());
        report::Report &r = printing->frReport1();
        r.setPreviewHook([this](const report::PreparedReport &prepared) {
            previews << prepared;
            modeDuringPreview << f.cellar().filterMode;
            filteredDuringPreview << f.cellar().Schede.filtered();
        });
        r.setErrorHook([this](const QString &message) { reportErrors << message; });
        w = std::make_unique<TfrmVinary>(f.cellar());
        w->setReport(&r);
    }
    ~Card()
    {
        w.reset();
        printing.reset();
    }

    db::Table &schede() { return f.cellar().Schede; }
    report::Report &frReport1() { return printing->frReport1(); }
    CardExtras &extras() { return w->cardExtras(); }
    QToolButton *button(const char *name) const { return w->findChild<QToolButton *>(QString::fromLatin1(name)); }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    QString boxText(const char *name) const { return w->findChild<DbEdit *>(QString::fromLatin1(name))->text(); }
    void open()
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    QVariant stored(const QString &column, const QString &descrizione)
    {
        db::Statement s = f.cellar().DB.prepare(u"SELECT %1 FROM Schede WHERE Descrizione = ?"_s.arg(column));
        s.bind(1, descrizione);
        return s.step() ? s.value(0) : QVariant();
    }
    QString current(const QString &column) { return schede().fieldByName(column).asString(); }
};

QVariantMap priced(const QString &descrizione, const QVariant &purchase, const QVariant &ricarico,
                   const QVariant &sale)
{
    QVariantMap m{{u"Descrizione"_s, descrizione}};
    if (purchase.isValid())
        m.insert(u"Prezzo_Acq"_s, purchase);
    if (ricarico.isValid())
        m.insert(u"Ricarico"_s, ricarico);
    if (sale.isValid())
        m.insert(u"Prezzo_Ven"_s, sale);
    return m;
}

} // namespace

class TestCardExtras : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void markupWhileChanging_data();
    void markupWhileChanging();
    void markupOnANewCardUsesTheDefaultMarkup();
    void markupWhileBrowsingDoesNothing();
    void markupButtonIsPartOfTheEditInProgress();

    void notesButtonsOpenTheProducersAndSuppliersFiles();
    void notesFileIsOpenedNotRewritten();
    void notesOfANameWithoutLettersOrDigitsDoNothing();
    void notesFolderMissingShowsTheCreationError();
    void notesFollowTheCurrentDirectory();

    void tastingCardShowsTheCardOnShowTranslated();
    void tastingCardFromTheExecutablesDirectory();
    void tastingCardTemplateMissingShowsTheLoadError();
};

void TestCardExtras::markupWhileChanging_data()
{
    QTest::addColumn<QVariant>("purchase");
    QTest::addColumn<QVariant>("ricarico");
    QTest::addColumn<QVariant>("sale");
    QTest::addColumn<double>("expected");
    QTest::addColumn<QString>("shown");
    QTest::newRow("4.00 x 2.5") << QVariant(4.0) << QVariant(2.5) << QVariant(7.0) << 10.0 << u"10.00"_s;
    QTest::newRow("replaces a price already set") << QVariant(10.0) << QVariant(1.5) << QVariant(12.0) << 15.0
                                                  << u"15.00"_s;
    QTest::newRow("markup is a factor, not a percentage") << QVariant(8.0) << QVariant(30.0) << QVariant()
                                                          << 240.0 << u"240.00"_s;
    QTest::newRow("full precision kept") << QVariant(3.33) << QVariant(1.5) << QVariant() << 4.995 << u"5.00"_s;
    QTest::newRow("empty markup") << QVariant(4.0) << QVariant() << QVariant(7.0) << 0.0 << QString();
    QTest::newRow("empty purchase price") << QVariant() << QVariant(2.5) << QVariant(7.0) << 0.0 << QString();
}

void TestCardExtras::markupWhileChanging()
{
    QFETCH(QVariant, purchase);
    QFETCH(QVariant, ricarico);
    QFETCH(QVariant, sale);
    QFETCH(double, expected);
    QFETCH(QString, shown);
    Card c({priced(u"Barolo"_s, purchase, ricarico, sale)});
    c.schede().first();
    c.schede().edit();
    c.extras().SpeedButton1Click();
    const db::Field &price = c.schede().fieldByName(u"Prezzo_Ven"_s);
    QCOMPARE(price.asFloat(), expected);
    QCOMPARE(price.displayText(), shown);
    // Nothing is saved by the button itself.
    QVERIFY(c.schede().isEditing());
    QCOMPARE(c.stored(u"Prezzo_Ven"_s, u"Barolo"_s).toDouble(), sale.toDouble());
    c.schede().post();
    QCOMPARE(c.stored(u"Prezzo_Ven"_s, u"Barolo"_s).toDouble(), expected);
}

void TestCardExtras::markupOnANewCardUsesTheDefaultMarkup()
{
    Card c;
    c.f.exec(u"UPDATE Configurazione SET Ricarico = 1.8"_s);
    c.f.reopen();
    c.schede().append();
    c.schede().fieldByName(u"Prezzo_Acq"_s).setAsFloat(5.0);
    c.extras().SpeedButton1Click();
    QCOMPARE(c.schede().fieldByName(u"Prezzo_Ven"_s).asFloat(), 9.0);
}

void TestCardExtras::markupWhileBrowsingDoesNothing()
{
    Card c({priced(u"Barolo"_s, 4.0, 2.5, 7.0)});
    c.open();
    QVERIFY(!c.w->isEditMode());
    QCOMPARE(c.boxText("EditPrezzoVen"), u"7.00"_s);
    c.click("SpeedButton1");
    QCOMPARE(c.schede().fieldByName(u"Prezzo_Ven"_s).asFloat(), 7.0);
    QCOMPARE(c.schede().state(), db::DataState::Browse);
    QVERIFY(!c.schede().isModified());
    QCOMPARE(c.boxText("EditPrezzoVen"), u"7.00"_s);
    QCOMPARE(c.stored(u"Prezzo_Ven"_s, u"Barolo"_s).toDouble(), 7.0);
    QCOMPARE(c.errors.messages(), QStringList());
}

void TestCardExtras::markupButtonIsPartOfTheEditInProgress()
{
    Card c({priced(u"Barolo"_s, 4.0, 2.5, 7.0)});
    c.open();
    // Discarded with the edit.
    c.click("btnModify");
    c.click("SpeedButton1");
    QCOMPARE(c.boxText("EditPrezzoVen"), u"10.00"_s);
    c.click("btnAnnulla");
    QCOMPARE(c.boxText("EditPrezzoVen"), u"7.00"_s);
    QCOMPARE(c.stored(u"Prezzo_Ven"_s, u"Barolo"_s).toDouble(), 7.0);
    // Saved with it, after a purchase price typed in its box.
    c.click("btnModify");
    auto *purchase = c.w->findChild<DbEdit *>(u"EditPrezzoAcq"_s);
    purchase->setFocus();
    purchase->selectAll();
    QTest::keyClicks(purchase, u"6"_s);
    c.click("SpeedButton1");
    QCOMPARE(c.boxText("EditPrezzoVen"), u"15.00"_s);
    c.click("btnConferma");
    QVERIFY(!c.w->isEditMode());
    QCOMPARE(c.stored(u"Prezzo_Ven"_s, u"Barolo"_s).toDouble(), 15.0);
    QCOMPARE(c.errors.messages(), QStringList());
}

void TestCardExtras::notesButtonsOpenTheProducersAndSuppliersFiles()
{
    Card c({{{u"Descrizione"_s, u"Chianti"_s},
             {u"Produttore"_s, u"Rossi & Figli s.r.l."_s},
             {u"Fornitore"_s, u"Enoteca Müller {Roma}"_s}}});
    c.open();
    c.click("BitBtn2");
    c.click("BitBtn3");
    QCOMPARE(c.errors.messages(), QStringList());
    QCOMPARE(c.launcher.opened, (QStringList{u"archivi/RossiFiglisrl.rtf"_s, u"archivi/EnotecaMllerRoma.rtf"_s}));
    QCOMPARE(c.launcher.existedWhenOpened, (QList<bool>{true, true}));
    QCOMPARE(test::rtfParagraphs(readFile(c.f.dir() + u"archivi/RossiFiglisrl.rtf"_s)),
             QStringList{u"Rossi & Figli s.r.l."_s});
    QCOMPARE(test::rtfParagraphs(readFile(c.f.dir() + u"archivi/EnotecaMllerRoma.rtf"_s)),
             QStringList{u"Enoteca Müller {Roma}"_s});
    QCOMPARE(QDir(c.f.dir() + u"archivi"_s).entryList(QDir::Files).size(), 2);
}

void TestCardExtras::notesFileIsOpenedNotRewritten()
{
    Card c({{{u"Descrizione"_s, u"Chianti"_s}, {u"Produttore"_s, u"Azienda Rossi"_s}},
            {{u"Descrizione"_s, u"Vermentino"_s}, {u"Produttore"_s, u"Azienda-Rossi"_s}}});
    c.open();
    QCOMPARE(c.extras().openNotes(c.current(u"Produttore"_s)), u"archivi/AziendaRossi.rtf"_s);
    const QString file = c.f.dir() + u"archivi/AziendaRossi.rtf"_s;
    // The user writes notes; later clicks, from either card, only open them.
    const QByteArray notes = "{\\rtf1\\ansi Azienda Rossi\\par Annata 2019 eccellente.\\par}";
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(notes);
    }
    c.click("BitBtn2");
    c.schede().next();
    QCOMPARE(c.current(u"Produttore"_s), u"Azienda-Rossi"_s);
    c.click("BitBtn2");
    QCOMPARE(readFile(file), notes);
    QCOMPARE(c.launcher.opened, QStringList(3, u"archivi/AziendaRossi.rtf"_s));
}

void TestCardExtras::notesOfANameWithoutLettersOrDigitsDoNothing()
{
    Card c({{{u"Descrizione"_s, u"Chianti"_s}, {u"Produttore"_s, u"àè - ..//"_s}}});
    c.open();
    c.click("BitBtn2");
    c.click("BitBtn3"); // no supplier at all
    QCOMPARE(c.extras().openNotes(u" ../ "_s), QString());
    QCOMPARE(c.launcher.opened, QStringList());
    QCOMPARE(c.errors.messages(), QStringList());
    QCOMPARE(QDir(c.f.dir() + u"archivi"_s).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestCardExtras::notesFolderMissingShowsTheCreationError()
{
    Card c({{{u"Descrizione"_s, u"Chianti"_s}, {u"Produttore"_s, u"Rossi & Figli s.r.l."_s}}}, false);
    c.open();
    c.click("BitBtn2");
    QCOMPARE(c.errors.messages(), QStringList{u"Cannot create file archivi/RossiFiglisrl.rtf"_s});
    QCOMPARE(c.launcher.opened, QStringList());
    QVERIFY(!QFileInfo::exists(c.f.dir() + u"archivi"_s));
}

void TestCardExtras::notesFollowTheCurrentDirectory()
{
    Card c({{{u"Descrizione"_s, u"Chianti"_s}, {u"Produttore"_s, u"Gaja"_s}}});
    QTemporaryDir elsewhere;
    QDir(elsewhere.path()).mkdir(u"archivi"_s);
    test::CurrentDirectory cd(elsewhere.path());
    c.open();
    c.click("BitBtn2");
    QCOMPARE(c.launcher.opened, QStringList{u"archivi/Gaja.rtf"_s});
    QVERIFY(QFileInfo::exists(elsewhere.path() + u"/archivi/Gaja.rtf"_s));
    QVERIFY(!QFileInfo::exists(c.f.dir() + u"archivi/Gaja.rtf"_s));
}

void TestCardExtras::tastingCardShowsTheCardOnShowTranslated()
{
    Card c({{{u"Descrizione"_s, u"Barolo Monfortino"_s}, {u"Produttore"_s, u"Conterno"_s}, {u"Anno"_s, u"2016"_s}},
            {{u"Descrizione"_s, u"Brunello di Montalcino"_s}, {u"Produttore"_s, u"Biondi Santi"_s}},
            {{u"Descrizione"_s, u"Brunello Riserva"_s}, {u"Produttore"_s, u"Soldera"_s}}});
    c.w->searchBox()->setText(u"brunello"_s);
    c.open();
    QCOMPARE(c.schede().recordCount(), 2);
    c.schede().next();
    QCOMPARE(c.current(u"Descrizione"_s), u"Brunello Riserva"_s);
    QCOMPARE(c.frReport1().title(), u"[STAMPE]"_s);

    c.click("BitBtn1");
    QCOMPARE(c.reportErrors, QStringList());
    QCOMPARE(c.errors.messages(), QStringList());
    QCOMPARE(c.previews.size(), 1);
    const report::PreparedReport &shown = c.previews.first();
    QCOMPARE(shown.title, u"Vinary - Reports"_s);
    QCOMPARE(shown.pageCount(), 1);
    const QString text = shown.pageText(0);
    QVERIFY2(text.contains(u"Tasting card"_s), qPrintable(text));
    QVERIFY2(text.contains(u"Brunello Riserva"_s) && text.contains(u"Soldera"_s), qPrintable(text));
    QVERIFY2(!text.contains(u"Brunello di Montalcino"_s) && !text.contains(u"Barolo"_s), qPrintable(text));
    QVERIFY2(!text.contains(u"[RPT_"_s), qPrintable(text));
    // The catalogue's own filter stays as it is, during the report and after it.
    QCOMPARE(c.modeDuringPreview, QList<QChar>{u'S'});
    QCOMPARE(c.filteredDuringPreview, QList<bool>{true});
    QCOMPARE(c.f.cellar().filterMode, u'S');
    QVERIFY(c.schede().filtered());
    QCOMPARE(c.schede().recordCount(), 2);
    QCOMPARE(c.current(u"Descrizione"_s), u"Brunello Riserva"_s);

    // The component keeps the tasting card, translated, for the designer; the title now
    // translates to itself.
    QVERIFY(c.frReport1().fileName().endsWith(u"scheda.frf"_s));
    for (int i = 0; i < c.frReport1().objectCount(0); ++i)
        QVERIFY2(!c.frReport1().objectText(0, i).contains(u"[RPT_SCHEDA_DEGUSTAZIONE]"_s), "untranslated");
    c.schede().prior();
    c.click("BitBtn1");
    QCOMPARE(c.previews.size(), 2);
    QCOMPARE(c.previews.last().title, u"Vinary - Reports"_s);
    QVERIFY(c.previews.last().pageText(0).contains(u"Brunello di Montalcino"_s));
}

void TestCardExtras::tastingCardFromTheExecutablesDirectory()
{
    Card c({{{u"Descrizione"_s, u"Barolo Monfortino"_s}}});
    QTemporaryDir exeDir;
    QVERIFY(QFile::rename(c.f.dir() + u"scheda.frf"_s, exeDir.filePath(u"scheda.frf"_s)));
    c.frReport1().setFallbackDirectory(exeDir.path());
    c.open();
    c.click("BitBtn1");
    QCOMPARE(c.errors.messages(), QStringList());
    QCOMPARE(c.previews.size(), 1);
    QVERIFY(c.previews.first().pageText(0).contains(u"Barolo Monfortino"_s));
}

void TestCardExtras::tastingCardTemplateMissingShowsTheLoadError()
{
    Card c({{{u"Descrizione"_s, u"Barolo Monfortino"_s}}});
    QTemporaryDir emptyDir;
    QVERIFY(QFile::remove(c.f.dir() + u"scheda.frf"_s));
    c.frReport1().setFallbackDirectory(emptyDir.path());
    c.open();
    c.click("BitBtn1");
    QCOMPARE(c.previews.size(), 0);
    QCOMPARE(c.errors.messages().size(), 1);
    QVERIFY2(c.errors.messages().first().contains(u"scheda.frf"_s), qPrintable(c.errors.messages().first()));
    // The command ended at the load: the title waits for the next run, the template is the empty one.
    QCOMPARE(c.frReport1().title(), u"[STAMPE]"_s);
    QCOMPARE(c.frReport1().fileName(), QString());
    QCOMPARE(c.f.cellar().filterMode, u'S');
}

QTEST_MAIN(TestCardExtras)
#include "test_cardextras.moc"
