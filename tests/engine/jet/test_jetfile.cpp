#include "engine/common/errors.h"
#include "engine/jet/jetfile.h"
#include "jetfixtures.h"

#include <QtTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using vinary::VinaryError;
using namespace vinary::jet;

Q_DECLARE_METATYPE(vinary::jet::JetVersion)
Q_DECLARE_METATYPE(vinary::jet::JetType)

namespace
{

QByteArray jetHeader(char version, const char *magic = "Standard Jet DB")
{
    QByteArray header("\x00\x01\x00\x00", 4);
    header.append(magic);
    header.append('\0');
    header.append(version);
    header.append(QByteArray(100, '\x5a'));
    return header;
}

QList<QVariantList> readRows(JetSource &source, const QString &table)
{
    QList<QVariantList> rows;
    source.rows(table, [&](const QVariantList &values) { rows.append(values); });
    return rows;
}

// Table1's rows in the order of their first column; storage order differs between the files.
QList<QVariantList> sortedRows(JetSource &source, const QString &table)
{
    QList<QVariantList> rows = readRows(source, table);
    std::sort(rows.begin(), rows.end(), [](const QVariantList &a, const QVariantList &b) {
        return a.value(0).toString() < b.value(0).toString();
    });
    return rows;
}

// Replaces the only occurrence of a byte sequence in a file by another of the same length.
bool patchFile(const QString &fileName, const QByteArray &from, const QByteArray &to)
{
    QByteArray data = jetfixtures::contents(fileName);
    const qsizetype at = data.indexOf(from);
    if (at < 0 || data.indexOf(from, at + 1) >= 0 || from.size() != to.size())
        return false;
    data.replace(at, from.size(), to);
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray utf16le(const QString &text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xff));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

} // namespace

class TestJetFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detectsTheGenerationFromTheHeader_data();
    void detectsTheGenerationFromTheHeader();
    void detectsFilesWhateverTheirName_data();
    void detectsFilesWhateverTheirName();
    void listsTheUserTables_data();
    void listsTheUserTables();
    void readsColumnTypes_data();
    void readsColumnTypes();
    void readsEveryValueWithItsType_data();
    void readsEveryValueWithItsType();
    void readsEmptyTables_data();
    void readsEmptyTables();
    void decodesJet3TextsFromWindows1252();
    void decodesJet4CompressedAndUnicodeTexts();
    void readsMemoAndOleValuesKeptInTheRow_data();
    void readsMemoAndOleValuesKeptInTheRow();
    void neverWritesTheFile();
    void refusesWhatIsNotAJetFile();
    void refusesAnUnknownTable();
};

void TestJetFile::detectsTheGenerationFromTheHeader_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<JetVersion>("expected");
    QTest::newRow("Jet 3") << jetHeader(0) << JetVersion::Jet3;
    QTest::newRow("Jet 4") << jetHeader(1) << JetVersion::Jet4;
    QTest::newRow("later ACE file") << jetHeader(2, "Standard ACE DB") << JetVersion::None;
    QTest::newRow("unknown generation") << jetHeader(7) << JetVersion::None;
    QTest::newRow("header cut before the generation") << jetHeader(1).left(20) << JetVersion::None;
    QTest::newRow("SQLite file") << QByteArray("SQLite format 3\0\x10\0\x01\x01\0\x40\x20\x20", 24)
                                 << JetVersion::None;
    QTest::newRow("empty") << QByteArray() << JetVersion::None;
    QByteArray damaged = jetHeader(1);
    damaged[13] = 'X';
    QTest::newRow("damaged magic") << damaged << JetVersion::None;
}

void TestJetFile::detectsTheGenerationFromTheHeader()
{
    QFETCH(QByteArray, header);
    QFETCH(JetVersion, expected);
    QCOMPARE(detectJetVersion(header), expected);
}

void TestJetFile::detectsFilesWhateverTheirName_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QString>("as");
    QTest::addColumn<JetVersion>("expected");
    QTest::newRow("Jet 3 as vinary.mdb") << u"jet3-sample.mdb"_s << u"vinary.mdb"_s << JetVersion::Jet3;
    QTest::newRow("Jet 4 as vinary.mdb") << u"jet4-sample.mdb"_s << u"vinary.mdb"_s << JetVersion::Jet4;
    QTest::newRow("Jet 3 with another extension")
        << u"jet3-sample.mdb"_s << u"cellar.dat"_s << JetVersion::Jet3;
    QTest::newRow("Jet 4 with no extension") << u"jet4-sample.mdb"_s << u"cellar"_s << JetVersion::Jet4;
}

