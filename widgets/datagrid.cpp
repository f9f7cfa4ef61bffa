#include "widgets/datagrid.h"

#include "engine/common/errors.h"
#include "engine/db/table.h"
#include "widgets/gridinteraction.h"
#include "widgets/gridprinter.h"
#include "widgets/guard.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QScrollBar>
#include <QSettings>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vinary {

namespace {

constexpr int kMinimumWidth = 8;
constexpr int kMaximumWidth = 2000;
// Auto Size looks at the rows on screen, never at the whole table.
constexpr int kAutoSizeRows = 200;

const QString csvFilter = u"CSV files (*.csv)"_s;
const QString odsFilter = u"OpenDocument spreadsheets (*.fods)"_s;
const QString pdfFilter = u"PDF files (*.pdf)"_s;

QtGridInteraction &platformInteraction()
{
    static QtGridInteraction interaction;
    return interaction;
}

} // namespace

DataGrid::DataGrid(QWidget *parent) : QTableView(parent), m_model(new TableGridModel(this))
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setAlternatingRowColors(true);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView *titles = horizontalHeader();
    titles->setSectionsMovable(true);
    titles->setSectionsClickable(true);
    titles->setHighlightSections(false);
    titles->setStretchLastSection(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setTextElideMode(Qt::ElideRight);
    titles->setMinimumSectionSize(kMinimumWidth);
    titles->setResizeContentsPrecision(0);
    QHeaderView *rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);
    rows->setDefaultAlignment(Qt::AlignCenter);

    // Rows alternate between the window colour and the dialog-face colour; the selection is navy
    // with white text, also while another control has the focus.
    QPalette colours = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::AlternateBase, colours.color(group, QPalette::Window));
        colours.setColor(group, QPalette::Highlight, QColor(0, 0, 128));
        colours.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    setPalette(colours);

    connect(titles, &QHeaderView::sectionClicked, this,
            [this](int logical) { Q_EMIT titleClicked(m_model->fieldAt(logical), logical); });
    connect(titles, &QHeaderView::sectionResized, this, [this](int logical, int, int) {
        if (!m_applyingDefaults && logical >= 0 && logical < m_sized.size())
            m_sized[logical] = true;
    });
    connect(m_model, &TableGridModel::currentRecordChanged, this, &DataGrid::followTable);

    m_searchLabel = new QLabel(this);
    m_searchLabel->setObjectName(u"searchText"_s);
    m_searchLabel->setAutoFillBackground(true);
    m_searchLabel->setFrameShape(QFrame::Box);
    m_searchLabel->setMargin(2);
    m_searchLabel->hide();
    buildMenu();
}

DataGrid::~DataGrid() = default;

