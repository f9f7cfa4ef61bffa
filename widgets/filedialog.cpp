#include "widgets/filedialog.h"

#include <QFileDialog>

using namespace Qt::StringLiterals;

namespace vinary {

QString QtFileDialog::openFileName(QWidget *parent, const QString &caption, const QString &directory,
                                   const QStringList &filters)
{
    QString selected = filters.value(0);
    return QFileDialog::getOpenFileName(parent, caption, directory, filters.join(u";;"_s), &selected);
}

} // namespace vinary
