// The desktop installation: cmake --install into a throw-away prefix, then the installed launcher
// run in a throw-away home. The program itself is replaced by a script that notes where and how it
// was started.

#include "programdir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vinary::testing::readAll;
using vinary::testing::writeAll;

namespace
{

const QString kFakeProgram = uR"sh(#!/bin/sh
printf '%s\n%s\n' "$(pwd)" "$#" > "$HOME/started.txt"
)sh"_s;

// The files a program directory gets from the defaults, relative to share/vinary/.
QStringList defaultFiles(const QString &defaults)
{
    QStringList files;
    QDirIterator it(defaults, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = QDir(defaults).relativeFilePath(it.next());
        if (!relative.startsWith(u"pictures/"_s))
            files.append(relative);
    }
    files.sort();
    return files;
}

} // namespace

class TestLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installsUnderAnyPrefix();
    void fillsAnEmptyDirectoryAndStartsThere();
    void leavesAFilledDirectoryUntouched();
    void firstStartSpeaksTheUserLanguage_data();
    void firstStartSpeaksTheUserLanguage();
    void updateRefreshesOnlyWhatTheUserLeftAlone();
    void followsTheDataHome_data();
    void followsTheDataHome();
    void prepareOnlyFills();

private:
    // Installs into prefix, with a stand-in for the program.
    static bool installInto(const QString &prefix);
    // Runs the installed launcher with HOME set to home; false on a failed run.
    bool launch(const QString &home, const QStringList &arguments = {}, const QString &dataHome = QString(),
                QByteArray *output = nullptr, const QString &locale = QString(),
                const QString &prefix = QString());
    QString cellarOf(const QString &home) const { return home + u"/.local/share/vinary"_s; }

    QTemporaryDir m_prefix;
    QString m_defaults;
};

void TestLauncher::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    QVERIFY(installInto(m_prefix.path()));
    m_defaults = m_prefix.filePath(u"share/vinary"_s);
}

bool TestLauncher::installInto(const QString &prefix)
{
    QProcess install;
    install.start(QStringLiteral(VINARY_CMAKE_COMMAND),
                  {u"--install"_s, QStringLiteral(VINARY_BINARY_DIR), u"--prefix"_s, prefix});
    if (!install.waitForFinished(60000) || install.exitCode() != 0) {
        qWarning("install: %s", install.readAllStandardError().constData());
        return false;
    }
    // The real program would open its window; a stand-in notes its start instead.
    const QString program = prefix + u"/bin/vinary"_s;
    return QFileInfo(program).isExecutable() && QFile::remove(program) &&
           writeAll(program, kFakeProgram.toUtf8()) &&
           QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
}

bool TestLauncher::launch(const QString &home, const QStringList &arguments, const QString &dataHome,
                          QByteArray *output, const QString &locale, const QString &prefix)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    env.remove(u"LANGUAGE"_s);
    if (!locale.isEmpty())
        env.insert(u"LC_ALL"_s, locale);
    env.remove(u"XDG_DATA_HOME"_s);
    if (!dataHome.isNull())
        env.insert(u"XDG_DATA_HOME"_s, dataHome);
    QProcess launcher;
    launcher.setProcessEnvironment(env);
    launcher.setWorkingDirectory(QDir::tempPath());
    launcher.start((prefix.isEmpty() ? m_prefix.path() : prefix) + u"/bin/vinary-launch"_s, arguments);
    if (!launcher.waitForFinished(30000))
        return false;
    if (output)
        *output = launcher.readAllStandardOutput();
    const QByteArray errors = launcher.readAllStandardError();
    if (!errors.isEmpty())
        qWarning("launcher: %s", errors.constData());
    return launcher.exitStatus() == QProcess::NormalExit && launcher.exitCode() == 0;
}

