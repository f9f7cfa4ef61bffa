#pragma once

#include <QUrl>

namespace vinary
{

// The desktop's "open": a web address or a document handed to the program the user associates
// with it. Behind an interface so that tests see what would have been opened.
class DesktopLauncher
{
public:
    virtual ~DesktopLauncher() = default;
    // False when the desktop could not open it; callers report nothing.
    virtual bool open(const QUrl &url) = 0;
};

class QtDesktopLauncher : public DesktopLauncher
{
public:
    bool open(const QUrl &url) override;
};

// The launcher in force: the desktop's own unless another has been installed.
DesktopLauncher &desktopLauncher();
// Installs a launcher (nullptr restores the desktop's) and returns the one installed before, or
// nullptr when that was the desktop's. The caller keeps ownership.
DesktopLauncher *setDesktopLauncher(DesktopLauncher *launcher);

// The project's public web site, opened by the help menu and by the picture strip; an invalid
// address while there is none.
QUrl makerWebSite();

} // namespace vinary
