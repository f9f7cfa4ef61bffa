#include "data/cellarexport.h"

#include "data/csvfile.h"
#include "engine/db/connection.h"

#include <QDir>
#include <QLocale>
#include <QSaveFile>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace vinary
{

QByteArray tableCsv(db::Connection &db, const QString &table)
{
    db::Statement s = db.prepare(u"SELECT * FROM \"%1\" ORDER BY rowid"_s.arg(table));
    QByteArray out("\xEF\xBB\xBF");
    QStringList line;
    for (int c = 0; c < s.columnCount(); ++c)
        line << csvField(s.columnName(c));
    out += line.join(u',').toUtf8() + "\r\n";
    while (s.step()) {
        line.clear();
        for (int c = 0; c < s.columnCount(); ++c) {
            switch (s.columnType(c)) {
            case SQLITE_NULL:
                line << QString();
                break;
            case SQLITE_INTEGER:
                line << QString::number(s.int64(c));
                break;
            case SQLITE_FLOAT:
                line << QString::number(s.real(c), 'g', QLocale::FloatingPointShortest);
                break;
            default:
                line << csvField(s.text(c));
                break;
            }
        }
        out += line.join(u',').toUtf8() + "\r\n";
    }
    return out;
}

QStringList exportCellar(db::Connection &db, const QString &folder)
{
    QStringList written;
    const QDir dir(folder);
    for (const QString &table : {u"Schede"_s, u"Giornale"_s}) {
        const QString name = dir.filePath(u"vinary-%1.csv"_s.arg(table.toLower()));
        const QByteArray bytes = tableCsv(db, table);
        QSaveFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            const QString why = file.errorString();
            file.cancelWriting();
            throw VinaryError(u"Cannot write the file %1: %2"_s.arg(name, why));
        }
        if (!file.commit())
            throw VinaryError(u"Cannot write the file %1: %2"_s.arg(name, file.errorString()));
        written << name;
    }
    return written;
}

} // namespace vinary
