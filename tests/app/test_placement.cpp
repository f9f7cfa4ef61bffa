#include "app/placement.h"
#include "app/privateprofile.h"
#include "catalogue/vinaryfrm.h"
#include "language/languagetable.h"
#include "stock/movimentifrm.h"
#include "tests/data/cellarfixture.h"
#include "tests/support/recordingerrorbox.h"
#include "widgets/datagrid.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace vinary;
using vinary::test::CellarFixture;

namespace {

QRect screenArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

// A catalogue over its own cellar, tied to a placement store in the cellar's directory. A second
// Catalogue on the same directory is the next run of the program.
LanguageTable &english()
{
    static LanguageTable table = [] {
        LanguageTable t;
        t.load(QStringLiteral(VINARY_SOURCE_DIR "/resources/language/english.lng"));
        return t;
    }();
    return table;
}

struct Catalogue {
    CellarFixture f;
    WindowPlacement store;
    std::unique_ptr<TfrmVinary> w;

    explicit Catalogue(const QString &formIni = QString())
        : store(formIni.isEmpty() ? f.dir() + QStringLiteral("form.ini") : formIni)
    {
        f.insertCard({{QStringLiteral("Descrizione"), QStringLiteral("Barolo")}});
        f.reopen();
        f.cellar().language = &english();
        w = std::make_unique<TfrmVinary>(f.cellar());
        attachPlacement(*w, store);
    }
    QString ini() const { return store.fileName(); }
    void open()
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    PrivateProfile profile() const
    {
        PrivateProfile p(ini());
        p.load();
        return p;
    }
};

} // namespace

class TestPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRunOpensCentredAtDesignSize();
    void roundTripOfPositionAndSize();
    void writesEveryKey();
    void maximisedStateComesBack();
    void anotherPixelDensityKeepsOnlyTheState();
    void badFiles_data();
    void badFiles();
    void missingPartsTakeTheCurrentEdges();
    void negativeVersionIgnoresThePlacement();
    void gridColumnDraggedAndWidenedSurvivesARestart();
    void gridSectionIsRewrittenWhole();
    void gridSectionNamingNoColumnChangesNothing();
    void stillOpenAtTheEndWritesVisible();
    void unwritableFileIsReportedAndTheWindowCloses();
    void defaultFileIsInTheCurrentDirectory();
    void mainWindowDefaultsAndMinimised();
    void movementsWindowKeepsItsOwnSection();
    void fitOnScreen_data();
    void fitOnScreen();
};

void TestPlacement::firstRunOpensCentredAtDesignSize()
{
    Catalogue c;
    QVERIFY(!QFile::exists(c.ini()));
    c.open();
    QCOMPARE(c.w->size(), QSize(641, 461));
    QCOMPARE(c.w->geometry().center(), screenArea().center());
    QVERIFY(!c.w->isMaximized());
}

void TestPlacement::roundTripOfPositionAndSize()
{
    Catalogue c;
    c.open();
    const QRect placed(25, 40, 700, 500);
    c.w->setGeometry(placed);
    c.w->close();
    c.w->setGeometry(200, 100, 641, 461); // moved while hidden: the stored placement wins
    c.open();
    QCOMPARE(c.w->geometry(), placed);
    c.w->close();
    // The next run of the program opens it there too.
    Catalogue next(c.ini());
    next.open();
    QCOMPARE(next.w->geometry(), placed);
}

void TestPlacement::writesEveryKey()
{
    Catalogue c;
    c.open();
    c.w->setGeometry(30, 20, 650, 470);
    c.w->close();
    const PrivateProfile p = c.profile();
    const QString s = QStringLiteral("SCHEDA");
    QCOMPARE(p.keys(s), (QStringList{QStringLiteral("FormVersion"), QStringLiteral("Flags"), QStringLiteral("ShowCmd"),
                                     QStringLiteral("PixelsPerInch"), QStringLiteral("MinMaxPos"),
                                     QStringLiteral("NormPos"), QStringLiteral("Visible")}));
    QCOMPARE(p.readString(s, QStringLiteral("FormVersion")), QStringLiteral("0"));
    QCOMPARE(p.readString(s, QStringLiteral("Flags")), QStringLiteral("0"));
    QCOMPARE(p.readString(s, QStringLiteral("ShowCmd")), QStringLiteral("1"));
    QCOMPARE(p.readInteger(s, QStringLiteral("PixelsPerInch"), 0), WindowPlacement::screenPixelsPerInch(*c.w));
    QCOMPARE(p.readString(s, QStringLiteral("MinMaxPos")), QStringLiteral("-1,-1,-1,-1"));
    QCOMPARE(p.readString(s, QStringLiteral("NormPos")), QStringLiteral("30,20,680,490"));
    QCOMPARE(p.readString(s, QStringLiteral("Visible")), QStringLiteral("0"));
}

