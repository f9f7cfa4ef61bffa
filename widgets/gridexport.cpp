#include "widgets/gridexport.h"

#include "engine/common/atomicfile.h"
#include "engine/common/errors.h"
#include "widgets/gridmodel.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QXmlStreamWriter>

using namespace Qt::StringLiterals;

namespace vinary {

namespace {

QByteArray csvField(const QString &text)
{
    const bool quote = text.contains(u',') || text.contains(u'"') || text.contains(u'\n') ||
                       text.contains(u'\r') || text.startsWith(u' ') || text.endsWith(u' ');
    if (!quote)
        return text.toUtf8();
    QString quoted = text;
    quoted.replace(u"\""_s, u"\"\""_s);
    return '"' + quoted.toUtf8() + '"';
}

bool isNumber(db::FieldType type)
{
    return type == db::FieldType::Float || type == db::FieldType::Integer ||
           type == db::FieldType::Integer16 || type == db::FieldType::Counter;
}

// A stored value written for another program to read: numbers with a point and every digit they
// hold, dates in ISO 8601, booleans as 1 and 0; empty for a null.
QString storedText(const QVariant &value, db::FieldType type)
{
    if (!value.isValid() || value.isNull())
        return QString();
    if (isNumber(type)) {
        if (type != db::FieldType::Float)
            return QString::number(value.toLongLong());
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    }
    switch (type) {
    case db::FieldType::Boolean:
        return value.toBool() ? u"1"_s : u"0"_s;
    case db::FieldType::DateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return QString();
        return dt.time() == QTime(0, 0) ? dt.date().toString(Qt::ISODate)
                                        : dt.toString(u"yyyy-MM-ddTHH:mm:ss"_s);
    }
    default:
        return value.toString();
    }
}

void writeAll(QIODevice &device, const QByteArray &bytes)
{
    if (device.write(bytes) != bytes.size())
        throw VinaryError(device.errorString());
}

// Text for a paragraph of ODF: runs of spaces, tabs and line breaks are elements of their own.
void writeParagraph(QXmlStreamWriter &xml, const QString &text)
{
    xml.writeStartElement(u"text:p"_s);
    QString run;
    auto flush = [&] {
        if (!run.isEmpty())
            xml.writeCharacters(run);
        run.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u' ' && (i == 0 || text.at(i - 1) == u' ' || i == text.size() - 1)) {
            int n = 1;
            while (i + n < text.size() && text.at(i + n) == u' ')
                ++n;
            flush();
            xml.writeEmptyElement(u"text:s"_s);
            if (n > 1)
                xml.writeAttribute(u"text:c"_s, QString::number(n));
            i += n - 1;
        } else if (c == u'\t') {
            flush();
            xml.writeEmptyElement(u"text:tab"_s);
        } else if (c == u'\n') {
            flush();
            xml.writeEmptyElement(u"text:line-break"_s);
        } else if (c != u'\r') {
            run += c;
        }
    }
    flush();
    xml.writeEndElement();
}

void writeCell(QXmlStreamWriter &xml, const TableGridModel &model, int row, int column)
{
    const QVariant value = model.cellValue(row, column);
    const db::FieldType type = model.typeAt(column);
    // The cell holds what is stored, typed; its text is that value, not the grid's rounding.
    QString shown = storedText(value, type);
    xml.writeStartElement(u"table:table-cell"_s);
    if (shown.isEmpty()) {
        xml.writeEndElement();
        return;
    }
    switch (type) {
    case db::FieldType::Float:
    case db::FieldType::Integer:
    case db::FieldType::Integer16:
    case db::FieldType::Counter:
        xml.writeAttribute(u"office:value-type"_s, u"float"_s);
        xml.writeAttribute(u"office:value"_s, shown);
        break;
    case db::FieldType::Boolean:
        xml.writeAttribute(u"office:value-type"_s, u"boolean"_s);
        xml.writeAttribute(u"office:boolean-value"_s, value.toBool() ? u"true"_s : u"false"_s);
        shown = value.toBool() ? u"TRUE"_s : u"FALSE"_s;
        break;
    case db::FieldType::DateTime: {
        const QDateTime dt = value.toDateTime();
        if (dt.isValid()) {
            xml.writeAttribute(u"office:value-type"_s, u"date"_s);
            xml.writeAttribute(u"office:date-value"_s, shown);
        } else {
            xml.writeAttribute(u"office:value-type"_s, u"string"_s);
        }
        break;
    }
    default:
        xml.writeAttribute(u"office:value-type"_s, u"string"_s);
        break;
    }
    writeParagraph(xml, shown);
    xml.writeEndElement();
}

} // namespace

