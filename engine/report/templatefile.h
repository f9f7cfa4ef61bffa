#pragma once

#include "engine/report/reportmodel.h"

#include <QByteArray>
#include <QString>

namespace vinary::report
{

// The ".frf" file format: versioned XML written by this engine. Reading is defensive, since a
// template is an outside file: hostile or damaged input gives a VinaryError in plain words, and
// out-of-range numbers are clamped into the ranges below.
namespace TemplateFile
{

constexpr int formatVersion = 1;
constexpr qint64 maxFileSize = 32 * 1024 * 1024;
constexpr int maxPages = 500;
constexpr int maxObjectsPerPage = 20000;
constexpr int maxTextLength = 65536; // characters of one object's text; the rest is dropped
constexpr int maxLines = 2000;       // lines of one object's text
constexpr double maxLength = 5000.0; // millimetres, for sizes and positions

// Reads a template from a file; `displayName` is how errors name the file.
ReportTemplate load(const QString &path);
// Parses template XML; errors name the file as `displayName`.
ReportTemplate parse(const QByteArray &data, const QString &displayName);

// Writes the template atomically (QSaveFile): either the whole new file or the old one stays.
void save(const ReportTemplate &templ, const QString &path);
QByteArray serialize(const ReportTemplate &templ);

// Objects alone, for the designer's clipboard.
QByteArray serializeObjects(const QList<ReportObject> &objects);
QList<ReportObject> parseObjects(const QByteArray &data);

} // namespace TemplateFile

} // namespace vinary::report
