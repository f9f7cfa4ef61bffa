#include "catalogue/notesfiles.h"
#include "engine/common/errors.h"
#include "tests/catalogue/rtfplaintext.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vinary;
using namespace vinary::notesfiles;
using namespace Qt::StringLiterals;

namespace
{

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// Every file under `dir`, relative to it.
QStringList filesUnder(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(dir).relativeFilePath(it.next());
    out.sort();
    return out;
}

// A current directory laid out as the program directory: with "archivi", or without it.
struct ProgramDir {
    QTemporaryDir tmp;
    // Inside the temporary directory, so that a path climbing out by one level still lands in it.
    QString root = tmp.path() + u"/cellar"_s;
    std::unique_ptr<test::CurrentDirectory> cd;

    explicit ProgramDir(bool withFolder = true)
    {
        QDir().mkpath(root);
        if (withFolder)
            QDir(root).mkdir(u"archivi"_s);
        cd = std::make_unique<test::CurrentDirectory>(root);
    }
};

} // namespace

class TestNotesFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleaning_data();
    void cleaning();
    void pathOfACleanedName();
    void pathsNeverLeaveTheFolder_data();
    void pathsNeverLeaveTheFolder();
    void newFileHoldsTheExactName_data();
    void newFileHoldsTheExactName();
    void existingFileIsNeverRewritten();
    void namesThatCleanAlikeShareOneFile();
    void missingFolderCannotCreateTheFile();
};

void TestNotesFiles::cleaning_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cleaned");
    QTest::newRow("punctuation and spaces") << u"Rossi & Figli s.r.l."_s << u"RossiFiglisrl"_s;
    QTest::newRow("case and digits kept in order") << u"Cantina 1898 di Zb"_s << u"Cantina1898diZb"_s;
    QTest::newRow("accented letters dropped") << u"Château Müller"_s << u"ChteauMller"_s;
    QTest::newRow("dash and blank alike") << u"Azienda-Rossi"_s << u"AziendaRossi"_s;
    QTest::newRow("parent folders") << u"../../etc/x"_s << u"etcx"_s;
    QTest::newRow("both separators") << u"a/b\\c"_s << u"abc"_s;
    QTest::newRow("drive") << u"C:\\Windows\\win.ini"_s << u"CWindowswinini"_s;
    QTest::newRow("digits of other scripts") << u"\uff11\u0662\u00b2x"_s << u"x"_s;
    QTest::newRow("letters of other scripts") << u"Κτήμα Αλφα"_s << QString();
    QTest::newRow("control characters") << u"a\tb\nc\0d"_s << u"abcd"_s;
    QTest::newRow("only dropped characters") << u"  -- àè .. "_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestNotesFiles::cleaning()
{
    QFETCH(QString, name);
    QFETCH(QString, cleaned);
    QCOMPARE(cleanName(name), cleaned);
}

void TestNotesFiles::pathOfACleanedName()
{
    QCOMPARE(notesFilePath(u"Rossi & Figli s.r.l."_s), u"archivi/RossiFiglisrl.rtf"_s);
    QCOMPARE(notesFilePath(u"Azienda Rossi"_s), notesFilePath(u"Azienda-Rossi"_s));
    QCOMPARE(notesFilePath(u"àè -"_s), QString());
    QCOMPARE(notesFilePath(QString()), QString());
}

void TestNotesFiles::pathsNeverLeaveTheFolder_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : {u"../../etc/x"_s, u"a/b\\c"_s, u"../x"_s, u"/etc/passwd"_s, u"..\\..\\boot.ini"_s,
                                u"~/notes"_s, u"$HOME"_s, u"`rm -rf x`"_s, u"x; touch y"_s, u"-h"_s,
                                u"name.rtf/../../z"_s, u"\u2215etc\u2215x"_s})
        QTest::newRow(qPrintable(name)) << name;
}

