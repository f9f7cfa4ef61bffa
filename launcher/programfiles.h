#pragma once

#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace vinary
{

// Keeps a program directory up to date with the files the program delivers (language files, manuals
// and their pictures, report templates) without ever touching the user's work. A record in the
// directory holds the hash of each file as it was put there: a file that still matches the record is
// refreshed, a missing one is added, and one the user changed is left alone. "language.ini" is made
// from the delivered language file of the user's language and is refreshed from that file for as
// long as it stays an unchanged copy of it. Used by vinary-launch and by the build's staging.
class ProgramFiles
{
public:
    explicit ProgramFiles(QString directory);

    // A delivered file, named relative to the program directory.
    void deliver(const QString &name, const QString &source);
    // Every file under folder, named relative to it; names starting with one of skip are left out.
    void deliverFolder(const QString &folder, const QStringList &skip = {});
    // A file only added on first use (the cellar: its content is the user's from the first start).
    // Once put there, or when one of usedIfPresent exists (the cellar's backups), a missing file stays
    // missing: the program then offers to restore it instead of starting on an empty one.
    void seed(const QString &name, const QString &source, const QStringList &usedIfPresent = {});

    // Brings the directory up to date. languages: the user's languages, preferred first; English
    // when none of them is delivered. False when something could not be written (see errors()).
    bool update(const QList<QLocale::Language> &languages);

    // Relative names, by what the last update did with them.
    const QStringList &added() const { return m_added; }
    const QStringList &refreshed() const { return m_refreshed; }
    const QStringList &kept() const { return m_kept; }
    const QStringList &errors() const { return m_errors; }

    // The record's file name inside the program directory.
    static QString recordName();
    static QString languageIniName();
    // The language a language file is written in: its "[LINGUA_ISO]" key, else its file name
    // (english.lng, italiano.lng, ...); AnyLanguage when neither tells.
    static QLocale::Language languageOf(const QString &fileName, const QByteArray &content);

private:
    struct Delivered {
        QString name;
        QString source;
        bool seedOnly = false;
        QStringList usedIfPresent;
    };

    QString path(const QString &name) const;
    bool install(const QString &name, const QString &source, bool replace);
    void refreshLanguageIni(const QHash<QString, QByteArray> &record, const QString &recordedSource,
                            const QByteArray &recordedHash, const QList<QLocale::Language> &languages);

    QString m_directory;
    QList<Delivered> m_files;
    QHash<QString, QByteArray> m_hashes; // delivered name -> hash of the delivered content
    QHash<QString, QByteArray> m_newRecord;
    QString m_languageSource;
    QByteArray m_languageHash;
    QStringList m_added;
    QStringList m_refreshed;
    QStringList m_kept;
    QStringList m_errors;
};

} // namespace vinary
