#include "language/languagefile.h"

#include "engine/common/atomicfile.h"
#include "engine/common/errors.h"

#include <QFile>
#include <QStringDecoder>

#include <array>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

// Bytes 0x80 to 0x9F; the rest of the code page is the same as Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

} // namespace

QString decodeWindows1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ =
            (b >= 0x80 && b <= 0x9F) ? QChar(kWindows1252High[b - 0x80]) : QChar(static_cast<char16_t>(b));
    }
    return text;
}

QString decodeLanguageText(const QByteArray &bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    const QByteArray text = zero >= 0 ? bytes.left(zero) : bytes;

    // Stateless, so that a sequence cut off at the end counts as an error too.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(text);
    if (!utf8.hasError())
        return decoded;
    return decodeWindows1252(text);
}

QStringList splitLanguageLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

QString damagedLanguageFileMessage(const QString &fileName)
{
    return u"Cannot open file %1: it is damaged or it is not a language file"_s.arg(fileName);
}

QStringList readLanguageFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw VinaryError(u"Cannot open file %1"_s.arg(fileName));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw VinaryError(u"Cannot open file %1"_s.arg(fileName));
    // Only the text before a zero byte counts, as in decodeLanguageText.
    const qsizetype zero = bytes.indexOf('\0');
    const qsizetype end = zero >= 0 ? zero : bytes.size();
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i <= end; ++i) {
        if (i == end || bytes.at(i) == '\r' || bytes.at(i) == '\n') {
            if (i - lineStart > kMaxLanguageLineBytes)
                throw VinaryError(damagedLanguageFileMessage(fileName));
            lineStart = i + 1;
        }
    }
    return splitLanguageLines(decodeLanguageText(bytes));
}

void writeLanguageFile(const QString &fileName, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    writeFileAtomically(fileName, bytes);
}

} // namespace vinary
