#include "launcher/programfiles.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>
#include <utility>

using namespace Qt::StringLiterals;

namespace vinary
{

// The record's mark for a seeded file: its content is the user's, only its having been there counts.
const QByteArray kSeeded = QByteArrayLiteral("seeded");

namespace
{

constexpr QFileDevice::Permissions kUserFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadUser | QFileDevice::WriteUser |
                                               QFileDevice::ReadGroup | QFileDevice::ReadOther;

// The hash of a file's content, or an empty array when it cannot be read.
QByteArray hashOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result().toHex();
}

bool isLanguageFile(const QString &name)
{
    return !name.contains(u'/') && name.endsWith(u".lng"_s, Qt::CaseInsensitive);
}

// The file names the delivered language files have always had, for files without "[LINGUA_ISO]".
QLocale::Language languageOfName(const QString &fileName)
{
    static const QHash<QString, QLocale::Language> names = {
        {u"english"_s, QLocale::English}, {u"italiano"_s, QLocale::Italian}, {u"deutsch"_s, QLocale::German},
        {u"francais"_s, QLocale::French}, {u"français"_s, QLocale::French},  {u"espanol"_s, QLocale::Spanish},
        {u"español"_s, QLocale::Spanish},
    };
    return names.value(QFileInfo(fileName).completeBaseName().toLower(), QLocale::AnyLanguage);
}

} // namespace

ProgramFiles::ProgramFiles(QString directory) : m_directory(std::move(directory)) {}

QString ProgramFiles::recordName()
{
    return u".vinary-delivered"_s;
}

QString ProgramFiles::languageIniName()
{
    return u"language.ini"_s;
}

QLocale::Language ProgramFiles::languageOf(const QString &fileName, const QByteArray &content)
{
    // Lines end with CR, LF or both, as the program reads them; the key is matched without regard to case.
    const QByteArray key = "[LINGUA_ISO]=";
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = start;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n' && content[end] != '\0')
            ++end;
        const QByteArray line = content.mid(start, end - start);
        if (line.size() > key.size() && line.first(key.size()).compare(key, Qt::CaseInsensitive) == 0) {
            const QString code = QString::fromLatin1(line.mid(key.size()).trimmed());
            const QLocale locale(code);
            // QLocale turns what it cannot read into the C locale.
            if (!code.isEmpty() && locale.language() != QLocale::C)
                return locale.language();
            break;
        }
        if (end < content.size() && content[end] == '\0')
            break;
        start = end + 1;
    }
    return languageOfName(fileName);
}

void ProgramFiles::deliver(const QString &name, const QString &source)
{
    m_files.append({name, source, false, {}});
}

void ProgramFiles::deliverFolder(const QString &given, const QStringList &skip)
{
    const QString folder = QFileInfo(given).absoluteFilePath();
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = QDir(folder).relativeFilePath(it.next());
        bool skipped = false;
        for (const QString &prefix : skip)
            skipped = skipped || name.startsWith(prefix);
        if (!skipped)
            names.append(name);
    }
    names.sort();
    for (const QString &name : std::as_const(names))
        deliver(name, folder + u'/' + name);
}

void ProgramFiles::seed(const QString &name, const QString &source, const QStringList &usedIfPresent)
{
    m_files.append({name, source, true, usedIfPresent});
}

QString ProgramFiles::path(const QString &name) const
{
    return m_directory + u'/' + name;
}

