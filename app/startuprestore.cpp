#include "app/startuprestore.h"

#include "data/backups.h"
#include "data/cellar.h"
#include "data/messagebox.h"
#include "engine/common/datetimes.h"
#include "engine/db/connection.h"
#include "engine/db/lockfile.h"

#include <QFileInfo>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace vinary
{

bool offerStartupRestore(Cellar &cellar)
{
    const CellarBackups backups(cellar.programDir);
    const QString database = backups.databaseFile();
    if (!cellar.messages || db::LockFile::isHeldByAnyone(db::Connection::lockFileName(database)))
        return false;
    if (QFileInfo::exists(database) &&
        (db::Connection::isSoundDatabase(database) || db::Connection::detectForeignFormat(database)))
        return false;
    const std::optional<BackupCopy> copy = backups.newestSoundCopy();
    if (!copy)
        return false;
    const QString when = shortDateTimeText(copy->taken);
    if (!cellar.messages->question(cellar.traduci(u"   [RIPRISTINO_AVVIO]   "_s).arg(when)))
        return false;
    restoreDatabaseFile(cellar.programDir, copy->fileName);
    return true;
}

} // namespace vinary
