#pragma once

#include "engine/report/reportmodel.h"

#include <QDialog>

class QAction;
class QComboBox;
class QGraphicsView;
class QTabBar;

namespace vinary::report
{

class DesignerDocument;
class DesignerScene;
class PropertyPanel;
class Report;
class UiServices;

// The modal layout designer, opened on a report component's template. Edits a copy of the
// template; when the designer closes, the edited template becomes the component's.
class DesignerWindow : public QDialog
{
    Q_OBJECT
public:
    explicit DesignerWindow(Report &report, QWidget *parent = nullptr);
    ~DesignerWindow() override;

    DesignerDocument &document() const { return *m_document; }
    DesignerScene &scene() const { return *m_scene; }
    QGraphicsView *view() const { return m_view; }
    PropertyPanel *panel() const { return m_panel; }
    QString fileName() const { return m_fileName; }

    void insertObject(ObjectKind kind, ShapeKind shape = ShapeKind::Rectangle);
    void copySelection();
    void cutSelection();
    void paste();
    void openTemplate();
    bool save();
    bool saveAs();
    void preview();
    void editText(int index);
    void loadPicture();
    void setZoom(double factor);

    void done(int result) override;

private:
    void buildActions();
    void rebuildTabs();
    void showSelection();
    void applyEdit(const std::function<void(ReportObject &)> &change, const QString &label);
    void updateTitle();
    bool writeTo(const QString &path);
    QPointF freeSpot() const;

    Report &m_report;
    UiServices &m_services;
    DesignerDocument *m_document = nullptr;
    DesignerScene *m_scene = nullptr;
    QGraphicsView *m_view = nullptr;
    QTabBar *m_tabs = nullptr;
    PropertyPanel *m_panel = nullptr;
    QComboBox *m_zoomBox = nullptr;
    QString m_fileName;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QAction *m_removePage = nullptr;
};

} // namespace vinary::report