void TestLauncher::installsUnderAnyPrefix()
{
    const QDir prefix(m_prefix.path());
    for (const QString &file :
         {u"bin/vinary-launch"_s, u"share/vinary/vinary.mdb"_s, u"share/vinary/english.lng"_s,
          u"share/vinary/italiano.lng"_s, u"share/vinary/catalogo.frf"_s, u"share/vinary/scheda.frf"_s,
          u"share/vinary/manual-en.html"_s, u"share/vinary/manuale-it.html"_s,
          u"share/icons/hicolor/scalable/apps/vinary.svg"_s, u"share/icons/hicolor/48x48/apps/vinary.png"_s,
          u"share/icons/hicolor/256x256/apps/vinary.png"_s, u"share/applications/vinary.desktop"_s,
          u"share/metainfo/example.c_seed_88db5b94.vinary.metainfo.xml"_s, u"share/doc/vinary/LICENSE"_s,
          u"share/man/man1/vinary.1.gz"_s})
        QVERIFY2(QFileInfo::exists(prefix.filePath(file)), qPrintable(file));
    QVERIFY(QFileInfo(prefix.filePath(u"bin/vinary-launch"_s)).isExecutable());
#ifdef VINARY_INSTALLS_PRINT_TOOL
    QVERIFY(QFileInfo(prefix.filePath(u"bin/vinary-print"_s)).isExecutable());
#endif
#ifdef VINARY_INSTALLS_MANPAGE
    QVERIFY(QFileInfo(prefix.filePath(u"share/man/man1/vinary-print.1.gz"_s)).size() > 200);
#endif
    // The icon theme's sizes are real pictures of those sizes.
    for (int size : {48, 256})
        QCOMPARE(
            QImageReader(prefix.filePath(u"share/icons/hicolor/%1x%1/apps/vinary.png"_s.arg(size))).size(),
            QSize(size, size));
    // The manual's pictures come along in their own folder.
    QVERIFY(!QDir(prefix.filePath(u"share/vinary/images"_s)).entryList({u"*.png"_s}).isEmpty());

    // A pristine cellar: the report list and the settings row, and no wine yet.
    const QString database = prefix.filePath(u"share/vinary/vinary.mdb"_s);
    QVERIFY(vinary::testing::queryText(database, u"SELECT COUNT(*) FROM Stampe"_s).toInt() > 0);
    QCOMPARE(vinary::testing::queryText(database, u"SELECT COUNT(*) FROM Schede"_s), u"0"_s);

    // The menu entry starts the launcher by its installed name and takes the icon from the theme.
    const QString entry = QString::fromUtf8(readAll(prefix.filePath(u"share/applications/vinary.desktop"_s)));
    QVERIFY(entry.startsWith(u"[Desktop Entry]\n"_s));
    QVERIFY2(entry.contains(u"\nExec="_s + prefix.filePath(u"bin/vinary-launch"_s) + u'\n'),
             qPrintable(entry));
    QVERIFY(entry.contains(u"\nIcon=vinary\n"_s));
    QVERIFY(entry.contains(u"\nType=Application\n"_s));
    QVERIFY(!entry.contains(u'@'));
}

void TestLauncher::fillsAnEmptyDirectoryAndStartsThere()
{
    QTemporaryDir home;
    QVERIFY(launch(home.path()));
    const QString cellar = cellarOf(home.path());

    QStringList filled = defaultFiles(cellar);
    QVERIFY(filled.removeAll(u"language.ini"_s) == 1);
    QCOMPARE(filled, defaultFiles(m_defaults));
    for (const QString &file : defaultFiles(m_defaults))
        QVERIFY2(readAll(cellar + u'/' + file) == readAll(m_defaults + u'/' + file), qPrintable(file));
    QCOMPARE(readAll(cellar + u"/language.ini"_s), readAll(m_defaults + u"/english.lng"_s));
    QVERIFY(QFileInfo(cellar + u"/archivi"_s).isDir());
    QVERIFY(QDir(cellar + u"/archivi"_s).isEmpty());
    QVERIFY(!QFileInfo::exists(cellar + u"/pictures"_s));
    // No half-copied file is left behind.
    QCOMPARE(QDir(cellar).entryList({u"*.partial.*"_s}), QStringList());

    // Started in its program directory, with no arguments.
    const QStringList started = QString::fromUtf8(readAll(home.filePath(u"started.txt"_s))).split(u'\n');
    QCOMPARE(started.value(0), QFileInfo(cellar).canonicalFilePath());
    QCOMPARE(started.value(1), u"0"_s);

    // A cellar lost after the first start is not replaced by an empty one: the program offers to
    // restore a copy instead.
    QVERIFY(QFile::remove(cellar + u"/vinary.mdb"_s));
    QVERIFY(launch(home.path()));
    QVERIFY(!QFileInfo::exists(cellar + u"/vinary.mdb"_s));
}

