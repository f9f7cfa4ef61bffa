#include "engine/report/preparer.h"

#include "engine/common/errors.h"
#include "engine/report/expression.h"
#include "engine/report/textmeasure.h"
#include "engine/report/texts.h"

#include <QHash>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{

// Stands for the page count in a text until the last page is known.
const QChar totalPagesMark(0xE000);
constexpr double eps = 1e-6;

struct Source {
    QString name;
    ReportDataset *dataset = nullptr;
    QStringList fields;
    QHash<QString, int> index; // lower-case field name to position in `fields`
    std::vector<Value> current;
    std::vector<Value> previous;
    bool driven = false; // walked by a master data band

    void load()
    {
        current.resize(size_t(fields.size()));
        for (int i = 0; i < fields.size(); ++i)
            current[size_t(i)] = Value::fromVariant(dataset->value(fields.at(i)));
    }
};

struct FieldSlot {
    int source;
    int field;
};

struct Aggregate {
    AggregateKind kind = AggregateKind::Sum;
    Expression expression;
    int argument = -1;
    int block = -1;
    int level = -1; // group level it totals over; -1 for the whole report
    double sum = 0.0;
    qint64 count = 0;
    Value low;
    Value high;

    void reset()
    {
        sum = 0.0;
        count = 0;
        low = Value();
        high = Value();
    }
    void add(const Value &v)
    {
        if (kind == AggregateKind::Count) {
            if (argument < 0 || (!v.isNull() && (v.type() != Value::Type::Bool || v.toBool())))
                ++count;
            return;
        }
        if (v.isNull())
            return;
        sum += v.toNumber();
        ++count;
        if (low.isNull() || v.compare(low) < 0)
            low = v;
        if (high.isNull() || v.compare(high) > 0)
            high = v;
    }
    Value result() const
    {
        switch (kind) {
        case AggregateKind::Sum:
            return Value::number(sum);
        case AggregateKind::Count:
            return Value::number(double(count));
        case AggregateKind::Avg:
            return count ? Value::number(sum / double(count)) : Value();
        case AggregateKind::Min:
            return low;
        case AggregateKind::Max:
            return high;
        }
        return Value();
    }
};

struct CompiledObject {
    const ReportObject *object = nullptr;
    QRectF rect; // x from the sheet's left edge, y from the band's top
    std::vector<TextSegment> segments;
    bool dynamic = false;
    int font = -1;
    std::optional<LaidOutText> staticLayout;
    int staticFont = -1; // the font the static layout is set in
    QImage image;
    bool spansBand = false; // lines and shapes as tall as their band grow with it
};

struct CompiledBand {
    const ReportObject *object = nullptr;
    std::vector<CompiledObject> objects;
    std::optional<Expression> condition;
    std::optional<Expression> group;
    int source = -1;
    int block = -1;
    int level = -1;
};

struct Group {
    int header = -1;
    int footer = -1;
    Value value;
    bool active = false;
};

struct Block {
    int master = -1;
    std::vector<int> headers;
    std::vector<int> footers;
    std::vector<Group> groups;
    int source = -1;
    bool started = false;
};

struct Design {
    const ReportPage *page = nullptr;
    std::vector<CompiledBand> bands;
    int title = -1;
    int pageHeader = -1;
    int pageFooter = -1;
    int summary = -1;
    std::vector<Block> blocks;
    int defaultSource = -1;
};

// What a text's layout depends on.
struct LayoutKey {
    QString text;
    int font;
    double width;
    double height;
    bool wordWrap;
    int hAlign;
    int fit;

    bool operator==(const LayoutKey &o) const
    {
        return font == o.font && width == o.width && height == o.height && wordWrap == o.wordWrap &&
               hAlign == o.hAlign && fit == o.fit && text == o.text;
    }
};

size_t qHash(const LayoutKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.text, k.font, k.width, k.height, k.wordWrap, k.hAlign, k.fit);
}

struct KeptLayout {
    LaidOutText laid;
    int font;
};

// Layouts kept at most; past that the store starts again.
constexpr qsizetype kKeptLayouts = 20000;

struct Deferred {
    size_t item;
    QString text;
    const CompiledObject *object;
    double boxHeight;
};

struct BandInstance {
    std::vector<Primitive> items;
    std::vector<Deferred> deferred;
    double height = 0.0;
};

struct PlacedDeferred {
    size_t page;
    Deferred d;
    Primitive placed; // as it stands on its page, its lines still to come
};

QString objectLabel(const ReportObject &o)
{
    return o.name.isEmpty() ? objectKindLabel(o.kind) : o.name;
}

class Preparer;

class ObjectBinder : public Binder
{
public:
    ObjectBinder(Preparer &p, int source, int block, int level)
        : m_p(p), m_source(source), m_block(block), m_level(level)
    {
    }
    int bindField(const QString &dataset, const QString &field) override;
    int bindAggregate(AggregateKind kind, const Expression &expression, int argument) override;

private:
    Preparer &m_p;
    int m_source;
    int m_block;
    int m_level;
};

class Preparer : public EvalContext
{
public:
    Preparer(const ReportTemplate &templ, const DatasetRegistry &registry, const PrepareOptions &options)
        : m_templ(templ), m_registry(registry), m_options(options)
    {
    }

