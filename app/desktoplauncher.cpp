#include "app/desktoplauncher.h"

#include <QDesktopServices>

#include <utility>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

DesktopLauncher *g_installed = nullptr;

} // namespace

bool QtDesktopLauncher::open(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

DesktopLauncher &desktopLauncher()
{
    static QtDesktopLauncher desktop;
    return g_installed ? *g_installed : desktop;
}

DesktopLauncher *setDesktopLauncher(DesktopLauncher *launcher)
{
    return std::exchange(g_installed, launcher);
}

QUrl makerWebSite()
{
    // Given by the build (VINARY_HOME_URL); empty while the project has no public web site.
    return QUrl(QStringLiteral(VINARY_HOME_URL), QUrl::StrictMode);
}

} // namespace vinary