void DataGrid::buildMenu()
{
    m_menu = new QMenu(this);
    m_menu->setObjectName(u"gridMenu"_s);
    struct Item {
        const char16_t *name; // nullptr: separator
        const char16_t *caption;
        bool checkable;
    };
    const Item items[] = {
        {u"exAutoSize", u"Auto Size", false},
        {u"exAutoWidth", u"Auto Width", false},
        {nullptr, nullptr, false},
        {u"exDisplayBoolean", u"Display Boolean", true},
        {nullptr, nullptr, false},
        {u"exShowTextEllipsis", u"Show Text Ellipsis", true},
        {u"exShowTitleEllipsis", u"Show Title Ellipsis", true},
        {nullptr, nullptr, false},
        {u"exCellHints", u"Cell Hints", true},
        {u"exUseRowColors", u"Use Row Colors", true},
        {nullptr, nullptr, false},
        {u"exPrintGrid", u"Print Grid", false},
        {nullptr, nullptr, false},
        {u"exExportGrid", u"Export Grid", false},
        {nullptr, nullptr, false},
        {u"exSelectAll", u"Select All", false},
        {u"exUnSelectAll", u"Unselect All", false},
        {nullptr, nullptr, false},
        {u"exCustomize", u"Customize", false},
        {u"exSearchMode", u"Search Mode", true},
        {nullptr, nullptr, false},
        {u"exSaveLayout", u"Save Layout", false},
        {u"exLoadLayout", u"Load Layout", false},
    };
    for (const Item &item : items) {
        if (!item.name) {
            m_menu->addSeparator();
            continue;
        }
        QAction *action = m_menu->addAction(QString::fromUtf16(item.caption));
        action->setObjectName(QString::fromUtf16(item.name));
        action->setCheckable(item.checkable);
        m_actions.insert(action->objectName(), action);
    }
    auto command = [this](const QString &name, void (DataGrid::*run)()) {
        guardedConnect(m_actions.value(name), &QAction::triggered, this, [this, run] { (this->*run)(); });
    };
    auto option = [this](const QString &name, void (DataGrid::*set)(bool), bool on) {
        QAction *action = m_actions.value(name);
        action->setChecked(on);
        connect(action, &QAction::toggled, this, [this, set](bool checked) { (this->*set)(checked); });
    };
    command(u"exAutoSize"_s, &DataGrid::autoSizeColumns);
    command(u"exAutoWidth"_s, &DataGrid::autoWidthColumns);
    option(u"exDisplayBoolean"_s, &DataGrid::setDisplayBoolean, displayBoolean());
    option(u"exShowTextEllipsis"_s, &DataGrid::setShowTextEllipsis, showTextEllipsis());
    option(u"exShowTitleEllipsis"_s, &DataGrid::setShowTitleEllipsis, showTitleEllipsis());
    option(u"exCellHints"_s, &DataGrid::setCellHints, cellHints());
    option(u"exUseRowColors"_s, &DataGrid::setUseRowColors, useRowColors());
    command(u"exPrintGrid"_s, &DataGrid::printGridCommand);
    command(u"exExportGrid"_s, &DataGrid::exportGridCommand);
    command(u"exSelectAll"_s, &DataGrid::selectAllRows);
    command(u"exUnSelectAll"_s, &DataGrid::unselectAllRows);
    command(u"exCustomize"_s, &DataGrid::customizeColumns);
    option(u"exSearchMode"_s, &DataGrid::setSearchMode, searchMode());
    command(u"exSaveLayout"_s, &DataGrid::saveLayoutCommand);
    command(u"exLoadLayout"_s, &DataGrid::loadLayoutCommand);
}

QAction *DataGrid::menuAction(const QString &name) const
{
    return m_actions.value(name);
}

void DataGrid::setInteraction(GridInteraction *interaction)
{
    m_interaction = interaction;
}

GridInteraction &DataGrid::interaction() const
{
    return m_interaction ? *m_interaction : platformInteraction();
}

void DataGrid::setTable(db::Table *table)
{
    m_model->setTable(table);
    followTable();
}

void DataGrid::setColumns(const QList<GridColumn> &columns)
{
    m_model->setColumns(columns);
    m_sized = QList<bool>(columns.size(), false);
    m_hiddenWidths.clear();
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).width > 0)
            setColumnWidth(i, qBound(kMinimumWidth, columns.at(i).width, kMaximumWidth));
    }
    if (isVisible())
        applyDefaultWidths();
    followTable();
}

void DataGrid::setColumnTitle(int column, const QString &title)
{
    m_model->setTitle(column, title);
}

int DataGrid::defaultWidth(int column) const
{
    int characters = 10;
    const db::Table *t = table();
    if (const db::Field *f = t ? t->findField(m_model->fieldAt(column)) : nullptr) {
        switch (f->type()) {
        case db::FieldType::Text:
            characters = qBound(4, f->size() > 0 ? f->size() : 20, 20);
            break;
        case db::FieldType::Boolean:
            characters = 5;
            break;
        case db::FieldType::DateTime:
            characters = 10;
            break;
        default:
            characters = 8;
            break;
        }
    }
    const int cell = fontMetrics().horizontalAdvance(u'0') * characters + 12;
    const QString title = m_model->headerData(column, Qt::Horizontal).toString();
    const int titleWidth = horizontalHeader()->fontMetrics().horizontalAdvance(title) + 16;
    return qBound(kMinimumWidth, qMax(cell, titleWidth), kMaximumWidth);
}

// The columns nobody sized take their default width once their titles and fields are known,
// that is when the grid is first shown or first asked for its layout.
void DataGrid::applyDefaultWidths()
{
    const int count = m_model->columnCount();
    while (m_sized.size() < count)
        m_sized << false;
    m_applyingDefaults = true;
    for (int i = 0; i < count; ++i) {
        if (!m_sized.at(i)) {
            setColumnWidth(i, defaultWidth(i));
            m_sized[i] = true;
        }
    }
    m_applyingDefaults = false;
}

