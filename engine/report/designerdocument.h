#pragma once

#include "engine/report/reportmodel.h"

#include <QList>
#include <QObject>
#include <QUndoCommand>
#include <QUndoStack>

namespace vinary::report
{

// The template the designer edits, with its undo stack. Every change goes through an undo
// command; the commands call the mutators below, which tell the views what changed.
class DesignerDocument : public QObject
{
    Q_OBJECT
public:
    explicit DesignerDocument(const ReportTemplate &templ, QObject *parent = nullptr);

    const ReportTemplate &reportTemplate() const { return m_template; }
    const ReportPage &page(int index) const { return m_template.page(index); }
    int pageCount() const { return m_template.pageCount(); }
    QUndoStack *undoStack() { return &m_undo; }

    // Starts over on another template, with an empty undo stack.
    void reset(const ReportTemplate &templ);

    // Mutators for the commands.
    void setRects(int page, const QList<int> &indices, const QList<QRectF> &rects);
    void setObjects(int page, const QList<int> &indices, const QList<ReportObject> &objects);
    // `indices` ascending; each object lands at its index.
    void insertObjects(int page, const QList<int> &indices, const QList<ReportObject> &objects);
    void removeObjects(int page, const QList<int> &indices);
    void insertPage(int index, const ReportPage &page);
    void removePage(int index);
    void setPageSetup(int index, const QSizeF &paper, const QMarginsF &margins);

    // Convenience that pushes the commands.
    void moveObjects(int page, const QList<int> &indices, const QList<QRectF> &from, const QList<QRectF> &to,
                     const QString &label);
    void changeObjects(int page, const QList<int> &indices, const QList<ReportObject> &after,
                       const QString &label);
    void addObjects(int page, const QList<ReportObject> &objects, const QString &label);
    void deleteObjects(int page, const QList<int> &indices);
    void addPage(int index);
    void deletePage(int index);
    void changePageSetup(int index, const QSizeF &paper, const QMarginsF &margins);

signals:
    // Geometry or properties of these objects changed; the page's structure did not.
    void objectsChanged(int page, const QList<int> &indices);
    // Objects were added or removed: the page's items must be rebuilt.
    void pageContentChanged(int page);
    void pagesChanged();
    void pageSetupChanged(int page);

private:
    ReportTemplate m_template;
    QUndoStack m_undo;
};

} // namespace vinary::report
