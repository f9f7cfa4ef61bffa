#include "engine/report/designerdocument.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{

class MoveCommand : public QUndoCommand
{
public:
    MoveCommand(DesignerDocument &doc, int page, QList<int> indices, QList<QRectF> from, QList<QRectF> to,
                const QString &label)
        : QUndoCommand(label), m_doc(doc), m_page(page), m_indices(std::move(indices)),
          m_from(std::move(from)), m_to(std::move(to))
    {
    }
    void redo() override { m_doc.setRects(m_page, m_indices, m_to); }
    void undo() override { m_doc.setRects(m_page, m_indices, m_from); }

private:
    DesignerDocument &m_doc;
    int m_page;
    QList<int> m_indices;
    QList<QRectF> m_from;
    QList<QRectF> m_to;
};

class ChangeCommand : public QUndoCommand
{
public:
    ChangeCommand(DesignerDocument &doc, int page, QList<int> indices, QList<ReportObject> before,
                  QList<ReportObject> after, const QString &label)
        : QUndoCommand(label), m_doc(doc), m_page(page), m_indices(std::move(indices)),
          m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void redo() override { m_doc.setObjects(m_page, m_indices, m_after); }
    void undo() override { m_doc.setObjects(m_page, m_indices, m_before); }

private:
    DesignerDocument &m_doc;
    int m_page;
    QList<int> m_indices;
    QList<ReportObject> m_before;
    QList<ReportObject> m_after;
};

// Adding and removing are one command read in two directions.
class InsertRemoveCommand : public QUndoCommand
{
public:
    InsertRemoveCommand(DesignerDocument &doc, int page, QList<int> indices, QList<ReportObject> objects,
                        bool insert, const QString &label)
        : QUndoCommand(label), m_doc(doc), m_page(page), m_indices(std::move(indices)),
          m_objects(std::move(objects)), m_insert(insert)
    {
    }
    void redo() override { apply(m_insert); }
    void undo() override { apply(!m_insert); }

private:
    void apply(bool insert)
    {
        if (insert)
            m_doc.insertObjects(m_page, m_indices, m_objects);
        else
            m_doc.removeObjects(m_page, m_indices);
    }
    DesignerDocument &m_doc;
    int m_page;
    QList<int> m_indices;
    QList<ReportObject> m_objects;
    bool m_insert;
};

class PageCommand : public QUndoCommand
{
public:
    PageCommand(DesignerDocument &doc, int index, ReportPage page, bool insert, const QString &label)
        : QUndoCommand(label), m_doc(doc), m_index(index), m_page(std::move(page)), m_insert(insert)
    {
    }
    void redo() override { apply(m_insert); }
    void undo() override { apply(!m_insert); }

private:
    void apply(bool insert)
    {
        if (insert)
            m_doc.insertPage(m_index, m_page);
        else
            m_doc.removePage(m_index);
    }
    DesignerDocument &m_doc;
    int m_index;
    ReportPage m_page;
    bool m_insert;
};

class PageSetupCommand : public QUndoCommand
{
public:
    PageSetupCommand(DesignerDocument &doc, int index, QSizeF fromPaper, QMarginsF fromMargins,
                     QSizeF toPaper, QMarginsF toMargins)
        : QUndoCommand(u"Page setup"_s), m_doc(doc), m_index(index), m_fromPaper(fromPaper),
          m_fromMargins(fromMargins), m_toPaper(toPaper), m_toMargins(toMargins)
    {
    }
    void redo() override { m_doc.setPageSetup(m_index, m_toPaper, m_toMargins); }
    void undo() override { m_doc.setPageSetup(m_index, m_fromPaper, m_fromMargins); }

private:
    DesignerDocument &m_doc;
    int m_index;
    QSizeF m_fromPaper;
    QMarginsF m_fromMargins;
    QSizeF m_toPaper;
    QMarginsF m_toMargins;
};

} // namespace

DesignerDocument::DesignerDocument(const ReportTemplate &templ, QObject *parent)
    : QObject(parent), m_template(templ)
{
    if (m_template.pages.isEmpty())
        m_template.pages.append(ReportPage());
}

void DesignerDocument::reset(const ReportTemplate &templ)
{
    m_undo.clear();
    m_template = templ;
    if (m_template.pages.isEmpty())
        m_template.pages.append(ReportPage());
    emit pagesChanged();
}