bool ProgramFiles::install(const QString &name, const QString &source, bool replace)
{
    // Copied under a temporary name and then renamed, so an interrupted start never leaves a
    // truncated file that the next start would take for the user's.
    const QString target = path(name);
    const QString partial = target + u".partial."_s + QString::number(QCoreApplication::applicationPid());
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(partial);
    bool ok = QFile::copy(source, partial);
    if (ok) {
        const QFileDevice::Permissions mode = replace ? QFile::permissions(target) : kUserFile;
        ok = QFile::setPermissions(partial, mode | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    if (ok && replace) {
        ok = std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) == 0;
    } else if (ok) {
        // Never over a file that appeared meanwhile (another start at the same moment): that one wins.
        ok = QFile::rename(partial, target) || QFileInfo::exists(target);
    }
    QFile::remove(partial);
    if (!ok)
        m_errors.append(u"cannot write %1"_s.arg(QDir::toNativeSeparators(target)));
    return ok;
}

void ProgramFiles::refreshLanguageIni(const QHash<QString, QByteArray> &record, const QString &recordedSource,
                                      const QByteArray &recordedHash,
                                      const QList<QLocale::Language> &languages)
{
    QStringList delivered;
    QHash<QString, QString> sources;
    for (const Delivered &file : std::as_const(m_files)) {
        if (!file.seedOnly && isLanguageFile(file.name) && m_hashes.contains(file.name)) {
            delivered.append(file.name);
            sources.insert(file.name, file.source);
        }
    }
    if (delivered.isEmpty())
        return;
    const QString name = languageIniName();
    const QFileInfo target(path(name));
    if (target.isSymLink()) {
        m_kept.append(name);
        return;
    }

    if (!target.exists()) {
        QHash<QString, QLocale::Language> written;
        for (const QString &lng : std::as_const(delivered)) {
            QFile file(sources.value(lng));
            written.insert(lng,
                           languageOf(lng, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()));
        }
        QString chosen;
        for (QLocale::Language language : languages + QList<QLocale::Language>{QLocale::English}) {
            for (const QString &lng : std::as_const(delivered)) {
                if (chosen.isEmpty() && language != QLocale::AnyLanguage && written.value(lng) == language)
                    chosen = lng;
            }
        }
        if (chosen.isEmpty())
            chosen = delivered.first();
        if (install(name, sources.value(chosen), false)) {
            m_added.append(name);
            m_languageSource = chosen;
            m_languageHash = m_hashes.value(chosen);
        }
        return;
    }

    // Made from a delivered language file, by this record or by the program's change of language, and
    // not changed since: it follows that file. The file it was made from is tried first.
    const QByteArray current = hashOf(target.filePath());
    QStringList candidates = delivered;
    if (candidates.removeAll(recordedSource) > 0)
        candidates.prepend(recordedSource);
    for (const QString &lng : std::as_const(candidates)) {
        const QByteArray now = m_hashes.value(lng);
        if (current == now) {
            m_languageSource = lng;
            m_languageHash = now;
            return;
        }
        const bool wasCopy =
            (lng == recordedSource && current == recordedHash) || current == record.value(lng);
        if (!current.isEmpty() && wasCopy) {
            if (install(name, sources.value(lng), true)) {
                m_refreshed.append(name);
                m_languageSource = lng;
                m_languageHash = now;
            }
            return;
        }
    }
    m_kept.append(name);
}

bool ProgramFiles::update(const QList<QLocale::Language> &languages)
{
    m_added.clear();
    m_refreshed.clear();
    m_kept.clear();
    m_errors.clear();
    m_hashes.clear();
    m_newRecord.clear();
    m_languageSource.clear();
    m_languageHash.clear();

    if (!QDir().mkpath(path(u"archivi"_s))) {
        m_errors.append(u"cannot create %1"_s.arg(QDir::toNativeSeparators(path(u"archivi"_s))));
        return false;
    }

    // The record: "<hash>\t<name>" per file, and "<hash>\tlanguage.ini\t<language file>".
    QHash<QString, QByteArray> record;
    QString recordedSource;
    QByteArray recordedHash;
    QFile recordFile(path(recordName()));
    if (recordFile.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = recordFile.readAll().split('\n');
        for (const QByteArray &line : lines) {
            const QList<QByteArray> fields = line.split('\t');
            if (fields.size() < 2 || line.startsWith('#'))
                continue;
            const QString name = QString::fromUtf8(fields.at(1));
            if (name == languageIniName() && fields.size() == 3) {
                recordedHash = fields.at(0);
                recordedSource = QString::fromUtf8(fields.at(2));
            } else {
                record.insert(name, fields.at(0));
            }
        }
        recordFile.close();
    }

    for (const Delivered &file : std::as_const(m_files)) {
        if (file.seedOnly)
            continue;
        const QByteArray hash = hashOf(file.source);
        if (hash.isEmpty())
            m_errors.append(u"cannot read %1"_s.arg(QDir::toNativeSeparators(file.source)));
        else
            m_hashes.insert(file.name, hash);
    }

    // Decided on the record as it stands before the language files themselves are refreshed.
    refreshLanguageIni(record, recordedSource, recordedHash, languages);

    for (const Delivered &file : std::as_const(m_files)) {
        const QFileInfo target(path(file.name));
        if (file.seedOnly) {
            bool used = record.contains(file.name) || target.exists() || target.isSymLink();
            for (const QString &other : file.usedIfPresent)
                used = used || QFileInfo::exists(path(other));
            if (!used && install(file.name, file.source, false))
                m_added.append(file.name);
            if (used || m_added.contains(file.name))
                m_newRecord.insert(file.name, kSeeded);
            continue;
        }
        const QByteArray delivered = m_hashes.value(file.name);
        if (delivered.isEmpty())
            continue;
        const QByteArray recorded = record.value(file.name);
        if (target.isSymLink()) {
            m_kept.append(file.name);
        } else if (!target.exists()) {
            if (install(file.name, file.source, false)) {
                m_added.append(file.name);
                m_newRecord.insert(file.name, delivered);
            }
        } else {
            const QByteArray current = hashOf(target.filePath());
            if (current == delivered) {
                m_newRecord.insert(file.name, delivered);
            } else if (!current.isEmpty() && current == recorded) {
                if (install(file.name, file.source, true)) {
                    m_refreshed.append(file.name);
                    m_newRecord.insert(file.name, delivered);
                }
            } else {
                // Changed by the user (or there before any record): theirs from now on.
                m_kept.append(file.name);
            }
        }
        if (!m_newRecord.contains(file.name) && !recorded.isEmpty())
            m_newRecord.insert(file.name, recorded);
    }

    QByteArray text =
        "# Delivered files put in this directory and their SHA-256, refreshed only while unchanged.\n";
    QStringList names = m_newRecord.keys();
    names.sort();
    for (const QString &name : std::as_const(names))
        text += m_newRecord.value(name) + '\t' + name.toUtf8() + '\n';
    if (!m_languageSource.isEmpty())
        text += m_languageHash + '\t' + languageIniName().toUtf8() + '\t' + m_languageSource.toUtf8() + '\n';
    QSaveFile save(path(recordName()));
    if (!save.open(QIODevice::WriteOnly) || save.write(text) != text.size() || !save.commit()) {
        save.cancelWriting();
        m_errors.append(u"cannot write %1"_s.arg(QDir::toNativeSeparators(path(recordName()))));
    }
    return m_errors.isEmpty();
}

} // namespace vinary
