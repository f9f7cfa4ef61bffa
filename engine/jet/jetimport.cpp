// vinary-jet-import: converts one Jet file into the SQLite cellar database, alone in its process,
// so that a damaged file that makes the reader run away costs this process only. The program runs
// it with limits on memory and time (see jetformat.cpp).
//
//   vinary-jet-import <jet file> <new sqlite file>
//
// Exit code 0 when the database was written; otherwise the error, one line, goes to stdout. The
// reader's own warnings, which a damaged file can make endless, go nowhere.
#include "engine/jet/jetconverter.h"
#include "engine/jet/jetformat.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <fcntl.h>
#include <new>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: vinary-jet-import <jet file> <new sqlite file>\n", stderr);
        return vinary::jet::kJetImportUsage;
    }
    const int report = ::dup(STDOUT_FILENO);
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (report < 0 || nowhere < 0 || ::dup2(nowhere, STDOUT_FILENO) < 0 || ::dup2(nowhere, STDERR_FILENO) < 0)
        return vinary::jet::kJetImportFailed;
    try {
        vinary::jet::convertJetFile(args.at(1), args.at(2));
        return 0;
    } catch (const std::bad_alloc &) {
        return vinary::jet::kJetImportOutOfMemory;
    } catch (const std::exception &e) {
        const QByteArray message = QByteArray(e.what()) + '\n';
        [[maybe_unused]] const ssize_t written = ::write(report, message.constData(), size_t(message.size()));
        return vinary::jet::kJetImportFailed;
    }
}
