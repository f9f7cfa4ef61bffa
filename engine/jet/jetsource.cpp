#include "engine/jet/jetsource.h"

#include <QFile>

namespace vinary::jet
{

namespace
{
// Bytes 0-19 of every Jet file; byte 20 holds the generation. ACE files say "Standard ACE DB".
constexpr char kJetMagic[] = "\x00\x01\x00\x00Standard Jet DB";
constexpr qsizetype kMagicSize = sizeof(kJetMagic); // the terminating zero belongs to the header
constexpr qsizetype kVersionOffset = 0x14;
} // namespace

JetVersion detectJetVersion(const QByteArray &header)
{
    if (header.size() <= kVersionOffset)
        return JetVersion::None;
    if (QByteArrayView(header).first(kMagicSize) != QByteArrayView(kJetMagic, kMagicSize))
        return JetVersion::None;
    switch (header.at(kVersionOffset)) {
    case 0:
        return JetVersion::Jet3;
    case 1:
        return JetVersion::Jet4;
    default:
        return JetVersion::None;
    }
}

JetVersion detectJetFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return JetVersion::None;
    return detectJetVersion(file.read(kVersionOffset + 1));
}

QString jetTypeName(JetType type)
{
    switch (type) {
    case JetType::Boolean:
        return QStringLiteral("Boolean");
    case JetType::Byte:
        return QStringLiteral("Byte");
    case JetType::Integer:
        return QStringLiteral("Integer");
    case JetType::LongInteger:
        return QStringLiteral("Long Integer");
    case JetType::Currency:
        return QStringLiteral("Currency");
    case JetType::Single:
        return QStringLiteral("Single");
    case JetType::Double:
        return QStringLiteral("Double");
    case JetType::DateTime:
        return QStringLiteral("Date/Time");
    case JetType::Binary:
        return QStringLiteral("Binary");
    case JetType::Text:
        return QStringLiteral("Text");
    case JetType::OleObject:
        return QStringLiteral("OLE Object");
    case JetType::Memo:
        return QStringLiteral("Memo");
    case JetType::ReplicationId:
        return QStringLiteral("Replication ID");
    case JetType::Decimal:
        return QStringLiteral("Decimal");
    case JetType::Unsupported:
        break;
    }
    return QStringLiteral("Unsupported");
}

} // namespace vinary::jet
