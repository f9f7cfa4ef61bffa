#include "engine/common/errors.h"
#include "language/languagefile.h"
#include "language/languagetable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vinary::LanguageTable;

namespace {

QByteArray readBytes(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// The bytes of a literal that may hold zero bytes.
template <size_t N> QByteArray bytesOf(const char (&literal)[N])
{
    return QByteArray(literal, qsizetype(N - 1));
}

bool writeBytes(const QString &fileName, const QByteArray &bytes)
{
    QFile f(fileName);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestLanguageTable : public QObject
{
    Q_OBJECT

private slots:
    void traduci_data();
    void traduci();
    void translatingTwiceChangesNothing();
    void tailIsCutWithoutSplittingASurrogatePair();
    void loadReplacesTheWholeTable();
    void loadOfMissingFileLeavesTableAndNamesTheFile();
    void missingLanguageIniAtStartUpLeavesTableEmpty();
    void saveWritesCrLfUtf8AndReadsBackTheSameLines();
    void changeLanguageWritesLanguageIni();
    void changeLanguageFromUnreadableFileChangesNothing_data();
    void changeLanguageFromUnreadableFileChangesNothing();
    void changeLanguageWithUnwritableIniKeepsNewTable_data();
    void changeLanguageWithUnwritableIniKeepsNewTable();
    void changeLanguageRefusesWhatIsNoLanguageFile_data();
    void changeLanguageRefusesWhatIsNoLanguageFile();
    void missingKeysComeFromTheEnglishFile();
};

void TestLanguageTable::traduci_data()
{
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QStringList base = {u"[TITOLO]=Vinary"_s, u"[CONFERMA_CANCELLA]=Delete?"_s, u"[VERSIONE]=Version"_s,
                              u"[A]=first"_s, u"[B]=second"_s};

    QTest::newRow("padded message keeps its spaces")
        << base << u"   [CONFERMA_CANCELLA]   "_s << u"   Delete?   "_s;
    QTest::newRow("key followed by the version") << base << u"[VERSIONE] 04.02"_s << u"Version 04.02"_s;
    QTest::newRow("head before the key is kept") << base << u"Hello [TITOLO]!"_s << u"Hello Vinary!"_s;
    QTest::newRow("no brackets") << base << u"Vinary cellar"_s << u"Vinary cellar"_s;
    QTest::newRow("no closing bracket") << base << u"[TITOLO"_s << u"[TITOLO"_s;
    QTest::newRow("no opening bracket") << base << u"TITOLO]"_s << u"TITOLO]"_s;
    QTest::newRow("empty text") << base << QString() << QString();
    QTest::newRow("separator") << base << u"-"_s << u"-"_s;
    QTest::newRow("closing bracket before the opening one") << base << u"a]b[TITOLO]c"_s << u"a]b[TITOLO]c"_s;
    QTest::newRow("ampersand ignored in the look-up") << base << u"[&TITOLO]"_s << u"Vinary"_s;
    QTest::newRow("several ampersands ignored") << base << u"[TI&TO&LO&]"_s << u"Vinary"_s;
    QTest::newRow("ampersand kept when not found") << base << u"x [&NESSUNO] y"_s << u"x [&NESSUNO] y"_s;
    QTest::newRow("key not in the table") << base << u"  [NESSUNO]  "_s << u"  [NESSUNO]  "_s;
    QTest::newRow("empty table") << QStringList() << u"[TITOLO] 04.02"_s << u"[TITOLO] 04.02"_s;
    QTest::newRow("table name in small letters")
        << QStringList{u"[titolo]=Vinary"_s} << u"[TITOLO]"_s << u"Vinary"_s;
    QTest::newRow("text key in small letters") << base << u"[Titolo]"_s << u"Vinary"_s;
    QTest::newRow("accented letters compared without case")
        << QStringList{u"[QUANTITÀ]=Quantity"_s} << u"[quantità]"_s << u"Quantity"_s;
    QTest::newRow("first of two equal names wins")
        << QStringList{u"[TITOLO]=One"_s, u"[titolo]=Two"_s} << u"[TITOLO]"_s << u"One"_s;
    QTest::newRow("first match with empty value leaves the key")
        << QStringList{u"[TITOLO]="_s, u"[TITOLO]=Two"_s} << u"[TITOLO]"_s << u"[TITOLO]"_s;
    QTest::newRow("value holding equals signs") << QStringList{u"[X]=a=b=c"_s} << u"[X]"_s << u"a=b=c"_s;
    QTest::newRow("value holding an ampersand")
        << QStringList{u"[MENU]=&File"_s} << u"[MENU]"_s << u"&File"_s;
    QTest::newRow("spaces of the value are kept") << QStringList{u"[X]= a b "_s} << u"[X]"_s << u" a b "_s;
    QTest::newRow("space before the equals sign does not match")
        << QStringList{u"[TITOLO] =Vinary"_s} << u"[TITOLO]"_s << u"[TITOLO]"_s;
    QTest::newRow("space before the name does not match")
        << QStringList{u" [TITOLO]=Vinary"_s} << u"[TITOLO]"_s << u"[TITOLO]"_s;
    QTest::newRow("line without equals sign takes no part")
        << QStringList{u"[TITOLO]"_s, u"[TITOLO]Vinary"_s, u"[TITOLO]=Found"_s} << u"[TITOLO]"_s
        << u"Found"_s;
    QTest::newRow("name must match whole, not as prefix")
        << QStringList{u"[TITOLO_LUNGO]=Long"_s, u"[TITOLO]=Short"_s} << u"[TITOLO]"_s << u"Short"_s;
    QTest::newRow("only the first key is replaced") << base << u"[A] and [B]"_s << u"first and [B]"_s;
    QTest::newRow("second key after an unknown first stays") << base << u"[NO] [A]"_s << u"[NO] [A]"_s;
    QTest::newRow("key runs from first open to first close") << base << u"[[TITOLO]"_s << u"[[TITOLO]"_s;
    QTest::newRow("empty brackets") << QStringList{u"[]=nothing"_s} << u"[]"_s << u"nothing"_s;
    QTest::newRow("field reference passes unchanged") << base << u"[Descrizione]"_s << u"[Descrizione]"_s;

    const QString tail300 = QString(300, u'x');
    QTest::newRow("tail of 300 chars is cut to 255")
        << base << (u"[TITOLO]"_s + tail300) << (u"Vinary"_s + QString(255, u'x'));
    QTest::newRow("tail of exactly 255 chars is kept")
        << base << (u"[TITOLO]"_s + QString(255, u'y')) << (u"Vinary"_s + QString(255, u'y'));
    QTest::newRow("tail is cut also when the key is unknown")
        << base << (u"[NO]"_s + tail300) << (u"[NO]"_s + QString(255, u'x'));
    QTest::newRow("long head is kept whole")
        << base << (QString(300, u'h') + u"[TITOLO]"_s) << (QString(300, u'h') + u"Vinary"_s);
    QTest::newRow("text without key is never cut") << base << QString(400, u'z') << QString(400, u'z');
}

void TestLanguageTable::traduci()
{
    QFETCH(QStringList, table);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(LanguageTable(table).traduci(text), expected);
}

void TestLanguageTable::translatingTwiceChangesNothing()
{
    const LanguageTable table({u"[CONFERMA_CANCELLA]=Delete?"_s, u"[X]=see [CONFERMA_CANCELLA]"_s});
    const QString once = table.traduci(u"   [CONFERMA_CANCELLA]   "_s);
    QCOMPARE(table.traduci(once), once);
    // A translation holding brackets is translated again, as the rule says.
    QCOMPARE(table.traduci(table.traduci(u"[X]"_s)), u"see Delete?"_s);
}

void TestLanguageTable::tailIsCutWithoutSplittingASurrogatePair()
{
    const QString clef = QString::fromUcs4(U"\U0001D11E"); // two UTF-16 units
    const QString tail = QString(254, u'a') + clef + u"bbb"_s;
    const QString result = LanguageTable().traduci(u"[K]"_s + tail);
    QCOMPARE(result, u"[K]"_s + QString(254, u'a'));
}

void TestLanguageTable::loadReplacesTheWholeTable()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(u"english.lng"_s);
    QVERIFY(writeBytes(file, "[TITOLO]=Vinary\r\n[MENU_USCITA]=E&xit\r\n"));

    LanguageTable table({u"[OLD]=old"_s});
    table.load(file);
    QCOMPARE(table.lines(), (QStringList{u"[TITOLO]=Vinary"_s, u"[MENU_USCITA]=E&xit"_s}));
    QCOMPARE(table.traduci(u"[OLD]"_s), u"[OLD]"_s);
    QCOMPARE(table.traduci(u"[MENU_USCITA]"_s), u"E&xit"_s);
}

void TestLanguageTable::loadOfMissingFileLeavesTableAndNamesTheFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"missing.lng"_s);
    LanguageTable table({u"[TITOLO]=Vinary"_s});
    try {
        table.load(file);
        QFAIL("loading a missing file must fail");
    } catch (const vinary::VinaryError &e) {
        QCOMPARE(e.message(), u"Cannot open file "_s + file);
    }
    QCOMPARE(table.lines(), QStringList{u"[TITOLO]=Vinary"_s});
}

