#pragma once

#include "widgets/gridexport.h"

class QPrinter;

namespace vinary {

class TableGridModel;

// Prints the rows of a grid as a table: the title and the column titles on every page, each column
// as wide as its values, fitted to the page's width (the widest columns give way first, ending their
// texts in "…"), and the page number at the foot. Returns the number of pages printed; raises VinaryError
// when the printer cannot be used.
int printGrid(QPrinter &printer, const TableGridModel &model, const GridExportColumns &columns,
              const QString &title, bool checkMarks);

} // namespace vinary
