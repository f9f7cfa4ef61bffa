#include "widgets/documentlauncher.h"

#include <QProcess>
#include <QStringList>

#include <utility>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

DocumentLauncher *g_installed = nullptr;

} // namespace

bool XdgDocumentLauncher::open(const QString &path)
{
    // An empty working directory: the editor starts in ours, where the relative path resolves.
    return QProcess::startDetached(u"xdg-open"_s, QStringList{path});
}

DocumentLauncher &documentLauncher()
{
    static XdgDocumentLauncher xdg;
    return g_installed ? *g_installed : xdg;
}

DocumentLauncher *setDocumentLauncher(DocumentLauncher *launcher)
{
    return std::exchange(g_installed, launcher);
}

} // namespace vinary
