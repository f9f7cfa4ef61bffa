#include "engine/report/pagestore.h"

#include "engine/common/errors.h"
#include "engine/report/prepared.h"
#include "engine/report/texts.h"

#include <QDir>
#include <QHash>
#include <QTemporaryFile>

#include <cstring>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{

// A record: the page's numbers, each distinct one once, then its items, which name the numbers by
// their place in that table. Positions repeat from row to row (the same columns, the same line
// heights), so most numbers of a page cost a byte or two and stay exact to the last bit.
class Writer
{
public:
    void varint(quint64 v)
    {
        while (v >= 0x80) {
            m_items += char(v | 0x80);
            v >>= 7;
        }
        m_items += char(v);
    }
    void number(double d)
    {
        quint64 bits;
        std::memcpy(&bits, &d, sizeof bits);
        auto it = m_index.constFind(bits);
        if (it == m_index.cend()) {
            it = m_index.insert(bits, int(m_numbers.size()));
            m_numbers.push_back(d);
        }
        varint(quint64(*it));
    }
    void rect(const QRectF &r)
    {
        number(r.x());
        number(r.y());
        number(r.width());
        number(r.height());
    }
    void text(const QString &s)
    {
        bool narrow = true;
        for (const QChar c : s) {
            if (c.unicode() > 0xFF) {
                narrow = false;
                break;
            }
        }
        varint(quint64(s.size()) << 1 | (narrow ? 0 : 1));
        if (narrow) {
            m_items += s.toLatin1();
        } else {
            m_items.append(reinterpret_cast<const char *>(s.utf16()), s.size() * qsizetype(sizeof(char16_t)));
        }
    }
    QByteArray finish()
    {
        QByteArray out;
        Writer head;
        head.varint(m_numbers.size());
        out.reserve(m_items.size() + 10 + qsizetype(m_numbers.size() * sizeof(double)));
        out += head.m_items;
        out.append(reinterpret_cast<const char *>(m_numbers.data()),
                   qsizetype(m_numbers.size() * sizeof(double)));
        out += m_items;
        return out;
    }

private:
    QByteArray m_items;
    std::vector<double> m_numbers;
    QHash<quint64, int> m_index;
};

[[noreturn]] void corrupt()
{
    throw VinaryError(engineText(u"[MOT_ERR_PAGINE_TEMPORANEE]"_s,
                                 u"The prepared pages cannot be read back from the temporary file."_s));
}

class Reader
{
public:
    Reader(const char *&p, const char *end) : m_p(p), m_end(end)
    {
        const quint64 n = varint();
        if (n > quint64(m_end - m_p) / sizeof(double))
            corrupt();
        m_numbers.resize(size_t(n));
        if (n > 0) // an empty vector's data() may be null, which memcpy must not get
            std::memcpy(m_numbers.data(), m_p, size_t(n) * sizeof(double));
        m_p += n * sizeof(double);
    }
    quint64 varint()
    {
        quint64 v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (m_p >= m_end)
                corrupt();
            const auto byte = quint8(*m_p++);
            v |= quint64(byte & 0x7F) << shift;
            if (!(byte & 0x80))
                return v;
        }
        corrupt();
    }
    double number()
    {
        const quint64 i = varint();
        if (i >= m_numbers.size())
            corrupt();
        return m_numbers[size_t(i)];
    }
    QRectF rect()
    {
        const double x = number();
        const double y = number();
        const double w = number();
        const double h = number();
        return QRectF(x, y, w, h);
    }
    QString text()
    {
        const quint64 head = varint();
        const qsizetype size = qsizetype(head >> 1);
        const bool wide = head & 1;
        const qint64 bytes = wide ? qint64(size) * 2 : qint64(size);
        if (bytes > m_end - m_p)
            corrupt();
        QString s;
        if (wide) {
            s.resize(size);
            if (bytes > 0)
                std::memcpy(s.data(), m_p, size_t(bytes));
        } else {
            s = QString::fromLatin1(m_p, size);
        }
        m_p += bytes;
        return s;
    }

