#include "engine/jet/jetformat.h"

#include "engine/jet/jetconverter.h"
#include "engine/jet/jetsource.h"

namespace vinary::jet
{

db::ForeignFormat jetForeignFormat()
{
    db::ForeignFormat format;
    format.name = QStringLiteral("Jet");
    format.detect = [](const QByteArray &header) { return detectJetVersion(header) != JetVersion::None; };
    format.convert = [](const QString &source, const QString &target) { convertJetFile(source, target); };
    // A Jet file is still there at connect when the start-up left it alone because another
    // program held it (its lock file was present).
    format.openMessage = QStringLiteral(
        "The database %1 is still in the Jet format of the Windows program and cannot be opened as it is. "
        "Vinary converts it at start-up, but only when no other program holds it: first close the "
        "database in the other program (its lock file must be gone), then start Vinary again. "
        "No file has been changed.");
    return format;
}

void registerJetFormat()
{
    db::Connection::registerForeignFormat(jetForeignFormat());
}

} // namespace vinary::jet