    PreparedReport run()
    {
        compile();
        countRows();
        if (m_needsTwoPasses) {
            // The first pass only counts the pages.
            m_countOnly = true;
            runPass();
            m_countOnly = false;
            m_totalPages = m_pagesDone;
        }
        runPass();
        if (m_totalPages < 0)
            m_totalPages = m_pagesDone;
        fillDeferred();
        m_out.fonts = m_fonts;
        return std::move(m_out);
    }

    // EvalContext
    Value field(int slot) const override
    {
        const FieldSlot &f = m_fieldSlots[size_t(slot)];
        const Source &s = m_sources[size_t(f.source)];
        const std::vector<Value> &row = (m_usePrevious && s.driven) ? s.previous : s.current;
        return size_t(f.field) < row.size() ? row[size_t(f.field)] : Value();
    }
    Value builtin(Builtin which) const override
    {
        switch (which) {
        case Builtin::Date:
            return Value::date(QDateTime(m_options.now.date(), QTime(0, 0)));
        case Builtin::Time:
            return Value::text(m_options.locale.toString(m_options.now.time(), QLocale::ShortFormat));
        case Builtin::Page:
            return Value::number(m_pageNo);
        case Builtin::TotalPages:
            return Value::number(std::max(m_totalPages, 0));
        case Builtin::Line:
            return Value::number(double(m_line));
        case Builtin::Currency:
            return Value::text(m_options.locale.currencySymbol());
        }
        return Value();
    }
    Value aggregate(int slot) const override { return m_aggregates[size_t(slot)].result(); }
    const QLocale &locale() const override { return m_options.locale; }

    // Binding
    int sourceByName(const QString &name)
    {
        ReportDataset *ds = m_registry.find(name);
        if (!ds)
            throw VinaryError(
                engineText(u"[MOT_ERR_DATASET]"_s, u"The dataset \"%1\" is not found"_s).arg(name));
        const QString canonical = m_registry.canonicalName(name);
        for (size_t i = 0; i < m_sources.size(); ++i) {
            if (m_sources[i].name == canonical)
                return int(i);
        }
        Source s;
        s.name = canonical;
        s.dataset = ds;
        m_sources.push_back(std::move(s));
        return int(m_sources.size()) - 1;
    }

    int fieldSlot(int source, const QString &field)
    {
        if (source < 0)
            throw VinaryError(
                engineText(u"[MOT_ERR_CAMPO_SENZA_DATASET]"_s, u"The field \"%1\" has no dataset here"_s)
                    .arg(field));
        Source &s = m_sources[size_t(source)];
        const QString key = field.toLower();
        int index = s.index.value(key, -1);
        if (index < 0) {
            QString canonical;
            const QStringList names = s.dataset->fieldNames();
            for (const QString &n : names) {
                if (n.compare(field, Qt::CaseInsensitive) == 0) {
                    canonical = n;
                    break;
                }
            }
            if (canonical.isEmpty())
                throw VinaryError(
                    engineText(u"[MOT_ERR_CAMPO_MANCANTE]"_s, u"The dataset %1 has no field \"%2\""_s)
                        .arg(s.name, field));
            index = int(s.fields.size());
            s.fields.append(canonical);
            s.index.insert(key, index);
        }
        for (size_t i = 0; i < m_fieldSlots.size(); ++i) {
            if (m_fieldSlots[i].source == source && m_fieldSlots[i].field == index)
                return int(i);
        }
        m_fieldSlots.push_back({source, index});
        return int(m_fieldSlots.size()) - 1;
    }

    bool hasExactField(int source, const QString &field) const
    {
        return source >= 0 &&
               m_sources[size_t(source)].dataset->fieldNames().contains(field, Qt::CaseSensitive);
    }

    int aggregateSlot(AggregateKind kind, const Expression &expression, int argument, int block, int level)
    {
        if (block < 0)
            throw VinaryError(engineText(u"[MOT_ERR_TOTALE_SENZA_DATI]"_s,
                                         u"A total needs a master data band to add up"_s));
        Aggregate a;
        a.kind = kind;
        a.expression = expression;
        a.argument = argument;
        a.block = block;
        a.level = level;
        m_aggregates.push_back(std::move(a));
        return int(m_aggregates.size()) - 1;
    }

private:
    // ------------------------------------------------------------ compiling

    void compile()
    {
        for (const ReportPage &page : m_templ.pages) {
            m_designs.emplace_back();
            compileDesign(page, m_designs.back());
        }
    }

