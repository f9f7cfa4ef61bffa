#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

namespace vinary
{

// A CSV file as spreadsheets write it: comma, semicolon or tab between fields (found from the
// first record), fields in double quotes holding separators, doubled quotes and line breaks, and
// text in UTF-8 with or without a byte-order mark, or else Windows-1252.
struct CsvRecord {
    int line = 0; // the file's line on which the record starts, from 1
    QStringList fields;
};

struct CsvTable {
    enum class Encoding { Utf8, Utf8Bom, Windows1252 };
    QChar separator = u',';
    Encoding encoding = Encoding::Utf8;
    CsvRecord header;
    QList<CsvRecord> records; // after the header; blank lines are left out
    // A quoted field still open at the end of the file: the record from that line on is cut.
    int unterminatedLine = 0;
};

// Reads a whole file's bytes. Raises VinaryError on a file that is empty, binary (it holds zero
// bytes) or has no header line; its message is a translation key.
CsvTable parseCsv(const QByteArray &bytes);

// One field as the CSV writer puts it: quoted when it holds the separator, a quote, a line break
// or spaces at either end.
QString csvField(const QString &text, QChar separator = u',');

} // namespace vinary