void TestPlacement::maximisedStateComesBack()
{
    Catalogue c;
    c.open();
    c.w->setGeometry(30, 20, 650, 470);
    c.w->showMaximized();
    c.w->close();
    QCOMPARE(c.profile().readInteger(QStringLiteral("SCHEDA"), QStringLiteral("ShowCmd"), 0), 3);
    QCOMPARE(c.profile().readString(QStringLiteral("SCHEDA"), QStringLiteral("NormPos")),
             QStringLiteral("30,20,680,490"));
    c.w->setWindowState(Qt::WindowNoState);
    c.w->setGeometry(100, 100, 641, 461);
    c.open();
    QVERIFY(c.w->isMaximized());
}

void TestPlacement::anotherPixelDensityKeepsOnlyTheState()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("form.ini"));
    writeFile(ini, "[SCHEDA]\nFormVersion=0\nShowCmd=1\nPixelsPerInch=144\nMinMaxPos=-1,-1,-1,-1\n"
                   "NormPos=10,10,300,200\n");
    Catalogue c(ini);
    c.store.pixelsPerInch = [](const QWidget &) { return 96; };
    attachPlacement(*c.w, c.store);
    c.open();
    QCOMPARE(c.w->size(), QSize(641, 461));
    QCOMPARE(c.w->geometry().center(), screenArea().center());
    c.w->hide();

    // The stored show state still applies.
    writeFile(ini, "[SCHEDA]\nShowCmd=3\nPixelsPerInch=144\nNormPos=10,10,300,200\n");
    c.open();
    QVERIFY(c.w->isMaximized());
    c.w->hide();

    // Written at this density, the same placement is used.
    writeFile(ini, "[SCHEDA]\nShowCmd=1\nPixelsPerInch=96\nNormPos=10,10,660,480\n");
    c.w->setWindowState(Qt::WindowNoState);
    c.open();
    QVERIFY(!c.w->isMaximized());
    QCOMPARE(c.w->geometry(), QRect(10, 10, 650, 470));
}

void TestPlacement::badFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("garbage") << QByteArray("\x01\x02[SCHEDA\nNormPos=abc\nShowCmd=x\n\xff\xfe");
    QTest::newRow("garbage values") << QByteArray("[SCHEDA]\nNormPos=a,b,c,d\nShowCmd=banana\nPixelsPerInch=lots\n");
    QTest::newRow("huge values") << QByteArray("[SCHEDA]\nNormPos=-2147483648,-2147483648,2147483647,2147483647\n"
                                               "ShowCmd=2147483647\n");
    QTest::newRow("off every screen") << QByteArray("[SCHEDA]\nNormPos=50000,40000,50641,40461\nShowCmd=1\n");
    QTest::newRow("off to the left") << QByteArray("[SCHEDA]\nNormPos=-5000,-3000,-4359,-2539\nShowCmd=1\n");
    QTest::newRow("bigger than the screen") << QByteArray("[SCHEDA]\nNormPos=0,0,90000,90000\n");
    QTest::newRow("inside out") << QByteArray("[SCHEDA]\nNormPos=300,300,100,100\n");
    QTest::newRow("zero height") << QByteArray("[SCHEDA]\nNormPos=10,10,500,10\n");
    QTest::newRow("minimised") << QByteArray("[SCHEDA]\nShowCmd=2\nNormPos=10,10,660,480\n");
}

void TestPlacement::badFiles()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("form.ini"));
    writeFile(ini, content);
    RecordingErrorBox errors;
    Catalogue c(ini);
    c.open();
    QVERIFY(c.w->isVisible());
    QVERIFY(!c.w->isMinimized());
    const QRect g = c.w->geometry();
    QVERIFY2(screenArea().contains(g), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())));
    QVERIFY(g.width() >= c.w->minimumSizeHint().width() && g.height() >= c.w->minimumSizeHint().height());
    QVERIFY(errors.messages().isEmpty());
}

void TestPlacement::missingPartsTakeTheCurrentEdges()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("form.ini"));
    Catalogue c(ini);
    c.w->setGeometry(50, 60, 641, 461);
    writeFile(ini, "[SCHEDA]\nNormPos=40,30\n");
    c.open();
    QCOMPARE(c.w->geometry(), QRect(40, 30, 651, 491));
}

void TestPlacement::negativeVersionIgnoresThePlacement()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("form.ini"));
    writeFile(ini, "[SCHEDA]\nFormVersion=-1\nShowCmd=3\nNormPos=10,10,660,480\n");
    Catalogue c(ini);
    c.open();
    QVERIFY(!c.w->isMaximized());
    QCOMPARE(c.w->geometry().center(), screenArea().center());
}

