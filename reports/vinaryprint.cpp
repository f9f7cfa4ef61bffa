// vinary-print: prints one report of the cellar to a file, without a window.
#include "engine/db/lockfile.h"
#include "reports/printtool.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <malloc.h>

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
    // A long report allocates and frees large buffers page after page (page contents, compressed
    // streams). Left to the defaults, each one is mapped afresh from the system and every one of its
    // memory pages faults in again; taken from the heap they are reused. The process is short-lived.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
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
