#include "engine/jet/jetformat.h"

#include "engine/jet/jetsource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

namespace vinary::jet
{

namespace
{

JetImportLimits g_limits;
QString g_program;

QString damaged(const QString &source, const QString &why)
{
    return QStringLiteral(
               "Cannot read the Jet database \"%1\": the file is damaged (%2). No file has been changed.")
        .arg(QDir::toNativeSeparators(source), why);
}

void removeTarget(const QString &target)
{
    QFile::remove(target);
    QFile::remove(target + QStringLiteral("-journal"));
}

} // namespace

db::ForeignFormat jetForeignFormat()
{
    db::ForeignFormat format;
    format.name = QStringLiteral("Jet");
    format.detect = [](const QByteArray &header) { return detectJetVersion(header) != JetVersion::None; };
    format.convert = [](const QString &source, const QString &target) {
        convertJetFileInChild(source, target);
    };
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

void setJetImportLimits(const JetImportLimits &limits)
{
    g_limits = limits;
}

JetImportLimits jetImportLimits()
{
    return g_limits;
}

void setJetImportProgram(const QString &path)
{
    g_program = path;
}

QString jetImportProgram()
{
    if (!g_program.isEmpty())
        return g_program;
    const QString here = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    for (const QString &candidate : {QStringLiteral("/vinary-jet-import"),
                                     QStringLiteral("/" VINARY_BIN_TO_JET_IMPORT "/vinary-jet-import")}) {
        const QFileInfo info(here + candidate);
        if (!here.isEmpty() && info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return QString();
}

void convertJetFileInChild(const QString &source, const QString &target)
{
    const QString program = jetImportProgram();
    if (program.isEmpty())
        throw VinaryError(
            QStringLiteral("Cannot convert the Jet database \"%1\": the converter vinary-jet-import is "
                           "not installed. No file has been changed.")
                .arg(QDir::toNativeSeparators(source)));
    const JetImportLimits limits = g_limits;
    QProcess child;
    child.setProgram(program);
    child.setArguments({source, target});
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardInputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer reserves far more address space than any limit allows; it watches
    // the resident size itself instead.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString options = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(
        QStringLiteral("ASAN_OPTIONS"),
        (options.isEmpty() ? QString() : options + u':') +
            QStringLiteral("hard_rss_limit_mb=%1:allocator_may_return_null=1").arg(limits.memoryBytes >> 20));
    child.setProcessEnvironment(env);
    const bool limitAddressSpace = false;
#else
    const bool limitAddressSpace = true;
#endif
    child.setChildProcessModifier([limits, limitAddressSpace] {
        if (limitAddressSpace) {
            const rlimit memory{rlim_t(limits.memoryBytes), rlim_t(limits.memoryBytes)};
            ::setrlimit(RLIMIT_AS, &memory);
        }
        const rlimit cpu{rlim_t(limits.seconds), rlim_t(limits.seconds) + 1};
        ::setrlimit(RLIMIT_CPU, &cpu);
    });
    child.start();
    if (!child.waitForStarted()) {
        throw VinaryError(QStringLiteral("Cannot convert the Jet database \"%1\": the converter %2 cannot be "
                                         "started (%3). No file has been changed.")
                              .arg(QDir::toNativeSeparators(source), program, child.errorString()));
    }
    if (!child.waitForFinished(limits.seconds * 1000)) {
        child.kill();
        child.waitForFinished(-1);
        removeTarget(target);
        throw VinaryError(
            damaged(source, QStringLiteral("reading it took longer than %1 seconds").arg(limits.seconds)));
    }
    const QString message = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
        return;
    removeTarget(target);
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == kJetImportFailed &&
        !message.isEmpty())
        throw VinaryError(message.section(u'\n', 0, 0));
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == kJetImportOutOfMemory)
        throw VinaryError(damaged(
            source,
            QStringLiteral("reading it needed more than %1 MB of memory").arg(limits.memoryBytes >> 20)));
    // Killed by the limits (an allocation that failed inside the reader aborts it) or crashed.
    throw VinaryError(damaged(source, QStringLiteral("the reader stopped on it")));
}

} // namespace vinary::jet