private:
    const char *&m_p;
    const char *m_end;
    std::vector<double> m_numbers;
};

} // namespace

PageStore::PageStore(qint64 spillBytes) : m_spillBytes(spillBytes) {}

PageStore::~PageStore() = default;

int PageStore::colorIndex(const QColor &color)
{
    // A report uses a handful of colours; the last ones found are the likeliest again.
    for (size_t i = m_colors.size(); i-- > 0;) {
        if (m_colors[i] == color && m_colors[i].isValid() == color.isValid())
            return int(i);
    }
    m_colors.push_back(color);
    return int(m_colors.size()) - 1;
}

int PageStore::imageIndex(const QImage &image)
{
    // Pictures come from the template and are shared by every page that shows them.
    for (size_t i = 0; i < m_images.size(); ++i) {
        if (m_images[i].cacheKey() == image.cacheKey())
            return int(i);
    }
    m_images.push_back(image);
    return int(m_images.size()) - 1;
}

QByteArray PageStore::encodeItems(const Primitive *items, size_t count)
{
    Writer w;
    w.varint(count);
    for (size_t k = 0; k < count; ++k) {
        const Primitive &p = items[k];
        w.varint(quint64(p.kind) | (p.clip ? 0x10 : 0));
        w.rect(p.rect);
        switch (p.kind) {
        case Primitive::Kind::Text:
            w.varint(quint64(qint64(p.font) + 1));
            w.varint(quint64(colorIndex(p.color)));
            w.varint(quint64(p.alignment.toInt()));
            w.varint(p.lines.size());
            for (const PreparedLine &l : p.lines) {
                w.number(l.origin.x());
                w.number(l.origin.y());
                w.number(l.width);
                w.text(l.text);
            }
            break;
        case Primitive::Kind::Line:
        case Primitive::Kind::Rect:
        case Primitive::Kind::Ellipse:
            w.varint(quint64(colorIndex(p.penColor)));
            w.number(p.penWidth);
            w.varint(quint64(p.penStyle));
            w.varint(quint64(colorIndex(p.brushColor)));
            w.number(p.radius);
            break;
        case Primitive::Kind::Image:
            w.varint(quint64(imageIndex(p.image)));
            break;
        }
    }
    return w.finish();
}

void PageStore::decodeItems(const char *&p, const char *end, std::vector<Primitive> &out) const
{
    Reader r(p, end);
    const quint64 count = r.varint();
    if (count > quint64(end - p))
        corrupt();
    out.reserve(out.size() + size_t(count));
    auto color = [&] {
        const quint64 i = r.varint();
        if (i >= m_colors.size())
            corrupt();
        return m_colors[size_t(i)];
    };
    for (quint64 k = 0; k < count; ++k) {
        Primitive prim;
        const quint64 head = r.varint();
        prim.kind = Primitive::Kind(head & 0x0F);
        prim.clip = head & 0x10;
        prim.rect = r.rect();
        switch (prim.kind) {
        case Primitive::Kind::Text: {
            prim.font = int(qint64(r.varint()) - 1);
            prim.color = color();
            prim.alignment = Qt::Alignment::fromInt(int(r.varint()));
            const quint64 lines = r.varint();
            if (lines > quint64(end - p))
                corrupt();
            prim.lines.resize(size_t(lines));
            for (PreparedLine &l : prim.lines) {
                const double x = r.number();
                const double y = r.number();
                l.origin = QPointF(x, y);
                l.width = r.number();
                l.text = r.text();
            }
            break;
        }
        case Primitive::Kind::Line:
        case Primitive::Kind::Rect:
        case Primitive::Kind::Ellipse:
            prim.penColor = color();
            prim.penWidth = r.number();
            prim.penStyle = Qt::PenStyle(r.varint());
            prim.brushColor = color();
            prim.radius = r.number();
            break;
        case Primitive::Kind::Image: {
            const quint64 i = r.varint();
            if (i >= m_images.size())
                corrupt();
            prim.image = m_images[size_t(i)];
            break;
        }
        default:
            corrupt();
        }
        out.push_back(std::move(prim));
    }
}

