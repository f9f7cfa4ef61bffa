#include "engine/common/errors.h"
#include "language/languagefile.h"
#include "language/languagetable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLanguageFile : public QObject
{
    Q_OBJECT

private slots:
    void decodeLanguageText_data();
    void decodeLanguageText();
    void windows1252Table();
    void splitLanguageLines_data();
    void splitLanguageLines();
    void readsEightBitFileWithMixedLineEnds();
    void readFailureNamesTheFile();
    void overlongLineRefusesTheFile();
    void writeReplacesALongerFile();
    void writeFailureNamesTheFileAndLeavesNoTemporary();
};

void TestLanguageFile::decodeLanguageText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain ASCII") << QByteArray("[TITOLO]=Vinary") << u"[TITOLO]=Vinary"_s;
    QTest::newRow("UTF-8 accents") << QByteArray("[SI]=S\xC3\xAC, perch\xC3\xA9") << u"[SI]=Sì, perché"_s;
    QTest::newRow("UTF-8 byte-order mark dropped") << QByteArray("\xEF\xBB\xBF[A]=b") << u"[A]=b"_s;
    QTest::newRow("UTF-8 beyond Latin-1") << QByteArray("[E]=\xE2\x82\xAC \xC5\x93il") << u"[E]=€ œil"_s;
    QTest::newRow("Windows-1252 accents") << QByteArray("[SI]=S\xEC, perch\xE9") << u"[SI]=Sì, perché"_s;
    QTest::newRow("Windows-1252 euro, quotes and dash")
        << QByteArray("\x80 \x93x\x94 \x96 \x9C") << u"€ “x” – œ"_s;
    QTest::newRow("Windows-1252 undefined bytes")
        << QByteArray("\x81\x8D\x8F\x90\x9D") << u"\u0081\u008D\u008F\u0090\u009D"_s;
    QTest::newRow("one invalid byte makes the whole text 8-bit") << QByteArray("\xC3\xA8 \xE8") << u"Ã¨ è"_s;
    QTest::newRow("overlong UTF-8 is not UTF-8") << QByteArray("\xC0\xAF") << u"À¯"_s;
    QTest::newRow("truncated UTF-8 sequence") << QByteArray("abc\xC3") << u"abcÃ"_s;
    QTest::newRow("zero byte ends the text") << QByteArray("abc\0def", 7) << u"abc"_s;
    QTest::newRow("bytes after the zero byte do not decide the encoding")
        << QByteArray("S\xC3\xAC\0\xFF\xFE", 6) << u"Sì"_s;
    QTest::newRow("zero byte first") << QByteArray("\0abc", 4) << QString();
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestLanguageFile::decodeLanguageText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(vinary::decodeLanguageText(bytes), expected);
}

void TestLanguageFile::windows1252Table()
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = vinary::decodeWindows1252(all);
    QCOMPARE(text.size(), 255);
    for (int b = 1; b < 256; ++b) {
        const char16_t u = text.at(b - 1).unicode();
        if (b < 0x80 || b >= 0xA0)
            QVERIFY2(u == b, qPrintable(u"byte %1 gave U+%2"_s.arg(b, 2, 16).arg(u, 4, 16)));
        else
            QVERIFY2(u >= 0x80, qPrintable(u"byte %1 gave U+%2"_s.arg(b, 2, 16).arg(u, 4, 16)));
    }
    QCOMPARE(vinary::decodeWindows1252("\x8A\x8E\x9A\x9E\x9F\x83\x99"), u"ŠŽšžŸƒ™"_s);
}

void TestLanguageFile::splitLanguageLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("CR LF") << u"a\r\nb\r\n"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("lone LF") << u"a\nb\n"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("lone CR") << u"a\rb\r"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("mixed line ends") << u"a\r\nb\nc\rd"_s << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
    QTest::newRow("last line without line end") << u"a\r\nb"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("empty lines kept")
        << u"a\r\n\r\n\nb"_s << QStringList{u"a"_s, QString(), QString(), u"b"_s};
    QTest::newRow("LF CR is two line ends") << u"a\n\rb"_s << QStringList{u"a"_s, QString(), u"b"_s};
    QTest::newRow("only a line end") << u"\r\n"_s << QStringList{QString()};
    QTest::newRow("empty text has no lines") << QString() << QStringList();
    QTest::newRow("spaces are kept") << u" [A] = b \r\n"_s << QStringList{u" [A] = b "_s};
}

void TestLanguageFile::splitLanguageLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(vinary::splitLanguageLines(text), lines);
}

void TestLanguageFile::readsEightBitFileWithMixedLineEnds()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"italiano.lng"_s);
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    static const char raw[] = "[QUANTITA]=Quantit\xE0\r[SI]=&S\xEC\n[NO]=&No\r\n\0[HIDDEN]=x\r\n";
    file.write(raw, sizeof raw - 1);
    file.close();
    QCOMPARE(vinary::readLanguageFile(fileName),
             (QStringList{u"[QUANTITA]=Quantità"_s, u"[SI]=&Sì"_s, u"[NO]=&No"_s}));
}

void TestLanguageFile::readFailureNamesTheFile()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"absent.lng"_s);
    QVERIFY_THROWS_EXCEPTION(vinary::VinaryError, vinary::readLanguageFile(fileName));
    try {
        vinary::readLanguageFile(fileName);
    } catch (const vinary::VinaryError &e) {
        QCOMPARE(e.message(), u"Cannot open file "_s + fileName);
    }
}

void TestLanguageFile::overlongLineRefusesTheFile()
{
    // A 16 MB value once became a window title and broke the display connection.
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"huge.lng"_s);
    const QByteArray longest = "[TITOLO]=" + QByteArray(vinary::kMaxLanguageLineBytes - 9, 'x');
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[A]=a\r\n" + longest + "\r\n");
    file.close();
    QCOMPARE(vinary::readLanguageFile(fileName).size(), 2);

    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[A]=a\r\n" + longest + "y\r\n[B]=b\r\n");
    file.close();
    vinary::LanguageTable table({u"[A]=before"_s});
    try {
        table.load(fileName);
        QFAIL("a file with a line over 64 KB was loaded");
    } catch (const vinary::VinaryError &e) {
        QCOMPARE(e.message(), vinary::damagedLanguageFileMessage(fileName));
    }
    QCOMPARE(table.lines(), QStringList{u"[A]=before"_s});
}

void TestLanguageFile::writeReplacesALongerFile()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"language.ini"_s);
    vinary::writeLanguageFile(fileName, {u"[A]=a much longer first version"_s, u"[B]=b"_s, u"[C]=c"_s});
    vinary::writeLanguageFile(fileName, {u"[A]=è"_s});
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[A]=\xC3\xA8\r\n"));
}

void TestLanguageFile::writeFailureNamesTheFileAndLeavesNoTemporary()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"language.ini"_s));
    const QString fileName = dir.filePath(u"language.ini"_s);
    try {
        vinary::writeLanguageFile(fileName, {u"[A]=a"_s});
        QFAIL("writing over a directory must fail");
    } catch (const vinary::VinaryError &e) {
        QCOMPARE(e.message(), u"Cannot create file "_s + fileName);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "test_languagefile.moc"