void TestLauncher::leavesAFilledDirectoryUntouched()
{
    QTemporaryDir home;
    const QString cellar = cellarOf(home.path());
    QVERIFY(QDir().mkpath(cellar + u"/archivi"_s));
    // The user's own cellar, language, an edited layout and a notes file.
    const QMap<QString, QByteArray> own = {
        {u"vinary.mdb"_s, "the user's cellar"},
        {u"vinary_backup.mdb"_s, "the previous run's cellar"},
        {u"language.ini"_s, "[TITOLO]=Cantina\r\n"},
        {u"catalogo.frf"_s, "an edited layout"},
        {u"archivi/AziendaRossi.rtf"_s, "{\\rtf1 Azienda Rossi}"},
        {u"form.ini"_s, "[MAIN]\r\n"},
    };
    for (auto it = own.cbegin(); it != own.cend(); ++it)
        QVERIFY(writeAll(cellar + u'/' + it.key(), it.value()));

    QVERIFY(launch(home.path()));
    for (auto it = own.cbegin(); it != own.cend(); ++it)
        QCOMPARE(readAll(cellar + u'/' + it.key()), it.value());
    // What was missing is added: the other templates and languages, the manual with its pictures.
    for (const QString &file : {u"scheda.frf"_s, u"italiano.lng"_s, u"manual-en.html"_s})
        QVERIFY2(QFileInfo::exists(cellar + u'/' + file), qPrintable(file));
    QVERIFY(!QDir(cellar + u"/images"_s).isEmpty());

    // A file the user removed comes back at the next start; the rest stays as it is.
    QVERIFY(QFile::remove(cellar + u"/scheda.frf"_s));
    QVERIFY(launch(home.path()));
    QCOMPARE(readAll(cellar + u"/scheda.frf"_s), readAll(m_defaults + u"/scheda.frf"_s));
    QCOMPARE(readAll(cellar + u"/vinary.mdb"_s), own.value(u"vinary.mdb"_s));

    // A directory that has backups of a cellar, and no record of a first start, gets no empty one.
    QVERIFY(QFile::remove(cellar + u"/vinary.mdb"_s));
    QVERIFY(QFile::remove(cellar + u"/.vinary-delivered"_s));
    QVERIFY(launch(home.path()));
    QVERIFY(!QFileInfo::exists(cellar + u"/vinary.mdb"_s));
}

void TestLauncher::firstStartSpeaksTheUserLanguage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("language");
    QTest::newRow("Italian") << u"it_IT.UTF-8"_s << u"italiano.lng"_s;
    QTest::newRow("German, Swiss") << u"de_CH.UTF-8"_s << u"deutsch.lng"_s;
    QTest::newRow("French") << u"fr_FR.UTF-8"_s << u"francais.lng"_s;
    QTest::newRow("Spanish") << u"es_ES.UTF-8"_s << u"espanol.lng"_s;
    QTest::newRow("a language not delivered") << u"pt_BR.UTF-8"_s << u"english.lng"_s;
}

void TestLauncher::firstStartSpeaksTheUserLanguage()
{
    QFETCH(QString, locale);
    QFETCH(QString, language);
    QTemporaryDir home;
    QVERIFY(launch(home.path(), {u"--prepare"_s}, QString(), nullptr, locale));
    QCOMPARE(readAll(cellarOf(home.path()) + u"/language.ini"_s), readAll(m_defaults + u'/' + language));
}

