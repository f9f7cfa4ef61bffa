#pragma once

#include <QString>

namespace vinary {

// The application title: the caption of the program's message boxes and error boxes. Start-up sets
// it to "[TITOLO]" and then to its translation. It is kept apart from the application display name,
// which some window systems append to every window caption.
QString applicationTitle();
void setApplicationTitle(const QString &title);

} // namespace vinary
