#include "widgets/documentlauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace vinary;
using namespace Qt::StringLiterals;

namespace
{

// Puts a stand-in "xdg-open" first on PATH for its lifetime. The stand-in writes its working
// directory, its argument count and each argument on a line of its own into `report`.
class FakeXdgOpen
{
public:
    FakeXdgOpen() : m_path(qgetenv("PATH"))
    {
        bin = dir.filePath(u"bin"_s);
        QDir().mkpath(bin);
        report = dir.filePath(u"report.txt"_s);
        QFile script(bin + u"/xdg-open"_s);
        if (script.open(QIODevice::WriteOnly)) {
            script.write("#!/bin/sh\n"
                         "{ pwd; echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$FAKE_REPORT.part\"\n"
                         "mv \"$FAKE_REPORT.part\" \"$FAKE_REPORT\"\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("FAKE_REPORT", report.toLocal8Bit());
        qputenv("PATH", bin.toLocal8Bit() + ':' + m_path);
    }
    ~FakeXdgOpen()
    {
        qputenv("PATH", m_path);
        qunsetenv("FAKE_REPORT");
    }
    FakeXdgOpen(const FakeXdgOpen &) = delete;
    FakeXdgOpen &operator=(const FakeXdgOpen &) = delete;

    QStringList reported() const
    {
        QFile f(report);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    QString bin;
    QString report;

private:
    QByteArray m_path;
};

class Recording : public DocumentLauncher
{
public:
    bool open(const QString &path) override
    {
        opened << path;
        return true;
    }
    QStringList opened;
};

} // namespace

class TestDocumentLauncher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsXdgOpenWithThePathAsItsOnlyArgument_data();
    void startsXdgOpenWithThePathAsItsOnlyArgument();
    void noXdgOpenIsNoError();
    void installedLauncherStandsInUntilRemoved();
};

void TestDocumentLauncher::startsXdgOpenWithThePathAsItsOnlyArgument_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("notes file") << u"archivi/RossiFiglisrl.rtf"_s;
    // Nothing here may be read by a shell: the stand-in must get it as one argument, unchanged.
    QTest::newRow("shell characters") << u"archivi/a b;touch pwned $(touch pwned2) `touch pwned3` '\" | & *.rtf"_s;
    QTest::newRow("leading dash") << u"-x.rtf"_s;
}

void TestDocumentLauncher::startsXdgOpenWithThePathAsItsOnlyArgument()
{
    QFETCH(QString, path);
    if (!QFileInfo::exists(u"/bin/sh"_s))
        QSKIP("needs /bin/sh for the stand-in");
    FakeXdgOpen fake;
    QTemporaryDir cwd;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(cwd.path());
    const bool started = XdgDocumentLauncher().open(path);
    QDir::setCurrent(previous);
    QVERIFY(started);
    QTRY_VERIFY(QFileInfo::exists(fake.report));
    const QStringList lines = fake.reported();
    // The editor starts in the directory the relative path is meant from.
    QCOMPARE(lines, (QStringList{QFileInfo(cwd.path()).canonicalFilePath(), u"1"_s, path}));
    QCOMPARE(QDir(cwd.path()).entryList(QDir::Files), QStringList());
}

void TestDocumentLauncher::noXdgOpenIsNoError()
{
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir empty;
    qputenv("PATH", empty.path().toLocal8Bit());
    const bool started = XdgDocumentLauncher().open(u"archivi/x.rtf"_s);
    qputenv("PATH", path);
    QVERIFY(!started);
}

void TestDocumentLauncher::installedLauncherStandsInUntilRemoved()
{
    Recording first;
    Recording second;
    QCOMPARE(setDocumentLauncher(&first), nullptr);
    documentLauncher().open(u"a.rtf"_s);
    QCOMPARE(setDocumentLauncher(&second), &first);
    documentLauncher().open(u"b.rtf"_s);
    QCOMPARE(setDocumentLauncher(nullptr), &second);
    QVERIFY(dynamic_cast<XdgDocumentLauncher *>(&documentLauncher()));
    QCOMPARE(first.opened, QStringList{u"a.rtf"_s});
    QCOMPARE(second.opened, QStringList{u"b.rtf"_s});
}

QTEST_GUILESS_MAIN(TestDocumentLauncher)
#include "test_documentlauncher.moc"
