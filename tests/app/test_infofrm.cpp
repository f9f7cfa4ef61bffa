// The about box and the help menu's links: the box's parts and their translation, its OK button,
// the manual named by each language (delivered with its pictures), and the silence of a manual
// command that has no manual to open.

#include "app/desktoplauncher.h"
#include "app/infofrm.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "data/cellar.h"
#include "language/languagetable.h"
#include "programdir.h"
#include "recordinglauncher.h"
#include "tests/support/recordingerrorbox.h"
#include "tests/support/scriptedmessagebox.h"

#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace vinary;
using vinary::testing::ProgramDir;
using vinary::testing::RecordingLauncher;

namespace
{

const QStringList kLanguage = {
    u"[TITOLO]=Cantina"_s,
    u"[INFORMAZIONI]=Informazioni su Cantina"_s,
    u"[DESCRIZIONE_SOFTWARE]=Le giacenze di una cantina."_s,
    u"[AIUTO_MANUALE]=Manuale"_s,
};

const QStringList kLanguageFiles = {u"english.lng"_s, u"italiano.lng"_s, u"francais.lng"_s, u"deutsch.lng"_s,
                                    u"espanol.lng"_s};

QString sourceFile(const QString &path)
{
    return QStringLiteral(VINARY_SOURCE_DIR "/") + path;
}

// The widgets the user would see now, other than those given.
QList<QWidget *> visibleWindowsBut(const QList<QWidget *> &known)
{
    QList<QWidget *> windows;
    const QList<QWidget *> all = QApplication::topLevelWidgets();
    for (QWidget *w : all) {
        if (w->isVisible() && !known.contains(w))
            windows.append(w);
    }
    return windows;
}

} // namespace

class TestInfoFrm : public QObject
{
    Q_OBJECT

private slots:
    void partsAndTranslation();
    void labelsWithoutKeysStayAsWritten();
    void longDescriptionsGrowTheBoxNotCutIt_data();
    void longDescriptionsGrowTheBoxNotCutIt();
    void okClosesAndHasTheFocus();
    void aboutItemShowsTheBoxModally();
    void manualWithoutItsKeyDoesNothingVisible();
    void manualOfTheLanguageIsOpened();
    void failedOpensAreSilent();
    void manualOutsideTheProgramDirectoryIsNotOpened_data();
    void manualOutsideTheProgramDirectoryIsNotOpened();
    void everyLanguageHasItsManual_data();
    void everyLanguageHasItsManual();
};

