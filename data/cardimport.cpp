#include "data/cardimport.h"

#include "data/cellar.h"
#include "engine/common/datetimes.h"
#include "engine/common/numbertext.h"
#include "language/languagefile.h"
#include "language/languagetable.h"

#include <QDir>
#include <QFile>

#include <cmath>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

using Kind = CardImport::Target::Kind;

// Header texts compare in lower case, without accents, spaces, punctuation or "&".
QString normalised(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD).toLower();
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.isLetterOrNumber())
            out += c;
    }
    return out;
}

QString cutAt(const QString &text, int size)
{
    qsizetype cut = size;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut);
}

std::optional<bool> readFlag(const QString &text)
{
    static const QStringList yes = {u"1"_s,    u"true"_s, u"yes"_s,  u"y"_s,        u"x"_s,
                                    u"si"_s,   u"sì"_s,   u"sí"_s,   u"vero"_s,     u"ja"_s,
                                    u"wahr"_s, u"oui"_s,  u"vrai"_s, u"verdadero"_s};
    static const QStringList no = {u"0"_s,    u"false"_s,  u"no"_s,  u"n"_s,   u"falso"_s,
                                   u"nein"_s, u"falsch"_s, u"non"_s, u"faux"_s};
    const QString t = text.trimmed().toLower();
    if (yes.contains(t))
        return true;
    if (no.contains(t))
        return false;
    return std::nullopt;
}

} // namespace

const QList<CardImport::Target> &CardImport::targets()
{
    static const QList<Target> list = {
        {u"Codice"_s, u"[CODICE]"_s, Kind::Text, 13},
        {u"Descrizione"_s, u"[DESCRIZIONE]"_s, Kind::Text, 50},
        {u"Composizione"_s, u"[VITIGNO]"_s, Kind::Text, 50},
        {u"Anno"_s, u"[ANNO]"_s, Kind::Text, 4},
        {u"Gradi"_s, u"[GRADI]"_s, Kind::Text, 5},
        {u"Produttore"_s, u"[PRODUTTORE]"_s, Kind::Text, 50},
        {u"Fornitore"_s, u"[FORNITORE]"_s, Kind::Text, 50},
        {u"Zona"_s, u"[ZONA]"_s, Kind::Text, 50},
        {u"Regione"_s, u"[REGIONE]"_s, Kind::Text, 50},
        {u"Gruppo"_s, u"[GRUPPO]"_s, Kind::Text, 50},
        {u"Tipologia"_s, u"[TIPOLOGIA]"_s, Kind::Text, 50},
        {u"Capacita"_s, u"[CONTENITORE]"_s, Kind::Text, 50},
        {u"Collocazione"_s, u"[POSIZIONE]"_s, Kind::Text, 10},
        {u"Quantita"_s, u"[QUANTITA]"_s, Kind::Number, 0},
        {u"Prezzo_Acq"_s, u"[PREZZO_ACQUISTO]"_s, Kind::Number, 0},
        {u"Ricarico"_s, u"[RICARICO]"_s, Kind::Number, 0},
        {u"Prezzo_Ven"_s, u"[PREZZO_VENDITA]"_s, Kind::Number, 0},
        {u"Prezzo_Bic"_s, u"[BICCHIERE]"_s, Kind::Number, 0},
        {u"Incarta"_s, u"[CARTA_VINI]"_s, Kind::Flag, 0},
        {u"Ultimo_carico"_s, u"[DATA_UCARICO]"_s, Kind::Date, 0},
        {u"Scadenza"_s, u"[SCADENZA]"_s, Kind::Date, 0},
        {u"Scorta"_s, u"[SOTTOSCORTA]"_s, Kind::Number, 0},
        {u"Degustazione"_s, u"[DEGUSTAZIONE]"_s, Kind::Text, 100},
        {u"Punti1"_s, u"[PUNTI1]"_s, Kind::Number, 0},
        {u"Punti2"_s, u"[PUNTI2]"_s, Kind::Number, 0},
        {u"Punti3"_s, u"[PUNTI3]"_s, Kind::Number, 0},
        {u"Note"_s, u"[ANNOTAZIONI]"_s, Kind::Text, 100},
    };
    return list;
}

