#pragma once

#include "engine/jet/jetsource.h"

#include <memory>

namespace vinary::jet
{

// A Jet 3 or Jet 4 database file read through libmdb. The file is opened read-only and never
// written. Texts of Jet 3 files are decoded from the file's Windows code page (Windows-1252 when
// the file names none); Jet 4 files hold Unicode.
class JetFile : public JetSource
{
public:
    // Raises VinaryError when the file is missing or is not a readable Jet database.
    explicit JetFile(const QString &fileName);
    ~JetFile() override;
    JetFile(const JetFile &) = delete;
    JetFile &operator=(const JetFile &) = delete;

    JetVersion version() const { return m_version; }
    // The Windows code page the file's header names (Jet 3 texts are in it).
    int codePage() const;

    QString name() const override { return m_fileName; }
    QStringList tables() override;
    QList<JetColumn> columns(const QString &table) override;
    void rows(const QString &table, const RowSink &sink) override;

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    QString m_fileName;
    JetVersion m_version = JetVersion::None;
    QStringList m_tables;
};

} // namespace vinary::jet
