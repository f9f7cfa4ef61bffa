#include "app/infofrm.h"

#include "data/cellar.h"

namespace vinary {

TfrmInfo::TfrmInfo(Cellar &cellar, QWidget *parent) : QDialog(parent), m_cellar(cellar)
{
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(m_cellar.traduci(QStringLiteral("[INFORMAZIONI]")));
}

} // namespace vinary
