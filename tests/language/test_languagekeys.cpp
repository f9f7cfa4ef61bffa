// Every bracketed key that the program, the default database or a delivered report template passes
// through traduci must have a value in every delivered language file.

#include "language/languagefile.h"
#include "language/languagetable.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QList>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kSourceDir = QStringLiteral(VINARY_SOURCE_DIR);

// Bracketed capitals that are not translation keys: the report engine's own values and the card
// table's default sort line.
const QStringList kNotKeys = {u"[DATE]"_s, u"[TIME]"_s, u"[PAGE]"_s,    u"[TOTALPAGES]"_s,
                              u"[LINE]"_s, u"[ID]"_s,   u"[CURRENCY]"_s};

// The program's own keys, by window; they must be there before the windows that show them exist.
// clang-format off
const QStringList kProgramKeys = {
    // main window
    u"[TITOLO]"_s, u"[MENU_SCHEDE]"_s, u"[MENU_CAR_SCAR]"_s, u"[MENU_STAMPE]"_s, u"[MENU_MANUTENZIONE]"_s,
    u"[MENU_AIUTO]"_s, u"[AIUTO_MANUALE]"_s, u"[AIUTO_SITO]"_s, u"[MENU_MOD_PRINT]"_s, u"[AIUTO_LINGUA]"_s,
    u"[AIUTO_INFO]"_s, u"[MENU_USCITA]"_s, u"[CARICO_LINGUA]"_s, u"[MANUALE]"_s, u"[STAMPE]"_s,
    // splash window and about box
    u"[SPLASH]"_s, u"[CARICAMENTO]"_s, u"[VERSIONE]"_s, u"[INFORMAZIONI]"_s, u"[DESCRIZIONE_SOFTWARE]"_s,
    // wine-card fields
    u"[CODICE]"_s, u"[DESCRIZIONE]"_s, u"[VITIGNO]"_s, u"[ANNO]"_s, u"[GRADI]"_s, u"[PRODUTTORE]"_s,
    u"[FORNITORE]"_s, u"[ZONA]"_s, u"[REGIONE]"_s, u"[GRUPPO]"_s, u"[TIPOLOGIA]"_s, u"[CONTENITORE]"_s,
    u"[POSIZIONE]"_s, u"[QUANTITA]"_s, u"[GIACENZA]"_s, u"[PREZZO_ACQUISTO]"_s, u"[RICARICO]"_s,
    u"[PREZZO_VENDITA]"_s, u"[BICCHIERE]"_s, u"[CARTA_VINI]"_s, u"[DATA_UCARICO]"_s, u"[SCADENZA]"_s,
    u"[SOTTOSCORTA]"_s, u"[DEGUSTAZIONE]"_s, u"[PUNTI1]"_s, u"[PUNTI2]"_s, u"[PUNTI3]"_s, u"[ANNOTAZIONI]"_s,
    // catalogue window and card rules
    u"[CONFERMA]"_s, u"[ANNULLA]"_s, u"[HINT_CONFERMA]"_s, u"[HINT_ANNULLA]"_s, u"[HINT_ESCI]"_s,
    u"[HINT_NUOVO]"_s, u"[HINT_MODIFICA]"_s, u"[HINT_CANCELLA]"_s, u"[HINT_TABELLA]"_s, u"[HINT_PRIMO]"_s,
    u"[HINT_INDIETRO]"_s, u"[HINT_AVANTI]"_s, u"[HINT_ULTIMO]"_s, u"[HINT_DEGU]"_s, u"[SCHEDA]"_s,
    u"[RICERCA]"_s, u"[MSG_OBB_DESCR]"_s, u"[CANCELLAZIONE_RIF]"_s, u"[CONFERMA_CANCELLA]"_s,
    // movements and maintenance windows
    u"[MOVIMENTI]"_s, u"[CARICO]"_s, u"[SCARICO]"_s, u"[ERR_INSUFFICIENTI]"_s, u"[ERR_QUANT_NEGATIVA]"_s, u"[ERR_NUMERO]"_s,
    u"[MANUTENZIONE]"_s,
    u"[UTENTE]"_s, u"[CANCELLA_STORICO]"_s, u"[DO_CANCELLA]"_s, u"[CANC_OK]"_s,
    // selection dialog
    u"[SELEZIONE]"_s, u"[ORDINE]"_s, u"[SOLO_CARTA]"_s, u"[TUTTI]"_s, u"[DA_DATA]"_s, u"[A_DATA]"_s,
};
// clang-format on

