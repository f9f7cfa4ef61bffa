#pragma once

#include "widgets/filedialog.h"

#include <QList>
#include <QQueue>

namespace vinary {

// A file dialog that answers from a queue of file names; with an empty queue the user "cancels".
// Every request is recorded with what the dialog would have shown.
class ScriptedFileDialog : public FileDialog
{
public:
    struct Request
    {
        QString caption;
        QString directory;
        QStringList filters;
    };

    void setNextFile(const QString &fileName) { m_answers.enqueue(fileName); }
    void setNextCancel() { m_answers.enqueue(QString()); }

    QString openFileName(QWidget *parent, const QString &caption, const QString &directory,
                         const QStringList &filters) override;

    const QList<Request> &requests() const { return m_requests; }

private:
    QQueue<QString> m_answers;
    QList<Request> m_requests;
};

} // namespace vinary
