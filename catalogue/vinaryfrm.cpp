#include "catalogue/vinaryfrm.h"

#include "data/cellar.h"

namespace vinary {

TfrmVinary::TfrmVinary(Cellar &cellar, QWidget *parent) : QDialog(parent), m_cellar(cellar)
{
    setObjectName(QStringLiteral("frmVinary"));
    setWindowTitle(m_cellar.traduci(QStringLiteral("[TITOLO]")));
}

} // namespace vinary