void DesignerDocument::setRects(int page, const QList<int> &indices, const QList<QRectF> &rects)
{
    ReportPage &p = m_template.page(page);
    for (qsizetype i = 0; i < indices.size(); ++i)
        p.objects[indices.at(i)].rect = rects.at(i);
    emit objectsChanged(page, indices);
}

void DesignerDocument::setObjects(int page, const QList<int> &indices, const QList<ReportObject> &objects)
{
    ReportPage &p = m_template.page(page);
    for (qsizetype i = 0; i < indices.size(); ++i)
        p.objects[indices.at(i)] = objects.at(i);
    emit objectsChanged(page, indices);
}

void DesignerDocument::insertObjects(int page, const QList<int> &indices, const QList<ReportObject> &objects)
{
    ReportPage &p = m_template.page(page);
    for (qsizetype i = 0; i < indices.size(); ++i)
        p.objects.insert(std::min<qsizetype>(indices.at(i), p.objects.size()), objects.at(i));
    emit pageContentChanged(page);
}

void DesignerDocument::removeObjects(int page, const QList<int> &indices)
{
    ReportPage &p = m_template.page(page);
    for (qsizetype i = indices.size(); i-- > 0;)
        p.objects.removeAt(indices.at(i));
    emit pageContentChanged(page);
}

void DesignerDocument::insertPage(int index, const ReportPage &page)
{
    m_template.pages.insert(index, page);
    emit pagesChanged();
}

void DesignerDocument::removePage(int index)
{
    m_template.pages.removeAt(index);
    emit pagesChanged();
}

void DesignerDocument::setPageSetup(int index, const QSizeF &paper, const QMarginsF &margins)
{
    ReportPage &page = m_template.page(index);
    // A paper chosen here is the template's own from now on.
    if (page.paperSize != paper)
        page.paperFixed = true;
    page.paperSize = paper;
    page.margins = margins;
    emit pageSetupChanged(index);
}

void DesignerDocument::moveObjects(int page, const QList<int> &indices, const QList<QRectF> &from,
                                   const QList<QRectF> &to, const QString &label)
{
    if (indices.isEmpty() || from == to)
        return;
    m_undo.push(new MoveCommand(*this, page, indices, from, to, label));
}

void DesignerDocument::changeObjects(int page, const QList<int> &indices, const QList<ReportObject> &after,
                                     const QString &label)
{
    QList<ReportObject> before;
    for (int i : indices)
        before.append(m_template.page(page).objects.at(i));
    if (before == after)
        return;
    m_undo.push(new ChangeCommand(*this, page, indices, before, after, label));
}

void DesignerDocument::addObjects(int page, const QList<ReportObject> &objects, const QString &label)
{
    if (objects.isEmpty())
        return;
    QList<int> indices;
    const int base = m_template.page(page).objectCount();
    for (qsizetype i = 0; i < objects.size(); ++i)
        indices.append(base + int(i));
    m_undo.push(new InsertRemoveCommand(*this, page, indices, objects, true, label));
}

void DesignerDocument::deleteObjects(int page, const QList<int> &indices)
{
    if (indices.isEmpty())
        return;
    QList<int> sorted = indices;
    std::sort(sorted.begin(), sorted.end());
    QList<ReportObject> objects;
    for (int i : sorted)
        objects.append(m_template.page(page).objects.at(i));
    m_undo.push(new InsertRemoveCommand(*this, page, sorted, objects, false, u"Delete"_s));
}

void DesignerDocument::addPage(int index)
{
    ReportPage page;
    if (!m_template.pages.isEmpty()) {
        const ReportPage &like = m_template.page(std::clamp(index - 1, 0, pageCount() - 1));
        page.paperSize = like.paperSize;
        page.paperFixed = like.paperFixed;
        page.margins = like.margins;
    }
    m_undo.push(new PageCommand(*this, index, page, true, u"Add page"_s));
}

void DesignerDocument::deletePage(int index)
{
    if (pageCount() <= 1)
        return;
    m_undo.push(new PageCommand(*this, index, m_template.page(index), false, u"Remove page"_s));
}

void DesignerDocument::changePageSetup(int index, const QSizeF &paper, const QMarginsF &margins)
{
    const ReportPage &p = m_template.page(index);
    if (p.paperSize == paper && p.margins == margins)
        return;
    m_undo.push(new PageSetupCommand(*this, index, p.paperSize, p.margins, paper, margins));
}

} // namespace vinary::report