void TestJetFile::detectsFilesWhateverTheirName()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(QString, sample);
    QFETCH(QString, as);
    QFETCH(JetVersion, expected);
    QTemporaryDir dir;
    const QString file = jetfixtures::copy(dir, sample, as);
    QVERIFY(!file.isEmpty());
    QCOMPARE(detectJetFile(file), expected);
    QCOMPARE(JetFile(file).version(), expected);
    QCOMPARE(detectJetFile(dir.filePath(u"missing.mdb"_s)), JetVersion::None);
}

void TestJetFile::listsTheUserTables_data()
{
    QTest::addColumn<QString>("sample");
    QTest::newRow("Jet 3") << u"jet3-sample.mdb"_s;
    QTest::newRow("Jet 4") << u"jet4-sample.mdb"_s;
}

void TestJetFile::listsTheUserTables()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(QString, sample);
    QTemporaryDir dir;
    JetFile file(jetfixtures::copy(dir, sample));
    // The system tables (MSysObjects...) are left out.
    QCOMPARE(file.tables(), QStringList({u"Table1"_s, u"Table2"_s, u"Table3"_s, u"Table4"_s}));
    QCOMPARE(file.codePage(), 1252);
    QCOMPARE(file.name(), dir.filePath(sample));
}

void TestJetFile::readsColumnTypes_data()
{
    listsTheUserTables_data();
}

void TestJetFile::readsColumnTypes()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(QString, sample);
    QTemporaryDir dir;
    JetFile file(jetfixtures::copy(dir, sample));

    // Text sizes are in characters in both generations (Jet 4 stores two bytes a character).
    const QList<JetColumn> table1{
        {u"A"_s, JetType::Text, 50, false},       {u"B"_s, JetType::Text, 100, false},
        {u"C"_s, JetType::Byte, 0, false},        {u"D"_s, JetType::Integer, 0, false},
        {u"E"_s, JetType::LongInteger, 0, false}, {u"F"_s, JetType::Double, 0, false},
        {u"G"_s, JetType::DateTime, 0, false},    {u"H"_s, JetType::Currency, 0, false},
        {u"I"_s, JetType::Boolean, 0, false},
    };
    QCOMPARE(file.columns(u"Table1"_s), table1);

    const QList<JetColumn> table2 = file.columns(u"Table2"_s);
    QCOMPARE(table2.size(), 89);
    for (qsizetype i = 0; i < table2.size(); ++i)
        QCOMPARE(table2.at(i), (JetColumn{u"column%1"_s.arg(i + 1), JetType::Text, 50, false}));

    QCOMPARE(file.columns(u"Table3"_s),
             (QList<JetColumn>{{u"a"_s, JetType::LongInteger, 0, true}, {u"b"_s, JetType::Text, 50, false}}));
    QCOMPARE(file.columns(u"Table4"_s), (QList<JetColumn>{{u"name"_s, JetType::Text, 50, false},
                                                          {u"data"_s, JetType::ReplicationId, 0, false}}));
    // Table names are matched as Jet matches them, without regard to letter case.
    QCOMPARE(file.columns(u"table3"_s).size(), 2);
}

void TestJetFile::readsEveryValueWithItsType_data()
{
    listsTheUserTables_data();
}

void TestJetFile::readsEveryValueWithItsType()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(QString, sample);
    QTemporaryDir dir;
    JetFile file(jetfixtures::copy(dir, sample));

    const QList<QVariantList> rows = sortedRows(file, u"Table1"_s);
    QCOMPARE(rows.size(), 2);

    const QVariantList second = rows.at(0);
    const QVariantList first = rows.at(1);
    QCOMPARE(first.size(), 9);
    QCOMPARE(first.at(0), QVariant(u"abcdefg"_s));
    QCOMPARE(first.at(1), QVariant(u"hijklmnop"_s));
    QCOMPARE(first.at(2), QVariant(2));
    QCOMPARE(first.at(3), QVariant(222));
    QCOMPARE(first.at(4), QVariant(333333333));
    QCOMPARE(first.at(5).typeId(), QMetaType::Double);
    QCOMPARE(first.at(5).toDouble(), 444.555);
    QCOMPARE(first.at(6), QVariant(QDateTime(QDate(1974, 9, 21), QTime(0, 0))));
    QCOMPARE(first.at(7), QVariant(3.5));
    QCOMPARE(first.at(8), QVariant(true));

    // Zeros are values, not empty ones.
    QCOMPARE(second.at(0), QVariant(u"a"_s));
    QCOMPARE(second.at(1), QVariant(u"b"_s));
    QCOMPARE(second.at(2), QVariant(0));
    QCOMPARE(second.at(3), QVariant(0));
    QCOMPARE(second.at(4), QVariant(0));
    QCOMPARE(second.at(5), QVariant(0.0));
    QCOMPARE(second.at(6), QVariant(QDateTime(QDate(1981, 12, 12), QTime(0, 0))));
    QCOMPARE(second.at(7), QVariant(0.0));
    QCOMPARE(second.at(8), QVariant(false));

    // A second pass reads the same rows again.
    QCOMPARE(sortedRows(file, u"Table1"_s), rows);
}

