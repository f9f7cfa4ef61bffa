// The splash window: its look, its minimum time on screen with a fake clock, the translation of its
// texts by the main window, and the wait at the end of start-up.

#include "app/mainform.h"
#include "app/splash.h"
#include "app/startup.h"
#include "language/languagetable.h"
#include "programdir.h"
#include "tests/support/recordingerrorbox.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;
using vinary::testing::ProgramDir;

namespace
{

// A clock that moves only when told to, and a sleep that records its request and moves the clock
// on by as much, as a real sleep would.
class FakeTiming : public SplashTiming
{
public:
    FakeTiming() { m_previous = setSplashTiming(this); }
    ~FakeTiming() override { setSplashTiming(m_previous); }
    FakeTiming(const FakeTiming &) = delete;
    FakeTiming &operator=(const FakeTiming &) = delete;

    QDateTime now() override { return clock; }
    void sleep(int milliseconds) override
    {
        sleeps.append(milliseconds);
        if (watched)
            visibleWhileSleeping.append(watched->isVisible());
        clock = clock.addMSecs(milliseconds);
    }

    QDateTime clock = QDateTime(QDate(2010, 11, 12), QTime(9, 30, 0, 250));
    QList<int> sleeps;
    QWidget *watched = nullptr;
    QList<bool> visibleWhileSleeping;

private:
    SplashTiming *m_previous = nullptr;
};

const QStringList kLanguage = {
    u"[TITOLO]=Cantina"_s,
    u"[SPLASH]=Gestione della cantina"_s,
    u"[CARICAMENTO]=Caricamento in corso..."_s,
    u"[VERSIONE]=Versione"_s,
};

QString languageFile(const QString &name)
{
    return QStringLiteral(VINARY_SOURCE_DIR "/resources/language/") + name;
}

} // namespace

class TestSplash : public QObject
{
    Q_OBJECT

private slots:
    void looksAsDesigned();
    void minimumTimeOnScreen_data();
    void minimumTimeOnScreen();
    void neverShownMeansNoWait();
    void waitsWhileStillOnScreen();
    void mainWindowTranslatesTheTexts_data();
    void mainWindowTranslatesTheTexts();
    void startUpKeepsTheSplashTwoSeconds();
    void startUpThatNeverShowedItDoesNotWait();
};

void TestSplash::looksAsDesigned()
{
    FakeTiming timing;
    TSplashForm splash;
    QCOMPARE(splash.objectName(), u"SplashForm"_s);
    QCOMPARE(splash.size(), QSize(313, 271));
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    struct Expected {
        QLabel *label;
        QString text;
        int top;
        int pixelSize;
    };
    const QList<Expected> expected = {
        {splash.Label1, u"[SPLASH]"_s, 104, 20},
        {splash.Label4, u"[VERSIONE] 04.02"_s, 132, 20},
        {splash.Label2, u"[CARICAMENTO]"_s, 165, 13},
        {splash.build_label, u"build 12.11.2010"_s, 252, 11},
    };
    for (const Expected &e : expected) {
        QCOMPARE(e.label->text(), e.text);
        const QRect band = e.label->geometry().translated(e.label->parentWidget()->mapTo(&splash, QPoint()));
        QCOMPARE(band.top(), e.top);
        QVERIFY2(e.label->font().bold(), qPrintable(e.text));
        QCOMPARE(e.label->font().pixelSize(), e.pixelSize);
        QVERIFY2(e.label->testAttribute(Qt::WA_TranslucentBackground), qPrintable(e.text));
        QVERIFY2(splash.rect().contains(band), qPrintable(e.text));
    }
    // The three texts are centred in the 297-pixel band, the build line kept to the bottom right.
    for (QLabel *label : {splash.Label1, splash.Label4, splash.Label2}) {
        QCOMPARE(label->width(), 297);
        QCOMPARE(label->mapTo(&splash, QPoint()).x(), (313 - 297) / 2);
        QVERIFY(label->alignment().testFlag(Qt::AlignHCenter));
    }
    QVERIFY(splash.build_label->alignment().testFlag(Qt::AlignRight));
    QVERIFY(splash.build_label->mapTo(&splash, QPoint(splash.build_label->width(), 0)).x() > 290);

    const auto *picture = splash.findChild<QLabel *>(u"Image1"_s);
    QVERIFY(picture);
    QCOMPARE(picture->size(), QSize(305, 263));
    QVERIFY(!picture->pixmap().isNull());
    // A picture, not a flat fill: the cellar's colours vary across it.
    const QImage image = picture->pixmap().toImage();
    QVERIFY(image.pixelColor(150, 20) != image.pixelColor(150, 140));
    QVERIFY(image.pixelColor(40, 214) != image.pixelColor(150, 140));

    splash.showSplash();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    const QScreen *screen = splash.screen();
    QVERIFY(qAbs(splash.geometry().center().x() - screen->availableGeometry().center().x()) <= 1);
    QVERIFY(qAbs(splash.geometry().center().y() - screen->availableGeometry().center().y()) <= 1);
    const QString grabDir = qEnvironmentVariable("VINARY_GRAB_DIR");
    if (!grabDir.isEmpty())
        splash.grab().save(grabDir + u"/splash.png"_s);
    splash.hideSplash();
}

