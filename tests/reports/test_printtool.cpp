// The print tool run as the real program a script would start, in a program directory of its own.
#include "engine/db/connection.h"
#include "tests/support/cellardb.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vinary;

namespace
{

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The names, in the order they first appear in the text.
QStringList inOrder(const QString &text, const QStringList &names)
{
    QList<std::pair<qsizetype, QString>> found;
    for (const QString &name : names) {
        const qsizetype at = text.indexOf(name);
        if (at >= 0)
            found.append({at, name});
    }
    std::sort(found.begin(), found.end());
    QStringList result;
    for (const auto &f : found)
        result << f.second;
    return result;
}

} // namespace

class TestPrintTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void helpAndList();
    void catalogueOfOneGroupToPdf();
    void reportByNameToTextAndRtf();
    void journalBetweenTwoDates();
    void badInputGivesClearErrors_data();
    void badInputGivesClearErrors();
    void unwritableFile();
    void readsWithoutChangingTheDatabase();
    void runsWhileTheProgramHoldsTheDatabase();
    void withoutLanguageTheKeysPrint();

private:
    Run run(const QStringList &arguments);
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void addCard(const QString &descrizione, const QString &gruppo, const QString &produttore, bool incarta);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPrintTool::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    test::createCellarDatabase(path(u"vinary.mdb"_s));
    QVERIFY(QFile::copy(QStringLiteral(VINARY_SOURCE_DIR "/resources/language/english.lng"),
                        path(u"language.ini"_s)));
    const QDir templates(QStringLiteral(VINARY_SOURCE_DIR "/resources/reports"));
    for (const QString &name : templates.entryList({u"*.frf"_s}, QDir::Files))
        QVERIFY(QFile::copy(templates.filePath(name), path(name)));
    addCard(u"Amarone"_s, u"Rossi"_s, u"Zenato"_s, true);
    addCard(u"Barbaresco"_s, u"Rossi"_s, u"Gaja"_s, false);
    addCard(u"Chianti"_s, u"Rossi"_s, u"Antinori"_s, true);
    addCard(u"Arneis"_s, u"Bianchi"_s, u"Giacosa"_s, true);
    db::Connection c;
    c.setDatabaseName(path(u"vinary.mdb"_s));
    c.open();
    c.exec(u"UPDATE Configurazione SET Utente = 'Enoteca Test'"_s);
    c.exec(u"INSERT INTO Giornale (Causale, Data, Codice, Descrizione, Quantita) VALUES "
           "('C', '2024-01-10 00:00:00', 'JAN1', 'January wine', 6), "
           "('S', '2024-02-10 00:00:00', 'FEB1', 'February wine', -2), "
           "('C', '2024-03-10 00:00:00', 'MAR1', 'March wine', 3), "
           "('R', '2024-03-10 00:00:00', 'MAR1', 'March wine', -1)"_s);
    c.close();
    QVERIFY(!QFile::exists(path(u"vinary.ldb"_s)));
}

void TestPrintTool::cleanup()
{
    m_dir.reset();
}

void TestPrintTool::addCard(const QString &descrizione, const QString &gruppo, const QString &produttore,
                            bool incarta)
{
    db::Connection c;
    c.setDatabaseName(path(u"vinary.mdb"_s));
    c.open();
    db::Statement s = c.prepare(
        u"INSERT INTO Schede (Descrizione, Gruppo, Produttore, Incarta, Quantita) VALUES (?, ?, ?, ?, 1)"_s);
    s.bind(1, descrizione);
    s.bind(2, gruppo);
    s.bind(3, produttore);
    s.bind(4, incarta ? 1 : 0);
    s.exec();
}