    void compileDesign(const ReportPage &page, Design &d)
    {
        d.page = &page;
        std::vector<int> bandIndex;
        for (int i = 0; i < page.objectCount(); ++i) {
            if (page.objects.at(i).kind == ObjectKind::Band)
                bandIndex.push_back(i);
        }
        std::stable_sort(bandIndex.begin(), bandIndex.end(), [&](int a, int b) {
            return page.objects.at(a).rect.top() < page.objects.at(b).rect.top();
        });
        for (int i : bandIndex) {
            CompiledBand band;
            band.object = &page.objects.at(i);
            d.bands.push_back(std::move(band));
        }

        // Structure: headers belong to the master data band below them, footers to the one above.
        std::vector<int> masterHeaders;
        std::vector<int> groupHeaders;
        std::vector<std::vector<int>> groupFooters;
        for (int b = 0; b < int(d.bands.size()); ++b) {
            CompiledBand &band = d.bands[size_t(b)];
            switch (band.object->bandType) {
            case BandType::ReportTitle:
                if (d.title < 0)
                    d.title = b;
                break;
            case BandType::PageHeader:
                if (d.pageHeader < 0)
                    d.pageHeader = b;
                break;
            case BandType::PageFooter:
                if (d.pageFooter < 0)
                    d.pageFooter = b;
                break;
            case BandType::ReportSummary:
                if (d.summary < 0)
                    d.summary = b;
                break;
            case BandType::MasterHeader:
                masterHeaders.push_back(b);
                break;
            case BandType::GroupHeader:
                groupHeaders.push_back(b);
                break;
            case BandType::MasterData: {
                Block block;
                block.master = b;
                block.headers = masterHeaders;
                for (int h : groupHeaders) {
                    Group g;
                    g.header = h;
                    block.groups.push_back(g);
                }
                masterHeaders.clear();
                groupHeaders.clear();
                d.blocks.push_back(std::move(block));
                groupFooters.emplace_back();
                break;
            }
            case BandType::MasterFooter:
                if (!d.blocks.empty())
                    d.blocks.back().footers.push_back(b);
                break;
            case BandType::GroupFooter:
                if (!d.blocks.empty())
                    groupFooters.back().push_back(b);
                break;
            }
        }
        // Group footers nearest the data band close the innermost groups.
        for (size_t k = 0; k < d.blocks.size(); ++k) {
            Block &block = d.blocks[k];
            const std::vector<int> &footers = groupFooters[k];
            for (size_t f = 0; f < footers.size() && f < block.groups.size(); ++f)
                block.groups[block.groups.size() - 1 - f].footer = footers[f];
        }

        // Datasets of the blocks, then the scope of every band.
        for (size_t k = 0; k < d.blocks.size(); ++k) {
            Block &block = d.blocks[k];
            CompiledBand &master = d.bands[size_t(block.master)];
            if (!master.object->dataset.trimmed().isEmpty()) {
                try {
                    block.source = sourceByName(master.object->dataset);
                } catch (const VinaryError &e) {
                    throw VinaryError(engineText(u"[MOT_ERR_BANDA_DATASET]"_s,
                                                 u"The band %1 names a dataset that is not found: \"%2\"."_s)
                                          .arg(objectLabel(*master.object), master.object->dataset));
                }
                m_sources[size_t(block.source)].driven = true;
            }
            if (d.defaultSource < 0)
                d.defaultSource = block.source;
            auto scope = [&](int b, int level) {
                d.bands[size_t(b)].block = int(k);
                d.bands[size_t(b)].source = block.source;
                d.bands[size_t(b)].level = level;
            };
            scope(block.master, -1);
            for (int h : block.headers)
                scope(h, -1);
            for (int f : block.footers)
                scope(f, -1);
            for (size_t g = 0; g < block.groups.size(); ++g) {
                scope(block.groups[g].header, int(g));
                if (block.groups[g].footer >= 0)
                    scope(block.groups[g].footer, int(g));
            }
        }
        for (CompiledBand &band : d.bands) {
            if (band.block < 0) {
                band.source = d.defaultSource;
                band.block = d.blocks.empty() ? -1 : 0;
            }
        }
        m_blockBase.push_back(m_blockCount);
        m_blockCount += int(d.blocks.size());

        for (CompiledBand &band : d.bands)
            compileBandExpressions(d, band);

        // Objects, in page order, into the band that holds their top edge.
        for (int i = 0; i < page.objectCount(); ++i) {
            const ReportObject &o = page.objects.at(i);
            if (o.kind == ObjectKind::Band)
                continue;
            int best = -1;
            for (int b = 0; b < int(d.bands.size()); ++b) {
                const QRectF &r = d.bands[size_t(b)].object->rect;
                if (o.rect.top() >= r.top() && o.rect.top() < r.bottom())
                    best = b; // bands are sorted by top: the last match starts lowest
            }
            if (best >= 0)
                d.bands[size_t(best)].objects.push_back(compileObject(d, d.bands[size_t(best)], o));
        }
    }

    int globalBlock(const Design &d, int block) const
    {
        const size_t design = size_t(&d - m_designs.data());
        return block < 0 ? -1 : m_blockBase[design] + block;
    }

    void compileBandExpressions(const Design &d, CompiledBand &band)
    {
        ObjectBinder binder(*this, band.source, globalBlock(d, band.block), band.level);
        auto compileOne = [&](const QString &source, const QString &what) -> std::optional<Expression> {
            if (source.trimmed().isEmpty())
                return std::nullopt;
            try {
                Expression e = Expression::parse(source);
                e.bind(binder);
                return e;
            } catch (const VinaryError &err) {
                throw VinaryError(engineText(u"[MOT_ERR_BANDA_ESPRESSIONE]"_s,
                                             u"The band %1 has an error in its %2 \"%3\": %4."_s)
                                      .arg(objectLabel(*band.object), what, source, err.message()));
            }
        };
        band.condition = compileOne(band.object->printCondition,
                                    engineText(u"[MOT_CONDIZIONE_STAMPA]"_s, u"print condition"_s));
        if (band.object->bandType == BandType::GroupHeader) {
            band.group = compileOne(band.object->groupExpression,
                                    engineText(u"[MOT_ESPRESSIONE_GRUPPO]"_s, u"group expression"_s));
            if (!band.group)
                band.group = Expression::parse(u"''"_s);
        }
    }