QStringList DataGrid::columnOrder() const
{
    QStringList fields;
    const QHeaderView *titles = horizontalHeader();
    for (int visual = 0; visual < titles->count(); ++visual)
        fields << m_model->fieldAt(titles->logicalIndex(visual));
    return fields;
}

void DataGrid::setColumnOrder(const QStringList &fields)
{
    QList<ColumnPlacement> placements;
    for (int i = 0; i < fields.size(); ++i)
        placements.append({fields.at(i), i, 0});
    restoreColumnPlacements(placements);
}

int DataGrid::fieldWidth(const QString &field) const
{
    const int column = m_model->columnOf(field);
    if (column < 0)
        return 0;
    const_cast<DataGrid *>(this)->applyDefaultWidths();
    return isColumnHidden(column) ? m_hiddenWidths.value(column, defaultWidth(column)) : columnWidth(column);
}

void DataGrid::setFieldWidth(const QString &field, int width)
{
    const int column = m_model->columnOf(field);
    if (column < 0 || width <= 0)
        return;
    applyDefaultWidths();
    width = qBound(kMinimumWidth, width, kMaximumWidth);
    if (isColumnHidden(column))
        m_hiddenWidths.insert(column, width);
    else
        setColumnWidth(column, width);
}

QList<DataGrid::ColumnPlacement> DataGrid::columnPlacements() const
{
    QList<ColumnPlacement> placements;
    const QStringList fields = columnOrder();
    for (int i = 0; i < fields.size(); ++i)
        placements.append({fields.at(i), i, fieldWidth(fields.at(i))});
    return placements;
}

void DataGrid::restoreColumnPlacements(const QList<ColumnPlacement> &placements)
{
    applyDefaultWidths();
    QList<ColumnPlacement> known;
    for (const ColumnPlacement &p : placements) {
        if (m_model->columnOf(p.field) < 0)
            continue;
        if (p.width > 0)
            setFieldWidth(p.field, p.width);
        known << p;
    }
    std::stable_sort(known.begin(), known.end(), [](const ColumnPlacement &a, const ColumnPlacement &b) {
        return a.position < b.position;
    });
    QHeaderView *titles = horizontalHeader();
    const int last = titles->count() - 1;
    for (const ColumnPlacement &p : std::as_const(known)) {
        const int from = titles->visualIndex(m_model->columnOf(p.field));
        const int to = qBound(0, p.position, qMax(0, last));
        if (from >= 0 && from != to)
            titles->moveSection(from, to);
    }
}

void DataGrid::setRowHeight(int pixels)
{
    verticalHeader()->setDefaultSectionSize(qBound(1, pixels, 400));
}

int DataGrid::rowHeight() const
{
    return verticalHeader()->defaultSectionSize();
}

void DataGrid::setRowIndicator(bool on)
{
    verticalHeader()->setVisible(on);
    if (on) {
        verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        verticalHeader()->setFixedWidth(fontMetrics().horizontalAdvance(u'\u25B6') + 8);
    }
}

void DataGrid::setDisplayBoolean(bool on)
{
    m_model->setDisplayBoolean(on);
    m_actions.value(u"exDisplayBoolean"_s)->setChecked(on);
}

void DataGrid::setShowTextEllipsis(bool on)
{
    setTextElideMode(on ? Qt::ElideRight : Qt::ElideNone);
    m_actions.value(u"exShowTextEllipsis"_s)->setChecked(on);
    viewport()->update();
}

bool DataGrid::showTitleEllipsis() const
{
    return horizontalHeader()->textElideMode() != Qt::ElideNone;
}

void DataGrid::setShowTitleEllipsis(bool on)
{
    horizontalHeader()->setTextElideMode(on ? Qt::ElideRight : Qt::ElideNone);
    m_actions.value(u"exShowTitleEllipsis"_s)->setChecked(on);
    horizontalHeader()->viewport()->update();
}

