#pragma once

#include "engine/report/prepared.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>

namespace vinary::report
{

// The pages of a prepared report one below the other, painted only where they are visible.
// Rendered pages are cached as images for smooth scrolling.
class PreviewView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    enum class Zoom { WholePage, PageWidth, Actual };

    explicit PreviewView(QWidget *parent = nullptr);
    void setReport(const PreparedReport *report);

    void setZoom(Zoom zoom);
    Zoom zoom() const { return m_zoom; }
    // Device pixels per millimetre at the present zoom.
    double scale() const;

    int currentPage() const { return m_current; }
    void goToPage(int page);
    // The page's rectangle in viewport coordinates.
    QRect pageRect(int page) const;
    // How many pages have been painted so far: lets tests and benchmarks see the first one shown.
    int paintedPages() const { return m_painted; }

signals:
    void currentPageChanged(int page);
    void pagePainted(int page);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void relayout();
    void updateCurrent();
    QSize pageSize(int page) const;
    const QImage &rendered(int page);

    const PreparedReport *m_report = nullptr;
    Zoom m_zoom = Zoom::WholePage;
    std::vector<int> m_tops; // in content pixels
    int m_contentWidth = 0;
    int m_current = 0;
    int m_painted = 0;
    QHash<int, QImage> m_cache;
    std::vector<int> m_cacheOrder;
};

} // namespace vinary::report