Run TestPrintTool::run(const QStringList &arguments)
{
    QProcess p;
    // No display and no platform named: the tool picks the offscreen one itself.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"QT_QPA_PLATFORM"_s);
    env.remove(u"DISPLAY"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(m_dir->path());
    p.start(QStringLiteral(VINARY_CELLAR_DIR "/vinary-print"), arguments);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void TestPrintTool::helpAndList()
{
    const Run help = run({u"--help"_s});
    QCOMPARE(help.exitCode, 0);
    for (const char *option : {"--out", "--group", "--producer", "--supplier", "--type", "--wine-list-only",
                               "--order", "--from", "--to"})
        QVERIFY2(help.out.contains(QString::fromLatin1(option)), option);

    const Run list = run({u"--list"_s});
    QCOMPARE(list.exitCode, 0);
    QVERIFY2(list.out.contains(u"1\tCatalogue\n"_s), qPrintable(list.out));
    QVERIFY(list.out.contains(u"6\tJournal of movements\n"_s));

    const Run nothing = run({});
    QCOMPARE(nothing.exitCode, 2);
    QVERIFY(nothing.err.contains(u"no report"_s));
}

void TestPrintTool::catalogueOfOneGroupToPdf()
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext is not installed");
    const Run r = run({u"1"_s, u"--out"_s, u"rossi.pdf"_s, u"--group"_s, u"Rossi"_s, u"--order"_s, u"2"_s});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QProcess pdf;
    pdf.start(u"pdftotext"_s, {u"-layout"_s, path(u"rossi.pdf"_s), u"-"_s});
    QVERIFY(pdf.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdf.readAllStandardOutput());
    QVERIFY2(text.contains(u"Wine Catalogue"_s), qPrintable(text));
    QVERIFY(text.contains(u"Enoteca Test"_s));
    QCOMPARE(inOrder(text, {u"Amarone"_s, u"Barbaresco"_s, u"Chianti"_s, u"Arneis"_s}),
             (QStringList{u"Chianti"_s, u"Barbaresco"_s, u"Amarone"_s}));
}

void TestPrintTool::reportByNameToTextAndRtf()
{
    // The wine list, named as the menu shows it, whatever the letter case; its order is fixed.
    const Run txt =
        run({u"wine LIST"_s, u"--out"_s, u"carta.txt"_s, u"--wine-list-only"_s, u"--order"_s, u"1"_s});
    QVERIFY2(txt.exitCode == 0, qPrintable(txt.err));
    QVERIFY(txt.err.contains(u"--order is ignored"_s));
    const QString text = readText(path(u"carta.txt"_s));
    QVERIFY(text.contains(u"Amarone"_s));
    QVERIFY(text.contains(u"Arneis"_s));
    QVERIFY(!text.contains(u"Barbaresco"_s));

    const Run rtf = run({u"1"_s, u"--out"_s, u"gaja.rtf"_s, u"--producer"_s, u"Gaja"_s});
    QVERIFY2(rtf.exitCode == 0, qPrintable(rtf.err));
    const QString rich = readText(path(u"gaja.rtf"_s));
    QVERIFY(rich.startsWith(u"{\\rtf"_s));
    QVERIFY(rich.contains(u"Barbaresco"_s));
    QVERIFY(!rich.contains(u"Amarone"_s));
}

void TestPrintTool::journalBetweenTwoDates()
{
    const Run r =
        run({u"6"_s, u"--out"_s, u"j.txt"_s, u"--from"_s, u"2024-02-01"_s, u"--to"_s, u"2024-03-10"_s});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QString text = readText(path(u"j.txt"_s));
    QVERIFY(text.contains(u"Stock Journal"_s));
    QCOMPARE(inOrder(text, {u"JAN1"_s, u"FEB1"_s, u"MAR1"_s}), (QStringList{u"FEB1"_s, u"MAR1"_s}));
    // A reversal has its own name and counts against the load it takes back.
    QVERIFY2(text.contains(u"Reversal"_s), qPrintable(text));
    QVERIFY2(text.contains(QRegularExpression(u"Stock in \\(bottles\\) +2\\n"_s)), qPrintable(text));
    QVERIFY2(text.contains(QRegularExpression(u"Stock out \\(bottles\\) +2\\n"_s)), qPrintable(text));

    // Without dates, the whole journal: the dates the dialog would start with.
    const Run all = run({u"6"_s, u"--out"_s, u"all.txt"_s});
    QVERIFY2(all.exitCode == 0, qPrintable(all.err));
    QCOMPARE(inOrder(readText(path(u"all.txt"_s)), {u"JAN1"_s, u"FEB1"_s, u"MAR1"_s}),
             (QStringList{u"JAN1"_s, u"FEB1"_s, u"MAR1"_s}));
}

void TestPrintTool::badInputGivesClearErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("bad date") << QStringList{u"6"_s, u"--out"_s, u"x.pdf"_s, u"--from"_s, u"2024-13-01"_s}
                              << 2 << u"\"2024-13-01\" is not a date"_s;
    QTest::newRow("date in another form")
        << QStringList{u"6"_s, u"--out"_s, u"x.pdf"_s, u"--to"_s, u"10/01/2024"_s} << 2 << u"YYYY-MM-DD"_s;
    QTest::newRow("unknown report number")
        << QStringList{u"42"_s, u"--out"_s, u"x.pdf"_s} << 1 << u"unknown report \"42\""_s;
    QTest::newRow("unknown report name")
        << QStringList{u"Inventory"_s, u"--out"_s, u"x.pdf"_s} << 1 << u"unknown report \"Inventory\""_s;
    QTest::newRow("no output file") << QStringList{u"1"_s} << 2 << u"--out"_s;
    QTest::newRow("unknown option") << QStringList{u"1"_s, u"--out"_s, u"x.pdf"_s, u"--colour"_s} << 2
                                    << u"colour"_s;
    QTest::newRow("order out of range")
        << QStringList{u"1"_s, u"--out"_s, u"x.pdf"_s, u"--order"_s, u"10"_s} << 1 << u"sort orders 1 to 9"_s;
    QTest::newRow("order not a number")
        << QStringList{u"1"_s, u"--out"_s, u"x.pdf"_s, u"--order"_s, u"two"_s} << 2 << u"not a number"_s;
    QTest::newRow("no database there") << QStringList{u"1"_s, u"--out"_s, u"x.pdf"_s, u"--dir"_s, u"empty"_s}
                                       << 1 << u"Cannot find Database"_s;
}

