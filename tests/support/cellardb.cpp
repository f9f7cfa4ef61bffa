#include "tests/support/cellardb.h"

#include "engine/db/connection.h"

#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

namespace vinary::test {

QString cellarSql()
{
    QFile f(QStringLiteral(VINARY_SOURCE_DIR "/resources/db/vinary.sql"));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read resources/db/vinary.sql");
    return QString::fromUtf8(f.readAll());
}

void createCellarDatabase(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot create the test database");
    }
    char *error = nullptr;
    const int rc = sqlite3_exec(db, cellarSql().toUtf8().constData(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot build the test database: " + message);
}

} // namespace vinary::test
