#include "engine/report/previewview.h"

#include "engine/report/pagepainter.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

namespace vinary::report
{

namespace
{
constexpr int gap = 16;
constexpr int cachedPages = 8;
} // namespace

PreviewView::PreviewView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("previewView"));
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, QColor(0x60, 0x63, 0x68));
    pal.setColor(QPalette::Base, QColor(0x60, 0x63, 0x68));
    viewport()->setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);
}

void PreviewView::setReport(const PreparedReport *report)
{
    m_report = report;
    m_current = 0;
    m_cache.clear();
    m_cacheOrder.clear();
    relayout();
}

void PreviewView::setZoom(Zoom zoom)
{
    const int page = m_current;
    m_zoom = zoom;
    m_cache.clear();
    m_cacheOrder.clear();
    relayout();
    goToPage(page);
}

double PreviewView::scale() const
{
    const double screen = logicalDpiX() / 25.4;
    if (!m_report || m_report->pageCount() == 0 || m_zoom == Zoom::Actual)
        return screen;
    const QSizeF paper = m_report->paperSize(0);
    const QSize room = viewport()->size() - QSize(2 * gap, 2 * gap);
    if (m_zoom == Zoom::PageWidth)
        return std::max(0.5, room.width() / paper.width());
    return std::max(0.5, std::min(room.width() / paper.width(), room.height() / paper.height()));
}

QSize PreviewView::pageSize(int page) const
{
    const QSizeF paper = m_report->paperSize(page);
    const double s = scale();
    return QSize(int(std::lround(paper.width() * s)), int(std::lround(paper.height() * s)));
}

void PreviewView::relayout()
{
    m_tops.clear();
    m_contentWidth = 0;
    int y = gap;
    if (m_report) {
        for (int i = 0; i < m_report->pageCount(); ++i) {
            const QSize s = pageSize(i);
            m_tops.push_back(y);
            y += s.height() + gap;
            m_contentWidth = std::max(m_contentWidth, s.width() + 2 * gap);
        }
    }
    const QSize room = viewport()->size();
    verticalScrollBar()->setRange(0, std::max(0, y - room.height()));
    verticalScrollBar()->setPageStep(room.height());
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setRange(0, std::max(0, m_contentWidth - room.width()));
    horizontalScrollBar()->setPageStep(room.width());
    viewport()->update();
}

QRect PreviewView::pageRect(int page) const
{
    if (!m_report || page < 0 || page >= int(m_tops.size()))
        return QRect();
    const QSize s = pageSize(page);
    const int width = std::max(m_contentWidth, viewport()->width());
    const int x = (width - s.width()) / 2 - horizontalScrollBar()->value();
    return QRect(QPoint(x, m_tops[size_t(page)] - verticalScrollBar()->value()), s);
}

void PreviewView::goToPage(int page)
{
    if (!m_report || m_report->pageCount() == 0)
        return;
    page = std::clamp(page, 0, m_report->pageCount() - 1);
    verticalScrollBar()->setValue(m_tops[size_t(page)] - gap);
    if (page != m_current) {
        m_current = page;
        emit currentPageChanged(page);
    }
}

void PreviewView::updateCurrent()
{
    if (!m_report || m_tops.empty())
        return;
    // The current page is the one that holds the middle of the view.
    const int middle = verticalScrollBar()->value() + viewport()->height() / 2;
    auto it = std::upper_bound(m_tops.begin(), m_tops.end(), middle);
    const int page = std::max(0, int(it - m_tops.begin()) - 1);
    if (page != m_current) {
        m_current = page;
        emit currentPageChanged(page);
    }
}

const QImage &PreviewView::rendered(int page)
{
    auto it = m_cache.find(page);
    if (it != m_cache.end())
        return *it;
    const qreal dpr = devicePixelRatioF();
    const QSize s = pageSize(page);
    QImage image(s * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    try {
        QPainter p(&image);
        paintPage(p, *m_report, page, scale());
    } catch (const std::exception &) {
        // A page the temporary file no longer gives back shows blank; nothing may leave a paint event.
    }
    m_cacheOrder.push_back(page);
    if (m_cacheOrder.size() > size_t(cachedPages)) {
        m_cache.remove(m_cacheOrder.front());
        m_cacheOrder.erase(m_cacheOrder.begin());
    }
    return *m_cache.insert(page, image);
}

void PreviewView::paintEvent(QPaintEvent *)
{
    if (!m_report)
        return;
    QPainter p(viewport());
    const QRect visible = viewport()->rect();
    // Pages are read from the report only when they show; the first that may show is found by
    // its position, without walking the pages above it.
    const int top = verticalScrollBar()->value() + visible.top();
    const auto first = std::upper_bound(m_tops.begin(), m_tops.end(), top);
    for (int i = std::max(0, int(first - m_tops.begin()) - 1); i < m_report->pageCount(); ++i) {
        const QRect r = pageRect(i);
        if (r.bottom() < visible.top())
            continue;
        if (r.top() > visible.bottom())
            break;
        p.fillRect(r.translated(3, 3), QColor(0, 0, 0, 90));
        p.drawImage(r.topLeft(), rendered(i));
        ++m_painted;
        emit pagePainted(i);
    }
}

void PreviewView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_zoom != Zoom::Actual) {
        m_cache.clear();
        m_cacheOrder.clear();
    }
    const int page = m_current;
    relayout();
    if (m_report && m_report->pageCount() > 0)
        verticalScrollBar()->setValue(m_tops[size_t(page)] - gap);
}

void PreviewView::scrollContentsBy(int, int)
{
    updateCurrent();
    viewport()->update();
}

void PreviewView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        goToPage(m_current + 1);
        return;
    case Qt::Key_PageUp:
        goToPage(m_current - 1);
        return;
    case Qt::Key_Home:
        goToPage(0);
        return;
    case Qt::Key_End:
        goToPage(m_report ? m_report->pageCount() - 1 : 0);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

} // namespace vinary::report