void PageStore::write(const QByteArray &record, Entry &entry)
{
    entry.offset = m_size;
    entry.size = record.size();
    if (!m_file && m_size + record.size() > m_spillBytes) {
        auto file = std::make_unique<QTemporaryFile>(QDir::temp().filePath(u"vinary-pages-XXXXXX"_s));
        if (!file->open() || file->write(m_memory) != m_memory.size())
            throw VinaryError(
                engineText(u"[MOT_ERR_PAGINE_SCRITTURA]"_s,
                           u"The prepared pages cannot be written to a temporary file in %1: %2"_s)
                    .arg(QDir::toNativeSeparators(QDir::tempPath()), file->errorString()));
        m_file = std::move(file);
        m_memory = QByteArray();
    }
    if (m_file) {
        if (m_file->pos() != m_size)
            m_file->seek(m_size);
        if (m_file->write(record) != record.size())
            throw VinaryError(
                engineText(u"[MOT_ERR_PAGINE_SCRITTURA]"_s,
                           u"The prepared pages cannot be written to a temporary file in %1: %2"_s)
                    .arg(QDir::toNativeSeparators(QDir::tempPath()), m_file->errorString()));
    } else {
        m_memory += record;
    }
    m_size += record.size();
}

QByteArray PageStore::read(const Entry &entry) const
{
    if (!m_file)
        return QByteArray::fromRawData(m_memory.constData() + entry.offset, entry.size);
    if (!m_file->seek(entry.offset))
        corrupt();
    QByteArray record = m_file->read(entry.size);
    if (record.size() != entry.size)
        corrupt();
    return record;
}

void PageStore::append(const PreparedPage &page)
{
    QByteArray record;
    const double frame[6] = {page.paperSize.width(), page.paperSize.height(), page.margins.left(),
                             page.margins.top(),     page.margins.right(),    page.margins.bottom()};
    record.append(reinterpret_cast<const char *>(frame), sizeof frame);
    record += encodeItems(page.items.data(), page.items.size());
    Entry entry;
    entry.paper = page.paperSize;
    write(record, entry);
    m_entries.push_back(entry);
}

void PageStore::patch(int page, const std::vector<std::pair<size_t, Primitive>> &items)
{
    if (items.empty())
        return;
    Writer w;
    std::vector<Primitive> prims;
    prims.reserve(items.size());
    for (const auto &[index, prim] : items) {
        w.varint(index);
        prims.push_back(prim);
    }
    Writer head;
    head.varint(items.size());
    QByteArray record = head.finish() + w.finish() + encodeItems(prims.data(), prims.size());
    Entry entry;
    write(record, entry);
    m_patches[page] = entry;
}

PreparedPage PageStore::page(int index) const
{
    const Entry &entry = m_entries.at(size_t(index));
    const QByteArray record = read(entry);
    const char *p = record.constData();
    const char *end = p + record.size();
    if (record.size() < qsizetype(6 * sizeof(double)))
        corrupt();
    double frame[6];
    std::memcpy(frame, p, sizeof frame);
    p += sizeof frame;
    PreparedPage out;
    out.paperSize = QSizeF(frame[0], frame[1]);
    out.margins = QMarginsF(frame[2], frame[3], frame[4], frame[5]);
    decodeItems(p, end, out.items);

    const auto patched = m_patches.find(index);
    if (patched != m_patches.end()) {
        const QByteArray patch = read(patched->second);
        const char *q = patch.constData();
        const char *qend = q + patch.size();
        std::vector<quint64> at;
        {
            Reader count(q, qend);
            const quint64 n = count.varint();
            Reader indices(q, qend);
            for (quint64 i = 0; i < n; ++i)
                at.push_back(indices.varint());
        }
        std::vector<Primitive> prims;
        decodeItems(q, qend, prims);
        if (prims.size() != at.size())
            corrupt();
        for (size_t i = 0; i < at.size(); ++i) {
            if (at[i] >= out.items.size())
                corrupt();
            out.items[size_t(at[i])] = std::move(prims[i]);
        }
    }
    return out;
}

} // namespace vinary::report
