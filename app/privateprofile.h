#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vinary {

// A private-profile (INI) file: sections opened by "[name]" lines, then KEY=VALUE lines. Section
// and key names compare without regard to case and are written exactly as given, so a name such
// as "SCHEDA\TfrmVinary\schedeGrid" survives unchanged (QSettings would escape it). A missing file,
// section or key reads as absent; lines the reader does not understand are kept as they are.
//
// The file is read whole by load() and written whole by save(), atomically.
class PrivateProfile
{
public:
    explicit PrivateProfile(QString fileName = QString());

    const QString &fileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

    // Reads the file; a missing file gives an empty profile. Throws VinaryError when the file
    // exists but cannot be read.
    void load();
    // Writes the file through a temporary file that replaces it only when complete. Throws
    // VinaryError "Cannot create file <name>" when it cannot be written.
    void save() const;

    bool hasSection(const QString &section) const;
    bool contains(const QString &section, const QString &key) const;
    QStringList sections() const;
    QStringList keys(const QString &section) const; // in file order

    // The value as written (trimmed); std::nullopt when the key is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;
    QString readString(const QString &section, const QString &key, const QString &fallback = QString()) const;
    // An integer in decimal with an optional sign, nothing else; anything else counts as missing.
    std::optional<int> readInteger(const QString &section, const QString &key) const;
    int readInteger(const QString &section, const QString &key, int fallback) const;
    // A comma-separated list; each part that is not an integer is std::nullopt. Missing key: empty.
    QList<std::optional<int>> readIntegerList(const QString &section, const QString &key) const;

    // Sets a key, in place when it exists, else at the end of its section (created at the end of
    // the file when missing).
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeIntegerList(const QString &section, const QString &key, const QList<int> &values);
    void eraseSection(const QString &section);

    // The integer reading rule on its own.
    static std::optional<int> parseInteger(const QString &text);

private:
    struct Line {
        QString text;    // the line as read or written
        QString section; // for a section header: its name
        QString key;     // for a KEY=VALUE line: its key
        bool header = false;
    };
    // Index of the header line of a section, or -1.
    int headerOf(const QString &section) const;
    // Index of a key's line, or -1.
    int lineOf(const QString &section, const QString &key) const;
    // Index one past the last line of a section.
    int sectionEnd(int header) const;

    QString m_fileName;
    QList<Line> m_lines;
};

} // namespace vinary