void TestInfoFrm::partsAndTranslation()
{
    LanguageTable language(kLanguage);
    Cellar cellar;
    cellar.language = &language;
    TfrmInfo info(cellar);

    QCOMPARE(info.objectName(), u"frmInfo"_s);
    QCOMPARE(info.windowTitle(), u"Informazioni su Cantina"_s);
    QCOMPARE(info.Label4->text(), u"Cantina 04.02"_s);
    QCOMPARE(info.Comments->text(), u"Le giacenze di una cantina."_s);
    QCOMPARE(info.OKButton->text(), u"OK"_s);
    QCOMPARE(info.size(), QSize(TfrmInfo::kWidth, TfrmInfo::kHeight));
    QVERIFY(!info.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!info.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    // Type: bold 19 pixels for the maker and the title, bold navy 11 for the rest.
    for (QLabel *label : {info.ProductName, info.Label4}) {
        QVERIFY(label->font().bold());
        QCOMPARE(label->font().pixelSize(), 19);
        QVERIFY(label->alignment().testFlag(Qt::AlignRight));
    }
    QCOMPARE(info.Comments->font().pixelSize(), 11);
    QVERIFY(info.Comments->font().bold());
    QCOMPARE(info.Comments->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    for (QLabel *label : {info.Label2, info.Label3, info.Label1}) {
        QVERIFY(label->font().bold());
        QCOMPARE(label->font().pixelSize(), 11);
    }
    // No made-up address or numbers: the maker publishes none, and the web line names the real site.
    QCOMPARE(info.Label2->text(), QString());
    QCOMPARE(info.Label3->text(), QString());
    QCOMPARE(info.Label1->text(), makerWebSite().host());
    QVERIFY(!info.ProductName->text().isEmpty());

    info.show();
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    // Top to bottom inside the panel: icon and titles, description, line, the three maker lines;
    // the OK button below the panel, centred.
    QCOMPARE(info.ProgramIcon->size(), QSize(32, 32));
    QVERIFY(!info.ProgramIcon->pixmap().isNull());
    const auto top = [&](QWidget *w) { return w->mapTo(&info, QPoint()).y(); };
    QVERIFY(info.ProgramIcon->mapTo(info.Panel1, QPoint()).x() < 16);
    QVERIFY(top(info.ProductName) < top(info.Label4));
    QVERIFY(top(info.Label4) < top(info.Comments));
    QVERIFY(top(info.Comments) < top(info.Bevel1));
    QVERIFY(top(info.Bevel1) < top(info.Label2));
    QVERIFY(top(info.Label2) < top(info.Label3));
    QVERIFY(top(info.Label3) < top(info.Label1));
    QVERIFY(info.Panel1->geometry().bottom() < info.OKButton->geometry().top());
    QVERIFY(qAbs(info.OKButton->geometry().center().x() - info.rect().center().x()) <= 1);
    for (QWidget *w : info.Panel1->findChildren<QWidget *>())
        QVERIFY2(info.Panel1->rect().contains(w->geometry()), qPrintable(w->objectName()));
    const QScreen *screen = info.screen();
    QVERIFY(qAbs(info.frameGeometry().center().x() - screen->availableGeometry().center().x()) <= 1);
    QVERIFY(qAbs(info.frameGeometry().center().y() - screen->availableGeometry().center().y()) <= 1);
}

void TestInfoFrm::labelsWithoutKeysStayAsWritten()
{
    // An empty table, as after a start that could not read language.ini: every key shows as written.
    LanguageTable language;
    Cellar cellar;
    cellar.language = &language;
    TfrmInfo info(cellar);
    QCOMPARE(info.windowTitle(), u"[INFORMAZIONI]"_s);
    QCOMPARE(info.Label4->text(), u"[TITOLO] 04.02"_s);
    QCOMPARE(info.Comments->text(), u"[DESCRIZIONE_SOFTWARE]"_s);
    QCOMPARE(info.ProductName->text(), u"Vinary Software"_s);
}

void TestInfoFrm::longDescriptionsGrowTheBoxNotCutIt_data()
{
    QTest::addColumn<QString>("file");
    for (const QString &file : kLanguageFiles)
        QTest::newRow(qPrintable(file)) << file;
}

void TestInfoFrm::longDescriptionsGrowTheBoxNotCutIt()
{
    QFETCH(QString, file);
    LanguageTable language;
    language.load(sourceFile(u"resources/language/"_s + file));
    Cellar cellar;
    cellar.language = &language;
    TfrmInfo info(cellar);
    info.show();
    QVERIFY(QTest::qWaitForWindowExposed(&info));

    QCOMPARE(info.width(), TfrmInfo::kWidth);
    QVERIFY(info.height() >= TfrmInfo::kHeight);
    QCOMPARE(info.Comments->text(), language.lookup(u"[DESCRIZIONE_SOFTWARE]"_s));
    for (QLabel *label : info.findChildren<QLabel *>()) {
        if (label->text().isEmpty())
            continue;
        const int needed =
            label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
        QVERIFY2(needed <= label->height(), qPrintable(label->text()));
        if (!label->wordWrap())
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
    }
    const QString grabDir = qEnvironmentVariable("VINARY_GRAB_DIR");
    if (!grabDir.isEmpty())
        info.grab().save(grabDir + u"/about-"_s + QFileInfo(file).baseName() + u".png"_s);
}

void TestInfoFrm::okClosesAndHasTheFocus()
{
    LanguageTable language(kLanguage);
    Cellar cellar;
    cellar.language = &language;
    TfrmInfo info(cellar);
    QVERIFY(info.OKButton->isDefault());

    bool focused = false;
    QTimer::singleShot(0, &info, [&] {
        QTRY_VERIFY(info.isVisible());
        focused = info.focusWidget() == info.OKButton;
        QTest::keyClick(&info, Qt::Key_Return);
    });
    QCOMPARE(info.exec(), int(QDialog::Accepted));
    QVERIFY(focused);

    // Shown again it is the same box, ready again.
    QTimer::singleShot(0, &info, [&] {
        QTRY_VERIFY(info.isVisible());
        QTest::mouseClick(info.OKButton, Qt::LeftButton);
    });
    QCOMPARE(info.exec(), int(QDialog::Accepted));
    QCOMPARE(info.windowTitle(), u"Informazioni su Cantina"_s);
}

void TestInfoFrm::aboutItemShowsTheBoxModally()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage + QStringList({u"[AIUTO_INFO]=Informazioni"_s})));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    Forms &f = createForms();
    QCOMPARE(errors.messages(), QStringList());

    bool modal = false;
    QTimer::singleShot(0, f.frmInfo, [&] {
        QTRY_VERIFY(f.frmInfo->isVisible());
        modal = QApplication::activeModalWidget() == f.frmInfo;
        f.frmInfo->OKButton->click();
    });
    f.MainForm->Informazioni1->trigger();
    QVERIFY(modal);
    QVERIFY(!f.frmInfo->isVisible());
    QCOMPARE(f.frmInfo->windowTitle(), u"Informazioni su Cantina"_s);
    releaseForms();
}

