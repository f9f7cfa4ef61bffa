// vinary-launch: starts Vinary in the user's own program directory, $XDG_DATA_HOME/vinary (by default
// ~/.local/share/vinary), where the cellar, its backup, language.ini, form.ini and the notes files
// live. Before every start it brings the delivered files there up to date (ProgramFiles).
#include "launcher/programfiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vinary;

namespace
{

// The user's languages, preferred first: the interface languages the system names, then its locale.
QList<QLocale::Language> userLanguages()
{
    QList<QLocale::Language> languages;
    const QLocale system = QLocale::system();
    for (const QString &tag : system.uiLanguages())
        languages.append(QLocale(tag).language());
    languages.append(system.language());
    return languages;
}

QString dataHome()
{
    // A relative XDG_DATA_HOME is invalid: desktops ignore it, and so does this.
    const QString given = qEnvironmentVariable("XDG_DATA_HOME");
    if (!given.isEmpty() && QDir::isAbsolutePath(given))
        return given;
    return QDir::homePath() + u"/.local/share"_s;
}

bool update(ProgramFiles &files, QTextStream &err)
{
    const bool ok = files.update(userLanguages());
    for (const QString &error : files.errors())
        err << "vinary-launch: " << error << Qt::endl;
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"vinary-launch"_s);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Starts Vinary in your own program directory, $XDG_DATA_HOME/vinary (by default "
        "~/.local/share/vinary). Before every start it adds the delivered files that are missing there and "
        "refreshes those you have not changed; your cellar, form.ini, the notes in archivi/, edited report "
        "layouts and a language.ini of your own are never touched. An empty cellar is put there only at the "
        "first start: a cellar lost later is left missing, so that Vinary offers to restore a dated copy."_s);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Shows this help."_s);
    const QCommandLineOption prepare(u"prepare"_s,
                                     u"Only brings the directory up to date and prints its name."_s);
    const QCommandLineOption into(u"update"_s,
                                  u"Brings DIR up to date from the files under each FOLDER given after the "
                                  "options, without starting Vinary (the build stages its program directory "
                                  "so)."_s,
                                  u"DIR"_s);
    parser.addOptions({help, prepare, into});
    parser.addPositionalArgument(u"FOLDER"_s, u"With --update: folders of delivered files."_s,
                                 u"[FOLDER...]"_s);
    if (!parser.parse(QCoreApplication::arguments())) {
        err << "vinary-launch: " << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.isSet(help)) {
        out << parser.helpText() << Qt::flush;
        return 0;
    }

    if (parser.isSet(into)) {
        ProgramFiles files(parser.value(into));
        for (const QString &folder : parser.positionalArguments())
            files.deliverFolder(folder);
        return update(files, err) ? 0 : 1;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << "vinary-launch: takes no arguments besides --prepare" << Qt::endl;
        return 2;
    }

    // The defaults are found from the launcher's own place, so the installation can be moved as a whole.
    const QString here = QCoreApplication::applicationDirPath();
    const QString defaults = QDir::cleanPath(here + u'/' + QStringLiteral(VINARY_BIN_TO_DATA));
    if (!QFileInfo(defaults + u"/vinary.mdb"_s).isFile()) {
        err << "vinary-launch: the default files are missing (" << defaults << ")" << Qt::endl;
        return 1;
    }
    const QString cellar = dataHome() + u"/vinary"_s;
    ProgramFiles files(cellar);
    // The program's own pictures are built into it; the cellar is the user's from the first start.
    files.deliverFolder(defaults, {u"pictures/"_s, u"vinary.mdb"_s});
    files.seed(u"vinary.mdb"_s, defaults + u"/vinary.mdb"_s, {u"vinary_backup.mdb"_s, u"backup"_s});
    if (!update(files, err))
        return 1;

    if (parser.isSet(prepare)) {
        out << cellar << Qt::endl;
        return 0;
    }
    const QByteArray program = QFile::encodeName(here + u"/vinary"_s);
    if (::chdir(QFile::encodeName(cellar).constData()) != 0) {
        err << "vinary-launch: cannot enter " << cellar << ": " << std::strerror(errno) << Qt::endl;
        return 1;
    }
    // Replaced by the program, which keeps this process: the desktop's start-up notice follows it.
    char *const arguments[] = {const_cast<char *>(program.constData()), nullptr};
    ::execv(program.constData(), arguments);
    err << "vinary-launch: cannot start " << QString::fromLocal8Bit(program) << ": " << std::strerror(errno)
        << Qt::endl;
    return 1;
}
