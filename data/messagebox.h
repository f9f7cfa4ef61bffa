#pragma once

#include <QString>

namespace vinary {

// The program's shared modal message box (Mymsg). Callers pass text that is already translated.
class MessageBox
{
public:
    virtual ~MessageBox() = default;
    // Warning icon and one button "&Sì"; returns when the box is answered or closed.
    virtual void notice(const QString &text) = 0;
    // Question icon, "&Sì" (default) and "&No"; true only for "&Sì".
    virtual bool question(const QString &text) = 0;
};

} // namespace vinary
