#pragma once

#include <QList>
#include <QString>

class QIODevice;

namespace vinary {

class TableGridModel;

enum class GridExportFormat {
    Csv,     // comma-separated text, UTF-8: field names, then the stored values (see storedText)
    FlatOds, // an OpenDocument spreadsheet in one XML file (.fods), with typed cells
};

// What to export: the model's columns to write, in order, with their widths in pixels.
struct GridExportColumns {
    QList<int> columns;
    QList<int> widths;
};

void writeGridCsv(QIODevice &device, const TableGridModel &model, const GridExportColumns &columns);
void writeGridFlatOds(QIODevice &device, const TableGridModel &model, const GridExportColumns &columns,
                      const QString &sheetName);
// Writes the whole file or nothing (the previous file stays); raises VinaryError on failure.
void exportGrid(const QString &fileName, GridExportFormat format, const TableGridModel &model,
                const GridExportColumns &columns, const QString &sheetName);
// The format a file name asks for by its extension; CSV for anything else.
GridExportFormat exportFormatOf(const QString &fileName);

} // namespace vinary