    CompiledObject compileObject(const Design &d, const CompiledBand &band, const ReportObject &o)
    {
        CompiledObject co;
        co.object = &o;
        co.rect = QRectF(o.rect.x(), o.rect.y() - band.object->rect.y(), o.rect.width(), o.rect.height());
        co.spansBand = (o.kind == ObjectKind::Line || o.kind == ObjectKind::Shape) && co.rect.top() <= eps &&
                       std::abs(co.rect.bottom() - band.object->rect.height()) <= 0.01 &&
                       co.rect.height() > eps;
        if (o.kind == ObjectKind::Picture && !o.imageData.isEmpty())
            co.image = QImage::fromData(o.imageData);
        if (o.kind != ObjectKind::Text)
            return co;
        co.font = m_measurer.fontIndex(o, m_fonts);
        ObjectBinder binder(*this, band.source, globalBlock(d, band.block), band.level);
        co.segments = splitText(o.lines.join(u'\n'));
        for (TextSegment &seg : co.segments) {
            if (!seg.isExpression)
                continue;
            // A label such as "[CODICE]" whose key no language file translated is not the field
            // "Codice": capitals name a field only when they are its exact name, as "[ID]" is.
            const QString bare = seg.expression.bareName();
            if (isKeyShaped(bare) && !hasExactField(band.source, bare)) {
                seg.isExpression = false;
                continue;
            }
            try {
                seg.expression.bind(binder);
            } catch (const VinaryError &err) {
                // A bare key such as "[RPT_TITLE]" that no language file translated stays as text.
                if (isKeyShaped(seg.expression.bareName())) {
                    seg.isExpression = false;
                    continue;
                }
                throw VinaryError(
                    engineText(u"[MOT_ERR_OGGETTO]"_s, u"The object %1 has an error in \"%2\": %3."_s)
                        .arg(objectLabel(o), seg.text, err.message()));
            }
            co.dynamic = true;
            if (seg.expression.usesBuiltin(Builtin::TotalPages) &&
                !seg.expression.isPlainBuiltin(Builtin::TotalPages))
                m_needsTwoPasses = true;
        }
        if (!co.dynamic) {
            QString text;
            for (const TextSegment &seg : co.segments)
                text += seg.text;
            co.staticFont = co.font;
            co.staticLayout = fitText(text, o, o.rect.size(), co.staticFont);
        }
        return co;
    }

    // The text laid into a box of that size as the object's fit asks; `font` starts as the
    // object's font and comes back as the one the lines are set in.
    //
    // Long reports repeat their values (dates, causes, producers, prices), and measuring text is
    // most of a row's cost: a laid-out text is kept for the next object of the same kind that
    // shows it in a box of the same size. The layout depends on nothing else, so a kept one is
    // exactly what measuring again would give. Numbers, dates and codes are measured without
    // shaping, which costs less than keeping them.
    LaidOutText fitText(const QString &text, const ReportObject &o, QSizeF box, int &font)
    {
        if (o.stretch)
            box.setHeight(0.0); // grows downwards instead
        if (m_measurer.measuresQuickly(text, font, m_fonts))
            return m_measurer.layoutFitted(text, font, m_fonts, box, o.wordWrap, o.hAlign, o.fit);
        const LayoutKey key{text, font, box.width(), box.height(), o.wordWrap, int(o.hAlign), int(o.fit)};
        const auto kept = m_layouts.constFind(key);
        if (kept != m_layouts.cend()) {
            font = kept->font;
            return kept->laid;
        }
        const int asked = font;
        LaidOutText laid = m_measurer.layoutFitted(text, font, m_fonts, box, o.wordWrap, o.hAlign, o.fit);
        if (m_layouts.size() >= kKeptLayouts)
            m_layouts.clear();
        m_layouts.insert(
            LayoutKey{text, asked, box.width(), box.height(), o.wordWrap, int(o.hAlign), int(o.fit)},
            KeptLayout{laid, font});
        return laid;
    }

    // ------------------------------------------------------------ running

    void runPass()
    {
        m_out = PreparedReport();
        if (m_options.spillBytes > 0)
            m_out.setSpillBytes(m_options.spillBytes);
        m_out.title = m_options.title;
        m_pagesDone = 0;
        m_pageNo = 0;
        m_deferred.clear();
        for (Aggregate &a : m_aggregates)
            a.reset();
        for (Source &s : m_sources) {
            s.current.assign(size_t(s.fields.size()), Value());
            s.previous = s.current;
            if (!s.dataset->eof())
                s.load();
        }
        for (size_t i = 0; i < m_designs.size(); ++i) {
            m_design = &m_designs[i];
            m_designIndex = i;
            m_designPage = 0;
            m_block = nullptr;
            startPage();
            for (size_t b = 0; b < m_design->blocks.size(); ++b)
                runBlock(m_design->blocks[b], m_blockBase[i] + int(b));
            m_block = nullptr;
            if (m_design->summary >= 0)
                placeBand(m_design->summary, false);
            endPage();
        }
    }

    const CompiledBand &band(int b) const { return m_design->bands[size_t(b)]; }

