#include "tests/support/scriptedmessagebox.h"

namespace vinary {

void ScriptedMessageBox::notice(const QString &text)
{
    m_shown.append({Kind::Notice, text});
}

bool ScriptedMessageBox::question(const QString &text)
{
    m_shown.append({Kind::Question, text});
    if (m_answers.isEmpty()) {
        ++m_unanswered;
        return false;
    }
    return m_answers.dequeue();
}

QStringList ScriptedMessageBox::texts() const
{
    QStringList result;
    for (const Shown &s : m_shown)
        result.append(s.text);
    return result;
}

QStringList ScriptedMessageBox::notices() const
{
    QStringList result;
    for (const Shown &s : m_shown) {
        if (s.kind == Kind::Notice)
            result.append(s.text);
    }
    return result;
}

QStringList ScriptedMessageBox::questions() const
{
    QStringList result;
    for (const Shown &s : m_shown) {
        if (s.kind == Kind::Question)
            result.append(s.text);
    }
    return result;
}

void ScriptedMessageBox::clear()
{
    m_answers.clear();
    m_shown.clear();
    m_unanswered = 0;
}

} // namespace vinary
