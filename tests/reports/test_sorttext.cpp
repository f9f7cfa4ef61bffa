#include "reports/sorttext.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace vinary;

class TestSortText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splits_data();
    void splits();
    void manyQuotedCommasStayBounded();
};

void TestSortText::splits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("empty text") << QString() << QStringList();
    QTest::newRow("only blanks and controls") << u"  \t\r\n "_s << QStringList();
    QTest::newRow("one bracketed field") << u"[Codice]"_s << QStringList{u"[Codice]"_s};
    QTest::newRow("unquoted with comma and blank")
        << u"[Produttore], [Descrizione]"_s << QStringList{u"[Produttore]"_s, u"[Descrizione]"_s};
    QTest::newRow("two quoted entries with directions")
        << u"\"[Anno] DESC\",\"[Descrizione] DESC\""_s
        << QStringList{u"[Anno] DESC"_s, u"[Descrizione] DESC"_s};
    QTest::newRow("the same unquoted gives four lines")
        << u"[Anno] DESC,[Descrizione] DESC"_s
        << QStringList{u"[Anno]"_s, u"DESC"_s, u"[Descrizione]"_s, u"DESC"_s};
    QTest::newRow("quoted then unquoted")
        << u"\"[Anno] DESC\", [Descrizione]"_s << QStringList{u"[Anno] DESC"_s, u"[Descrizione]"_s};
    QTest::newRow("blanks alone separate") << u"a b\tc"_s << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("leading blanks and controls skipped") << u" \x01\x1f[Zona]"_s << QStringList{u"[Zona]"_s};
    QTest::newRow("two commas give an empty entry") << u"a,,b"_s << QStringList{u"a"_s, QString(), u"b"_s};
    QTest::newRow("comma with blanks around") << u"a ,  b"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("doubled quote inside quotes")
        << u"\"say \"\"hi\"\", now\""_s << QStringList{u"say \"hi\", now"_s};
    QTest::newRow("empty quoted entry") << u"\"\",x"_s << QStringList{QString(), u"x"_s};
    QTest::newRow("quoted comma") << u"\",\""_s << QStringList{u","_s};
    QTest::newRow("unterminated quote runs to the end")
        << u"\"[Anno] DESC"_s << QStringList{u"[Anno] DESC"_s};
    QTest::newRow("quote inside an unquoted entry is a character")
        << u"ab\"c d\""_s << QStringList{u"ab\"c"_s, u"d\""_s};
    QTest::newRow("quoted entry glued to the next") << u"\"a\"b"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("NUL ends the text") << u"a,b"_s + QChar(u'\0') + u",c"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("characters above 127 belong to the entry")
        << u"[Qualità] città"_s << QStringList{u"[Qualità]"_s, u"città"_s};
}

void TestSortText::splits()
{
    QFETCH(QString, text);
    QFETCH(QStringList, entries);
    QCOMPARE(splitSortText(text), entries);
}

void TestSortText::manyQuotedCommasStayBounded()
{
    // 60 characters of quotes, commas and blanks: a bounded list of short entries, no hang.
    const QString text =
        u"\",\" , \"\",\" \", , \",,\" \"\"\"\" , ,\" , \",  \", \"\",\",\""_s.leftJustified(60, u',');
    QCOMPARE(text.size(), 60);
    const QStringList entries = splitSortText(text);
    QVERIFY(entries.size() <= 60);
    for (const QString &entry : entries)
        QVERIFY2(entry.size() <= 60, qPrintable(entry));
}

QTEST_GUILESS_MAIN(TestSortText)
#include "test_sorttext.moc"
