#pragma once

#include <QString>

namespace vinary
{

// Opens a document file with the program the desktop associates with its kind. Behind an
// interface so that tests see what would have been opened instead of starting an editor.
class DocumentLauncher
{
public:
    virtual ~DocumentLauncher() = default;
    // `path` may be relative: the started program inherits this process's current directory.
    // False when nothing could be started; callers report nothing.
    virtual bool open(const QString &path) = 0;
};

// Starts "xdg-open" with the path as its only argument, directly and without a shell, so that no
// character of the path is ever interpreted.
class XdgDocumentLauncher : public DocumentLauncher
{
public:
    bool open(const QString &path) override;
};

// The launcher in force: xdg-open unless another has been installed.
DocumentLauncher &documentLauncher();
// Installs a launcher (nullptr restores xdg-open) and returns the one installed before, or nullptr
// when that was xdg-open. The caller keeps ownership.
DocumentLauncher *setDocumentLauncher(DocumentLauncher *launcher);

} // namespace vinary