void TestInfoFrm::manualWithoutItsKeyDoesNothingVisible()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    RecordingLauncher launcher;
    ScriptedMessageBox messages;
    TMainForm main;
    main.setMessageBox(&messages);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    const QList<QWidget *> before = visibleWindowsBut({});

    main.Manuale1->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(launcher.opened, QList<QUrl>());
    QCOMPARE(errors.messages(), QStringList());
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(visibleWindowsBut(before), QList<QWidget *>());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TestInfoFrm::manualOfTheLanguageIsOpened()
{
    // The English language file with the English manual beside it, as the program directory has them.
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(QFile::copy(sourceFile(u"resources/language/english.lng"_s), dir.file(u"language.ini"_s)));
    QVERIFY(QFile::copy(sourceFile(u"resources/manual/manual-en.html"_s), dir.file(u"manual-en.html"_s)));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    RecordingLauncher launcher;
    TMainForm main;

    main.Manuale1->trigger();
    QCOMPARE(launcher.opened, QList<QUrl>({QUrl::fromLocalFile(main.programDir() + u"manual-en.html"_s)}));
    QCOMPARE(errors.messages(), QStringList());
    // The program directory read at creation, not the current directory of the moment.
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    main.Manuale1->trigger();
    QCOMPARE(launcher.opened.size(), 2);
    QCOMPARE(launcher.opened.last(), launcher.opened.first());
}

void TestInfoFrm::failedOpensAreSilent()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage + QStringList({u"[MANUALE]=guida.html"_s})));
    QVERIFY(testing::writeAll(dir.file(u"guida.html"_s), "<html></html>"));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    RecordingLauncher launcher;
    launcher.answer = false;
    ScriptedMessageBox messages;
    TMainForm main;
    main.setMessageBox(&messages);

    main.Manuale1->trigger();
    main.Sito1->trigger();
    main.Image1Click();
    const QUrl manual = QUrl::fromLocalFile(main.programDir() + u"guida.html"_s);
    const QUrl home = makerWebSite().isValid() ? makerWebSite() : manual;
    QCOMPARE(launcher.opened, QList<QUrl>({manual, home, home}));
    QCOMPARE(errors.messages(), QStringList());
    QCOMPARE(messages.texts(), QStringList());
}

void TestInfoFrm::manualOutsideTheProgramDirectoryIsNotOpened_data()
{
    QTest::addColumn<QString>("name");
    // %1 stands for the name of a file beside the program directory.
    QTest::newRow("parent directory") << u"../%1"_s;
    QTest::newRow("down and up again") << u"sub/../../%1"_s;
    QTest::newRow("absolute") << u"%2/%1"_s;
    QTest::newRow("link leading out") << u"link.html"_s;
}

void TestInfoFrm::manualOutsideTheProgramDirectoryIsNotOpened()
{
    QFETCH(QString, name);
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    const QString parent = QFileInfo(dir.path()).absolutePath();
    const QString outsideName = QFileInfo(dir.path()).fileName() + u"-outside.html"_s;
    const QString outside = parent + u'/' + outsideName;
    QVERIFY(testing::writeAll(outside, "<html></html>"));
    const auto removeOutside = qScopeGuard([&] { QFile::remove(outside); });
    QVERIFY(QFile::link(outside, dir.file(u"link.html"_s)));
    QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
    name.replace(u"%1"_s, outsideName).replace(u"%2"_s, parent);
    QVERIFY(dir.writeLanguage(kLanguage + QStringList({u"[MANUALE]="_s + name})));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    RecordingLauncher launcher;
    TMainForm main;

    main.Manuale1->trigger();
    QCOMPARE(launcher.opened, QList<QUrl>());
    QCOMPARE(errors.messages(), QStringList());
}

void TestInfoFrm::everyLanguageHasItsManual_data()
{
    QTest::addColumn<QString>("file");
    for (const QString &file : kLanguageFiles)
        QTest::newRow(qPrintable(file)) << file;
}

void TestInfoFrm::everyLanguageHasItsManual()
{
    QFETCH(QString, file);
    LanguageTable language;
    language.load(sourceFile(u"resources/language/"_s + file));
    const QString manual = language.lookup(u"[MANUALE]"_s);
    QVERIFY2(!manual.isEmpty(), "the language names its manual");
    const QDir manualDir(sourceFile(u"resources/manual"_s));
    QFile html(manualDir.filePath(manual));
    QVERIFY2(html.open(QIODevice::ReadOnly), qPrintable(html.fileName()));
    const QString text = QString::fromUtf8(html.readAll());
    QVERIFY(text.size() > 4000);

    // Every picture and every local link of the manual is delivered with it.
    static const QRegularExpression reference(u"(?:src|href)=\"([^\"#:]+)(?:#[^\"]*)?\""_s);
    int pictures = 0;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const QString target = it.next().captured(1);
        QVERIFY2(QFileInfo::exists(manualDir.filePath(target)), qPrintable(manual + u": "_s + target));
        if (target.endsWith(u".png"_s))
            ++pictures;
    }
    QVERIFY2(pictures >= 3, qPrintable(manual));
    // Anchors the manual links to within itself exist.
    static const QRegularExpression inner(u"href=\"#([^\"]+)\""_s);
    for (auto it = inner.globalMatch(text); it.hasNext();) {
        const QString anchor = it.next().captured(1);
        QVERIFY2(text.contains(u"id=\""_s + anchor + u'"'), qPrintable(manual + u": #"_s + anchor));
    }
}

QTEST_MAIN(TestInfoFrm)
#include "test_infofrm.moc"
