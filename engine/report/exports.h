#pragma once

#include "engine/report/prepared.h"

#include <QByteArray>
#include <QString>

namespace vinary::report
{

// The exports of a prepared report. File writes are atomic (QSaveFile) and throw VinaryError
// when the file cannot be written.

// Plain text: each page laid on a character grid (2 mm columns, rows of about 6 lines to the
// inch), pages separated by a form feed. Lines carry no trailing spaces and end in '\n'.
QString textExport(const PreparedReport &report);
void exportText(const PreparedReport &report, const QString &path);

// Rich text: every row of a page is a paragraph with tab stops where its texts begin (or end,
// for right-aligned texts); each page after the first starts with a page break.
QByteArray rtfExport(const PreparedReport &report);
void exportRtf(const PreparedReport &report, const QString &path);

// PDF with vector, searchable text, the report title as the document title. Written by PdfWriter;
// reports with fonts it cannot embed go through Qt's PDF engine, exportPdfPainted().
void exportPdf(const PreparedReport &report, const QString &path);
// The same document painted page by page on a QPdfWriter: slower, larger, for any font.
void exportPdfPainted(const PreparedReport &report, const QString &path);

enum class ExportFormat { Pdf, Text, Rtf };
// The format a file name asks for by its extension (compared without regard to case).
bool exportFormatFor(const QString &path, ExportFormat *format);
void exportReport(const PreparedReport &report, const QString &path, ExportFormat format);

} // namespace vinary::report
