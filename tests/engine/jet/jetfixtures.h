#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// The two Jet sample files kept outside the repository; tests copy them before opening them.
namespace jetfixtures
{

inline QString directory()
{
    return QStringLiteral(VINARY_SHARED_DIR "/fixtures/jet");
}

inline bool present()
{
    return QFile::exists(directory() + QStringLiteral("/jet3-sample.mdb")) &&
           QFile::exists(directory() + QStringLiteral("/jet4-sample.mdb"));
}

inline QByteArray original(const QString &name)
{
    QFile file(directory() + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// Copies a sample into dir under the given name (the sample's own name when empty), writable.
inline QString copy(const QTemporaryDir &dir, const QString &name, const QString &as = QString())
{
    const QString target = dir.filePath(as.isEmpty() ? name : as);
    QFile::remove(target);
    if (!QFile::copy(directory() + u'/' + name, target))
        return QString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return target;
}

inline QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace jetfixtures

#define SKIP_WITHOUT_JET_FIXTURES()                                                                          \
    do {                                                                                                     \
        if (!jetfixtures::present())                                                                         \
            QSKIP(                                                                                           \
                qPrintable(QStringLiteral("The Jet samples are not in %1").arg(jetfixtures::directory())));  \
    } while (false)
