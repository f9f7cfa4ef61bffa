// vinary-print: prints one report of the cellar to a file, without a window.
#include "engine/db/lockfile.h"
#include "reports/printtool.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

using namespace vinary;

int main(int argc, char *argv[])
{
    // Fonts and PDF need a GUI application; without a display it runs offscreen.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Ctrl+C, a closed terminal or a kill must not leave the lock file behind: the next start of
    // the program would take the cellar for busy.
    db::LockFile::releaseOnTerminationSignals();
    // Without TZ the C library looks at the zone file again for every local time it converts, a
    // system call per date; a long journal converts millions. Naming the same default zone once
    // spares them.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("vinary-print"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    const PrintToolParse parsed = parsePrintToolArguments(QGuiApplication::arguments());
    if (!parsed.options) {
        (parsed.exitCode == kPrintToolOk ? out : err) << parsed.message << Qt::endl;
        return parsed.exitCode;
    }
    return runPrintTool(*parsed.options, out, err);
}