void DataGrid::setCellHints(bool on)
{
    m_model->setCellHints(on);
    m_actions.value(u"exCellHints"_s)->setChecked(on);
}

void DataGrid::setUseRowColors(bool on)
{
    setAlternatingRowColors(on);
    m_actions.value(u"exUseRowColors"_s)->setChecked(on);
}

void DataGrid::setSearchMode(bool on)
{
    m_searchMode = on;
    m_searchText.clear();
    m_searchLabel->hide();
    m_actions.value(u"exSearchMode"_s)->setChecked(on);
}

int DataGrid::firstShownColumn() const
{
    const QHeaderView *titles = horizontalHeader();
    for (int visual = 0; visual < titles->count(); ++visual) {
        const int logical = titles->logicalIndex(visual);
        if (!titles->isSectionHidden(logical))
            return logical;
    }
    return 0;
}

void DataGrid::followTable()
{
    db::Table *t = table();
    const int rows = m_model->rowCount();
    if (!t || !t->isActive() || rows == 0 || m_model->columnCount() == 0)
        return;
    const int row = t->recNo();
    if (row < 0 || row >= rows)
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    const int column = current.isValid() ? current.column() : firstShownColumn();
    const QModelIndex target = m_model->index(row, column);
    m_following = true;
    selectionModel()->setCurrentIndex(target,
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_following = false;
    scrollTo(target);
}

void DataGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    db::Table *t = table();
    if (m_following || !current.isValid() || !t || !t->isActive() || current.row() == t->recNo())
        return;
    const int row = current.row();
    guarded(this, [&] { t->moveTo(row); });
    // A move the table refused (a pending change it could not save) puts the grid back.
    if (t->recNo() != row)
        followTable();
}

void DataGrid::contextMenuEvent(QContextMenuEvent *event)
{
    m_menu->exec(event->globalPos());
    event->accept();
}

void DataGrid::keyboardSearch(const QString &search)
{
    // Typing finds rows only in search mode; the view's own search would read the whole table.
    Q_UNUSED(search);
}

void DataGrid::keyPressEvent(QKeyEvent *event)
{
    if (m_searchMode) {
        const QString typed = event->text();
        const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (event->key() == Qt::Key_Escape && !m_searchText.isEmpty()) {
            m_searchText.clear();
            m_searchLabel->hide();
            return;
        }
        if (event->key() == Qt::Key_Backspace && !m_searchText.isEmpty()) {
            m_searchText.chop(1);
            search();
            return;
        }
        if (plain && !typed.isEmpty() && typed.at(0).isPrint()) {
            m_searchText += typed;
            search();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

// Finds, from the current row on and then from the top, the first row whose text in the current
// column begins with the typed text, ignoring case.
void DataGrid::search()
{
    if (m_searchText.isEmpty()) {
        m_searchLabel->hide();
        return;
    }
    m_searchLabel->setText(u"Search: %1"_s.arg(m_searchText));
    m_searchLabel->adjustSize();
    placeSearchLabel();
    m_searchLabel->show();
    m_searchLabel->raise();
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    const QModelIndex current = currentIndex();
    const int column = current.isValid() ? current.column() : firstShownColumn();
    const int start = current.isValid() ? current.row() : 0;
    for (int i = 0; i < rows; ++i) {
        const int row = (start + i) % rows;
        if (m_model->cellText(row, column).startsWith(m_searchText, Qt::CaseInsensitive)) {
            const QModelIndex found = m_model->index(row, column);
            selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
            scrollTo(found);
            return;
        }
    }
    QApplication::beep();
}

void DataGrid::placeSearchLabel()
{
    const QRect area = viewport()->geometry();
    m_searchLabel->move(area.left() + 4, area.bottom() - m_searchLabel->height() - 4);
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        Q_EMIT rowDoubleClicked(index.row());
}

void DataGrid::showEvent(QShowEvent *event)
{
    applyDefaultWidths();
    QTableView::showEvent(event);
}

void DataGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    if (m_searchLabel->isVisible())
        placeSearchLabel();
}

void DataGrid::autoSizeColumns()
{
    applyDefaultWidths();
    const int rows = m_model->rowCount();
    int top = rows > 0 ? qMax(0, rowAt(0)) : 0;
    int bottom = rows > 0 ? rowAt(viewport()->height() - 1) : -1;
    if (rows > 0 && bottom < 0)
        bottom = rows - 1;
    bottom = qMin(bottom, top + kAutoSizeRows - 1);
    QHeaderView *titles = horizontalHeader();
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (isColumnHidden(column))
            continue;
        int width = titles->sectionSizeHint(column);
        for (int row = top; row <= bottom; ++row)
            width = qMax(width, sizeHintForIndex(m_model->index(row, column)).width() + 2 * showGrid());
        setColumnWidth(column, qBound(kMinimumWidth, width, kMaximumWidth));
    }
}

void DataGrid::autoWidthColumns()
{
    applyDefaultWidths();
    QList<int> shown;
    int total = 0;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (!isColumnHidden(column)) {
            shown << column;
            total += columnWidth(column);
        }
    }
    const int available = viewport()->width();
    if (shown.isEmpty() || total <= 0 || available <= 0)
        return;
    // Every column keeps its share of the width; the last one takes what rounding left.
    int used = 0;
    for (int i = 0; i < shown.size(); ++i) {
        const int column = shown.at(i);
        const int width =
            i + 1 == shown.size() ? available - used : int(qint64(columnWidth(column)) * available / total);
        setColumnWidth(column, qMax(kMinimumWidth, width));
        used += columnWidth(column);
    }
}

