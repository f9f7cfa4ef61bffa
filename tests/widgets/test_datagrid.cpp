#include "cellarfixture.h"
#include "widgets/datagrid.h"
#include "widgets/gridinteraction.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>

using namespace vinary;

namespace {

// Answers the grid's dialogs from queues, and records the notices.
class ScriptedGridInteraction : public GridInteraction
{
public:
    QStringList notices;
    QStringList files;   // next file names; empty: the user cancels
    QStringList filters; // the filter chosen with each file
    QList<QList<bool>> columnChoices;
    QStringList lastFilters;
    QStringList lastTitles;
    bool printer = false;

    void notice(QWidget *, const QString &text) override { notices << text; }
    QString saveFileName(QWidget *, const QString &, const QStringList &offered, QString *selected) override
    {
        lastFilters = offered;
        if (files.isEmpty())
            return QString();
        if (!filters.isEmpty())
            *selected = filters.takeFirst();
        return files.takeFirst();
    }
    bool hasPrinter() override { return printer; }
    bool setupPrinter(QWidget *, QPrinter &) override { return false; }
    bool chooseColumns(QWidget *, const QStringList &titles, QList<bool> &visible) override
    {
        lastTitles = titles;
        if (columnChoices.isEmpty())
            return false;
        visible = columnChoices.takeFirst();
        return true;
    }
};

} // namespace

class TestDataGrid : public QObject
{
    Q_OBJECT

    test::CellarFixture m_cellar;
    QTemporaryDir m_files;
    DataGrid *m_grid = nullptr;
    ScriptedGridInteraction m_answers;

    db::Table &cards() { return *m_cellar.cards; }

    QPoint cellCentre(int row, int column)
    {
        return m_grid->visualRect(m_grid->model()->index(row, column)).center();
    }

    QPoint titleCentre(int logical)
    {
        QHeaderView *h = m_grid->horizontalHeader();
        return QPoint(h->sectionViewportPosition(logical) + h->sectionSize(logical) / 2, h->height() / 2);
    }

