#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace vinary
{

// A file replaced in one step. The new contents go to a temporary file beside it, and only a file
// whose every write and final flush succeeded takes the old one's place: on a full disk, or any
// other failure, the old file stays exactly as it was. Every failure throws VinaryError with a
// message that names the file. Leaving the object without commit() leaves the old file too.
class AtomicFile
{
public:
    // Opens the temporary file; throws "Cannot create file ..." when that is not possible.
    explicit AtomicFile(const QString &path);
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    QString fileName() const { return m_path; }
    // For writers that stream into a device (PDF, XML); their failed writes surface in commit().
    QIODevice &device() { return m_file; }
    void write(const QByteArray &data);
    // Flushes what is buffered and puts the new file in place of the old one.
    void commit();

private:
    [[noreturn]] void fail();

    QString m_path;
    QSaveFile m_file;
    bool m_failed = false;
};

// The whole file at once through AtomicFile.
void writeFileAtomically(const QString &path, const QByteArray &contents);

} // namespace vinary