void TestJetFile::readsEmptyTables_data()
{
    listsTheUserTables_data();
}

void TestJetFile::readsEmptyTables()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(QString, sample);
    QTemporaryDir dir;
    JetFile file(jetfixtures::copy(dir, sample));
    for (const QString &table : {u"Table2"_s, u"Table3"_s, u"Table4"_s})
        QVERIFY2(readRows(file, table).isEmpty(), qPrintable(table));
}

void TestJetFile::decodesJet3TextsFromWindows1252()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QTemporaryDir dir;
    const QString fileName = jetfixtures::copy(dir, u"jet3-sample.mdb"_s);
    // The same nine characters in Windows-1252, where 0x80 is the euro sign (in Latin-1 it
    // would be a control character).
    QVERIFY(patchFile(fileName, "hijklmnop", "\xe0\xe8\xe9\xec\xf2\xf9\x80\xdf\xf1"));
    QVERIFY(patchFile(fileName, "abcdefg", "\xc0\xc8\xc9gno\x8c"));

    // libmdb's own charset settings from the environment must not change the decoding.
    qputenv("MDB_JET3_CHARSET", "ISO-8859-1");
    qputenv("MDBICONV", "ISO-8859-1");
    const auto restore = qScopeGuard([] {
        qunsetenv("MDB_JET3_CHARSET");
        qunsetenv("MDBICONV");
    });
    JetFile file(fileName);
    const QList<QVariantList> rows = sortedRows(file, u"Table1"_s);
    QCOMPARE(rows.at(1).at(0), QVariant(u"ÀÈÉgnoŒ"_s));
    QCOMPARE(rows.at(1).at(1), QVariant(u"àèéìòù€ßñ"_s));
    QCOMPARE(rows.at(1).at(2), QVariant(2));
}

void TestJetFile::decodesJet4CompressedAndUnicodeTexts()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QTemporaryDir dir;
    const QString fileName = jetfixtures::copy(dir, u"jet4-sample.mdb"_s);
    // A holds a compressed text (one byte a character after FF FE), B a two-byte one.
    QVERIFY(patchFile(fileName,
                      "\xff\xfe"
                      "abcdefg",
                      "\xff\xfe\xe0\xe8\xe9\xecg\xf9\xe7"));
    QVERIFY(patchFile(fileName, utf16le(u"hijklmnop"_s), utf16le(u"àèéìòù€ßñ"_s)));

    JetFile file(fileName);
    const QList<QVariantList> rows = sortedRows(file, u"Table1"_s);
    QCOMPARE(rows.at(1).at(0), QVariant(u"àèéìgùç"_s));
    QCOMPARE(rows.at(1).at(1), QVariant(u"àèéìòù€ßñ"_s));
}

void TestJetFile::readsMemoAndOleValuesKeptInTheRow_data()
{
    QTest::addColumn<char>("jetType");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<JetType>("type");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("memo") << char(0x0c) << utf16le(u"é€z"_s) << JetType::Memo << QVariant(u"é€z"_s);
    QTest::newRow("OLE object") << char(0x0b) << QByteArray("\x89PN\0G\n", 6) << JetType::OleObject
                                << QVariant(QByteArray("\x89PN\0G\n", 6));
}

