#include "widgets/gridinteraction.h"

#include "widgets/applicationtitle.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary {

void QtGridInteraction::notice(QWidget *parent, const QString &text)
{
    QMessageBox::information(parent, applicationTitle(), text);
}

QString QtGridInteraction::saveFileName(QWidget *parent, const QString &caption, const QStringList &filters,
                                        QString *selectedFilter)
{
    return QFileDialog::getSaveFileName(parent, caption, QString(), filters.join(u";;"_s), selectedFilter);
}

bool QtGridInteraction::hasPrinter()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool QtGridInteraction::setupPrinter(QWidget *parent, QPrinter &printer)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(u"Print Grid"_s);
    return dialog.exec() == QDialog::Accepted;
}

bool QtGridInteraction::chooseColumns(QWidget *parent, const QStringList &titles, QList<bool> &visible)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(u"Customize"_s);
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(u"&Columns shown:"_s, &dialog);
    auto *list = new QListWidget(&dialog);
    label->setBuddy(list);
    for (qsizetype i = 0; i < titles.size(); ++i) {
        auto *item = new QListWidgetItem(titles.at(i), list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(visible.value(i, true) ? Qt::Checked : Qt::Unchecked);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(label);
    layout->addWidget(list);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    visible.clear();
    for (int i = 0; i < list->count(); ++i)
        visible << (list->item(i)->checkState() == Qt::Checked);
    return true;
}

} // namespace vinary