const QStringList kLanguageFiles = {u"english.lng"_s, u"italiano.lng"_s, u"francais.lng"_s, u"deutsch.lng"_s,
                                    u"espanol.lng"_s};

const QRegularExpression kKey(u"\\[[A-Z0-9_]+\\]"_s);

// Key -> where it was first seen.
using KeyPlaces = QMap<QString, QString>;

QByteArray fileBytes(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(fileName));
    return f.readAll();
}

QString relative(const QString &fileName)
{
    return QDir(kSourceDir).relativeFilePath(fileName);
}

void addKeys(KeyPlaces &keys, const QString &text, const QString &place)
{
    for (auto it = kKey.globalMatch(text); it.hasNext();) {
        const QString key = it.next().captured();
        if (!kNotKeys.contains(key) && !keys.contains(key))
            keys.insert(key, place);
    }
}

struct Literal
{
    int line;
    QString text;
};

// The string literals of a C++ source with the line each starts on; comments and character
// literals are skipped, raw strings are read to their delimiter.
QList<Literal> stringLiterals(const QString &source)
{
    QList<Literal> literals;
    const qsizetype size = source.size();
    const auto at = [&](qsizetype i) { return i < size ? source.at(i) : QChar(); };
    int line = 1;
    qsizetype i = 0;
    while (i < size) {
        const QChar c = source.at(i);
        if (c == u'\n') {
            ++line;
            ++i;
        } else if (c == u'/' && at(i + 1) == u'/') {
            while (i < size && source.at(i) != u'\n')
                ++i;
        } else if (c == u'/' && at(i + 1) == u'*') {
            i += 2;
            while (i < size && !(source.at(i) == u'*' && at(i + 1) == u'/')) {
                if (source.at(i) == u'\n')
                    ++line;
                ++i;
            }
            i += 2;
        } else if (c == u'R' && at(i + 1) == u'"' &&
                   (i == 0 || !source.at(i - 1).isLetterOrNumber() ||
                    QStringView(u"uUL8").contains(source.at(i - 1)))) {
            const qsizetype open = source.indexOf(u'(', i + 2);
            if (open < 0)
                break;
            const QString end = u')' + source.mid(i + 2, open - i - 2) + u'"';
            const qsizetype close = source.indexOf(end, open);
            const qsizetype stop = close < 0 ? size : close;
            literals.append({line, source.mid(open + 1, stop - open - 1)});
            line += int(QStringView(source).sliced(i, stop - i).count(u'\n'));
            i = stop + end.size();
        } else if (c == u'"') {
            qsizetype j = i + 1;
            while (j < size && source.at(j) != u'"' && source.at(j) != u'\n')
                j += source.at(j) == u'\\' ? 2 : 1;
            literals.append({line, source.mid(i + 1, j - i - 1)});
            i = j + 1;
        } else if (c == u'\'' && !(i > 0 && source.at(i - 1).isDigit())) {
            qsizetype j = i + 1;
            while (j < size && source.at(j) != u'\'' && source.at(j) != u'\n')
                j += source.at(j) == u'\\' ? 2 : 1;
            i = j + 1;
        } else {
            ++i;
        }
    }
    return literals;
}

KeyPlaces sourceKeys()
{
    KeyPlaces keys;
    const QStringList folders = {u"app"_s,  u"catalogue"_s, u"stock"_s,    u"reports"_s,
                                 u"data"_s, u"widgets"_s,   u"language"_s, u"engine"_s};
    for (const QString &folder : folders) {
        QDirIterator it(kSourceDir + u'/' + folder, {u"*.cpp"_s, u"*.h"_s}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString fileName = it.next();
            for (const Literal &literal : stringLiterals(QString::fromUtf8(fileBytes(fileName))))
                addKeys(keys, literal.text, u"%1:%2"_s.arg(relative(fileName)).arg(literal.line));
        }
    }
    return keys;
}

