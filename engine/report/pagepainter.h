#pragma once

#include "engine/report/prepared.h"

class QPainter;

namespace vinary::report
{

// Paints one prepared page, read-only, on any device: the preview, a printer or a PDF. The
// painter's origin is the sheet's top-left corner; `pixelsPerMm` is the device's scale.
void paintPage(QPainter &painter, const PreparedReport &report, int page, double pixelsPerMm);
// The same for a page already read from its report; `fonts` are the report's.
void paintPage(QPainter &painter, const PreparedPage &page, const std::vector<PreparedFont> &fonts,
               double pixelsPerMm);

} // namespace vinary::report
