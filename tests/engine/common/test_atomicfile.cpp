// Files replaced in one step: on a full disk the old file stays whole and the error names the file.

#include "engine/common/atomicfile.h"
#include "engine/common/errors.h"
#include "tests/support/fulldisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;

class TestAtomicFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();
};

void TestAtomicFile::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("streamed");
    // A short text stays in the buffer until the final flush; a long one is written at once.
    QTest::newRow("short text") << 40 << false;
    QTest::newRow("long text") << 200000 << false;
    QTest::newRow("short text streamed into the device") << 40 << true;
}

void TestAtomicFile::fullDiskKeepsTheOldFile()
{
    QFETCH(int, size);
    QFETCH(bool, streamed);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"form.ini"_s);
    const QByteArray old = "[MAIN]\nShowCmd=3\n";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    }

    QString message;
    {
        testing::FullDisk full;
        QVERIFY(full.isValid());
        try {
            AtomicFile file(path);
            if (streamed)
                file.device().write(QByteArray(size, 'x'));
            else
                file.write(QByteArray(size, 'x'));
            file.commit();
        } catch (const VinaryError &e) {
            message = e.message();
        }
    }
    QVERIFY2(message.startsWith(u"Cannot write file "_s + path + u": "_s), qPrintable(message));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"form.ini"_s});
}

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "test_atomicfile.moc"
