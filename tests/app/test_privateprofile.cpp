#include "app/privateprofile.h"
#include "engine/common/errors.h"
#include "tests/support/fulldisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vinary;

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPrivateProfile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingFileReadsAsEmpty();
    void integerRule_data();
    void integerRule();
    void readsSectionsAndKeysWithoutCase();
    void integerLists();
    void writesInPlaceAndKeepsOtherLines();
    void newKeysGoToTheEndOfTheirSection();
    void sectionNamesWithBackslashesSurvive();
    void eraseSectionRemovesEveryCopy();
    void unreadableFileRaises();
    void saveFailureRaisesAndLeavesNoFile();
    void fullDiskKeepsTheOldFile();
    void saveReplacesTheWholeFile();
};

void TestPrivateProfile::missingFileReadsAsEmpty()
{
    QTemporaryDir dir;
    PrivateProfile p(dir.filePath(QStringLiteral("form.ini")));
    p.load();
    QVERIFY(p.sections().isEmpty());
    QVERIFY(!p.hasSection(QStringLiteral("MAIN")));
    QCOMPARE(p.readInteger(QStringLiteral("MAIN"), QStringLiteral("ShowCmd"), 7), 7);
    QCOMPARE(p.readString(QStringLiteral("MAIN"), QStringLiteral("X"), QStringLiteral("d")), QStringLiteral("d"));
    QVERIFY(p.readIntegerList(QStringLiteral("MAIN"), QStringLiteral("NormPos")).isEmpty());
}

void TestPrivateProfile::integerRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QStringLiteral("42") << true << 42;
    QTest::newRow("spaces around") << QStringLiteral("  42 ") << true << 42;
    QTest::newRow("negative") << QStringLiteral("-32000") << true << -32000;
    QTest::newRow("plus sign") << QStringLiteral("+7") << true << 7;
    QTest::newRow("largest") << QStringLiteral("2147483647") << true << 2147483647;
    QTest::newRow("empty") << QString() << false << 0;
    QTest::newRow("blank") << QStringLiteral("   ") << false << 0;
    QTest::newRow("trailing letters") << QStringLiteral("12abc") << false << 0;
    QTest::newRow("decimal") << QStringLiteral("1.5") << false << 0;
    QTest::newRow("hex") << QStringLiteral("0x10") << false << 0;
    QTest::newRow("overflow") << QStringLiteral("99999999999") << false << 0;
    QTest::newRow("sign alone") << QStringLiteral("-") << false << 0;
    QTest::newRow("inner space") << QStringLiteral("1 2") << false << 0;
    QTest::newRow("arabic digits") << QStringLiteral("\u0661\u0662") << false << 0;
}

void TestPrivateProfile::integerRule()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    const std::optional<int> parsed = PrivateProfile::parseInteger(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, value);
}

void TestPrivateProfile::readsSectionsAndKeysWithoutCase()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    writeFile(path, "; placement\r\n[MAIN]\r\nShowCmd=3\r\nFlags = 2 \r\n\r\n[scheda]\r\nNormPos=1,2,3,4\r\nbroken line\r\n"
                    "ShowCmd=garbage\r\n[MAIN]\r\nShowCmd=1\r\n");
    PrivateProfile p(path);
    p.load();
    QCOMPARE(p.sections(), (QStringList{QStringLiteral("MAIN"), QStringLiteral("scheda"), QStringLiteral("MAIN")}));
    QCOMPARE(p.readInteger(QStringLiteral("main"), QStringLiteral("showcmd"), 0), 3);
    QCOMPARE(p.readInteger(QStringLiteral("MAIN"), QStringLiteral("Flags"), 0), 2);
    QVERIFY(p.contains(QStringLiteral("SCHEDA"), QStringLiteral("ShowCmd")));
    // A value that is not an integer counts as missing.
    QCOMPARE(p.readInteger(QStringLiteral("SCHEDA"), QStringLiteral("ShowCmd"), -1), -1);
    QCOMPARE(p.keys(QStringLiteral("Scheda")), (QStringList{QStringLiteral("NormPos"), QStringLiteral("ShowCmd")}));
    QCOMPARE(p.readString(QStringLiteral("SCHEDA"), QStringLiteral("NormPos")), QStringLiteral("1,2,3,4"));
}

void TestPrivateProfile::integerLists()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    writeFile(path, "[S]\nA=1,2,3,4\nB=10,x,,40\nC=\nD=7\n");
    PrivateProfile p(path);
    p.load();
    QCOMPARE(p.readIntegerList(QStringLiteral("S"), QStringLiteral("A")),
             (QList<std::optional<int>>{1, 2, 3, 4}));
    QCOMPARE(p.readIntegerList(QStringLiteral("S"), QStringLiteral("B")),
             (QList<std::optional<int>>{10, std::nullopt, std::nullopt, 40}));
    QVERIFY(p.readIntegerList(QStringLiteral("S"), QStringLiteral("C")).isEmpty());
    QCOMPARE(p.readIntegerList(QStringLiteral("S"), QStringLiteral("D")), (QList<std::optional<int>>{7}));
}

