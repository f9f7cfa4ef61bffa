#pragma once

#include "app/desktoplauncher.h"

#include <QList>
#include <QUrl>

namespace vinary::testing
{

// Stands in for the desktop's "open" while it lives: records each address instead of opening it,
// and answers `answer`.
class RecordingLauncher : public DesktopLauncher
{
public:
    RecordingLauncher() { m_previous = setDesktopLauncher(this); }
    ~RecordingLauncher() override { setDesktopLauncher(m_previous); }
    RecordingLauncher(const RecordingLauncher &) = delete;
    RecordingLauncher &operator=(const RecordingLauncher &) = delete;

    bool open(const QUrl &url) override
    {
        opened.append(url);
        return answer;
    }

    QList<QUrl> opened;
    bool answer = true;

private:
    DesktopLauncher *m_previous = nullptr;
};

} // namespace vinary::testing