CardImport::CardImport(Cellar &cellar) : m_cellar(cellar)
{
    const QList<Target> &list = targets();
    for (int i = 0; i < list.size(); ++i)
        m_names.insert(normalised(list.at(i).column), i);
    const QDir dir(m_cellar.programDir.isEmpty() ? u"."_s : m_cellar.programDir);
    for (const QString &name : dir.entryList({u"*.lng"_s, u"language.ini"_s}, QDir::Files))
        addNames(dir.filePath(name));
    for (int i = 0; i < list.size(); ++i) {
        const QString own = m_cellar.traduci(list.at(i).key);
        if (own != list.at(i).key && !m_names.contains(normalised(own)))
            m_names.insert(normalised(own), i);
    }
    // The stock is also captioned "In stock" on the card page.
    m_names.insert(normalised(m_cellar.traduci(u"[GIACENZA]"_s)), 13);
}

void CardImport::addNames(const QString &languageFile)
{
    LanguageTable language;
    try {
        language.load(languageFile);
    } catch (const std::exception &) {
        return; // a damaged language file names nothing
    }
    const QList<Target> &list = targets();
    for (int i = 0; i < list.size(); ++i) {
        const QString name = normalised(language.traduci(list.at(i).key));
        if (!name.isEmpty() && !m_names.contains(name))
            m_names.insert(name, i);
    }
    const QString stock = normalised(language.traduci(u"[GIACENZA]"_s));
    if (!stock.isEmpty() && !m_names.contains(stock))
        m_names.insert(stock, 13);
}

QString CardImport::caption(int target) const
{
    return m_cellar.traduci(targets().at(target).key);
}

int CardImport::targetForHeader(const QString &header) const
{
    return m_names.value(normalised(header), -1);
}

void CardImport::loadFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw VinaryError(u"Cannot open file %1: %2"_s.arg(fileName, file.errorString()));
    load(file.readAll());
}

void CardImport::load(const QByteArray &bytes)
{
    try {
        m_table = parseCsv(bytes);
    } catch (const VinaryError &e) {
        throw VinaryError(m_cellar.traduci(u"   "_s + e.message() + u"   "_s).trimmed());
    }
    m_mapping.clear();
    QList<bool> taken(targets().size(), false);
    for (const QString &header : std::as_const(m_table.header.fields)) {
        int target = targetForHeader(header);
        if (target >= 0 && taken.at(target))
            target = -1; // a second column of the same name is left out
        if (target >= 0)
            taken[target] = true;
        m_mapping.append(target);
    }
    convert();
}

void CardImport::setMapping(int csvColumn, int target)
{
    if (csvColumn < 0 || csvColumn >= m_mapping.size())
        return;
    // One CSV column per target: the one that had it before is set to be ignored.
    if (target >= 0) {
        for (int &t : m_mapping) {
            if (t == target)
                t = -1;
        }
    }
    m_mapping[csvColumn] = target;
}

QVariant CardImport::read(const Target &target, const QString &text, QString *error, bool *cut) const
{
    switch (target.kind) {
    case Kind::Text:
        if (text.size() > target.size) {
            *cut = true;
            return cutAt(text, target.size);
        }
        return text.isEmpty() ? QVariant() : QVariant(text);
    case Kind::Number: {
        const QString t = text.trimmed();
        if (t.isEmpty())
            return {};
        if (const std::optional<double> d = parseUserNumber(t, m_numbers))
            return *d;
        // A spreadsheet may write groups of thousands, as "1.234,50" in Italian; without the
        // decimal separator "12.345" could be either, and is refused.
        bool ok = false;
        const double d = m_numbers.toDouble(t, &ok);
        if (ok && std::isfinite(d) && t.contains(m_numbers.decimalPoint()))
            return d;
        *error =
            m_cellar.traduci(u"[IMP_ERR_NUMERO]"_s).arg(caption(int(&target - targets().constData())), t);
        return {};
    }
    case Kind::Date: {
        const QString t = text.trimmed();
        if (t.isEmpty())
            return {};
        QDateTime when = fromIsoText(t);
        if (!when.isValid()) {
            const QString shortFormat = m_locale.dateFormat(QLocale::ShortFormat);
            QString longYear = shortFormat;
            if (!longYear.contains(u"yyyy"_s))
                longYear.replace(u"yy"_s, u"yyyy"_s);
            for (const QString &format : {longYear, shortFormat}) {
                const QDate day = m_locale.toDate(t, format);
                if (day.isValid()) {
                    when = QDateTime(day, QTime(0, 0));
                    break;
                }
            }
        }
        if (!when.isValid())
            *error =
                m_cellar.traduci(u"[IMP_ERR_DATA]"_s).arg(caption(int(&target - targets().constData())), t);
        return when.isValid() ? QVariant(when) : QVariant();
    }
    case Kind::Flag: {
        if (text.trimmed().isEmpty())
            return {};
        if (const std::optional<bool> b = readFlag(text))
            return *b;
        *error = m_cellar.traduci(u"[IMP_ERR_SI_NO]"_s)
                     .arg(caption(int(&target - targets().constData())), text.trimmed());
        return {};
    }
    }
    return {};
}