void TestPlacement::gridColumnDraggedAndWidenedSurvivesARestart()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("form.ini"));
    {
        Catalogue c(ini);
        c.open();
        DataGrid *grid = c.w->grid();
        QHeaderView *titles = grid->horizontalHeader();
        const int produttore = grid->columnOfField(QStringLiteral("Produttore"));
        titles->moveSection(titles->visualIndex(produttore), 0); // dragged to the front
        titles->resizeSection(produttore, 211);                  // and widened
        c.w->close();
        const PrivateProfile p = c.profile();
        const QString section = QStringLiteral("SCHEDA\\TfrmVinaryschedeGrid");
        QCOMPARE(p.readString(section, QStringLiteral("schedeGrid.Produttore")), QStringLiteral("0,211"));
        QCOMPARE(p.readString(section, QStringLiteral("schedeGrid.Codice")).section(u',', 0, 0), QStringLiteral("1"));
        QCOMPARE(p.keys(section).size(), 27);
        QCOMPARE(p.keys(section).first(), QStringLiteral("schedeGrid.Produttore"));
    }
    Catalogue next(ini);
    next.open();
    DataGrid *grid = next.w->grid();
    QCOMPARE(grid->columnOrder().first(), QStringLiteral("Produttore"));
    QCOMPARE(grid->columnOrder().at(1), QStringLiteral("Codice"));
    QCOMPARE(grid->fieldWidth(QStringLiteral("Produttore")), 211);
    QCOMPARE(grid->fieldWidth(QStringLiteral("Note")), 304);
}

void TestPlacement::gridSectionIsRewrittenWhole()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("form.ini"));
    writeFile(ini, "[SCHEDA\\TfrmVinaryschedeGrid]\nschedeGrid.Vecchio=3,50\n[MAIN]\nShowCmd=3\n");
    Catalogue c(ini);
    c.open();
    c.w->close();
    const PrivateProfile p = c.profile();
    const QString section = QStringLiteral("SCHEDA\\TfrmVinaryschedeGrid");
    QVERIFY(!p.contains(section, QStringLiteral("schedeGrid.Vecchio")));
    QCOMPARE(p.keys(section).first(), QStringLiteral("schedeGrid.Codice"));
    QCOMPARE(p.keys(section).last(), QStringLiteral("schedeGrid.Note"));
    // Other sections are left alone.
    QCOMPARE(p.readInteger(QStringLiteral("MAIN"), QStringLiteral("ShowCmd"), 0), 3);
}

void TestPlacement::gridSectionNamingNoColumnChangesNothing()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("form.ini"));
    Catalogue design(ini);
    const QStringList designOrder = design.w->grid()->columnOrder();
    design.open();
    const int codiceWidth = design.w->grid()->fieldWidth(QStringLiteral("Codice"));
    design.w->hide();

    writeFile(ini, "[SCHEDA\\TfrmVinaryschedeGrid]\nschedeGrid.Nessuno=0,500\nschedeGrid.Anno=abc,90\n"
                   "schedeGrid.Gradi=-4,90\nschedeGrid.Note=0,120\n");
    Catalogue c(ini);
    c.open();
    QStringList expected = designOrder;
    expected.move(expected.indexOf(QStringLiteral("Note")), 0);
    QCOMPARE(c.w->grid()->columnOrder(), expected);
    QCOMPARE(c.w->grid()->fieldWidth(QStringLiteral("Note")), 120);
    QCOMPARE(c.w->grid()->fieldWidth(QStringLiteral("Codice")), codiceWidth);
    QCOMPARE(c.w->grid()->fieldWidth(QStringLiteral("Anno")), design.w->grid()->fieldWidth(QStringLiteral("Anno")));
}

void TestPlacement::stillOpenAtTheEndWritesVisible()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("form.ini"));
    {
        Catalogue c(ini);
        c.open();
        c.w.reset(); // the program ends with the window open
    }
    PrivateProfile p(ini);
    p.load();
    QCOMPARE(p.readInteger(QStringLiteral("SCHEDA"), QStringLiteral("Visible"), -1), 1);
}

void TestPlacement::unwritableFileIsReportedAndTheWindowCloses()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("form.ini"));
    QVERIFY(QDir().mkdir(ini)); // cannot be read or written, whoever runs the test
    RecordingErrorBox errors;
    Catalogue c(ini);
    c.open();
    QVERIFY(c.w->isVisible());
    QCOMPARE(errors.messages().size(), 1);
    c.w->close();
    QVERIFY(!c.w->isVisible());
    QCOMPARE(errors.messages().size(), 2);
    QVERIFY2(errors.messages().last().contains(ini), qPrintable(errors.messages().last()));
}