void TestNotesFiles::pathsNeverLeaveTheFolder()
{
    QFETCH(QString, name);
    ProgramDir dir;
    const QString path = notesFilePath(name);
    QVERIFY2(QRegularExpression(u"^archivi/[A-Za-z0-9]+\\.rtf$"_s).match(path).hasMatch(), qPrintable(path));
    QCOMPARE(QFileInfo(path).absolutePath(), QDir(dir.root).absoluteFilePath(u"archivi"_s));

    QVERIFY(ensureNotesFile(path, name));
    // The only file anywhere in the temporary tree is the notes file inside the folder.
    QCOMPARE(filesUnder(dir.tmp.path()), QStringList{u"cellar/"_s + path});
}

void TestNotesFiles::newFileHoldsTheExactName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("punctuation") << u"Rossi & Figli s.r.l."_s << u"archivi/RossiFiglisrl.rtf"_s;
    QTest::newRow("braces and backslash") << u"Cantina {Vecchia} \\ Nuova"_s << u"archivi/CantinaVecchiaNuova.rtf"_s;
    QTest::newRow("letters outside ASCII") << u"Château Müller & Söhne – Ελλάς"_s << u"archivi/ChteauMllerShne.rtf"_s;
    QTest::newRow("leading and trailing blanks") << u"  Gaja  "_s << u"archivi/Gaja.rtf"_s;
}

void TestNotesFiles::newFileHoldsTheExactName()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    ProgramDir dir;
    QCOMPARE(notesFilePath(name), path);
    QVERIFY(ensureNotesFile(path, name));
    const QByteArray rtf = readFile(path);
    QVERIFY2(rtf.startsWith("{\\rtf1"), rtf.constData());
    QCOMPARE(test::rtfParagraphs(rtf), QStringList{name});
}

void TestNotesFiles::existingFileIsNeverRewritten()
{
    ProgramDir dir;
    const QString path = notesFilePath(u"Rossi & Figli s.r.l."_s);
    const QByteArray notes = "{\\rtf1 Vendemmia 2023: ottima.\\par}";
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(notes);
    }
    QVERIFY(!ensureNotesFile(path, u"Rossi & Figli s.r.l."_s));
    QCOMPARE(readFile(path), notes);

    // An empty file the user left is still the user's file.
    const QString empty = notesFilePath(u"Gaja"_s);
    QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
    QVERIFY(!ensureNotesFile(empty, u"Gaja"_s));
    QCOMPARE(QFileInfo(empty).size(), 0);
}

void TestNotesFiles::namesThatCleanAlikeShareOneFile()
{
    ProgramDir dir;
    QVERIFY(ensureNotesFile(notesFilePath(u"Azienda Rossi"_s), u"Azienda Rossi"_s));
    QVERIFY(!ensureNotesFile(notesFilePath(u"Azienda-Rossi"_s), u"Azienda-Rossi"_s));
    QCOMPARE(filesUnder(dir.root), QStringList{u"archivi/AziendaRossi.rtf"_s});
    QCOMPARE(test::rtfParagraphs(readFile(u"archivi/AziendaRossi.rtf"_s)), QStringList{u"Azienda Rossi"_s});
}

void TestNotesFiles::missingFolderCannotCreateTheFile()
{
    ProgramDir dir(false);
    const QString path = notesFilePath(u"Rossi & Figli s.r.l."_s);
    try {
        ensureNotesFile(path, u"Rossi & Figli s.r.l."_s);
        QFAIL("a notes file was written without its folder");
    } catch (const VinaryError &e) {
        QCOMPARE(e.message(), u"Cannot create file archivi/RossiFiglisrl.rtf"_s);
    }
    // The folder is not the program's to create.
    QVERIFY(!QFileInfo::exists(u"archivi"_s));
    QCOMPARE(filesUnder(dir.tmp.path()), QStringList());

    // A file where the folder should be is no folder either.
    QVERIFY(QFile(u"archivi"_s).open(QIODevice::WriteOnly));
    QVERIFY_THROWS_EXCEPTION(VinaryError, ensureNotesFile(path, u"Rossi & Figli s.r.l."_s));
}

QTEST_GUILESS_MAIN(TestNotesFiles)
#include "test_notesfiles.moc"
