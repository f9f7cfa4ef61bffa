#pragma once

#include "widgets/gridexport.h"

class QPrinter;

namespace vinary {

class TableGridModel;

// Prints the rows of a grid as a table: the title on every page, the column titles on every page,
// the columns at their screen widths (narrowed together when the page is too small) and the page
// number at the foot. Returns the number of pages printed; raises VinaryError when the printer
// cannot be used.
int printGrid(QPrinter &printer, const TableGridModel &model, const GridExportColumns &columns,
              const QString &title, bool checkMarks);

} // namespace vinary
