#pragma once

#include "data/messagebox.h"

#include <QList>
#include <QQueue>
#include <QStringList>

namespace vinary {

// A message box that answers from a queue and records every text it was shown.
// A question asked with an empty queue answers false and is counted as unanswered.
class ScriptedMessageBox : public MessageBox
{
public:
    enum class Kind { Notice, Question };
    struct Shown
    {
        Kind kind;
        QString text;
    };

    void setNextAnswer(bool answer) { m_answers.enqueue(answer); }

    void notice(const QString &text) override;
    bool question(const QString &text) override;

    const QList<Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    QStringList notices() const;
    QStringList questions() const;
    // Queued answers that no question has used yet.
    qsizetype pendingAnswers() const { return m_answers.size(); }
    int unansweredQuestions() const { return m_unanswered; }
    void clear();

private:
    QQueue<bool> m_answers;
    QList<Shown> m_shown;
    int m_unanswered = 0;
};

} // namespace vinary