KeyPlaces resourceKeys(const QString &folder, const QString &pattern)
{
    KeyPlaces keys;
    QDirIterator it(kSourceDir + u"/resources/"_s + folder, {pattern}, QDir::Files);
    while (it.hasNext()) {
        const QString fileName = it.next();
        addKeys(keys, QString::fromUtf8(fileBytes(fileName)), relative(fileName));
    }
    return keys;
}

vinary::LanguageTable languageTable(const QString &name)
{
    return vinary::LanguageTable(vinary::readLanguageFile(kSourceDir + u"/resources/language/"_s + name));
}

} // namespace

class TestLanguageKeys : public QObject
{
    Q_OBJECT

private slots:
    void everyUsedKeyIsTranslated_data();
    void everyUsedKeyIsTranslated();
    void filesAreWellFormed_data();
    void filesAreWellFormed();
    void everyFileHasTheEnglishKeys_data();
    void everyFileHasTheEnglishKeys();
    void manualIsNamedPerLanguage_data();
    void manualIsNamedPerLanguage();
    void italianWritesAccentedLetters();
    void scanFindsKeysInStringLiteralsOnly();
};

void TestLanguageKeys::everyUsedKeyIsTranslated_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("origin");

    for (const QString &language : kLanguageFiles) {
        for (const char *origin :
             {"program catalogue", "source code", "default database", "report templates"})
            QTest::newRow(qPrintable(u"%1, %2"_s.arg(language, QLatin1StringView(origin))))
                << language << QString::fromLatin1(origin);
    }
}

void TestLanguageKeys::everyUsedKeyIsTranslated()
{
    QFETCH(QString, language);
    QFETCH(QString, origin);

    KeyPlaces keys;
    if (origin == u"program catalogue"_s) {
        for (const QString &key : kProgramKeys)
            keys.insert(key, u"key catalogue"_s);
    } else if (origin == u"source code"_s) {
        keys = sourceKeys();
        QVERIFY2(keys.contains(u"[CARICO_LINGUA]"_s), "the scan of the sources found nothing");
    } else if (origin == u"default database"_s) {
        keys = resourceKeys(u"db"_s, u"*.sql"_s);
        QVERIFY2(keys.contains(u"[STAMPA_CATALOGO]"_s) && keys.contains(u"[ORD_CODICE]"_s),
                 "the scan of the default database found nothing");
    } else {
        keys = resourceKeys(u"reports"_s, u"*.frf"_s);
    }

    const vinary::LanguageTable table = languageTable(language);
    QStringList missing;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        if (table.traduci(it.key()) == it.key())
            missing.append(u"%1 (%2)"_s.arg(it.key(), it.value()));
    }
    QVERIFY2(missing.isEmpty(), qPrintable(u"%1 lacks: %2"_s.arg(language, missing.join(u", "_s))));
}

void TestLanguageKeys::filesAreWellFormed_data()
{
    QTest::addColumn<QString>("language");
    for (const QString &language : kLanguageFiles)
        QTest::newRow(qPrintable(language)) << language;
}

void TestLanguageKeys::filesAreWellFormed()
{
    QFETCH(QString, language);
    const QByteArray bytes = fileBytes(kSourceDir + u"/resources/language/"_s + language);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(bytes);
    QVERIFY2(!utf8.hasError(), "not valid UTF-8");
    QVERIFY2(!text.startsWith(QChar(0xFEFF)), "starts with a byte-order mark");
    QVERIFY2(!bytes.contains('\0'), "holds a zero byte");
    QVERIFY2(bytes.endsWith("\r\n"), "last line has no CR LF");
    QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
    QCOMPARE(bytes.count("\r\n"), bytes.count('\r'));

    static const QRegularExpression entry(u"^\\[[A-Z0-9_]+\\]=\\S.*$"_s);
    QStringList names;
    const QStringList lines = vinary::splitLanguageLines(text);
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString &line = lines.at(n);
        if (line.isEmpty())
            continue;
        QVERIFY2(entry.match(line).hasMatch(), qPrintable(u"line %1: %2"_s.arg(n + 1).arg(line)));
        QVERIFY2(!line.endsWith(u' '), qPrintable(u"line %1 ends in a space"_s.arg(n + 1)));
        const QString name = line.section(u'=', 0, 0).toUpper();
        QVERIFY2(!names.contains(name), qPrintable(u"line %1 repeats %2"_s.arg(n + 1).arg(name)));
        names.append(name);
    }
}

