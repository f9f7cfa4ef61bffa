#include "engine/report/prepared.h"

#include "engine/report/pagestore.h"

#include <algorithm>

namespace vinary::report
{

std::vector<std::vector<TextRun>> textRows(const PreparedPage &page, double tolerance)
{
    std::vector<TextRun> runs;
    for (const Primitive &p : page.items) {
        if (p.kind != Primitive::Kind::Text)
            continue;
        for (const PreparedLine &l : p.lines) {
            if (!l.text.isEmpty())
                runs.push_back({&p, &l});
        }
    }
    std::stable_sort(runs.begin(), runs.end(), [](const TextRun &a, const TextRun &b) {
        return a.line->origin.y() < b.line->origin.y();
    });
    std::vector<std::vector<TextRun>> rows;
    double rowY = 0.0;
    for (const TextRun &r : runs) {
        if (rows.empty() || r.line->origin.y() - rowY > tolerance) {
            rows.emplace_back();
            rowY = r.line->origin.y();
        }
        rows.back().push_back(r);
    }
    for (auto &row : rows) {
        std::stable_sort(row.begin(), row.end(), [](const TextRun &a, const TextRun &b) {
            return a.line->origin.x() < b.line->origin.x();
        });
    }
    return rows;
}

PreparedReport::PreparedReport() : m_store(std::make_shared<PageStore>()) {}

int PreparedReport::pageCount() const
{
    return m_store->pageCount();
}

PreparedPage PreparedReport::page(int page) const
{
    return m_store->page(page);
}

QSizeF PreparedReport::paperSize(int page) const
{
    return m_store->paperSize(page);
}

void PreparedReport::appendPage(const PreparedPage &page)
{
    m_store->append(page);
}

void PreparedReport::patchPage(int page, const std::vector<std::pair<size_t, Primitive>> &items)
{
    m_store->patch(page, items);
}

void PreparedReport::setSpillBytes(qint64 bytes)
{
    // Only before the first page: the store starts afresh.
    if (m_store->pageCount() == 0)
        m_store = std::make_shared<PageStore>(bytes);
}

QString PreparedReport::pageText(int page) const
{
    const PreparedPage pp = this->page(page);
    QString out;
    for (const auto &row : textRows(pp)) {
        QString line;
        for (const TextRun &r : row) {
            if (!line.isEmpty())
                line += u' ';
            line += r.line->text;
        }
        out += line;
        out += u'\n';
    }
    return out;
}

} // namespace vinary::report