GridExportColumns DataGrid::shownColumns() const
{
    const_cast<DataGrid *>(this)->applyDefaultWidths();
    GridExportColumns shown;
    const QHeaderView *titles = horizontalHeader();
    for (int visual = 0; visual < titles->count(); ++visual) {
        const int logical = titles->logicalIndex(visual);
        if (titles->isSectionHidden(logical))
            continue;
        shown.columns << logical;
        shown.widths << columnWidth(logical);
    }
    return shown;
}

void DataGrid::printGridCommand()
{
    QPrinter printer(QPrinter::HighResolution);
    const QString title = window()->windowTitle();
    printer.setDocName(title.isEmpty() ? u"Grid"_s : title);
    // A grid is wider than tall: landscape unless the user picks otherwise in the dialog.
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!interaction().hasPrinter()) {
        interaction().notice(this,
                             u"No printer is installed. The grid can be printed to a PDF file instead."_s);
        QString filter = pdfFilter;
        QString name = interaction().saveFileName(this, u"Print Grid"_s, {pdfFilter}, &filter);
        if (name.isEmpty())
            return;
        if (QFileInfo(name).suffix().isEmpty())
            name += u".pdf"_s;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(name);
    } else if (!interaction().setupPrinter(this, printer)) {
        return;
    }
    printGrid(printer, *m_model, shownColumns(), title, displayBoolean());
}

void DataGrid::exportGridCommand()
{
    QString filter = csvFilter;
    QString name = interaction().saveFileName(this, u"Export Grid"_s, {csvFilter, odsFilter}, &filter);
    if (name.isEmpty())
        return;
    const QString suffix = QFileInfo(name).suffix().toLower();
    GridExportFormat format = filter == odsFilter ? GridExportFormat::FlatOds : GridExportFormat::Csv;
    if (suffix == u"csv"_s || suffix == u"fods"_s)
        format = exportFormatOf(name);
    else
        name += format == GridExportFormat::FlatOds ? u".fods"_s : u".csv"_s;
    const QString title = window()->windowTitle();
    exportGrid(name, format, *m_model, shownColumns(), title);
}

void DataGrid::selectAllRows()
{
    selectAll();
}

void DataGrid::unselectAllRows()
{
    clearSelection();
}

void DataGrid::customizeColumns()
{
    applyDefaultWidths();
    QStringList titles;
    QList<bool> visible;
    QList<int> logicals;
    const QHeaderView *header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        logicals << logical;
        titles << m_model->headerData(logical, Qt::Horizontal).toString();
        visible << !header->isSectionHidden(logical);
    }
    if (!interaction().chooseColumns(this, titles, visible))
        return;
    if (std::none_of(visible.cbegin(), visible.cend(), [](bool v) { return v; })) {
        interaction().notice(this, u"At least one column must stay shown."_s);
        return;
    }
    for (int i = 0; i < logicals.size(); ++i) {
        const int logical = logicals.at(i);
        const bool show = visible.value(i, true);
        if (show && isColumnHidden(logical)) {
            setColumnHidden(logical, false);
            const int width = m_hiddenWidths.take(logical);
            setColumnWidth(logical, width > 0 ? width : defaultWidth(logical));
        } else if (!show && !isColumnHidden(logical)) {
            m_hiddenWidths.insert(logical, columnWidth(logical));
            setColumnHidden(logical, true);
        }
    }
}

