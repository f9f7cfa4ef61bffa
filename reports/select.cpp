#include "reports/select.h"

#include "data/cellar.h"

namespace vinary {

TSelezioneForm::TSelezioneForm(Cellar &cellar, QWidget *parent) : QDialog(parent), m_cellar(cellar)
{
    setObjectName(QStringLiteral("SelezioneForm"));
    setWindowTitle(m_cellar.traduci(QStringLiteral("[SELEZIONE]")));
}

} // namespace vinary