void TestPrivateProfile::writesInPlaceAndKeepsOtherLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    writeFile(path, "; kept\n[MAIN]\nShowCmd=3\nOther=x\n\n[INOUT]\nVisible=0\n");
    PrivateProfile p(path);
    p.load();
    p.writeInteger(QStringLiteral("main"), QStringLiteral("SHOWCMD"), 1);
    p.save();
    QCOMPARE(readFile(path), QByteArray("; kept\n[MAIN]\nSHOWCMD=1\nOther=x\n\n[INOUT]\nVisible=0\n"));
}

void TestPrivateProfile::newKeysGoToTheEndOfTheirSection()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    writeFile(path, "[MAIN]\nShowCmd=3\n\n[INOUT]\nVisible=0\n");
    PrivateProfile p(path);
    p.load();
    p.writeInteger(QStringLiteral("MAIN"), QStringLiteral("Flags"), 0);
    p.writeIntegerList(QStringLiteral("SCHEDA"), QStringLiteral("NormPos"), {1, -2, 3, 4});
    p.writeString(QStringLiteral("INOUT"), QStringLiteral("Text"), QStringLiteral("two\nlines"));
    p.save();
    QCOMPARE(readFile(path), QByteArray("[MAIN]\nShowCmd=3\nFlags=0\n\n[INOUT]\nVisible=0\nText=two lines\n"
                                        "[SCHEDA]\nNormPos=1,-2,3,4\n"));
}

void TestPrivateProfile::sectionNamesWithBackslashesSurvive()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    const QString section = QStringLiteral("SCHEDA\\TfrmVinaryschedeGrid");
    {
        PrivateProfile p(path);
        p.load();
        p.writeIntegerList(section, QStringLiteral("schedeGrid.Codice"), {0, 64});
        p.save();
    }
    QCOMPARE(readFile(path), QByteArray("[SCHEDA\\TfrmVinaryschedeGrid]\nschedeGrid.Codice=0,64\n"));
    PrivateProfile again(path);
    again.load();
    QCOMPARE(again.sections(), QStringList{section});
    QCOMPARE(again.readIntegerList(section, QStringLiteral("schedeGrid.codice")),
             (QList<std::optional<int>>{0, 64}));
}

void TestPrivateProfile::eraseSectionRemovesEveryCopy()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    writeFile(path, "[A]\nx=1\n[G]\nold=1\n[B]\ny=2\n[g]\nold=2\n");
    PrivateProfile p(path);
    p.load();
    p.eraseSection(QStringLiteral("G"));
    p.writeInteger(QStringLiteral("G"), QStringLiteral("new"), 3);
    p.save();
    QCOMPARE(readFile(path), QByteArray("[A]\nx=1\n[B]\ny=2\n[G]\nnew=3\n"));
}

void TestPrivateProfile::unreadableFileRaises()
{
    QTemporaryDir dir;
    // A folder where the file should be cannot be read, whoever runs the test.
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    QVERIFY(QDir().mkdir(path));
    PrivateProfile p(path);
    QVERIFY_THROWS_EXCEPTION(VinaryError, p.load());
    QVERIFY_THROWS_EXCEPTION(VinaryError, p.save());
}

void TestPrivateProfile::saveFailureRaisesAndLeavesNoFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/form.ini"));
    PrivateProfile p(path);
    p.writeInteger(QStringLiteral("MAIN"), QStringLiteral("ShowCmd"), 1);
    try {
        p.save();
        QFAIL("the save should fail");
    } catch (const VinaryError &e) {
        QCOMPARE(e.message(), QStringLiteral("Cannot create file %1").arg(path));
    }
    QVERIFY(!QFile::exists(path));
}

void TestPrivateProfile::fullDiskKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    PrivateProfile p(path);
    p.writeInteger(QStringLiteral("MAIN"), QStringLiteral("ShowCmd"), 1);
    p.save();
    p.writeInteger(QStringLiteral("MAIN"), QStringLiteral("ShowCmd"), 3);
    QString message;
    {
        testing::FullDisk full;
        QVERIFY(full.isValid());
        try {
            p.save();
        } catch (const VinaryError &e) {
            message = e.message();
        }
    }
    QVERIFY2(message.startsWith(QStringLiteral("Cannot write file %1: ").arg(path)), qPrintable(message));
    PrivateProfile reread(path);
    reread.load();
    QCOMPARE(reread.readInteger(QStringLiteral("MAIN"), QStringLiteral("ShowCmd"), 0), 1);
}

void TestPrivateProfile::saveReplacesTheWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    writeFile(path, QByteArray(10000, 'x') + "\n[MAIN]\nShowCmd=3\n");
    PrivateProfile p(path);
    p.load();
    p.eraseSection(QStringLiteral("MAIN"));
    p.save();
    QCOMPARE(readFile(path), QByteArray(10000, 'x') + "\n");
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("form.ini")});
}

QTEST_GUILESS_MAIN(TestPrivateProfile)
#include "test_privateprofile.moc"