void TestLauncher::updateRefreshesOnlyWhatTheUserLeftAlone()
{
    // An installation of its own, changed below as an update would change it.
    QTemporaryDir prefix;
    QVERIFY(installInto(prefix.path()));
    const QString defaults = prefix.filePath(u"share/vinary"_s);
    QTemporaryDir home;
    const QString cellar = cellarOf(home.path());
    const QString italian = u"it_IT.UTF-8"_s;
    QVERIFY(launch(home.path(), {}, QString(), nullptr, italian, prefix.path()));
    QCOMPARE(readAll(cellar + u"/language.ini"_s), readAll(defaults + u"/italiano.lng"_s));

    // The user's work: a layout edited in the designer, the cellar, its backup, placements, notes.
    const QMap<QString, QByteArray> own = {
        {u"scheda.frf"_s, "a tasting card edited in the designer"}, {u"vinary.mdb"_s, "the user's cellar"},
        {u"vinary_backup.mdb"_s, "the previous run's cellar"},      {u"form.ini"_s, "[MAIN]\r\nLeft=10\r\n"},
        {u"archivi/AziendaRossi.rtf"_s, "{\\rtf1 Azienda Rossi}"},
    };
    for (auto it = own.cbegin(); it != own.cend(); ++it)
        QVERIFY(writeAll(cellar + u'/' + it.key(), it.value()));

    // The update: a language file gains a key; the manual, its pictures and every template change;
    // a new template arrives; the delivered empty cellar changes too.
    const auto append = [&](const QString &name, const QByteArray &bytes) {
        return writeAll(defaults + u'/' + name, readAll(defaults + u'/' + name) + bytes);
    };
    QVERIFY(append(u"italiano.lng"_s, "[MENU_NUOVA]=Nuova voce\r\n"));
    QVERIFY(append(u"francais.lng"_s, "[MENU_NUOVA]=Nouvel article\r\n"));
    QVERIFY(append(u"manual-en.html"_s, "<!-- updated -->\n"));
    QVERIFY(append(u"images/main-en.png"_s, "updated"));
    QVERIFY(append(u"catalogo.frf"_s, " "));
    QVERIFY(append(u"scheda.frf"_s, " "));
    QVERIFY(append(u"vinary.mdb"_s, "updated"));
    QVERIFY(writeAll(defaults + u"/nuovo.frf"_s, "a new report"));

    QVERIFY(launch(home.path(), {}, QString(), nullptr, italian, prefix.path()));
    for (const QString &file : {u"language.ini"_s, u"italiano.lng"_s, u"francais.lng"_s, u"manual-en.html"_s,
                                u"images/main-en.png"_s, u"catalogo.frf"_s, u"nuovo.frf"_s}) {
        const QString delivered = file == u"language.ini"_s ? u"italiano.lng"_s : file;
        QVERIFY2(readAll(cellar + u'/' + file) == readAll(defaults + u'/' + delivered), qPrintable(file));
    }
    for (auto it = own.cbegin(); it != own.cend(); ++it)
        QCOMPARE(readAll(cellar + u'/' + it.key()), it.value());
    QCOMPARE(QDir(cellar).entryList({u"*.partial.*"_s}), QStringList());

    // A language chosen in the program (a copy of the delivered file) follows that file's updates.
    QVERIFY(writeAll(cellar + u"/language.ini"_s, readAll(cellar + u"/francais.lng"_s)));
    QVERIFY(append(u"francais.lng"_s, "[MENU_ALTRA]=Autre article\r\n"));
    QVERIFY(launch(home.path(), {}, QString(), nullptr, italian, prefix.path()));
    QCOMPARE(readAll(cellar + u"/language.ini"_s), readAll(defaults + u"/francais.lng"_s));

    // One changed by hand is the user's own from then on, byte for byte.
    const QByteArray byHand = readAll(cellar + u"/language.ini"_s).replace("Autre article", "Mon article");
    QVERIFY(writeAll(cellar + u"/language.ini"_s, byHand));
    QVERIFY(append(u"francais.lng"_s, "[MENU_TERZA]=Troisieme\r\n"));
    QVERIFY(launch(home.path(), {}, QString(), nullptr, italian, prefix.path()));
    QCOMPARE(readAll(cellar + u"/language.ini"_s), byHand);
    QCOMPARE(readAll(cellar + u"/francais.lng"_s), readAll(defaults + u"/francais.lng"_s));
    QCOMPARE(readAll(cellar + u"/scheda.frf"_s), own.value(u"scheda.frf"_s));
}

void TestLauncher::followsTheDataHome_data()
{
    QTest::addColumn<QString>("dataHome");
    QTest::addColumn<bool>("used");
    QTest::newRow("absolute XDG_DATA_HOME") << u"data"_s << true;
    QTest::newRow("relative XDG_DATA_HOME is ignored") << u"relative/data"_s << false;
    QTest::newRow("empty XDG_DATA_HOME is ignored") << QString() << false;
}

void TestLauncher::followsTheDataHome()
{
    QFETCH(QString, dataHome);
    QFETCH(bool, used);
    QTemporaryDir home;
    const QString given = used ? home.filePath(dataHome) : dataHome;
    QVERIFY(launch(home.path(), {}, given.isNull() ? u""_s : given));
    const QString cellar = used ? given + u"/vinary"_s : cellarOf(home.path());
    QVERIFY2(QFileInfo::exists(cellar + u"/vinary.mdb"_s), qPrintable(cellar));
    QCOMPARE(QString::fromUtf8(readAll(home.filePath(u"started.txt"_s))).section(u'\n', 0, 0),
             QFileInfo(cellar).canonicalFilePath());
}

void TestLauncher::prepareOnlyFills()
{
    QTemporaryDir home;
    QByteArray output;
    QVERIFY(launch(home.path(), {u"--prepare"_s}, QString(), &output));
    QCOMPARE(QString::fromUtf8(output).trimmed(), cellarOf(home.path()));
    QVERIFY(QFileInfo::exists(cellarOf(home.path()) + u"/vinary.mdb"_s));
    QVERIFY(!QFileInfo::exists(home.filePath(u"started.txt"_s)));
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "test_launcher.moc"
