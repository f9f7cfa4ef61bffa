#pragma once

#include <QString>

namespace vinary::test {

// Builds a cellar database at path from the delivered SQL (resources/db/vinary.sql).
void createCellarDatabase(const QString &path);
// The delivered SQL text.
QString cellarSql();

} // namespace vinary::test
