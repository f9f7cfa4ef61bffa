#pragma once

#include "widgets/guard.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace vinary {

// An error box that records what the guard would have shown. It installs itself for its lifetime,
// so a test declares one at its start: RecordingErrorBox errors;
class RecordingErrorBox : public ErrorBox
{
public:
    struct Shown
    {
        QPointer<QWidget> parent;
        QString title;
        QString message;
    };

    RecordingErrorBox();
    ~RecordingErrorBox() override;
    RecordingErrorBox(const RecordingErrorBox &) = delete;
    RecordingErrorBox &operator=(const RecordingErrorBox &) = delete;

    void showError(QWidget *parent, const QString &title, const QString &message) override;

    const QList<Shown> &shown() const { return m_shown; }
    QStringList messages() const;
    void clear() { m_shown.clear(); }

private:
    ErrorBox *m_previous = nullptr;
    QList<Shown> m_shown;
};

} // namespace vinary
