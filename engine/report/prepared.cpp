#include "engine/report/prepared.h"

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

QString PreparedReport::pageText(int page) const
{
    QString out;
    for (const auto &row : textRows(pages.at(size_t(page)))) {
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
