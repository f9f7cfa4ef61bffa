#include "engine/common/atomicfile.h"

#include "engine/common/errors.h"

using namespace Qt::StringLiterals;

namespace vinary
{

AtomicFile::AtomicFile(const QString &path) : m_path(path), m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly))
        throw VinaryError(u"Cannot create file %1"_s.arg(path));
}

void AtomicFile::write(const QByteArray &data)
{
    // A short count without an error is a full disk as well.
    if (m_failed || m_file.write(data) != data.size())
        fail();
}

void AtomicFile::commit()
{
    // The buffer's last bytes reach the disk in flush(). QSaveFile::commit() alone would put an
    // empty or cut file in place when only that final flush fails.
    if (m_failed || m_file.error() != QFileDevice::NoError || !m_file.flush())
        fail();
    if (!m_file.commit())
        throw VinaryError(u"Cannot write file %1: %2"_s.arg(m_path, m_file.errorString()));
}

void AtomicFile::fail()
{
    m_failed = true;
    const QString reason = m_file.error() != QFileDevice::NoError
                               ? m_file.errorString()
                               : u"not all of it could be written (the disk may be full)"_s;
    m_file.cancelWriting();
    throw VinaryError(u"Cannot write file %1: %2"_s.arg(m_path, reason));
}

void writeFileAtomically(const QString &path, const QByteArray &contents)
{
    AtomicFile file(path);
    file.write(contents);
    file.commit();
}

} // namespace vinary