    QByteArray readFile(const QString &name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_files.isValid());
        QCoreApplication::setOrganizationName(u"VinaryTests"_qs);
        QCoreApplication::setApplicationName(u"test_datagrid"_qs);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_files.filePath(u"settings"_qs));
    }

    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_answers = ScriptedGridInteraction();
        m_cellar.open();
        m_cellar.addCard(u"Barolo"_qs, u"Conterno, Giacomo"_qs, 12.5, true);
        m_cellar.addCard(u"Chianti"_qs, u"Antinori"_qs, 0, false);
        m_cellar.addCard(u"Amarone"_qs, u"Quintarelli"_qs, 2.6, true);
        m_cellar.addCard(u"Brunello"_qs, u"Biondi \"Santi\""_qs, 30, false);
        cards().resort(); // Amarone, Barolo, Brunello, Chianti

        m_grid = new DataGrid;
        m_grid->setObjectName(u"schedeGrid"_qs);
        m_grid->setInteraction(&m_answers);
        m_grid->setColumns({{u"Descrizione"_qs, u"Description"_qs, 0},
                            {u"Produttore"_qs, u"Producer"_qs, 0},
                            {u"Prezzo_Acq"_qs, u"Purchase price"_qs, 0},
                            {u"Incarta"_qs, u"Wine list"_qs, 0},
                            {u"Note"_qs, u"Notes"_qs, 304}});
        m_grid->setTable(&cards());
        m_grid->setRowHeight(17);
        m_grid->resize(640, 240);
        m_grid->show();
        m_grid->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_grid));
    }

    void cleanup()
    {
        delete m_grid;
        m_cellar.cards.reset();
        m_cellar.connection.reset();
        QSettings().clear();
    }

    void readOnlyWithItsLook()
    {
        QAbstractItemModelTester tester(m_grid->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(m_grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(m_grid->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(m_grid->alternatingRowColors());
        QCOMPARE(m_grid->palette().color(QPalette::Active, QPalette::Highlight), QColor(0, 0, 128));
        QCOMPARE(m_grid->palette().color(QPalette::Inactive, QPalette::Highlight), QColor(0, 0, 128));
        QCOMPARE(m_grid->palette().color(QPalette::HighlightedText), QColor(Qt::white));
        QCOMPARE(m_grid->palette().color(QPalette::AlternateBase), m_grid->palette().color(QPalette::Window));
        QCOMPARE(m_grid->rowHeight(), 17);
        QCOMPARE(m_grid->columnWidth(4), 304);
        QVERIFY(m_grid->horizontalHeader()->sectionsMovable());
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(1, 2)).toString(), u"12.50"_qs);
        QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(0, 0));
        QCOMPARE(cards().state(), db::DataState::Browse);
        QVERIFY(m_grid->grab().save(QDir::temp().filePath(u"vinary-datagrid.png"_qs)));
    }

    void titlesReportTheirField()
    {
        QSignalSpy clicked(m_grid, &DataGrid::titleClicked);
        QTest::mouseClick(m_grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, titleCentre(1));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toString(), u"Produttore"_qs);
        QCOMPARE(clicked.at(0).at(1).toInt(), 1);
        // A dragged column still reports its own field.
        m_grid->horizontalHeader()->moveSection(2, 0);
        QTest::mouseClick(m_grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, titleCentre(2));
        QCOMPARE(clicked.last().at(0).toString(), u"Prezzo_Acq"_qs);
        QCOMPARE(m_grid->columnOrder().first(), u"Prezzo_Acq"_qs);
    }

    void currentRowFollowsTheTable()
    {
        QCOMPARE(m_grid->currentIndex().row(), 0);
        cards().moveTo(2);
        QCOMPARE(m_grid->currentIndex().row(), 2);
        QCOMPARE(m_grid->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(m_grid->selectionModel()->selectedRows().first().row(), 2);
        cards().last();
        QCOMPARE(m_grid->currentIndex().row(), 3);
        cards().first();
        QCOMPARE(m_grid->currentIndex().row(), 0);
    }

    void clicksAndKeysMoveTheTable()
    {
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(2, 1));
        QCOMPARE(cards().recNo(), 2);
        QCOMPARE(cards().fieldByName(u"Descrizione"_qs).asString(), u"Brunello"_qs);
        QTest::keyClick(m_grid, Qt::Key_Down);
        QCOMPARE(cards().recNo(), 3);
        QTest::keyClick(m_grid, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(cards().recNo(), 0);
    }

    void clickSettlesAPendingChange()
    {
        cards().edit();
        cards().fieldByName(u"Note"_qs).setAsString(u"changed"_qs);
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(3, 0));
        QCOMPARE(cards().state(), db::DataState::Browse);
        QCOMPARE(cards().recNo(), 3);
        cards().first();
        QCOMPARE(cards().fieldByName(u"Note"_qs).asString(), u"changed"_qs);
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(0, 4)).toString(), u"changed"_qs);
    }

    void doubleClickIsReported()
    {
        QSignalSpy doubled(m_grid, &DataGrid::rowDoubleClicked);
        QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(1, 0));
        QCOMPARE(doubled.count(), 1);
        QCOMPARE(doubled.first().at(0).toInt(), 1);
        QCOMPARE(cards().recNo(), 1);
        QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {},
                           QPoint(10, m_grid->viewport()->height() - 3));
        QCOMPARE(doubled.count(), 1); // below the last row
    }

    void contextMenuOffersWhatWorks()
    {
        QStringList shown;
        for (const QAction *a : m_grid->contextMenu()->actions())
            shown << (a->isSeparator() ? u"-"_qs : a->text());
        const QStringList expected{u"Auto Size"_qs,
                                   u"Auto Width"_qs,
                                   u"-"_qs,
                                   u"Display Boolean"_qs,
                                   u"-"_qs,
                                   u"Show Text Ellipsis"_qs,
                                   u"Show Title Ellipsis"_qs,
                                   u"-"_qs,
                                   u"Cell Hints"_qs,
                                   u"Use Row Colors"_qs,
                                   u"-"_qs,
                                   u"Print Grid"_qs,
                                   u"-"_qs,
                                   u"Export Grid"_qs,
                                   u"-"_qs,
                                   u"Select All"_qs,
                                   u"Unselect All"_qs,
                                   u"-"_qs,
                                   u"Customize"_qs,
                                   u"Search Mode"_qs,
                                   u"-"_qs,
                                   u"Save Layout"_qs,
                                   u"Load Layout"_qs};
        QCOMPARE(shown, expected);
        QVERIFY(m_grid->menuAction(u"exExportGrid"_qs));
        QCOMPARE(m_grid->menuAction(u"exExportGrid"_qs)->text(), u"Export Grid"_qs);
        for (const QString &absent : {u"exDisplayImages"_qs, u"exQueryByForm"_qs, u"exPrintDataSet"_qs,
                                      u"exMemoInplaceEditors"_qs, u"exFixedColumns"_qs})
            QVERIFY2(!m_grid->menuAction(absent), qPrintable(absent));
    }

    void displayOptions()
    {
        const QModelIndex listed = m_grid->model()->index(1, 3);
        QCOMPARE(m_grid->model()->data(listed, Qt::CheckStateRole).toInt(), int(Qt::Checked));
        m_grid->menuAction(u"exDisplayBoolean"_qs)->trigger();
        QVERIFY(!m_grid->displayBoolean());
        QVERIFY(!m_grid->model()->data(listed, Qt::CheckStateRole).isValid());
        m_grid->menuAction(u"exUseRowColors"_qs)->trigger();
        QVERIFY(!m_grid->alternatingRowColors());
        m_grid->menuAction(u"exShowTextEllipsis"_qs)->trigger();
        QCOMPARE(m_grid->textElideMode(), Qt::ElideNone);
        m_grid->menuAction(u"exCellHints"_qs)->trigger();
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(0, 0), Qt::ToolTipRole).toString(),
                 u"Amarone"_qs);
        m_grid->setUseRowColors(true);
        QVERIFY(m_grid->menuAction(u"exUseRowColors"_qs)->isChecked());
    }

    void searchModeFindsInTheCurrentColumn()
    {
        m_grid->setFocus();
        QTest::keyClicks(m_grid, u"ch"_qs);
        QCOMPARE(cards().recNo(), 0); // typing does nothing outside search mode
        m_grid->menuAction(u"exSearchMode"_qs)->trigger();
        QVERIFY(m_grid->searchMode());
        QTest::keyClicks(m_grid, u"BR"_qs);
        QCOMPARE(m_grid->searchText(), u"BR"_qs);
        QCOMPARE(cards().fieldByName(u"Descrizione"_qs).asString(), u"Brunello"_qs);
        auto *label = m_grid->findChild<QLabel *>(u"searchText"_qs);
        QVERIFY(label && label->isVisible());
        QVERIFY(label->text().contains(u"BR"_qs));
        QTest::keyClick(m_grid, Qt::Key_Backspace);
        QCOMPARE(cards().fieldByName(u"Descrizione"_qs).asString(), u"Brunello"_qs); // "B" still matches here
        QTest::keyClick(m_grid, Qt::Key_Escape);
        QVERIFY(m_grid->searchText().isEmpty());
        // In the producer column, and from the top again when nothing follows.
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(3, 1));
        QTest::keyClicks(m_grid, u"quin"_qs);
        QCOMPARE(cards().fieldByName(u"Descrizione"_qs).asString(), u"Amarone"_qs);
        QTest::keyClicks(m_grid, u"zz"_qs);
        QCOMPARE(cards().fieldByName(u"Descrizione"_qs).asString(), u"Amarone"_qs);
        m_grid->setSearchMode(false);
        QVERIFY(!label->isVisible());
    }

    void selectAllAndUnselectAll()
    {
        m_grid->menuAction(u"exSelectAll"_qs)->trigger();
        QCOMPARE(m_grid->selectionModel()->selectedRows().size(), 4);
        m_grid->menuAction(u"exUnSelectAll"_qs)->trigger();
        QCOMPARE(m_grid->selectionModel()->selectedRows().size(), 0);
        QCOMPARE(cards().recNo(), 0);
    }

    // The file holds what is stored, whatever the grid shows and the locale writes: a markup of 1.5
    // shown as 2 and a date shown with a two-digit year are exported whole.
    void exportCsv()
    {
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        m_grid->setColumns({{u"Descrizione"_qs, u"Description"_qs, 0},
                            {u"Produttore"_qs, u"Producer"_qs, 0},
                            {u"Prezzo_Acq"_qs, u"Purchase price"_qs, 0},
                            {u"Ricarico"_qs, u"Markup"_qs, 0},
                            {u"Incarta"_qs, u"Wine list"_qs, 0},
                            {u"Scadenza"_qs, u"Due"_qs, 0},
                            {u"Note"_qs, u"Notes"_qs, 0}});
        cards().first();
        cards().edit();
        cards().fieldByName(u"Prezzo_Acq"_qs).setAsFloat(2.675);
        cards().fieldByName(u"Ricarico"_qs).setAsFloat(1.5);
        cards().fieldByName(u"Scadenza"_qs).setAsDateTime(QDateTime(QDate(2026, 9, 12), QTime(0, 0)));
        cards().post();
        const QString file = m_files.filePath(u"grid"_qs);
        m_answers.files << file; // no extension: the chosen filter's is added
        m_grid->horizontalHeader()->moveSection(2, 0);
        m_grid->setColumnHidden(6, true);
        m_grid->menuAction(u"exExportGrid"_qs)->trigger();
        QCOMPARE(m_answers.lastFilters.size(), 2);
        const QByteArray csv = readFile(file + u".csv"_qs);
        const QByteArray expected = "\xEF\xBB\xBF"
                                    "Prezzo_Acq,Descrizione,Produttore,Ricarico,Incarta,Scadenza\r\n"
                                    "2.675,Amarone,Quintarelli,1.5,1,2026-09-12\r\n"
                                    "12.5,Barolo,\"Conterno, Giacomo\",,1,\r\n"
                                    "30,Brunello,\"Biondi \"\"Santi\"\"\",,0,\r\n"
                                    ",Chianti,Antinori,,0,\r\n";
        QCOMPARE(csv, expected);
    }

    void exportSpreadsheet()
    {
        const QString file = m_files.filePath(u"grid.fods"_qs);
        m_answers.files << file;
        m_grid->menuAction(u"exExportGrid"_qs)->trigger();
        QXmlStreamReader xml(readFile(file));
        QStringList types;
        QStringList values;
        QStringList texts;
        int rows = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"table-row"_qs)
                ++rows;
            if (xml.isStartElement() && xml.name() == u"table-cell"_qs && rows == 4) {
                types << xml.attributes().value(u"office:value-type"_qs).toString();
                values << xml.attributes().value(u"office:value"_qs).toString();
            }
            if (xml.isStartElement() && xml.name() == u"p"_qs && rows == 4)
                texts << xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(rows, 5); // the titles and four cards
        // Brunello: text, text, a number, a boolean, an empty note.
        QCOMPARE(types, (QStringList{u"string"_qs, u"string"_qs, u"float"_qs, u"boolean"_qs, QString()}));
        QCOMPARE(values.at(2), u"30"_qs);
        QCOMPARE(texts, (QStringList{u"Brunello"_qs, u"Biondi \"Santi\""_qs, u"30"_qs, u"FALSE"_qs}));
    }

    void exportFailureIsAnError()
    {
        m_answers.files << m_files.filePath(u"missing/folder/grid.csv"_qs);
        QVERIFY_THROWS_EXCEPTION(VinaryError, m_grid->exportGridCommand());
    }

    void printWithoutPrinterOffersPdf()
    {
        m_answers.printer = false;
        const QString pdf = m_files.filePath(u"grid.pdf"_qs);
        m_answers.files << pdf;
        m_grid->menuAction(u"exPrintGrid"_qs)->trigger();
        QCOMPARE(m_answers.notices.size(), 1);
        QVERIFY(m_answers.notices.first().contains(u"No printer"_qs));
        QVERIFY(readFile(pdf).startsWith("%PDF"));
        QFile::remove(QDir::temp().filePath(u"vinary-gridprint.pdf"_qs));
        QFile::copy(pdf, QDir::temp().filePath(u"vinary-gridprint.pdf"_qs)); // to look at
        const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_qs);
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed");
        QProcess text;
        text.start(pdftotext, {u"-layout"_qs, pdf, u"-"_qs});
        QVERIFY(text.waitForFinished(30000));
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString &expected :
             {u"Description"_qs, u"Amarone"_qs, u"Chianti"_qs, u"12.50"_qs, u"Page 1 of 1"_qs})
            QVERIFY2(printed.contains(expected), qPrintable(printed));
        // Landscape: a grid is wider than tall.
        QProcess info;
        info.start(QStandardPaths::findExecutable(u"pdfinfo"_qs), {pdf});
        QVERIFY(info.waitForFinished(30000));
        const QRegularExpressionMatch size = QRegularExpression(u"Page size:\\s+([\\d.]+) x ([\\d.]+)"_qs)
                                                 .match(QString::fromUtf8(info.readAllStandardOutput()));
        QVERIFY(size.hasMatch());
        QVERIFY2(size.captured(1).toDouble() > size.captured(2).toDouble(), qPrintable(size.captured(0)));

        m_answers.files.clear(); // cancelled: nothing happens
        m_grid->printGridCommand();
        QCOMPARE(m_answers.notices.size(), 2);
    }

    void customizeShowsAndHidesColumns()
    {
        const int producerWidth = m_grid->columnWidth(1);
        m_answers.columnChoices << QList<bool>{true, false, true, true, false};
        m_grid->menuAction(u"exCustomize"_qs)->trigger();
        QCOMPARE(m_answers.lastTitles.first(), u"Description"_qs);
        QVERIFY(m_grid->isColumnHidden(1));
        QVERIFY(m_grid->isColumnHidden(4));
        QCOMPARE(m_grid->fieldWidth(u"Produttore"_qs), producerWidth);
        QCOMPARE(m_grid->shownColumns().columns, (QList<int>{0, 2, 3}));

        m_answers.columnChoices << QList<bool>(5, false);
        m_grid->customizeColumns();
        QCOMPARE(m_answers.notices.size(), 1); // at least one column stays
        QVERIFY(!m_grid->isColumnHidden(0));

        m_answers.columnChoices << QList<bool>(5, true);
        m_grid->customizeColumns();
        QVERIFY(!m_grid->isColumnHidden(1));
        QCOMPARE(m_grid->columnWidth(1), producerWidth);
    }

    void placementsForTheWindowStore()
    {
        QList<DataGrid::ColumnPlacement> placements = m_grid->columnPlacements();
        QCOMPARE(placements.size(), 5);
        QCOMPARE(placements.at(4).field, u"Note"_qs);
        QCOMPARE(placements.at(4).width, 304);
        // Widths first, then the order; unknown fields are ignored, unlisted columns stay.
        m_grid->restoreColumnPlacements({{u"Note"_qs, 0, 120},
                                         {u"Nothing"_qs, 1, 50},
                                         {u"Prezzo_Acq"_qs, 1, 99999},
                                         {u"Descrizione"_qs, 4, 222}});
        QCOMPARE(m_grid->columnOrder(), (QStringList{u"Note"_qs, u"Prezzo_Acq"_qs, u"Produttore"_qs,
                                                     u"Incarta"_qs, u"Descrizione"_qs}));
        QCOMPARE(m_grid->fieldWidth(u"Note"_qs), 120);
        QCOMPARE(m_grid->fieldWidth(u"Descrizione"_qs), 222);
        QVERIFY(m_grid->fieldWidth(u"Prezzo_Acq"_qs) <= 2000); // a huge stored width is held in bounds
        m_grid->setColumnOrder({u"Descrizione"_qs, u"Produttore"_qs});
        QCOMPARE(m_grid->columnOrder().mid(0, 2), (QStringList{u"Descrizione"_qs, u"Produttore"_qs}));
    }

    void layoutRoundTrip()
    {
        m_grid->horizontalHeader()->moveSection(3, 0);
        m_grid->setFieldWidth(u"Produttore"_qs, 150);
        m_grid->setColumnHidden(2, true);
        m_grid->setDisplayBoolean(false);
        m_grid->setShowTextEllipsis(false);
        const QStringList order = m_grid->columnOrder();
        m_grid->menuAction(u"exSaveLayout"_qs)->trigger();

        m_grid->setColumnOrder(
            {u"Descrizione"_qs, u"Produttore"_qs, u"Prezzo_Acq"_qs, u"Incarta"_qs, u"Note"_qs});
        m_grid->setFieldWidth(u"Produttore"_qs, 60);
        m_grid->setColumnHidden(2, false);
        m_grid->setDisplayBoolean(true);
        m_grid->setShowTextEllipsis(true);

        m_grid->menuAction(u"exLoadLayout"_qs)->trigger();
        QVERIFY(m_answers.notices.isEmpty());
        QCOMPARE(m_grid->columnOrder(), order);
        QCOMPARE(m_grid->fieldWidth(u"Produttore"_qs), 150);
        QVERIFY(m_grid->isColumnHidden(2));
        QVERIFY(!m_grid->displayBoolean());
        QVERIFY(!m_grid->showTextEllipsis());

        // Another grid keeps its own layout.
        m_grid->setLayoutKey(u"elsewhere"_qs);
        m_grid->loadLayoutCommand();
        QCOMPARE(m_answers.notices.size(), 1);
    }

    void autoSizeAndAutoWidth()
    {
        m_grid->setFieldWidth(u"Produttore"_qs, 20);
        m_grid->menuAction(u"exAutoSize"_qs)->trigger();
        const int needed = m_grid->fontMetrics().horizontalAdvance(u"Conterno, Giacomo"_qs);
        QVERIFY(m_grid->columnWidth(1) >= needed);
        m_grid->menuAction(u"exAutoWidth"_qs)->trigger();
        int total = 0;
        for (int c = 0; c < 5; ++c)
            total += m_grid->columnWidth(c);
        QCOMPARE(total, m_grid->viewport()->width());
        QTRY_COMPARE(m_grid->horizontalScrollBar()->maximum(), 0);
    }
};

QTEST_MAIN(TestDataGrid)
#include "test_datagrid.moc"
