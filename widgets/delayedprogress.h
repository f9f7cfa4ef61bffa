#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

class QWidget;

namespace vinary
{

// The progress of a long piece of work that cannot be stopped, as a callback (done, total): a
// window with a bar appears only once the work has taken longer than delayMs since done was 0, and
// closes when done reaches total. Its text is asked for when it appears, so that it can be
// translated then.
std::function<void(qint64 done, qint64 total)>
delayedProgress(QWidget *parent, std::function<QString()> label, int delayMs = 1000);

} // namespace vinary
