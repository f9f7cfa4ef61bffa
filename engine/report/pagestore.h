#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QMarginsF>
#include <QSizeF>

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class QTemporaryFile;

namespace vinary::report
{

struct Primitive;
struct PreparedPage;

// Where a prepared report keeps its pages: each page as a compact record (numbers exactly as they
// were, every repeated coordinate written once per page, texts in one byte per letter where they
// can be), held in memory while the report is small and moved to an unnamed temporary file once it
// grows, so that a report of any length costs little memory. The file has no name in the folder
// on Linux, so not even a crash leaves it behind. Pages are read back, whole, on demand.
class PageStore
{
public:
    // Bytes kept in memory before the pages move to a temporary file.
    static constexpr qint64 kDefaultSpillBytes = 8 * 1024 * 1024;

    explicit PageStore(qint64 spillBytes = kDefaultSpillBytes);
    ~PageStore();
    PageStore(const PageStore &) = delete;
    PageStore &operator=(const PageStore &) = delete;

    // Throws VinaryError when the temporary file cannot be written.
    void append(const PreparedPage &page);
    // Replaces items of a page already stored (texts that waited for the page count).
    void patch(int page, const std::vector<std::pair<size_t, Primitive>> &items);

    int pageCount() const { return int(m_entries.size()); }
    QSizeF paperSize(int page) const { return m_entries.at(size_t(page)).paper; }
    // Throws VinaryError when the temporary file cannot be read.
    PreparedPage page(int page) const;

    // Whether the pages have moved to a temporary file, and the bytes they take there or in memory.
    bool spilled() const { return m_file != nullptr; }
    qint64 storedBytes() const { return m_size; }

private:
    struct Entry {
        qint64 offset = 0;
        qint64 size = 0;
        QSizeF paper;
    };

    QByteArray encodeItems(const Primitive *items, size_t count);
    void decodeItems(const char *&p, const char *end, std::vector<Primitive> &out) const;
    void write(const QByteArray &record, Entry &entry);
    QByteArray read(const Entry &entry) const;
    int colorIndex(const QColor &color);
    int imageIndex(const QImage &image);

    qint64 m_spillBytes;
    std::vector<Entry> m_entries;
    std::unordered_map<int, Entry> m_patches;
    QByteArray m_memory;
    std::unique_ptr<QTemporaryFile> m_file;
    qint64 m_size = 0;
    std::vector<QColor> m_colors;
    std::vector<QImage> m_images;
};

} // namespace vinary::report
