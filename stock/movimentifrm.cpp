#include "stock/movimentifrm.h"

#include "data/cellar.h"

namespace vinary {

TfrmInOut::TfrmInOut(Cellar &cellar, QWidget *parent) : QDialog(parent), m_cellar(cellar)
{
    setObjectName(QStringLiteral("frmInOut"));
    setWindowTitle(m_cellar.traduci(QStringLiteral("[MOVIMENTI]")));
}

} // namespace vinary