void TestPrintTool::badInputGivesClearErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QVERIFY(QDir(m_dir->path()).mkdir(u"empty"_s));
    const Run r = run(arguments);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(!QFile::exists(path(u"x.pdf"_s)));
    QVERIFY(!QFile::exists(path(u"empty/x.pdf"_s)));
}

void TestPrintTool::unwritableFile()
{
    const Run noFolder = run({u"1"_s, u"--out"_s, u"missing/x.pdf"_s});
    QCOMPARE(noFolder.exitCode, 1);
    QVERIFY2(noFolder.err.contains(u"does not exist"_s), qPrintable(noFolder.err));

    QVERIFY(QDir(m_dir->path()).mkdir(u"out.pdf"_s));
    const Run folder = run({u"1"_s, u"--out"_s, u"out.pdf"_s});
    QCOMPARE(folder.exitCode, 1);
    QVERIFY2(folder.err.contains(u"folder"_s), qPrintable(folder.err));

    const Run kind = run({u"1"_s, u"--out"_s, u"x.docx"_s});
    QCOMPARE(kind.exitCode, 1);
    QVERIFY(kind.err.contains(u".pdf, .txt or .rtf"_s));

    // A folder that takes no files, not even from root: the write itself fails.
    if (QFileInfo(u"/proc"_s).isDir()) {
        const Run proc = run({u"1"_s, u"--out"_s, u"/proc/vinary-print-test.pdf"_s});
        QCOMPARE(proc.exitCode, 1);
        QVERIFY2(proc.err.contains(u"vinary-print-test.pdf"_s), qPrintable(proc.err));
    }

    if (geteuid() == 0)
        QSKIP("permissions do not bind root");
    QVERIFY(QDir(m_dir->path()).mkdir(u"locked"_s));
    QFile::setPermissions(path(u"locked"_s), QFile::ReadOwner | QFile::ExeOwner);
    const Run locked = run({u"1"_s, u"--out"_s, u"locked/x.pdf"_s});
    QFile::setPermissions(path(u"locked"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(locked.exitCode, 1);
    QVERIFY(!locked.err.isEmpty());
}

void TestPrintTool::readsWithoutChangingTheDatabase()
{
    const QByteArray before = fileHash(path(u"vinary.mdb"_s));
    const Run r = run({u"1"_s, u"--out"_s, u"all.txt"_s});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(fileHash(path(u"vinary.mdb"_s)), before);
    QVERIFY(!QFile::exists(path(u"vinary_backup.mdb"_s)));
    // The lock file it held is gone with it.
    QVERIFY(!QFile::exists(path(u"vinary.ldb"_s)));
}

void TestPrintTool::runsWhileTheProgramHoldsTheDatabase()
{
    db::Connection program;
    program.setDatabaseName(path(u"vinary.mdb"_s));
    program.open();
    QVERIFY(QFile::exists(path(u"vinary.ldb"_s)));
    const Run r = run({u"1"_s, u"--out"_s, u"open.txt"_s, u"--group"_s, u"Bianchi"_s});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(readText(path(u"open.txt"_s)).contains(u"Arneis"_s));
    // The program's hold is untouched.
    QVERIFY(QFile::exists(path(u"vinary.ldb"_s)));
    program.close();
    QVERIFY(!QFile::exists(path(u"vinary.ldb"_s)));
}

void TestPrintTool::withoutLanguageTheKeysPrint()
{
    QVERIFY(QFile::remove(path(u"language.ini"_s)));
    const Run r = run({u"1"_s, u"--out"_s, u"keys.txt"_s});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(r.err.contains(u"warning"_s));
    QVERIFY(readText(path(u"keys.txt"_s)).contains(u"[RPT_CATALOGO]"_s));
}

QTEST_GUILESS_MAIN(TestPrintTool)
#include "test_printtool.moc"