void TestSplash::minimumTimeOnScreen_data()
{
    QTest::addColumn<qint64>("shownMs");
    QTest::addColumn<QList<int>>("sleeps");
    QTest::newRow("500 ms shown waits the other 1500") << qint64(500) << QList<int>({1500});
    QTest::newRow("1999 ms shown waits 1") << qint64(1999) << QList<int>({1});
    QTest::newRow("just shown waits the whole 2000") << qint64(0) << QList<int>({2000});
    QTest::newRow("exactly 2000 ms shown, no wait") << qint64(2000) << QList<int>();
    QTest::newRow("more than 2000 ms shown, no wait") << qint64(2500) << QList<int>();
    QTest::newRow("a minute shown, no wait") << qint64(60000) << QList<int>();
    // A clock put back an hour while starting does not hold the program for an hour.
    QTest::newRow("clock set back, at most 2000") << qint64(-3600000) << QList<int>({2000});
}

void TestSplash::minimumTimeOnScreen()
{
    QFETCH(qint64, shownMs);
    QFETCH(QList<int>, sleeps);
    FakeTiming timing;
    TSplashForm splash;
    splash.showSplash();
    QCOMPARE(splash.shownAt(), timing.clock);
    timing.clock = timing.clock.addMSecs(shownMs);
    splash.hideSplash();
    QCOMPARE(timing.sleeps, sleeps);
    QVERIFY(!splash.isVisible());
    // Hidden once, waited once.
    splash.hideSplash();
    QCOMPARE(timing.sleeps, sleeps);
}

void TestSplash::neverShownMeansNoWait()
{
    FakeTiming timing;
    TSplashForm splash;
    QVERIFY(!splash.wasShown());
    QVERIFY(!splash.shownAt().isValid());
    splash.hideSplash();
    QCOMPARE(timing.sleeps, QList<int>());
    QVERIFY(!splash.isVisible());
}

void TestSplash::waitsWhileStillOnScreen()
{
    FakeTiming timing;
    TSplashForm splash;
    timing.watched = &splash;
    splash.showSplash();
    timing.clock = timing.clock.addMSecs(800);
    splash.hideSplash();
    QCOMPARE(timing.sleeps, QList<int>({1200}));
    QCOMPARE(timing.visibleWhileSleeping, QList<bool>({true}));
}

void TestSplash::mainWindowTranslatesTheTexts_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("title");
    QTest::newRow("english") << u"english.lng"_s << u"Version 04.02"_s << u"Wine cellar management"_s;
    QTest::newRow("italiano") << u"italiano.lng"_s << u"Versione 04.02"_s << u"Gestione della cantina"_s;
    QTest::newRow("francais") << u"francais.lng"_s << u"Version 04.02"_s << u"Gestion de cave à vin"_s;
    QTest::newRow("deutsch") << u"deutsch.lng"_s << u"Version 04.02"_s << u"Weinkellerverwaltung"_s;
    QTest::newRow("espanol") << u"espanol.lng"_s << u"Versión 04.02"_s << u"Gestión de bodega"_s;
}

void TestSplash::mainWindowTranslatesTheTexts()
{
    QFETCH(QString, file);
    QFETCH(QString, version);
    QFETCH(QString, title);
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(QFile::copy(languageFile(file), dir.file(u"language.ini"_s)));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    FakeTiming timing;

    TSplashForm splash;
    TMainForm main(&splash);
    QCOMPARE(errors.messages(), QStringList());
    QVERIFY(splash.isVisible());
    // "[VERSIONE]" is replaced and the version after it stays.
    QCOMPARE(splash.Label4->text(), version);
    QCOMPARE(splash.Label1->text(), title);
    LanguageTable language;
    language.load(languageFile(file));
    QCOMPARE(splash.Label2->text(), language.lookup(u"[CARICAMENTO]"_s));
    QCOMPARE(splash.build_label->text(), u"build 12.11.2010"_s);
    // Every language's texts fit their bands.
    for (QLabel *label : {splash.Label1, splash.Label4, splash.Label2, splash.build_label}) {
        const int advance = QFontMetrics(label->font()).horizontalAdvance(label->text());
        QVERIFY2(advance <= label->width(), qPrintable(label->text()));
    }
    const QString grabDir = qEnvironmentVariable("VINARY_GRAB_DIR");
    if (!grabDir.isEmpty())
        splash.grab().save(grabDir + u"/splash-"_s + QFileInfo(file).baseName() + u".png"_s);
    splash.hideSplash();
    QCOMPARE(timing.sleeps, QList<int>({2000}));
}

void TestSplash::startUpKeepsTheSplashTwoSeconds()
{
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.writeLanguage(kLanguage));
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    FakeTiming timing;

    // Start-up itself takes no time on the fake clock, so the whole minimum is waited, once.
    Forms &f = createForms();
    QCOMPARE(errors.messages(), QStringList());
    QCOMPARE(timing.sleeps, QList<int>({TSplashForm::kMinimumShownMs}));
    QVERIFY2(!f.SplashForm, "the splash is released once hidden");
    QVERIFY(f.MainForm);
    releaseForms();
}

void TestSplash::startUpThatNeverShowedItDoesNotWait()
{
    // Without language.ini the main window's creation ends before the splash is shown.
    ProgramDir dir;
    QVERIFY(dir.createDatabase());
    QVERIFY(dir.enter());
    RecordingErrorBox errors;
    FakeTiming timing;

    Forms &f = createForms();
    QCOMPARE(errors.messages(), QStringList({u"Cannot open file language.ini"_s}));
    QCOMPARE(timing.sleeps, QList<int>());
    QVERIFY(!f.SplashForm);
    releaseForms();
}

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