void CardImport::convert()
{
    m_rows.clear();
    m_bad.clear();
    m_cut.clear();
    const QList<Target> &list = targets();
    const int columns = int(m_table.header.fields.size());
    const int description = 1;
    bool described = false;
    for (int t : std::as_const(m_mapping))
        described = described || t == description;
    m_rows.reserve(m_table.records.size());

    bool comma = false;
    bool point = false;
    for (const CsvRecord &record : std::as_const(m_table.records)) {
        for (int c = 0; c < std::min<int>(columns, int(record.fields.size())); ++c) {
            const int t = m_mapping.at(c);
            if (t >= 0 && list.at(t).kind == Kind::Number) {
                comma = comma || record.fields.at(c).contains(u',');
                point = point || record.fields.at(c).contains(u'.');
            }
        }
    }
    // A file written with "." alone (as Vinary's own export) reads it as the decimal point even
    // where the user's locale groups thousands with it.
    m_numbers = point && !comma ? QLocale::c() : m_locale;
    for (const CsvRecord &record : std::as_const(m_table.records)) {
        int count = int(record.fields.size());
        // Separators left at the end of a line add only empty fields.
        while (count > columns && record.fields.at(count - 1).isEmpty())
            --count;
        if (count != columns) {
            m_bad.append({record.line, m_cellar.traduci(u"[IMP_ERR_CAMPI]"_s).arg(count).arg(columns)});
            continue;
        }
        Row row;
        row.line = record.line;
        row.values.resize(list.size());
        QString error;
        for (int c = 0; c < columns && error.isEmpty(); ++c) {
            const int t = m_mapping.at(c);
            if (t < 0)
                continue;
            bool cut = false;
            row.values[t] = read(list.at(t), record.fields.at(c), &error, &cut);
            if (cut)
                m_cut.append({record.line, caption(t), list.at(t).size});
        }
        if (error.isEmpty() && described && row.values.at(description).toString().trimmed().isEmpty())
            error = m_cellar.traduci(u"[IMP_ERR_DESCRIZIONE]"_s);
        if (!error.isEmpty()) {
            while (!m_cut.isEmpty() && m_cut.last().line == record.line)
                m_cut.removeLast();
            m_bad.append({record.line, error});
            continue;
        }
        m_rows.append(std::move(row));
    }
    if (m_table.unterminatedLine > 0)
        m_bad.append({m_table.unterminatedLine, m_cellar.traduci(u"[IMP_ERR_VIRGOLETTE]"_s)});
}

