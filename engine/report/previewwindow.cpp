#include "engine/report/previewwindow.h"

#include "engine/common/errors.h"
#include "engine/report/addons.h"
#include "engine/report/exports.h"
#include "engine/report/previewview.h"
#include "engine/report/printout.h"
#include "engine/report/texts.h"
#include "engine/report/uiservices.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{

QAction *iconAction(QToolBar *bar, QStyle::StandardPixmap icon, const QString &hint, const QString &name)
{
    QAction *a = bar->addAction(bar->style()->standardIcon(icon), hint);
    a->setObjectName(name);
    a->setToolTip(hint);
    if (QWidget *w = bar->widgetForAction(a))
        w->setAccessibleName(hint);
    return a;
}

QPageLayout layoutFor(const QSizeF &s)
{
    const bool landscape = s.width() > s.height();
    const QPageSize size(landscape ? s.transposed() : s, QPageSize::Millimeter, QString(),
                         QPageSize::FuzzyMatch);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

} // namespace

PreviewWindow::PreviewWindow(const PreparedReport &report, UiServices &services, QWidget *parent)
    : QDialog(parent), m_report(report), m_services(services)
{
    setObjectName(u"previewWindow"_s);
    setWindowTitle(report.title);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    setSizeGripEnabled(true);

    auto *bar = new QToolBar(this);
    bar->setObjectName(u"previewToolBar"_s);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setIconSize(QSize(20, 20));
    m_first = iconAction(bar, QStyle::SP_MediaSkipBackward,
                         engineText(u"[MOT_PRIMA_PAGINA]"_s, u"First page"_s), u"actFirstPage"_s);
    m_previous =
        iconAction(bar, QStyle::SP_MediaSeekBackward,
                   engineText(u"[MOT_PAGINA_PRECEDENTE]"_s, u"Previous page"_s), u"actPreviousPage"_s);
    auto *pageLabel = new QLabel(engineText(u"[MOT_PAGINA]"_s, u"&Page"_s), bar);
    m_pageBox = new QSpinBox(bar);
    m_pageBox->setObjectName(u"pageBox"_s);
    m_pageBox->setRange(1, std::max(1, report.pageCount()));
    m_pageBox->setAccessibleName(pageLabel->text().remove(u'&'));
    pageLabel->setBuddy(m_pageBox);
    m_pageCount =
        new QLabel(u' ' + engineText(u"[MOT_DI_PAGINE]"_s, u"of %1"_s).arg(report.pageCount()) + u' ', bar);
    m_pageCount->setObjectName(u"pageCount"_s);
    bar->addWidget(pageLabel);
    bar->addWidget(m_pageBox);
    bar->addWidget(m_pageCount);
    m_next = iconAction(bar, QStyle::SP_MediaSeekForward,
                        engineText(u"[MOT_PAGINA_SUCCESSIVA]"_s, u"Next page"_s), u"actNextPage"_s);
    m_last = iconAction(bar, QStyle::SP_MediaSkipForward,
                        engineText(u"[MOT_ULTIMA_PAGINA]"_s, u"Last page"_s), u"actLastPage"_s);
    bar->addSeparator();

    auto *zoomLabel = new QLabel(u' ' + engineText(u"[MOT_ZOOM]"_s, u"&Zoom"_s) + u' ', bar);
    m_zoomBox = new QComboBox(bar);
    m_zoomBox->setObjectName(u"zoomBox"_s);
    m_zoomBox->addItems({engineText(u"[MOT_PAGINA_INTERA]"_s, u"Whole page"_s),
                         engineText(u"[MOT_LARGHEZZA_PAGINA]"_s, u"Page width"_s), u"100 %"_s});
    zoomLabel->setBuddy(m_zoomBox);
    bar->addWidget(zoomLabel);
    bar->addWidget(m_zoomBox);
    bar->addSeparator();

    auto textAction = [&](const QString &text, const QString &name, QStyle::StandardPixmap icon) {
        QAction *a = bar->addAction(style()->standardIcon(icon), text);
        a->setObjectName(name);
        if (auto *b = qobject_cast<QToolButton *>(bar->widgetForAction(a)))
            b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        return a;
    };
    QAction *printAction = textAction(engineText(u"[MOT_STAMPA]"_s, u"&Print…"_s), u"actPrint"_s,
                                      QStyle::SP_FileDialogDetailedView);
    printAction->setShortcut(QKeySequence::Print);
    QAction *pdfAction =
        textAction(engineText(u"[MOT_PDF]"_s, u"P&DF…"_s), u"actExportPdf"_s, QStyle::SP_DialogSaveButton);
    QAction *textExportAction = nullptr;
    QAction *rtfAction = nullptr;
    if (TextExportAddOn::available())
        textExportAction = textAction(engineText(u"[MOT_TESTO_EXPORT]"_s, u"&Text…"_s), u"actExportText"_s,
                                      QStyle::SP_FileIcon);
    if (RichExportAddOn::available())
        rtfAction =
            textAction(engineText(u"[MOT_RTF]"_s, u"&RTF…"_s), u"actExportRtf"_s, QStyle::SP_FileIcon);
    bar->addSeparator();
    QAction *closeAction =
        textAction(engineText(u"[MOT_CHIUDI]"_s, u"&Close"_s), u"actClose"_s, QStyle::SP_DialogCloseButton);

    m_view = new PreviewView(this);
    m_view->setReport(&m_report);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_view, 1);

    connect(m_first, &QAction::triggered, this, [this] { goToPage(0); });
    connect(m_previous, &QAction::triggered, this, [this] { goToPage(m_view->currentPage() - 1); });
    connect(m_next, &QAction::triggered, this, [this] { goToPage(m_view->currentPage() + 1); });
    connect(m_last, &QAction::triggered, this, [this] { goToPage(m_report.pageCount() - 1); });
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int v) {
        if (v - 1 != m_view->currentPage())
            goToPage(v - 1);
    });
    connect(m_view, &PreviewView::currentPageChanged, this, &PreviewWindow::updatePageControls);
    connect(m_zoomBox, &QComboBox::currentIndexChanged, this,
            [this](int i) { m_view->setZoom(static_cast<PreviewView::Zoom>(i)); });
    connect(printAction, &QAction::triggered, this, &PreviewWindow::print);
    connect(pdfAction, &QAction::triggered, this, [this] { exportAs(int(ExportFormat::Pdf)); });
    if (textExportAction)
        connect(textExportAction, &QAction::triggered, this, [this] { exportAs(int(ExportFormat::Text)); });
    if (rtfAction)
        connect(rtfAction, &QAction::triggered, this, [this] { exportAs(int(ExportFormat::Rtf)); });
    connect(closeAction, &QAction::triggered, this, &QDialog::accept);

    updatePageControls(0);
    resize(1000, 760);
    setWindowState(windowState() | Qt::WindowMaximized);
    m_view->setFocus();
}