void TestPlacement::defaultFileIsInTheCurrentDirectory()
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    {
        WindowPlacement store;
        QCOMPARE(store.fileName(), QStringLiteral("./form.ini"));
        QWidget window;
        store.save(window, QStringLiteral("INOUT"));
    }
    QDir::setCurrent(previous);
    PrivateProfile p(dir.filePath(QStringLiteral("form.ini")));
    p.load();
    QCOMPARE(p.readInteger(QStringLiteral("INOUT"), QStringLiteral("ShowCmd"), 0), 1);
}

void TestPlacement::mainWindowDefaultsAndMinimised()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("form.ini"));
    WindowPlacement store(ini);
    QWidget main;
    WindowPlacement::Restored r = store.restore(main, QStringLiteral("MAIN"), WindowPlacement::Kind::Main);
    QVERIFY(main.windowState().testFlag(Qt::WindowMaximized));
    QVERIFY(!r.positionApplied && !r.minimizeApplication);

    main.setWindowState(Qt::WindowNoState);
    main.setGeometry(20, 30, 400, 300);
    store.save(main, QStringLiteral("MAIN"), WindowPlacement::Closed, nullptr, true);
    PrivateProfile p(ini);
    p.load();
    QCOMPARE(p.readInteger(QStringLiteral("MAIN"), QStringLiteral("ShowCmd"), 0), 2);

    main.setGeometry(0, 0, 100, 100);
    r = store.restore(main, QStringLiteral("MAIN"), WindowPlacement::Kind::Main);
    QVERIFY(r.minimizeApplication);
    QVERIFY(r.positionApplied);
    QCOMPARE(main.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized), Qt::WindowStates());
    QCOMPARE(main.geometry(), QRect(20, 30, 400, 300));
}

void TestPlacement::movementsWindowKeepsItsOwnSection()
{
    Catalogue c;
    c.f.cellar().Schede.setFiltered(true);
    QRect placed;
    {
        TfrmInOut w(c.f.cellar());
        attachPlacement(w, c.store);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // The window has a fixed size: only its position moves.
        placed = QRect(QPoint(30, 50), w.size());
        w.setGeometry(placed);
        w.close();
    }
    const PrivateProfile saved = c.profile();
    QCOMPARE(saved.readInteger(QStringLiteral("INOUT"), QStringLiteral("Visible"), -1), 0);
    QCOMPARE(saved.readInteger(QStringLiteral("SCHEDA"), QStringLiteral("Visible"), -1), -1);

    // The next run opens it where it was left, and the catalogue's section stays its own.
    TfrmInOut next(c.f.cellar());
    attachPlacement(next, c.store);
    next.show();
    QVERIFY(QTest::qWaitForWindowExposed(&next));
    QCOMPARE(next.geometry(), placed);
    next.close();
    c.f.cellar().Schede.setFiltered(false);
}

void TestPlacement::fitOnScreen_data()
{
    QTest::addColumn<QList<qint64>>("stored");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("inside") << QList<qint64>{10, 20, 300, 200} << QRect(10, 20, 300, 200);
    QTest::newRow("on the second screen") << QList<qint64>{1100, 50, 300, 200} << QRect(1100, 50, 300, 200);
    QTest::newRow("hanging off the right") << QList<qint64>{800, 50, 300, 200} << QRect(700, 50, 300, 200);
    QTest::newRow("mostly on the second") << QList<qint64>{950, 50, 300, 200} << QRect(1000, 50, 300, 200);
    QTest::newRow("nowhere") << QList<qint64>{-9000, -9000, 300, 200} << QRect(0, 0, 300, 200);
    QTest::newRow("too big, more on the second") << QList<qint64>{0, 0, 5000, 5000} << QRect(1000, 0, 1280, 1024);
    QTest::newRow("too big for the first") << QList<qint64>{0, 0, 1100, 900} << QRect(0, 0, 1000, 800);
    QTest::newRow("huge numbers") << QList<qint64>{-4000000000LL, 4000000000LL, 4000000000LL, -5}
                                  << QRect(0, 799, 1000, 1);
}

void TestPlacement::fitOnScreen()
{
    QFETCH(QList<qint64>, stored);
    QFETCH(QRect, expected);
    const QList<QRect> screens = {QRect(0, 0, 1000, 800), QRect(1000, 0, 1280, 1024)};
    QCOMPARE(WindowPlacement::fitOnScreen(stored.at(0), stored.at(1), stored.at(2), stored.at(3), screens), expected);
}

QTEST_MAIN(TestPlacement)
#include "test_placement.moc"