void TestLanguageTable::missingLanguageIniAtStartUpLeavesTableEmpty()
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    LanguageTable table;
    QString message;
    try {
        table.load(LanguageTable::iniFileName());
    } catch (const vinary::VinaryError &e) {
        message = e.message();
    }
    QDir::setCurrent(previous);
    QCOMPARE(message, u"Cannot open file language.ini"_s);
    QVERIFY(table.isEmpty());
    QCOMPARE(table.traduci(u"[TITOLO]"_s), u"[TITOLO]"_s);
}

void TestLanguageTable::saveWritesCrLfUtf8AndReadsBackTheSameLines()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"language.ini"_s);
    const QStringList lines = {u"[QUANTITA]=Quantità"_s, QString(),
                               u"no equals sign"_s,      u"[X] = spaced "_s,
                               u"[TITOLO]=Vinary"_s,     u"[TITOLO]=Duplicate"_s};
    LanguageTable(lines).save(file);
    QCOMPARE(readBytes(file), QByteArray("[QUANTITA]=Quantit\xC3\xA0\r\n\r\nno equals sign\r\n"
                                         "[X] = spaced \r\n[TITOLO]=Vinary\r\n[TITOLO]=Duplicate\r\n"));
    LanguageTable back;
    back.load(file);
    QCOMPARE(back.lines(), lines);
}