void PreviewWindow::goToPage(int page)
{
    m_view->goToPage(page);
    updatePageControls(m_view->currentPage());
}

void PreviewWindow::updatePageControls(int page)
{
    const int last = m_report.pageCount() - 1;
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setValue(page + 1);
    m_first->setEnabled(page > 0);
    m_previous->setEnabled(page > 0);
    m_next->setEnabled(page < last);
    m_last->setEnabled(page < last);
}

void PreviewWindow::print()
{
    if (m_report.pageCount() == 0)
        return;
    if (!m_services.printerAvailable()) {
        m_services.information(
            this, windowTitle(),
            engineText(u"[MOT_NESSUNA_STAMPANTE]"_s,
                       u"No printer is installed. Export the report to PDF to print it elsewhere."_s));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_report.title);
    printer.setFullPage(true);
    // The dialog starts on the report's own paper; what the user picks there is what prints.
    printer.setPageLayout(layoutFor(m_report.paperSize(0)));
    printer.setFromTo(1, m_report.pageCount());
    if (!m_services.choosePrinter(printer, this))
        return;
    int from = printer.fromPage();
    int to = printer.toPage();
    if (from <= 0 || printer.printRange() == QPrinter::AllPages) {
        from = 1;
        to = m_report.pageCount();
    }
    try {
        if (!printPages(printer, m_report, from - 1, to - 1))
            m_services.error(
                this, windowTitle(),
                engineText(u"[MOT_STAMPANTE_NON_AVVIATA]"_s, u"The printer cannot be started."_s));
    } catch (const std::exception &e) {
        m_services.error(this, windowTitle(), QString::fromUtf8(e.what()));
    }
}

void PreviewWindow::exportAs(int format)
{
    const auto f = static_cast<ExportFormat>(format);
    QString filter;
    QString suffix;
    switch (f) {
    case ExportFormat::Pdf:
        filter = engineText(u"[MOT_FILE_PDF]"_s, u"PDF files"_s) + u" (*.pdf)"_s;
        suffix = u".pdf"_s;
        break;
    case ExportFormat::Text:
        filter = engineText(u"[MOT_FILE_TESTO]"_s, u"Text files"_s) + u" (*.txt)"_s;
        suffix = u".txt"_s;
        break;
    case ExportFormat::Rtf:
        filter = engineText(u"[MOT_FILE_RTF]"_s, u"Rich text files"_s) + u" (*.rtf)"_s;
        suffix = u".rtf"_s;
        break;
    }
    QString base = m_report.title;
    base.remove(QRegularExpression(u"[\\\\/:*?\"<>|\\[\\]]"_s));
    if (base.trimmed().isEmpty())
        base = engineText(u"[MOT_NOME_FILE_REPORT]"_s, u"report"_s);
    QString path = m_services.saveFileName(this, engineText(u"[MOT_ESPORTA]"_s, u"Export"_s),
                                           QDir::current().filePath(base.trimmed() + suffix), filter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    try {
        exportReport(m_report, path, f);
    } catch (const std::exception &e) {
        m_services.error(this, windowTitle(), QString::fromUtf8(e.what()));
    }
}

} // namespace vinary::report