    bool footerOnThisPage() const
    {
        return m_design->pageFooter >= 0 &&
               (m_designPage > 1 || band(m_design->pageFooter).object->printOnFirstPage);
    }

    void startPage()
    {
        const ReportPage &page = *m_design->page;
        m_page = PreparedPage();
        m_page.paperSize = page.paperSize;
        if (!page.paperFixed) {
            m_page.paperSize = m_options.defaultPaper.isEmpty() ? defaultPaperSize(m_options.locale)
                                                                : m_options.defaultPaper;
        }
        m_page.margins = page.margins;
        ++m_pageNo;
        ++m_designPage;
        m_y = page.margins.top();
        m_limit = m_page.paperSize.height() - page.margins.bottom();
        if (footerOnThisPage())
            m_limit -= band(m_design->pageFooter).object->rect.height();
        m_hasBody = false;
        if (m_designPage == 1 && m_design->title >= 0) {
            if (auto inst = measure(m_design->title, false))
                put(*inst);
        }
        if (m_design->pageHeader >= 0 &&
            (m_designPage > 1 || band(m_design->pageHeader).object->printOnFirstPage)) {
            if (auto inst = measure(m_design->pageHeader, false))
                put(*inst);
        }
        if (m_block && m_block->started) {
            for (int h : m_block->headers) {
                if (band(h).object->repeatOnNewPage) {
                    if (auto inst = measure(h, false))
                        put(*inst);
                }
            }
            for (const Group &g : m_block->groups) {
                if (g.active && band(g.header).object->repeatOnNewPage) {
                    if (auto inst = measure(g.header, false))
                        put(*inst);
                }
            }
        }
    }

    void endPage()
    {
        if (footerOnThisPage()) {
            const CompiledBand &footer = band(m_design->pageFooter);
            if (auto inst = measure(m_design->pageFooter, true)) {
                const double bottom = m_page.paperSize.height() - m_page.margins.bottom();
                m_y = std::max(m_y, bottom - std::max(inst->height, footer.object->rect.height()));
                put(*inst);
            }
        }
        if (!m_countOnly) {
            for (PlacedDeferred &p : m_pending) {
                p.placed = m_page.items[p.d.item];
                p.placed.lines.clear();
                m_deferred.push_back(std::move(p));
            }
            m_out.appendPage(m_page);
        }
        m_page = PreparedPage();
        m_pending.clear();
        ++m_pagesDone;
        reportProgress();
    }

    void newPage()
    {
        endPage();
        startPage();
    }

    bool fits(double height) const { return m_y + height <= m_limit + eps; }

    void put(BandInstance &inst)
    {
        const size_t base = m_page.items.size();
        for (Primitive &p : inst.items) {
            p.rect.translate(0, m_y);
            for (PreparedLine &l : p.lines)
                l.origin.ry() += m_y;
            m_page.items.push_back(std::move(p));
        }
        for (Deferred &d : inst.deferred) {
            d.item += base;
            m_pending.push_back({size_t(m_pagesDone), std::move(d), Primitive()});
        }
        m_y += inst.height;
    }

    void placeBand(int b, bool previousRow)
    {
        auto inst = measure(b, previousRow);
        if (!inst)
            return;
        if (!fits(inst->height) && m_hasBody)
            newPage();
        put(*inst);
        m_hasBody = true;
    }

    void runBlock(Block &block, int globalIndex)
    {
        m_block = &block;
        m_line = 0;
        const CompiledBand &master = band(block.master);
        Source *src = block.source >= 0 ? &m_sources[size_t(block.source)] : nullptr;
        const bool single = !src || master.object->currentRowOnly;
        if (src && !master.object->currentRowOnly)
            src->dataset->first();
        bool any = false;
        for (;;) {
            if (src) {
                if (src->dataset->eof())
                    break;
                src->load();
            }
            // A page may take many rows that print nothing; the way out stays open all the same.
            if ((++m_rowsRead & 255) == 0)
                reportProgress();
            if (!master.condition || evaluateCondition(master)) {
                processRow(block, globalIndex, any);
                any = true;
                if (src)
                    src->previous = src->current;
            }
            if (single)
                break;
            src->dataset->next();
        }
        if (src)
            src->current = src->previous;
        if (!any) {
            m_block = nullptr;
            return;
        }
        endGroups(block, globalIndex, 0);
        for (int f : block.footers)
            placeBand(f, true);
        block.started = false;
        m_block = nullptr;
    }

    bool evaluateCondition(const CompiledBand &b)
    {
        try {
            return b.condition->evaluate(*this).toBool();
        } catch (const VinaryError &err) {
            throw VinaryError(engineText(u"[MOT_ERR_BANDA_CONDIZIONE]"_s,
                                         u"The band %1 has an error in its print condition \"%2\": %3."_s)
                                  .arg(objectLabel(*b.object), b.condition->source(), err.message()));
        }
    }

    void endGroups(Block &block, int globalIndex, size_t from)
    {
        for (size_t g = block.groups.size(); g-- > from;) {
            if (!block.groups[g].active)
                continue;
            if (block.groups[g].footer >= 0)
                placeBand(block.groups[g].footer, true);
            block.groups[g].active = false;
            for (Aggregate &a : m_aggregates) {
                if (a.block == globalIndex && a.level == int(g))
                    a.reset();
            }
        }
    }

