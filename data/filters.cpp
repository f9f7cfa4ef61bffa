#include "data/filters.h"

#include "data/cellar.h"
#include "data/searchindex.h"
#include "engine/common/datetimes.h"

#include <QLocale>
#include <cstring>

namespace vinary
{

namespace
{

QString read(const std::function<QString()> &reader)
{
    return reader ? reader() : QString();
}

void upperInPlace(QString &text)
{
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            c = QChar(char16_t(u - 32));
    }
}

// The positions of the search columns in a table, found once and checked at each use: another
// table may later live at the same address with its columns in another order.
struct SearchColumns {
    const db::Table *table = nullptr;
    int fieldCount = -1;
    std::vector<int> indexes;
    std::vector<QString> names;

    bool matches(const db::Table &schede) const
    {
        if (table != &schede || fieldCount != schede.fieldCount())
            return false;
        for (size_t k = 0; k < indexes.size(); ++k) {
            if (schede.field(indexes[k]).name() != names[k])
                return false;
        }
        return true;
    }

    void find(const db::Table &schede)
    {
        indexes.clear();
        names.clear();
        for (const QString &name : cardSearchColumns()) {
            if (const db::Field *f = schede.findField(name)) {
                indexes.push_back(f->index());
                names.push_back(f->name());
            }
        }
        table = &schede;
        fieldCount = schede.fieldCount();
    }
};

// Builds the search text into a buffer that keeps its capacity from one record to the next,
// optionally upper-cased as it goes: a search tests every card, so no copy is made per card.
const QString &searchTextOf(const db::Table &schede, bool upper)
{
    static thread_local QString buffer;
    static thread_local SearchColumns columns;
    if (!columns.matches(schede))
        columns.find(schede);
    buffer.resize(0);
    for (int i : columns.indexes) {
        const QVariant v = schede.fieldValue(i);
        if (v.isValid() && !v.isNull())
            buffer += v.toString();
    }
    if (upper)
        upperInPlace(buffer);
    return buffer;
}

// Upper-casing only a to z leaves UTF-8 valid, and a UTF-8 text holds another as a substring
// exactly when their characters do, so the search runs on the database's own bytes.
bool matchesSearch(const db::Table &schede, const QString &needle)
{
    static thread_local QString lastNeedle;
    static thread_local QByteArray upperNeedle;
    static thread_local QByteArray buffer;
    static thread_local SearchColumns columns;
    if (needle != lastNeedle) {
        lastNeedle = needle;
        upperNeedle = upperAsciiLetters(needle).toUtf8();
    }
    if (!columns.matches(schede))
        columns.find(schede);
    buffer.resize(0);
    for (int i : columns.indexes)
        schede.appendUtf8(i, buffer);
    char *p = buffer.data();
    for (qsizetype k = 0, n = buffer.size(); k < n; ++k) {
        if (p[k] >= 'a' && p[k] <= 'z')
            p[k] = char(p[k] - 32);
    }
    if (upperNeedle.isEmpty())
        return true;
    return memmem(buffer.constData(), size_t(buffer.size()), upperNeedle.constData(),
                  size_t(upperNeedle.size())) != nullptr;
}

bool columnEquals(const db::Table &schede, const QString &column, const QString &expected)
{
    const db::Field *f = schede.findField(column);
    return f && f->asString() == expected;
}

} // namespace

QString upperAsciiLetters(const QString &text)
{
    QString out = text;
    upperInPlace(out);
    return out;
}

const QStringList &cardSearchColumns()
{
    static const QStringList columns = {
        QStringLiteral("Codice"),       QStringLiteral("Descrizione"),  QStringLiteral("Composizione"),
        QStringLiteral("Anno"),         QStringLiteral("Gradi"),        QStringLiteral("Produttore"),
        QStringLiteral("Fornitore"),    QStringLiteral("Zona"),         QStringLiteral("Regione"),
        QStringLiteral("Gruppo"),       QStringLiteral("Tipologia"),    QStringLiteral("Capacita"),
        QStringLiteral("Collocazione"), QStringLiteral("Degustazione"), QStringLiteral("Note")};
    return columns;
}

