#include "catalogue/notesfiles.h"

#include "engine/common/errors.h"
#include "engine/report/rtfwriter.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vinary::notesfiles
{

namespace
{

bool isAsciiLetterOrDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

[[noreturn]] void cannotCreate(const QString &path)
{
    throw VinaryError(u"Cannot create file %1"_s.arg(path));
}

} // namespace

QString cleanName(const QString &name)
{
    QString cleaned;
    cleaned.reserve(name.size());
    for (QChar c : name) {
        if (isAsciiLetterOrDigit(c))
            cleaned.append(c);
    }
    return cleaned;
}

QString notesFilePath(const QString &name)
{
    const QString cleaned = cleanName(name);
    if (cleaned.isEmpty())
        return QString();
    return QString::fromUtf16(kFolder) + u'/' + cleaned + u".rtf"_s;
}

bool ensureNotesFile(const QString &path, const QString &name)
{
    QFile file(path);
    // NewOnly: an existing file, even one that appeared a moment ago, is never overwritten.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFileInfo::exists(path))
            return false;
        cannotCreate(path);
    }
    const QByteArray document = report::RtfWriter::singleParagraphDocument(name);
    if (file.write(document) != document.size() || !file.flush()) {
        file.close();
        file.remove();
        cannotCreate(path);
    }
    file.close();
    return true;
}

} // namespace vinary::notesfiles
