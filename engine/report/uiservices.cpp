#include "engine/report/uiservices.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace vinary::report
{

bool UiServices::printerAvailable()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool UiServices::choosePrinter(QPrinter &printer, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

QString UiServices::saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                                 const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

QString UiServices::openFileName(QWidget *parent, const QString &caption, const QString &directory,
                                 const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

void UiServices::information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text);
}

void UiServices::error(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text);
}

QColor UiServices::chooseColor(QWidget *parent, const QColor &initial)
{
    return QColorDialog::getColor(initial.isValid() ? initial : QColor(Qt::black), parent);
}

bool UiServices::question(QWidget *parent, const QString &title, const QString &text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

UiServices::Answer UiServices::questionWithCancel(QWidget *parent, const QString &title, const QString &text)
{
    const auto button = QMessageBox::question(
        parent, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    return button == QMessageBox::Yes ? Answer::Yes : button == QMessageBox::No ? Answer::No : Answer::Cancel;
}

UiServices &UiServices::standard()
{
    static UiServices services;
    return services;
}

} // namespace vinary::report