QString cardSearchText(const db::Table &schede)
{
    return searchTextOf(schede, false);
}

void SchedeFilterRecord(const Cellar &cellar, db::Table &schede, bool &accept)
{
    accept = true;
    const FilterCriteria &c = cellar.criteria;
    switch (cellar.filterMode.unicode()) {
    case u'S': {
        const QString text = read(c.ricerca);
        if (!text.isEmpty())
            accept = matchesSearch(schede, text);
        return;
    }
    case u'M': {
        const QString text = read(c.ckdescrizione);
        if (!text.isEmpty())
            accept = matchesSearch(schede, text);
        return;
    }
    case u'P': {
        // Exact comparisons, character for character; an empty box sets no restriction.
        const std::pair<const std::function<QString()> *, const char *> boxes[] = {
            {&c.selGruppo, "Gruppo"},
            {&c.selfornitore, "Fornitore"},
            {&c.selproduttore, "Produttore"},
            {&c.seltipologia, "Tipologia"},
        };
        for (const auto &[reader, column] : boxes) {
            const QString text = read(*reader);
            if (!text.isEmpty())
                accept = accept && columnEquals(schede, QString::fromLatin1(column), text);
        }
        if (c.incarta && c.incarta()) {
            const db::Field *f = schede.findField(QStringLiteral("Incarta"));
            accept = accept && f && f->asBoolean();
        }
        return;
    }
    default:
        return;
    }
}

std::optional<db::Table::Candidates> SchedeFilterCandidates(Cellar &cellar, db::Table &)
{
    QString text;
    switch (cellar.filterMode.unicode()) {
    case u'S':
        text = read(cellar.criteria.ricerca);
        break;
    case u'M':
        text = read(cellar.criteria.ckdescrizione);
        break;
    default:
        return std::nullopt;
    }
    std::optional<db::Table::Candidates> candidates = searchindex::candidates(upperAsciiLetters(text));
    if (!candidates || !cellar.rules.searchIndexReady())
        return std::nullopt;
    return candidates;
}

QDateTime readDateBox(const QString &raw)
{
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return QDateTime();
    QDateTime dt = fromIsoText(text);
    if (dt.isValid())
        return dt;
    const QLocale locale;
    QDate d = locale.toDate(text, QLocale::ShortFormat);
    if (!d.isValid())
        d = locale.toDate(text, QLocale::LongFormat);
    return d.isValid() ? QDateTime(d, QTime(0, 0)) : QDateTime();
}

void giornaleFilterRecord(const Cellar &cellar, db::Table &giornale, bool &accept)
{
    accept = true;
    // The filter runs for every journal line: a box's text is read as a date once while it stays.
    struct Kept {
        QString raw;
        QLocale locale; // a date typed in the box is read in the locale's way
        QDateTime date;
        bool read = false;
        const QDateTime &of(const QString &text)
        {
            const QLocale now;
            if (!read || text != raw || now != locale) {
                date = readDateBox(text);
                raw = text;
                locale = now;
                read = true;
            }
            return date;
        }
    };
    static Kept keptFrom, keptTo;
    const QDateTime from = keptFrom.of(read(cellar.criteria.dadata));
    const QDateTime to = keptTo.of(read(cellar.criteria.adata));
    if (!from.isValid() && !to.isValid())
        return;
    const db::Field *f = giornale.findField(QStringLiteral("Data"));
    const QDateTime data = f ? f->asDateTime() : QDateTime();
    // An empty date reads as day 0, which is before any bound.
    const double day = toDayCount(data);
    if (from.isValid())
        accept = day >= toDayCount(from);
    if (to.isValid())
        accept = accept && day <= toDayCount(to);
}

} // namespace vinary
