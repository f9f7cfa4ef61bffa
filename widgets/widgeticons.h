#pragma once

#include <QIcon>

namespace vinary {

enum class WidgetIcon { Calendar, First, Prior, Next, Last };

// The small pictures of the library's own buttons, drawn so that they need no image files and stay
// sharp at any scale.
QIcon widgetIcon(WidgetIcon icon);

} // namespace vinary
