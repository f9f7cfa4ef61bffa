#include "data/csvfile.h"

#include "engine/common/errors.h"
#include "language/languagefile.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

QString decode(const QByteArray &bytes, CsvTable::Encoding &encoding)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = CsvTable::Encoding::Utf8Bom;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return utf8(bytes.mid(3));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        encoding = CsvTable::Encoding::Utf8;
        return text;
    }
    encoding = CsvTable::Encoding::Windows1252;
    return decodeWindows1252(bytes);
}

// The separator that occurs most often outside quotes in the first record; a comma when none does.
QChar detectSeparator(const QString &text)
{
    int counts[3] = {0, 0, 0};
    const QChar candidates[3] = {u';', u'\t', u','};
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
        else if (!quoted) {
            for (int i = 0; i < 3; ++i) {
                if (c == candidates[i])
                    ++counts[i];
            }
        }
    }
    int best = 2;
    for (int i = 0; i < 3; ++i) {
        if (counts[i] > counts[best])
            best = i;
    }
    return candidates[best];
}

bool blank(const QStringList &fields)
{
    return fields.size() == 1 && fields.first().isEmpty();
}

} // namespace

CsvTable parseCsv(const QByteArray &bytes)
{
    CsvTable table;
    if (bytes.isEmpty())
        throw VinaryError(u"[IMP_ERR_VUOTO]"_s);
    if (bytes.contains('\0'))
        throw VinaryError(u"[IMP_ERR_BINARIO]"_s);
    const QString text = decode(bytes, table.encoding);
    table.separator = detectSeparator(text);
    const QChar sep = table.separator;

    QList<CsvRecord> records;
    CsvRecord record;
    QString field;
    int line = 1;
    record.line = 1;
    bool quoted = false;
    bool wasQuoted = false;
    const qsizetype n = text.size();
    auto endField = [&] {
        record.fields.append(field);
        field.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        if (!blank(record.fields))
            records.append(std::move(record));
        record = CsvRecord();
        record.line = line;
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n' || (c == u'\r' && !(i + 1 < n && text.at(i + 1) == u'\n')))
                    ++line;
                field += c;
            }
        } else if (c == sep) {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            ++line;
            endRecord();
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = true;
            wasQuoted = true;
        } else {
            // The plain run up to the next separator, quote or line end, in one piece.
            qsizetype end = i + 1;
            while (end < n) {
                const QChar d = text.at(end);
                if (d == sep || d == u'\r' || d == u'\n' || d == u'"')
                    break;
                ++end;
            }
            field += QStringView(text).sliced(i, end - i);
            i = end - 1;
        }
    }
    if (quoted)
        table.unterminatedLine = record.line;
    else if (!field.isEmpty() || !record.fields.isEmpty())
        endRecord();

    if (records.isEmpty())
        throw VinaryError(u"[IMP_ERR_INTESTAZIONE]"_s);
    table.header = records.takeFirst();
    table.records = std::move(records);
    return table;
}

QString csvField(const QString &text, QChar separator)
{
    const bool quote = text.contains(separator) || text.contains(u'"') || text.contains(u'\n') ||
                       text.contains(u'\r') || text.startsWith(u' ') || text.endsWith(u' ');
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

} // namespace vinary