CardImport::Result CardImport::import(const Progress &progress)
{
    const QList<Target> &list = targets();
    db::Connection &db = m_cellar.DB;
    Result result;
    QList<int> mapped;
    for (int t = 0; t < list.size(); ++t) {
        if (m_mapping.contains(t))
            mapped.append(t);
    }
    if (mapped.isEmpty() || m_rows.isEmpty())
        return result;

    const bool markupMapped = mapped.contains(15);
    double defaultMarkup = 0.0;
    {
        db::Statement s = db.prepare(u"SELECT Ricarico FROM Configurazione LIMIT 1"_s);
        if (s.step())
            defaultMarkup = s.real(0);
    }
    QStringList names;
    QStringList marks;
    QStringList sets;
    for (int t : std::as_const(mapped)) {
        names << u'"' + list.at(t).column + u'"';
        marks << u"?"_s;
        sets << u'"' + list.at(t).column + u"\" = ?"_s;
    }
    if (!markupMapped) {
        names << u"Ricarico"_s;
        marks << u"?"_s;
    }

    auto bind = [&](db::Statement &s, const Row &row) {
        int i = 0;
        for (int t : std::as_const(mapped)) {
            const QVariant &v = row.values.at(t);
            ++i;
            if (v.isNull() || !v.isValid())
                s.bindNull(i);
            else if (list.at(t).kind == Kind::Date)
                s.bindText(i, toIsoText(v.toDateTime()));
            else if (list.at(t).kind == Kind::Flag)
                s.bindInt64(i, v.toBool() ? 1 : 0);
            else if (list.at(t).kind == Kind::Number)
                s.bindDouble(i, v.toDouble());
            else
                s.bindText(i, v.toString());
        }
        return i;
    };

    db::Table &schede = m_cellar.Schede;
    if (schede.isEditing())
        schede.settle();
    db::Transaction transaction(db);
    db::Statement insert =
        db.prepare(u"INSERT INTO Schede (%1) VALUES (%2)"_s.arg(names.join(u", "_s), marks.join(u", "_s)));
    db::Statement update = db.prepare(u"UPDATE Schede SET %1 WHERE ID = ?"_s.arg(sets.join(u", "_s)));
    QHash<QString, qint64> codes;
    const int code = 0;
    const bool matching = m_matchOnCode && mapped.contains(code);
    if (matching) {
        db::Statement s = db.prepare(u"SELECT ID, Codice FROM Schede WHERE Codice <> '' ORDER BY ID DESC"_s);
        while (s.step())
            codes.insert(s.text(1), s.int64(0)); // the lowest number of a code stays
    }
    const int total = int(m_rows.size());
    for (int r = 0; r < total; ++r) {
        if (progress && r % 1000 == 0 && !progress(r, total)) {
            result = Result();
            result.cancelled = true;
            return result; // the transaction rolls back
        }
        const Row &row = m_rows.at(r);
        const QString key = matching ? row.values.at(code).toString() : QString();
        const qint64 existing = key.isEmpty() ? 0 : codes.value(key, 0);
        if (existing > 0) {
            const int n = bind(update, row);
            update.bindInt64(n + 1, existing);
            update.exec();
            update.reset();
            ++result.updated;
        } else {
            const int n = bind(insert, row);
            if (!markupMapped)
                insert.bindDouble(n + 1, defaultMarkup);
            else if (row.values.at(15).isNull())
                insert.bindDouble(mapped.indexOf(15) + 1, defaultMarkup);
            insert.exec();
            insert.reset();
            if (matching && !key.isEmpty())
                codes.insert(key, db.lastInsertRowId());
            ++result.added;
        }
    }
    if (progress && !progress(total, total)) {
        result = Result();
        result.cancelled = true;
        return result;
    }
    transaction.commit();
    if (schede.isActive())
        schede.resort();
    return result;
}

QString CardImport::displayValue(int target, const QVariant &value) const
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (targets().at(target).kind) {
    case Kind::Number: {
        // Prices show their cents as the card does ("9,80"), unless the file has finer ones.
        const double number = value.toDouble();
        if (targets().at(target).column.startsWith(u"Prezzo"_s) &&
            std::abs(std::round(number * 100.0) - number * 100.0) < 1e-6)
            return m_locale.toString(number, 'f', 2);
        return m_locale.toString(number, 'g', QLocale::FloatingPointShortest);
    }
    case Kind::Date:
        return m_locale.toString(value.toDateTime().date(), shortDateFormat(m_locale));
    case Kind::Flag:
        return value.toBool() ? u"1"_s : u"0"_s;
    case Kind::Text:
        break;
    }
    return value.toString();
}

} // namespace vinary