    void processRow(Block &block, int globalIndex, bool any)
    {
        // The first group level whose value changes with this row.
        size_t changed = block.groups.size();
        std::vector<Value> values(block.groups.size());
        for (size_t g = 0; g < block.groups.size(); ++g) {
            const CompiledBand &header = band(block.groups[g].header);
            try {
                values[g] = header.group->evaluate(*this);
            } catch (const VinaryError &err) {
                throw VinaryError(
                    engineText(u"[MOT_ERR_BANDA_GRUPPO]"_s,
                               u"The band %1 has an error in its group expression \"%2\": %3."_s)
                        .arg(objectLabel(*header.object), header.group->source(), err.message()));
            }
            if (changed == block.groups.size() &&
                (!block.groups[g].active || !values[g].equals(block.groups[g].value)))
                changed = g;
        }
        if (any)
            endGroups(block, globalIndex, changed);

        ++m_line;
        for (Aggregate &a : m_aggregates) {
            if (a.block != globalIndex)
                continue;
            a.add(a.argument < 0 ? Value() : evaluateAggregateArgument(a));
        }

        // Headers that begin here are kept on the page of the row they introduce.
        std::vector<BandInstance> headers;
        if (!block.started) {
            for (int h : block.headers) {
                if (auto inst = measure(h, false))
                    headers.push_back(std::move(*inst));
            }
        }
        for (size_t g = changed; g < block.groups.size(); ++g) {
            if (auto inst = measure(block.groups[g].header, false))
                headers.push_back(std::move(*inst));
        }
        std::optional<BandInstance> row = measure(block.master, false, true);
        double total = row ? row->height : 0.0;
        for (const BandInstance &h : headers)
            total += h.height;
        if (!fits(total) && m_hasBody) {
            newPage();
            // The new page repeated the headers of the groups still running; measure again, since
            // [PAGE#] may appear in what was measured for the old page.
            headers.clear();
            if (!block.started) {
                for (int h : block.headers) {
                    if (auto inst = measure(h, false))
                        headers.push_back(std::move(*inst));
                }
            }
            for (size_t g = changed; g < block.groups.size(); ++g) {
                if (auto inst = measure(block.groups[g].header, false))
                    headers.push_back(std::move(*inst));
            }
            row = measure(block.master, false, true);
        }
        for (BandInstance &h : headers) {
            put(h);
            m_hasBody = true;
        }
        block.started = true;
        for (size_t g = changed; g < block.groups.size(); ++g) {
            block.groups[g].active = true;
            block.groups[g].value = values[g];
        }
        if (row) {
            // A row taller than a whole page still prints, cut at the page's foot.
            if (!fits(row->height) && m_hasBody)
                newPage();
            put(*row);
            m_hasBody = true;
        }
    }

    Value evaluateAggregateArgument(const Aggregate &a)
    {
        try {
            return a.expression.evaluateNode(a.argument, *this);
        } catch (const VinaryError &err) {
            throw VinaryError(engineText(u"[MOT_ERR_TOTALE]"_s, u"Error in the total \"%1\": %2."_s)
                                  .arg(a.expression.source(), err.message()));
        }
    }

    QString expand(const CompiledObject &co, bool *marked)
    {
        QString out;
        for (const TextSegment &seg : co.segments) {
            if (!seg.isExpression) {
                out += seg.text;
                continue;
            }
            if (m_totalPages < 0 && seg.expression.isPlainBuiltin(Builtin::TotalPages)) {
                out += totalPagesMark;
                *marked = true;
                continue;
            }
            try {
                out += seg.expression.evaluate(*this).formatted(co.object->format, m_options.locale);
            } catch (const VinaryError &err) {
                throw VinaryError(
                    engineText(u"[MOT_ERR_OGGETTO]"_s, u"The object %1 has an error in \"%2\": %3."_s)
                        .arg(objectLabel(*co.object), seg.text, err.message()));
            }
        }
        return out;
    }