void TestJetFile::readsMemoAndOleValuesKeptInTheRow()
{
    // The samples have no long values, so column B of the Jet 4 Table1 is turned into one: its
    // type in the table definition changes, and its 18 bytes in the first row become a 12-byte
    // reference flagged "data follow in the row" (0x80) and 6 bytes of data.
    SKIP_WITHOUT_JET_FIXTURES();
    QFETCH(char, jetType);
    QFETCH(QByteArray, stored);
    QFETCH(JetType, type);
    QFETCH(QVariant, expected);
    QTemporaryDir dir;
    const QString fileName = jetfixtures::copy(dir, u"jet4-sample.mdb"_s);
    QByteArray data = jetfixtures::contents(fileName);
    constexpr qsizetype pageSize = 4096;
    qsizetype definition = -1;
    for (qsizetype page = 0; page < data.size() / pageSize; ++page) {
        const char *p = data.constData() + page * pageSize;
        // A table definition page with 9 columns: Table1.
        if (p[0] == 0x02 && p[1] == 0x01 && qFromLittleEndian<quint16>(p + 45) == 9)
            definition = page * pageSize;
    }
    QVERIFY(definition > 0);
    const qsizetype realIndexes = qFromLittleEndian<qint32>(data.constData() + definition + 51);
    const qsizetype columnB = definition + 63 + realIndexes * 12 + 25;
    QCOMPARE(int(data.at(columnB)), 0x0a);
    data[columnB] = jetType;
    QByteArray reference("\x06\x00\x00\x80", 4);
    reference.append(QByteArray(8, '\0'));
    const QByteArray from = utf16le(u"hijklmnop"_s);
    const qsizetype at = data.indexOf(from);
    QVERIFY(at > 0);
    data.replace(at, from.size(), reference + stored);
    QFile out(fileName);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(data);
    out.close();

    JetFile file(fileName);
    QCOMPARE(file.columns(u"Table1"_s).at(1).type, type);
    const QList<QVariantList> rows = sortedRows(file, u"Table1"_s);
    QCOMPARE(rows.at(1).at(1), expected);
    QCOMPARE(rows.at(1).at(2), QVariant(2));
    // The second row's two bytes are too short for a reference: read as empty, not past the row.
    QCOMPARE(rows.at(0).at(1), QVariant());
}

void TestJetFile::neverWritesTheFile()
{
    SKIP_WITHOUT_JET_FIXTURES();
    for (const QString &sample : {u"jet3-sample.mdb"_s, u"jet4-sample.mdb"_s}) {
        QTemporaryDir dir;
        const QString fileName = jetfixtures::copy(dir, sample);
        {
            JetFile file(fileName);
            for (const QString &table : file.tables()) {
                file.columns(table);
                readRows(file, table);
            }
        }
        QVERIFY2(jetfixtures::contents(fileName) == jetfixtures::original(sample), qPrintable(sample));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{sample});
    }
}

void TestJetFile::refusesWhatIsNotAJetFile()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"vinary.mdb"_s);
    try {
        JetFile file(missing);
        QFAIL("a missing file was opened");
    } catch (const VinaryError &e) {
        QVERIFY2(e.message().contains(u"Cannot find"_s), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QDir::toNativeSeparators(missing)), qPrintable(e.message()));
    }

    const QString text = dir.filePath(u"notes.mdb"_s);
    QFile out(text);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(QByteArray(4096, 'x'));
    out.close();
    try {
        JetFile file(text);
        QFAIL("a text file was opened as a Jet database");
    } catch (const VinaryError &e) {
        QVERIFY2(e.message().contains(u"not a Jet 3 or Jet 4 database"_s), qPrintable(e.message()));
    }

    // A Jet header over pages that are not Jet pages fails cleanly too.
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(jetHeader(1).leftJustified(8192, '\0'));
    out.close();
    try {
        JetFile file(text);
        QFAIL("a damaged Jet file was opened");
    } catch (const VinaryError &e) {
        QVERIFY2(e.message().contains(u"Cannot read the tables"_s), qPrintable(e.message()));
    }
}

void TestJetFile::refusesAnUnknownTable()
{
    SKIP_WITHOUT_JET_FIXTURES();
    QTemporaryDir dir;
    JetFile file(jetfixtures::copy(dir, u"jet4-sample.mdb"_s));
    QVERIFY_THROWS_EXCEPTION(VinaryError, file.columns(u"Schede"_s));
    QVERIFY_THROWS_EXCEPTION(VinaryError, file.rows(u"MSysObjects"_s, [](const QVariantList &) {}));
}

QTEST_GUILESS_MAIN(TestJetFile)
#include "test_jetfile.moc"