void TestLanguageKeys::everyFileHasTheEnglishKeys_data()
{
    filesAreWellFormed_data();
}

void TestLanguageKeys::everyFileHasTheEnglishKeys()
{
    QFETCH(QString, language);
    const auto names = [](const vinary::LanguageTable &table) {
        QStringList result;
        for (const QString &line : table.lines()) {
            if (line.contains(u'='))
                result.append(line.section(u'=', 0, 0));
        }
        result.sort();
        return result;
    };
    QCOMPARE(names(languageTable(language)), names(languageTable(u"english.lng"_s)));
}

void TestLanguageKeys::manualIsNamedPerLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("manual");
    QTest::newRow("english") << u"english.lng"_s << u"manual-en.html"_s;
    QTest::newRow("italiano") << u"italiano.lng"_s << u"manuale-it.html"_s;
    QTest::newRow("francais") << u"francais.lng"_s << u"manuel-fr.html"_s;
    QTest::newRow("deutsch") << u"deutsch.lng"_s << u"handbuch-de.html"_s;
    QTest::newRow("espanol") << u"espanol.lng"_s << u"manual-es.html"_s;
}

void TestLanguageKeys::manualIsNamedPerLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, manual);
    QCOMPARE(languageTable(language).traduci(u"[MANUALE]"_s), manual);
}

void TestLanguageKeys::italianWritesAccentedLetters()
{
    const vinary::LanguageTable table = languageTable(u"italiano.lng"_s);
    QCOMPARE(table.traduci(u"[QUANTITA]"_s), u"Quantità"_s);
    // An apostrophe standing for an accent ("puo'", "e'") is a typing habit, not Italian.
    static const QRegularExpression apostropheAccent(u"[aeiouAEIOU]'(\\s|[.,;:!?]|$)"_s);
    for (const QString &line : table.lines())
        QVERIFY2(!apostropheAccent.match(line).hasMatch(), qPrintable(line));
}

void TestLanguageKeys::scanFindsKeysInStringLiteralsOnly()
{
    const QString source = uR"cpp(// "[IN_LINE_COMMENT]"
/* "[IN_BLOCK_COMMENT]"
 */ auto a = u"   [FIRST]   "_s; char q = '"'; auto b = QStringLiteral("x \" [ESCAPED] \"");
int n = 1'000'000; auto c = R"x(raw "[RAW]" text)x"; auto d = "[SECOND]"; // "[TRAILING]"
auto e = u8R"(two
lines [RAW_TWO])"; auto f = "[THIRD]";
)cpp"_s;
    QStringList found;
    QList<int> lines;
    for (const Literal &literal : stringLiterals(source)) {
        for (auto it = kKey.globalMatch(literal.text); it.hasNext();) {
            found.append(it.next().captured());
            lines.append(literal.line);
        }
    }
    QCOMPARE(found, (QStringList{u"[FIRST]"_s, u"[ESCAPED]"_s, u"[RAW]"_s, u"[SECOND]"_s, u"[RAW_TWO]"_s,
                                 u"[THIRD]"_s}));
    QCOMPARE(lines, (QList<int>{3, 3, 4, 4, 5, 6}));

    // And on the real sources: the language change's own notice key, at its place.
    QVERIFY(sourceKeys().value(u"[CARICO_LINGUA]"_s).startsWith(u"app/languagechange.cpp:"_s));
}

QTEST_GUILESS_MAIN(TestLanguageKeys)
#include "test_languagekeys.moc"