    // The band as it prints for the current (or the previous) row, placed at y = 0; nothing when
    // its print condition is false. The master data band's condition was tested by the caller.
    std::optional<BandInstance> measure(int b, bool previousRow, bool conditionTested = false)
    {
        const CompiledBand &cb = band(b);
        const bool saved = m_usePrevious;
        m_usePrevious = previousRow;
        struct Restore {
            bool &flag;
            bool value;
            ~Restore() { flag = value; }
        } restore{m_usePrevious, saved};

        if (cb.condition && !conditionTested && !evaluateCondition(cb))
            return std::nullopt;

        BandInstance inst;
        const size_t n = cb.objects.size();
        std::vector<double> heights(n);
        std::vector<LaidOutText> laid(n);
        std::vector<QString> texts(n);
        std::vector<bool> marked(n, false);
        std::vector<int> fonts(n, -1);
        bool grew = false;
        for (size_t i = 0; i < n; ++i) {
            const CompiledObject &co = cb.objects[i];
            heights[i] = co.rect.height();
            if (co.object->kind != ObjectKind::Text)
                continue;
            if (co.staticLayout) {
                laid[i] = *co.staticLayout;
                fonts[i] = co.staticFont;
            } else {
                bool mark = false;
                texts[i] = expand(co, &mark);
                marked[i] = mark;
                fonts[i] = co.font;
                laid[i] = fitText(texts[i], *co.object, co.rect.size(), fonts[i]);
            }
            if (co.object->stretch && laid[i].height > heights[i] + eps) {
                heights[i] = laid[i].height;
                grew = true;
            }
        }

        double bandHeight = cb.object->rect.height();
        std::vector<double> tops(n);
        for (size_t i = 0; i < n; ++i)
            tops[i] = cb.objects[i].rect.top();
        if (grew) {
            // What lies below a grown text moves down by as much as the text grew, and by what
            // moved that text down in turn.
            std::vector<size_t> order(n);
            for (size_t i = 0; i < n; ++i)
                order[i] = i;
            std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
                return cb.objects[a].rect.top() < cb.objects[b].rect.top();
            });
            std::vector<double> shift(n, 0.0);
            for (size_t jj = 0; jj < n; ++jj) {
                const size_t j = order[jj];
                for (size_t ii = 0; ii < jj; ++ii) {
                    const size_t i = order[ii];
                    const double growth = heights[i] - cb.objects[i].rect.height();
                    if (cb.objects[i].rect.bottom() <= cb.objects[j].rect.top() + eps &&
                        (growth > eps || shift[i] > eps))
                        shift[j] = std::max(shift[j], shift[i] + std::max(0.0, growth));
                }
                tops[j] += shift[j];
            }
            for (size_t j = 0; j < n; ++j) {
                if (!cb.objects[j].spansBand)
                    bandHeight = std::max(bandHeight, tops[j] + heights[j]);
            }
        }
        inst.height = bandHeight;

        for (size_t i = 0; i < n; ++i) {
            const CompiledObject &co = cb.objects[i];
            double h = heights[i];
            if (co.spansBand)
                h = bandHeight;
            const QRectF box(co.rect.x(), tops[i], co.rect.width(), h);
            emitObject(inst, co, box, laid[i], fonts[i], texts[i], marked[i]);
        }
        return inst;
    }

    void emitObject(BandInstance &inst, const CompiledObject &co, const QRectF &box, LaidOutText &laid,
                    int font, const QString &text, bool marked)
    {
        const ReportObject &o = *co.object;
        switch (o.kind) {
        case ObjectKind::Band:
            return;
        case ObjectKind::Text: {
            if (o.fillColor.isValid() && o.fillColor.alpha() > 0) {
                Primitive fill;
                fill.kind = Primitive::Kind::Rect;
                fill.rect = box;
                fill.brushColor = o.fillColor;
                inst.items.push_back(std::move(fill));
            }
            if (!laid.lines.empty() && !(laid.lines.size() == 1 && laid.lines.front().text.isEmpty())) {
                TextMeasurer::alignVertically(laid, box.height(), o.vAlign);
                Primitive p;
                p.kind = Primitive::Kind::Text;
                p.rect = box;
                p.font = font;
                p.color = o.textColor.isValid() ? o.textColor : QColor(Qt::black);
                p.alignment = o.hAlign == HAlign::Right    ? Qt::AlignRight
                              : o.hAlign == HAlign::Center ? Qt::AlignHCenter
                                                           : Qt::AlignLeft;
                p.clip = laid.overflows;
                const double lineHeight = m_measurer.lineHeight(font, m_fonts);
                for (const PreparedLine &line : laid.lines) {
                    // Lines below a fixed box are cut; the first line always shows.
                    if (!p.lines.empty() && line.origin.y() - lineHeight * 0.75 > box.height()) {
                        p.clip = true;
                        break;
                    }
                    PreparedLine placed = line;
                    placed.origin += box.topLeft();
                    p.lines.push_back(std::move(placed));
                }
                if (laid.height > box.height() + eps)
                    p.clip = true;
                if (marked)
                    inst.deferred.push_back({inst.items.size(), text, &co, box.height()});
                inst.items.push_back(std::move(p));
            } else if (marked) {
                Primitive p;
                p.kind = Primitive::Kind::Text;
                p.rect = box;
                p.font = co.font;
                p.color = o.textColor;
                inst.deferred.push_back({inst.items.size(), text, &co, box.height()});
                inst.items.push_back(std::move(p));
            }
            if (o.frame.any() && o.frameWidth > 0) {
                auto edge = [&](QPointF a, QPointF b) {
                    Primitive line;
                    line.kind = Primitive::Kind::Line;
                    line.rect = QRectF(a, b);
                    line.penColor = o.frameColor;
                    line.penWidth = o.frameWidth;
                    inst.items.push_back(std::move(line));
                };
                if (o.frame.top)
                    edge(box.topLeft(), box.topRight());
                if (o.frame.bottom)
                    edge(box.bottomLeft(), box.bottomRight());
                if (o.frame.left)
                    edge(box.topLeft(), box.bottomLeft());
                if (o.frame.right)
                    edge(box.topRight(), box.bottomRight());
            }
            return;
        }
        case ObjectKind::Line: {
            Primitive p;
            p.kind = Primitive::Kind::Line;
            p.rect = QRectF(box.topLeft(), box.bottomRight());
            p.penColor = o.penColor;
            p.penWidth = o.penWidth;
            p.penStyle = o.penStyle;
            inst.items.push_back(std::move(p));
            return;
        }
        case ObjectKind::Shape: {
            Primitive p;
            p.kind = o.shapeKind == ShapeKind::Ellipse ? Primitive::Kind::Ellipse : Primitive::Kind::Rect;
            p.rect = box;
            p.penColor = o.penColor;
            p.penWidth = o.penStyle == Qt::NoPen ? 0.0 : o.penWidth;
            p.penStyle = o.penStyle;
            p.brushColor = o.brushColor;
            p.radius = o.shapeKind == ShapeKind::RoundedRectangle ? o.cornerRadius : 0.0;
            inst.items.push_back(std::move(p));
            return;
        }
        case ObjectKind::Picture: {
            if (co.image.isNull())
                return;
            Primitive p;
            p.kind = Primitive::Kind::Image;
            QRectF target = box;
            if (o.keepAspect && co.image.width() > 0 && co.image.height() > 0) {
                QSizeF size = QSizeF(co.image.size()).scaled(box.size(), Qt::KeepAspectRatio);
                target = QRectF(QPointF(box.x() + (box.width() - size.width()) / 2,
                                        box.y() + (box.height() - size.height()) / 2),
                                size);
            }
            p.rect = target;
            p.image = co.image;
            inst.items.push_back(std::move(p));
            return;
        }
        }
    }

    void fillDeferred()
    {
        const QString total = QString::number(m_totalPages);
        std::vector<std::pair<size_t, Primitive>> patches;
        for (size_t k = 0; k < m_deferred.size(); ++k) {
            const PlacedDeferred &p = m_deferred[k];
            Primitive prim = p.placed;
            const ReportObject &o = *p.d.object->object;
            QString text = p.d.text;
            text.replace(totalPagesMark, total);
            int font = p.d.object->font;
            LaidOutText laid = fitText(text, o, QSizeF(prim.rect.width(), p.d.boxHeight), font);
            prim.font = font;
            TextMeasurer::alignVertically(laid, p.d.boxHeight, o.vAlign);
            prim.lines.clear();
            for (PreparedLine line : laid.lines) {
                line.origin += prim.rect.topLeft();
                prim.lines.push_back(std::move(line));
            }
            prim.clip = laid.overflows || laid.height > p.d.boxHeight + eps;
            patches.emplace_back(p.d.item, std::move(prim));
            // Deferred texts come page by page; each page takes its own at once.
            if (k + 1 == m_deferred.size() || m_deferred[k + 1].page != p.page) {
                m_out.patchPage(int(p.page), patches);
                patches.clear();
            }
        }
        m_deferred.clear();
    }

    // The rows the master data bands will walk, for the progress of a long preparation.
    void countRows()
    {
        if (!m_options.progress)
            return;
        qint64 total = 0;
        for (const Design &d : m_designs) {
            for (const Block &block : d.blocks) {
                if (block.source < 0 || d.bands[size_t(block.master)].object->currentRowOnly) {
                    total += 1;
                    continue;
                }
                const int n = m_sources[size_t(block.source)].dataset->rowCount();
                if (n < 0) {
                    m_totalRows = -1;
                    return;
                }
                total += n;
            }
        }
        m_totalRows = total * (m_needsTwoPasses ? 2 : 1);
    }

    void reportProgress()
    {
        if (!m_options.progress)
            return;
        PrepareProgress p;
        p.rows = m_rowsRead;
        p.totalRows = m_totalRows;
        p.pages = m_pagesDone;
        if (!m_options.progress(p))
            throw PreparationCancelled();
    }

    const ReportTemplate &m_templ;
    const DatasetRegistry &m_registry;
    PrepareOptions m_options;
    TextMeasurer m_measurer;
    QHash<LayoutKey, KeptLayout> m_layouts;
    std::vector<PreparedFont> m_fonts;

    std::vector<Design> m_designs;
    std::vector<int> m_blockBase;
    int m_blockCount = 0;
    std::vector<Source> m_sources;
    std::vector<FieldSlot> m_fieldSlots;
    std::vector<Aggregate> m_aggregates;
    bool m_needsTwoPasses = false;
    bool m_countOnly = false;
    int m_pagesDone = 0;
    qint64 m_rowsRead = 0;
    qint64 m_totalRows = -1;

    PreparedReport m_out;
    PreparedPage m_page;
    std::vector<PlacedDeferred> m_pending;
    std::vector<PlacedDeferred> m_deferred;
    Design *m_design = nullptr;
    size_t m_designIndex = 0;
    Block *m_block = nullptr;
    int m_pageNo = 0;
    int m_designPage = 0;
    int m_totalPages = -1;
    qint64 m_line = 0;
    double m_y = 0.0;
    double m_limit = 0.0;
    bool m_hasBody = false;
    bool m_usePrevious = false;
};

int ObjectBinder::bindField(const QString &dataset, const QString &field)
{
    const int source = dataset.isEmpty() ? m_source : m_p.sourceByName(dataset);
    return m_p.fieldSlot(source, field);
}

int ObjectBinder::bindAggregate(AggregateKind kind, const Expression &expression, int argument)
{
    return m_p.aggregateSlot(kind, expression, argument, m_block, m_level);
}

} // namespace

PreparedReport prepareReport(const ReportTemplate &templ, const DatasetRegistry &datasets,
                             const PrepareOptions &options)
{
    Preparer preparer(templ, datasets, options);
    return preparer.run();
}

} // namespace vinary::report
