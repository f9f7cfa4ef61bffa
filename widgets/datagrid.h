#pragma once

#include "widgets/gridexport.h"
#include "widgets/gridmodel.h"

#include <QHash>
#include <QPointer>
#include <QTableView>

class QLabel;
class QMenu;
class QSettings;

namespace vinary {

class GridInteraction;

// The read-only data grid over a table cursor. The current row follows the table's record and a
// click moves the table; the column titles act as buttons that report their field; columns can be
// dragged; a double click on a row is reported. Its own context menu offers sizing, display
// options, printing, export, selection, column customising, search mode and layouts kept in the
// user's settings.
class DataGrid : public QTableView
{
    Q_OBJECT

public:
    // Where a column is and how wide, as the window placement store keeps it.
    struct ColumnPlacement {
        QString field;
        int position = 0;
        int width = 0;
    };

    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    void setTable(db::Table *table);
    db::Table *table() const { return m_model->table(); }
    void setColumns(const QList<GridColumn> &columns);
    TableGridModel *gridModel() const { return m_model; }
    // The title of a column, as given (for instance once translated).
    void setColumnTitle(int column, const QString &title);
    QString fieldOfColumn(int column) const { return m_model->fieldAt(column); }
    int columnOfField(const QString &field) const { return m_model->columnOf(field); }

    // Column layout: field names in screen order, and the width of a field's column.
    QStringList columnOrder() const;
    void setColumnOrder(const QStringList &fields);
    int fieldWidth(const QString &field) const;
    void setFieldWidth(const QString &field, int width);
    // Every column in screen order with its position (from 0) and width.
    QList<ColumnPlacement> columnPlacements() const;
    // Gives each listed column its width, then puts the listed columns at their positions; unknown
    // fields are ignored and unlisted columns keep their place and width.
    void restoreColumnPlacements(const QList<ColumnPlacement> &placements);

    void setRowHeight(int pixels);
    int rowHeight() const;
    // The row indicator column at the left, marking the current record.
    void setRowIndicator(bool on);

    // Display options of the context menu.
    bool displayBoolean() const { return m_model->displayBoolean(); }
    void setDisplayBoolean(bool on);
    bool showTextEllipsis() const { return textElideMode() != Qt::ElideNone; }
    void setShowTextEllipsis(bool on);
    bool showTitleEllipsis() const;
    void setShowTitleEllipsis(bool on);
    bool cellHints() const { return m_model->cellHints(); }
    void setCellHints(bool on);
    bool useRowColors() const { return alternatingRowColors(); }
    void setUseRowColors(bool on);
    bool searchMode() const { return m_searchMode; }
    void setSearchMode(bool on);
    const QString &searchText() const { return m_searchText; }

    // Commands of the context menu.
    void autoSizeColumns();
    void autoWidthColumns();
    void printGridCommand();
    void exportGridCommand();
    void selectAllRows();
    void unselectAllRows();
    void customizeColumns();
    void saveLayoutCommand();
    void loadLayoutCommand();
    void saveLayout(QSettings &settings) const;
    // False when the settings hold no layout for this grid.
    bool loadLayout(QSettings &settings);
    // The settings group of this grid's layout; by default the window's class and the grid's name.
    QString layoutKey() const;
    void setLayoutKey(const QString &key) { m_layoutKey = key; }

    // The visible columns in screen order, with their widths: what printing and export write.
    GridExportColumns shownColumns() const;

    QMenu *contextMenu() const { return m_menu; }
    // A context-menu action by its option name ("exAutoSize", "exExportGrid", ...); nullptr when
    // the grid does not offer it.
    QAction *menuAction(const QString &name) const;
    // The dialogs the menu uses (not owned); nullptr restores the platform's ones.
    void setInteraction(GridInteraction *interaction);

Q_SIGNALS:
    void titleClicked(const QString &field, int column);
    void rowDoubleClicked(int position);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyboardSearch(const QString &search) override;

private:
    void buildMenu();
    void followTable();
    void applyDefaultWidths();
    int defaultWidth(int column) const;
    int firstShownColumn() const;
    void search();
    void placeSearchLabel();
    GridInteraction &interaction() const;

    TableGridModel *m_model;
    QMenu *m_menu = nullptr;
    QHash<QString, QAction *> m_actions;
    QLabel *m_searchLabel = nullptr;
    GridInteraction *m_interaction = nullptr;
    QString m_layoutKey;
    QString m_searchText;
    QList<bool> m_sized; // per logical column: its width was set by someone, not by default
    QHash<int, int> m_hiddenWidths;
    bool m_searchMode = false;
    bool m_following = false;
    bool m_applyingDefaults = false;
};

} // namespace vinary
