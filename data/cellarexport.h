#pragma once

#include <QString>
#include <QStringList>

namespace vinary
{

namespace db
{
class Connection;
}

// Writes the whole cellar as CSV files in folder: "vinary-schede.csv" (the wine cards) and
// "vinary-giornale.csv" (the journal), in the order of their numbers. Each file starts with a
// header of the column names; the values are written as stored: numbers with a "." and every
// digit they hold, dates in ISO 8601, the wine-list flag as 1 or 0, empty fields empty. Text is
// UTF-8 with a byte-order mark, so that spreadsheets read it as such. Each file is written whole or
// not at all. Returns the files written; raises VinaryError naming the file on failure.
QStringList exportCellar(db::Connection &db, const QString &folder);

// The CSV text of one table, as exportCellar writes it.
QByteArray tableCsv(db::Connection &db, const QString &table);

} // namespace vinary