QString DataGrid::layoutKey() const
{
    if (!m_layoutKey.isEmpty())
        return m_layoutKey;
    const QWidget *top = window();
    QString owner = top && top != this ? top->objectName() : QString();
    if (owner.isEmpty() && top && top != this)
        owner = QString::fromLatin1(top->metaObject()->className()).section(u"::"_s, -1);
    return owner.isEmpty() ? objectName() : owner + u'.' + objectName();
}

void DataGrid::saveLayout(QSettings &settings) const
{
    settings.beginGroup(u"GridLayouts"_s);
    settings.beginGroup(layoutKey());
    settings.remove(QString());
    QStringList widths;
    QStringList hidden;
    for (const ColumnPlacement &p : columnPlacements()) {
        widths << QString::number(p.width);
        if (isColumnHidden(m_model->columnOf(p.field)))
            hidden << p.field;
    }
    settings.setValue(u"Columns"_s, columnOrder());
    settings.setValue(u"Widths"_s, widths);
    settings.setValue(u"Hidden"_s, hidden);
    settings.setValue(u"DisplayBoolean"_s, displayBoolean());
    settings.setValue(u"ShowTextEllipsis"_s, showTextEllipsis());
    settings.setValue(u"ShowTitleEllipsis"_s, showTitleEllipsis());
    settings.setValue(u"CellHints"_s, cellHints());
    settings.setValue(u"UseRowColors"_s, useRowColors());
    settings.endGroup();
    settings.endGroup();
}

bool DataGrid::loadLayout(QSettings &settings)
{
    settings.beginGroup(u"GridLayouts"_s);
    settings.beginGroup(layoutKey());
    const bool present = settings.contains(u"Columns"_s);
    if (present) {
        const QStringList fields = settings.value(u"Columns"_s).toStringList();
        const QStringList widths = settings.value(u"Widths"_s).toStringList();
        const QStringList hidden = settings.value(u"Hidden"_s).toStringList();
        QList<ColumnPlacement> placements;
        for (int i = 0; i < fields.size(); ++i)
            placements.append({fields.at(i), i, widths.value(i).toInt()});
        // Hidden columns come back first, so that their stored widths land on visible sections.
        for (int column = 0; column < m_model->columnCount(); ++column) {
            if (isColumnHidden(column)) {
                setColumnHidden(column, false);
                const int width = m_hiddenWidths.take(column);
                if (width > 0)
                    setColumnWidth(column, width);
            }
        }
        restoreColumnPlacements(placements);
        for (const QString &field : hidden) {
            const int column = m_model->columnOf(field);
            if (column >= 0 && hidden.size() < m_model->columnCount()) {
                m_hiddenWidths.insert(column, columnWidth(column));
                setColumnHidden(column, true);
            }
        }
        setDisplayBoolean(settings.value(u"DisplayBoolean"_s, displayBoolean()).toBool());
        setShowTextEllipsis(settings.value(u"ShowTextEllipsis"_s, showTextEllipsis()).toBool());
        setShowTitleEllipsis(settings.value(u"ShowTitleEllipsis"_s, showTitleEllipsis()).toBool());
        setCellHints(settings.value(u"CellHints"_s, cellHints()).toBool());
        setUseRowColors(settings.value(u"UseRowColors"_s, useRowColors()).toBool());
    }
    settings.endGroup();
    settings.endGroup();
    return present;
}

void DataGrid::saveLayoutCommand()
{
    QSettings settings;
    saveLayout(settings);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw VinaryError(u"The layout could not be saved in the user's settings."_s);
}

void DataGrid::loadLayoutCommand()
{
    QSettings settings;
    if (!loadLayout(settings))
        interaction().notice(this, u"No layout has been saved for this grid."_s);
}

} // namespace vinary
