#include "tests/support/recordingerrorbox.h"

namespace vinary {

RecordingErrorBox::RecordingErrorBox() : m_previous(setErrorBox(this)) {}

RecordingErrorBox::~RecordingErrorBox()
{
    setErrorBox(m_previous);
}

void RecordingErrorBox::showError(QWidget *parent, const QString &title, const QString &message)
{
    m_shown.append({parent, title, message});
}

QStringList RecordingErrorBox::messages() const
{
    QStringList result;
    for (const Shown &s : m_shown)
        result.append(s.message);
    return result;
}

} // namespace vinary
