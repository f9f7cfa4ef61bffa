#include "stock/manutefrm.h"

#include "data/cellar.h"

namespace vinary {

TManutenzioneForm::TManutenzioneForm(Cellar &cellar, QWidget *parent) : QDialog(parent), m_cellar(cellar)
{
    setObjectName(QStringLiteral("ManutenzioneForm"));
    setWindowTitle(m_cellar.traduci(QStringLiteral("[MANUTENZIONE]")));
}

} // namespace vinary
