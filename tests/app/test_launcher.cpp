// The desktop installation: cmake --install into a throw-away prefix, then the installed launcher
// run in a throw-away home. The program itself is replaced by a script that notes where and how it
// was started.

#include "programdir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
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
    void followsTheDataHome_data();
    void followsTheDataHome();
    void prepareOnlyFills();

private:
    // Runs the installed launcher with HOME set to home; false on a failed run.
    bool launch(const QString &home, const QStringList &arguments = {}, const QString &dataHome = QString(),
                QByteArray *output = nullptr);
    QString cellarOf(const QString &home) const { return home + u"/.local/share/vinary"_s; }

    QTemporaryDir m_prefix;
    QString m_defaults;
};

void TestLauncher::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.start(QStringLiteral(VINARY_CMAKE_COMMAND),
                  {u"--install"_s, QStringLiteral(VINARY_BINARY_DIR), u"--prefix"_s, m_prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    m_defaults = m_prefix.filePath(u"share/vinary"_s);

    // The real program would open its window; a stand-in notes its start instead.
    const QString program = m_prefix.filePath(u"bin/vinary"_s);
    QVERIFY(QFileInfo(program).isExecutable());
    QVERIFY(QFile::remove(program));
    QVERIFY(writeAll(program, kFakeProgram.toUtf8()));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner));
}

bool TestLauncher::launch(const QString &home, const QStringList &arguments, const QString &dataHome,
                          QByteArray *output)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    env.remove(u"XDG_DATA_HOME"_s);
    if (!dataHome.isNull())
        env.insert(u"XDG_DATA_HOME"_s, dataHome);
    QProcess launcher;
    launcher.setProcessEnvironment(env);
    launcher.setWorkingDirectory(QDir::tempPath());
    launcher.start(m_prefix.filePath(u"bin/vinary-launch"_s), arguments);
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
          u"share/icons/hicolor/scalable/apps/vinary.svg"_s, u"share/applications/vinary.desktop"_s})
        QVERIFY2(QFileInfo::exists(prefix.filePath(file)), qPrintable(file));
    QVERIFY(QFileInfo(prefix.filePath(u"bin/vinary-launch"_s)).isExecutable());
#ifdef VINARY_INSTALLS_PRINT_TOOL
    QVERIFY(QFileInfo(prefix.filePath(u"bin/vinary-print"_s)).isExecutable());
#endif
    // The manual's pictures come along in their own folder.
    QVERIFY(!QDir(prefix.filePath(u"share/vinary/images"_s)).entryList({u"*.png"_s}).isEmpty());

    // A pristine cellar: the report list and the settings row, and no wine yet.
    const QString database = prefix.filePath(u"share/vinary/vinary.mdb"_s);
    QVERIFY(vinary::testing::queryText(database, u"SELECT COUNT(*) FROM Stampe"_s).toInt() > 0);
    QCOMPARE(vinary::testing::queryText(database, u"SELECT COUNT(*) FROM Schede"_s), u"0"_s);

    // The menu entry starts the launcher and shows the icon by their installed names.
    const QString entry = QString::fromUtf8(readAll(prefix.filePath(u"share/applications/vinary.desktop"_s)));
    QVERIFY(entry.startsWith(u"[Desktop Entry]\n"_s));
    QVERIFY2(entry.contains(u"\nExec="_s + prefix.filePath(u"bin/vinary-launch"_s) + u'\n'),
             qPrintable(entry));
    QVERIFY(entry.contains(u"\nIcon="_s + prefix.filePath(u"share/icons/hicolor/scalable/apps/vinary.svg"_s) +
                           u'\n'));
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
