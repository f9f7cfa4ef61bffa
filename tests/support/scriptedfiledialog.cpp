#include "tests/support/scriptedfiledialog.h"

namespace vinary {

QString ScriptedFileDialog::openFileName(QWidget *, const QString &caption, const QString &directory,
                                         const QStringList &filters)
{
    m_requests.append({caption, directory, filters});
    return m_answers.isEmpty() ? QString() : m_answers.dequeue();
}

} // namespace vinary