void TestLanguageTable::changeLanguageWritesLanguageIni()
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + u'/';
    QVERIFY(writeBytes(programDir + u"language.ini"_s, "[CARICO_LINGUA]=Language loaded\r\n"));
    // An 8-bit Italian file with LF line ends, as older editors wrote them.
    const QString chosen = dir.filePath(u"italiano.lng"_s);
    QVERIFY(writeBytes(chosen, "[CARICO_LINGUA]=La nuova lingua \xE8 in uso\n[QUANTITA]=Quantit\xE0\n"));

    LanguageTable table;
    table.load(programDir + u"language.ini"_s);
    table.changeLanguage(chosen, programDir);

    QCOMPARE(table.traduci(u"   [CARICO_LINGUA]   "_s), u"   La nuova lingua è in uso   "_s);
    QCOMPARE(readBytes(programDir + u"language.ini"_s),
             QByteArray("[CARICO_LINGUA]=La nuova lingua \xC3\xA8 in uso\r\n[QUANTITA]=Quantit\xC3\xA0\r\n"));
    QCOMPARE(readBytes(chosen),
             QByteArray("[CARICO_LINGUA]=La nuova lingua \xE8 in uso\n[QUANTITA]=Quantit\xE0\n"));
}

void TestLanguageTable::changeLanguageFromUnreadableFileChangesNothing_data()
{
    QTest::addColumn<QString>("chosenName");
    QTest::addColumn<bool>("makeDirectory");
    QTest::newRow("file does not exist") << u"gone.lng"_s << false;
    QTest::newRow("chosen name is a directory") << u"folder.lng"_s << true;
}

void TestLanguageTable::changeLanguageFromUnreadableFileChangesNothing()
{
    QFETCH(QString, chosenName);
    QFETCH(bool, makeDirectory);
    QTemporaryDir dir;
    const QString programDir = dir.path() + u'/';
    const QByteArray oldIni = "[TITOLO]=Old\r\n";
    QVERIFY(writeBytes(programDir + u"language.ini"_s, oldIni));
    const QString chosen = dir.filePath(chosenName);
    if (makeDirectory)
        QVERIFY(QDir(dir.path()).mkdir(chosenName));

    LanguageTable table({u"[TITOLO]=Old"_s});
    try {
        table.changeLanguage(chosen, programDir);
        QFAIL("an unreadable language file must fail");
    } catch (const vinary::VinaryError &e) {
        QCOMPARE(e.message(), u"Cannot open file "_s + chosen);
    }
    QCOMPARE(table.lines(), QStringList{u"[TITOLO]=Old"_s});
    QCOMPARE(readBytes(programDir + u"language.ini"_s), oldIni);
}

void TestLanguageTable::changeLanguageWithUnwritableIniKeepsNewTable_data()
{
    QTest::addColumn<bool>("iniIsDirectory");
    QTest::newRow("program directory does not exist") << false;
    QTest::newRow("language.ini is a directory") << true;
}

