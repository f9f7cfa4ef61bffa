#pragma once

#include "engine/report/prepared.h"

#include <QByteArray>

#include <functional>

namespace vinary::report
{

// Writes a prepared report as a PDF document, page after page, straight from the page store:
// only the fonts' glyph sets and the objects' offsets grow with the report. Text is shaped once
// per font and text with Qt, so glyphs, kerning and fallback fonts are those painted on screen,
// and embedded as subset TrueType CID fonts with a ToUnicode map.
class PdfWriter
{
public:
    // Thrown when a text needs a font that cannot be embedded (no TrueType outlines, a licence
    // that forbids it, or a style Qt would have to imitate): the document then needs Qt's own
    // PDF engine, and what was written so far is of no use.
    struct Unsupported {
    };

    // Whether every font of the report can be embedded. Fallback fonts for characters the
    // report's fonts lack only show while writing; they may still throw Unsupported.
    static bool canWrite(const PreparedReport &report);
    // Writes the document through `sink`, which receives it in pieces of some hundred kilobytes
    // and throws to stop. Throws Unsupported (see above) and VinaryError from the page store.
    static void write(const PreparedReport &report, const std::function<void(const QByteArray &)> &sink);
};

} // namespace vinary::report
