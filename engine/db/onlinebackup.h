#pragma once

#include <QString>
#include <QVariant>

namespace vinary::db
{

class Connection;

// Copies of whole databases through SQLite's online backup, which reads a consistent state even
// while another connection writes.

// Copies the database file source to target. The copy is written beside target under a temporary
// name, checked, flushed to disk and renamed over target, so target is either the old file or the
// whole new one. The copy gets the source's permissions. Raises DbError.
void backupFile(const QString &source, const QString &target);

// The same from an open connection.
void backupConnection(Connection &from, const QString &target);

// Replaces the content of the connection's database with that of the file source, in one write
// transaction: on any failure the database stays as it was. The caller re-reads its tables after.
// Raises DbError.
void restoreInto(Connection &to, const QString &source);

// Opens a database file read-only, without taking its lock, and answers the first column of the
// first row of a query (a null QVariant when there is no row). Raises DbError.
QVariant queryFile(const QString &fileName, const QString &sql);

} // namespace vinary::db