void TestLanguageTable::changeLanguageWithUnwritableIniKeepsNewTable()
{
    QFETCH(bool, iniIsDirectory);
    QTemporaryDir dir;
    const QString chosen = dir.filePath(u"english.lng"_s);
    QVERIFY(writeBytes(chosen, "[TITOLO]=New\r\n"));
    QString programDir = dir.filePath(u"nowhere"_s) + u'/';
    if (iniIsDirectory) {
        programDir = dir.path() + u'/';
        QVERIFY(QDir(dir.path()).mkdir(u"language.ini"_s));
    }

    LanguageTable table({u"[TITOLO]=Old"_s});
    try {
        table.changeLanguage(chosen, programDir);
        QFAIL("writing into a missing directory must fail");
    } catch (const vinary::VinaryError &e) {
        QCOMPARE(e.message(), u"Cannot create file "_s + programDir + u"language.ini"_s);
    }
    QCOMPARE(table.traduci(u"[TITOLO]"_s), u"New"_s);
}

void TestLanguageTable::changeLanguageRefusesWhatIsNoLanguageFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("UTF-16 with byte-order mark") << bytesOf("\xFF\xFE[\0T\0I\0T\0O\0L\0O\0]\0=\0X\0\r\0\n\0");
    QTest::newRow("UTF-16 big-endian") << bytesOf("\0[\0T\0]\0=\0X\0\r\0\n");
    QTest::newRow("PNG picture") << bytesOf("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10");
    QTest::newRow("binary with a key-like line")
        << QByteArray("\x7f"
                      "ELF\x02\x01\x01\r\n[TITOLO]=\x03\x04\x05\r\n");
    QTest::newRow("text without keys") << QByteArray("TITOLO=Vinary\r\nnothing here\r\n");
}

void TestLanguageTable::changeLanguageRefusesWhatIsNoLanguageFile()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString programDir = dir.path() + u'/';
    const QByteArray oldIni = "[TITOLO]=Old\r\n[ERR_FILE_LINGUA]=%1 is no language file.\r\n";
    QVERIFY(writeBytes(programDir + u"language.ini"_s, oldIni));
    const QString chosen = dir.filePath(u"chosen.lng"_s);
    QVERIFY(writeBytes(chosen, bytes));

    LanguageTable table;
    table.load(programDir + u"language.ini"_s);
    const QStringList before = table.lines();
    try {
        table.changeLanguage(chosen, programDir);
        QFAIL("a file that is no language file must be refused");
    } catch (const vinary::VinaryError &e) {
        QCOMPARE(e.message(), QDir::toNativeSeparators(chosen) + u" is no language file."_s);
    }
    QCOMPARE(table.lines(), before);
    QCOMPARE(readBytes(programDir + u"language.ini"_s), oldIni);
}

void TestLanguageTable::missingKeysComeFromTheEnglishFile()
{
    QTemporaryDir dir;
    const QString english = dir.filePath(u"english.lng"_s);
    QVERIFY(writeBytes(english, "[TITOLO]=Vinary\r\n[MENU_USCITA]=E&xit\r\n[NUOVA]=New key\r\n"
                                "[VUOTA]=Empty here\r\n"));
    const QString italian = dir.filePath(u"italiano.lng"_s);
    QVERIFY(writeBytes(italian, "[MENU_USCITA]=&Esci\r\n[NUOVA]=Chiave nuova\r\n"));

    // An old file: what it has wins, what it lacks or leaves empty comes from English.
    LanguageTable table({u"[TITOLO]=Cantina"_s, u"[MENU_USCITA]=&Fine"_s, u"[VUOTA]="_s});
    table.loadFallback(english);
    QCOMPARE(table.traduci(u"[TITOLO] 04.02"_s), u"Cantina 04.02"_s);
    QCOMPARE(table.traduci(u"[MENU_USCITA]"_s), u"&Fine"_s);
    QCOMPARE(table.traduci(u"   [NUOVA]   "_s), u"   New key   "_s);
    QCOMPARE(table.traduci(u"[VUOTA]"_s), u"Empty here"_s);
    QCOMPARE(table.traduci(u"[IGNOTA]"_s), u"[IGNOTA]"_s);
    QCOMPARE(table.lookup(u"[NUOVA]"_s), QString());

    // The English lines stay behind a change of language and are never written out.
    table.changeLanguage(italian, dir.path() + u'/');
    QCOMPARE(table.traduci(u"[TITOLO]"_s), u"Vinary"_s);
    QCOMPARE(table.traduci(u"[NUOVA]"_s), u"Chiave nuova"_s);
    QCOMPARE(readBytes(dir.filePath(u"language.ini"_s)), readBytes(italian));

    // Without the English file the keys stay raw, as before.
    table.loadFallback(dir.filePath(u"missing.lng"_s));
    QCOMPARE(table.traduci(u"[TITOLO]"_s), u"[TITOLO]"_s);
}

QTEST_GUILESS_MAIN(TestLanguageTable)
#include "test_languagetable.moc"