void writeGridCsv(QIODevice &device, const TableGridModel &model, const GridExportColumns &columns)
{
    // The byte-order mark makes spreadsheet programs read the text as UTF-8.
    writeAll(device, QByteArray("\xEF\xBB\xBF"));
    // The header names the fields, so that the file reads back whatever the language.
    QByteArray line;
    for (qsizetype i = 0; i < columns.columns.size(); ++i) {
        if (i > 0)
            line += ',';
        line += csvField(model.fieldAt(columns.columns.at(i)));
    }
    writeAll(device, line + "\r\n");
    const int rows = model.rowCount();
    for (int row = 0; row < rows; ++row) {
        line.clear();
        for (qsizetype i = 0; i < columns.columns.size(); ++i) {
            if (i > 0)
                line += ',';
            const int column = columns.columns.at(i);
            line += csvField(storedText(model.cellValue(row, column), model.typeAt(column)));
        }
        writeAll(device, line + "\r\n");
    }
}

void writeGridFlatOds(QIODevice &device, const TableGridModel &model, const GridExportColumns &columns,
                      const QString &sheetName)
{
    QXmlStreamWriter xml(&device);
    xml.setAutoFormatting(false);
    xml.writeStartDocument();
    xml.writeStartElement(u"office:document"_s);
    xml.writeNamespace(u"urn:oasis:names:tc:opendocument:xmlns:office:1.0"_s, u"office"_s);
    xml.writeNamespace(u"urn:oasis:names:tc:opendocument:xmlns:style:1.0"_s, u"style"_s);
    xml.writeNamespace(u"urn:oasis:names:tc:opendocument:xmlns:text:1.0"_s, u"text"_s);
    xml.writeNamespace(u"urn:oasis:names:tc:opendocument:xmlns:table:1.0"_s, u"table"_s);
    xml.writeNamespace(u"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"_s, u"fo"_s);
    xml.writeAttribute(u"office:version"_s, u"1.2"_s);
    xml.writeAttribute(u"office:mimetype"_s, u"application/vnd.oasis.opendocument.spreadsheet"_s);

    xml.writeStartElement(u"office:automatic-styles"_s);
    for (qsizetype i = 0; i < columns.columns.size(); ++i) {
        xml.writeStartElement(u"style:style"_s);
        xml.writeAttribute(u"style:name"_s, u"co%1"_s.arg(i + 1));
        xml.writeAttribute(u"style:family"_s, u"table-column"_s);
        xml.writeEmptyElement(u"style:table-column-properties"_s);
        const int pixels = qMax(16, columns.widths.value(i, 64));
        xml.writeAttribute(u"style:column-width"_s, u"%1in"_s.arg(pixels / 96.0, 0, 'f', 3));
        xml.writeEndElement();
    }
    xml.writeStartElement(u"style:style"_s);
    xml.writeAttribute(u"style:name"_s, u"title"_s);
    xml.writeAttribute(u"style:family"_s, u"table-cell"_s);
    xml.writeEmptyElement(u"style:text-properties"_s);
    xml.writeAttribute(u"fo:font-weight"_s, u"bold"_s);
    xml.writeEndElement();
    xml.writeEndElement(); // automatic-styles

    xml.writeStartElement(u"office:body"_s);
    xml.writeStartElement(u"office:spreadsheet"_s);
    xml.writeStartElement(u"table:table"_s);
    xml.writeAttribute(u"table:name"_s, sheetName.isEmpty() ? u"Grid"_s : sheetName);
    for (qsizetype i = 0; i < columns.columns.size(); ++i) {
        xml.writeEmptyElement(u"table:table-column"_s);
        xml.writeAttribute(u"table:style-name"_s, u"co%1"_s.arg(i + 1));
    }
    xml.writeStartElement(u"table:table-header-rows"_s);
    xml.writeStartElement(u"table:table-row"_s);
    for (const int column : columns.columns) {
        xml.writeStartElement(u"table:table-cell"_s);
        xml.writeAttribute(u"table:style-name"_s, u"title"_s);
        xml.writeAttribute(u"office:value-type"_s, u"string"_s);
        writeParagraph(xml, model.headerData(column, Qt::Horizontal).toString());
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement(); // header rows
    const int rows = model.rowCount();
    for (int row = 0; row < rows; ++row) {
        xml.writeStartElement(u"table:table-row"_s);
        for (const int column : columns.columns)
            writeCell(xml, model, row, column);
        xml.writeEndElement();
    }
    xml.writeEndElement(); // table
    xml.writeEndElement(); // spreadsheet
    xml.writeEndElement(); // body
    xml.writeEndElement(); // document
    xml.writeEndDocument();
    if (xml.hasError())
        throw VinaryError(device.errorString());
}

GridExportFormat exportFormatOf(const QString &fileName)
{
    return QFileInfo(fileName).suffix().compare(u"fods"_s, Qt::CaseInsensitive) == 0
               ? GridExportFormat::FlatOds
               : GridExportFormat::Csv;
}

void exportGrid(const QString &fileName, GridExportFormat format, const TableGridModel &model,
                const GridExportColumns &columns, const QString &sheetName)
{
    AtomicFile file(fileName);
    try {
        if (format == GridExportFormat::FlatOds)
            writeGridFlatOds(file.device(), model, columns, sheetName);
        else
            writeGridCsv(file.device(), model, columns);
    } catch (const VinaryError &e) {
        throw VinaryError(u"Cannot write file %1: %2"_s.arg(fileName, e.message()));
    }
    file.commit();
}

} // namespace vinary
