#pragma once

#include "engine/report/prepared.h"

#include <QDialog>

class QAction;
class QComboBox;
class QLabel;
class QSpinBox;

namespace vinary::report
{

class PreviewView;
class UiServices;

// The modal, maximised preview of a prepared report: page navigation, zoom, print, and export to
// PDF and, with their add-ons, to plain text and RTF. Its caption is the report title.
class PreviewWindow : public QDialog
{
    Q_OBJECT
public:
    PreviewWindow(const PreparedReport &report, UiServices &services, QWidget *parent = nullptr);

    PreviewView *view() const { return m_view; }
    void print();
    void exportAs(int format); // an ExportFormat
    void goToPage(int page);

private:
    void updatePageControls(int page);

    const PreparedReport &m_report;
    UiServices &m_services;
    PreviewView *m_view = nullptr;
    QSpinBox *m_pageBox = nullptr;
    QLabel *m_pageCount = nullptr;
    QComboBox *m_zoomBox = nullptr;
    QAction *m_first = nullptr;
    QAction *m_previous = nullptr;
    QAction *m_next = nullptr;
    QAction *m_last = nullptr;
};

} // namespace vinary::report
