#include "app/languagechange.h"
#include "language/languagetable.h"
#include "tests/support/fulldisk.h"
#include "tests/support/recordingerrorbox.h"
#include "tests/support/scriptedfiledialog.h"
#include "tests/support/scriptedmessagebox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;

namespace {

bool writeBytes(const QString &fileName, const QByteArray &bytes)
{
    QFile f(fileName);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// The change of language as the help menu runs it: through the guard, with the dialog and the
// message box answered by stand-ins.
class TestLanguageChange : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dialogStartsInTheCurrentDirectoryWithLanguageFilesFirst();
    void cancelChangesNothing();
    void chosenFileBecomesTableAndLanguageIniAndNoticeUsesIt();
    void unreadableFileShowsErrorAndNoNotice();
    void unwritableLanguageIniShowsErrorKeepsNewTableAndNoNotice();
    void fullDiskShowsErrorAndKeepsLanguageIni();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_programDir;
    QString m_previousDir;
    LanguageTable m_table;
    ScriptedFileDialog m_dialog;
    ScriptedMessageBox m_box;
};

void TestLanguageChange::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_programDir = m_dir->path() + u'/';
    QVERIFY(writeBytes(m_programDir + u"language.ini"_s,
                       "[CARICO_LINGUA]=The new language is in use\r\n[TITOLO]=Vinary\r\n"));
    QVERIFY(writeBytes(m_programDir + u"italiano.lng"_s,
                       "[CARICO_LINGUA]=La nuova lingua \xC3\xA8 in uso\r\n[TITOLO]=Vinario\r\n"));
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    m_table = LanguageTable();
    m_table.load(LanguageTable::iniFileName());
    m_dialog = ScriptedFileDialog();
    m_box.clear();
}

void TestLanguageChange::cleanup()
{
    QDir::setCurrent(m_previousDir);
    delete m_dir;
    m_dir = nullptr;
}

void TestLanguageChange::dialogStartsInTheCurrentDirectoryWithLanguageFilesFirst()
{
    runLanguageChange(nullptr, m_dialog, m_table, m_programDir, m_box);
    QCOMPARE(m_dialog.requests().size(), 1);
    QCOMPARE(m_dialog.requests().first().directory, QDir::currentPath());
    QCOMPARE(m_dialog.requests().first().filters, (QStringList{u"files lng (*.lng)"_s, u"all files (*)"_s}));
}

void TestLanguageChange::cancelChangesNothing()
{
    const QByteArray before = readBytes(m_programDir + u"language.ini"_s);
    m_dialog.setNextCancel();
    QVERIFY(guarded(nullptr,
                    [&] { QVERIFY(!runLanguageChange(nullptr, m_dialog, m_table, m_programDir, m_box)); }));
    QVERIFY(m_box.shown().isEmpty());
    QCOMPARE(m_table.traduci(u"[TITOLO]"_s), u"Vinary"_s);
    QCOMPARE(readBytes(m_programDir + u"language.ini"_s), before);
}

void TestLanguageChange::chosenFileBecomesTableAndLanguageIniAndNoticeUsesIt()
{
    RecordingErrorBox errors;
    m_dialog.setNextFile(m_programDir + u"italiano.lng"_s);
    QVERIFY(guarded(nullptr, [&] { runLanguageChange(nullptr, m_dialog, m_table, m_programDir, m_box); }));
    QVERIFY(errors.shown().isEmpty());
    QCOMPARE(m_box.notices(), QStringList{u"   La nuova lingua è in uso   "_s});
    QCOMPARE(m_table.traduci(u"[TITOLO]"_s), u"Vinario"_s);
    QCOMPARE(readBytes(m_programDir + u"language.ini"_s), readBytes(m_programDir + u"italiano.lng"_s));
}

void TestLanguageChange::unreadableFileShowsErrorAndNoNotice()
{
    RecordingErrorBox errors;
    const QByteArray before = readBytes(m_programDir + u"language.ini"_s);
    const QString missing = m_programDir + u"klingon.lng"_s;
    m_dialog.setNextFile(missing);
    QVERIFY(!guarded(nullptr, [&] { runLanguageChange(nullptr, m_dialog, m_table, m_programDir, m_box); }));
    QCOMPARE(errors.messages(), QStringList{u"Cannot open file "_s + missing});
    QVERIFY(m_box.shown().isEmpty());
    QCOMPARE(m_table.traduci(u"[TITOLO]"_s), u"Vinary"_s);
    QCOMPARE(readBytes(m_programDir + u"language.ini"_s), before);
}

void TestLanguageChange::unwritableLanguageIniShowsErrorKeepsNewTableAndNoNotice()
{
    RecordingErrorBox errors;
    // The program directory has gone away since start-up.
    const QString programDir = m_dir->filePath(u"moved"_s) + u'/';
    m_dialog.setNextFile(m_programDir + u"italiano.lng"_s);
    QVERIFY(!guarded(nullptr, [&] { runLanguageChange(nullptr, m_dialog, m_table, programDir, m_box); }));
    QCOMPARE(errors.messages(), QStringList{u"Cannot create file "_s + programDir + u"language.ini"_s});
    QVERIFY(m_box.shown().isEmpty());
    // The new language serves the rest of this run; the next start still reads the old file.
    QCOMPARE(m_table.traduci(u"   [CARICO_LINGUA]   "_s), u"   La nuova lingua è in uso   "_s);
    QVERIFY(readBytes(m_programDir + u"language.ini"_s).startsWith("[CARICO_LINGUA]=The new"));
}

void TestLanguageChange::fullDiskShowsErrorAndKeepsLanguageIni()
{
    RecordingErrorBox errors;
    const QString languageIni = m_programDir + u"language.ini"_s;
    const QByteArray before = readBytes(languageIni);
    m_dialog.setNextFile(m_programDir + u"italiano.lng"_s);
    bool finished = true;
    {
        testing::FullDisk full;
        QVERIFY(full.isValid());
        finished =
            guarded(nullptr, [&] { runLanguageChange(nullptr, m_dialog, m_table, m_programDir, m_box); });
    }
    QVERIFY(!finished);
    QCOMPARE(errors.messages().size(), 1);
    QVERIFY2(errors.messages().constFirst().startsWith(u"Cannot write file "_s + languageIni),
             qPrintable(errors.messages().constFirst()));
    QVERIFY(m_box.shown().isEmpty());
    QCOMPARE(readBytes(languageIni), before);
}

QTEST_MAIN(TestLanguageChange)
#include "test_languagechange.moc"
