#include "engine/report/uiservices.h"

#include "engine/report/texts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{

class ProgressWindow : public ProgressIndicator
{
public:
    ProgressWindow(QWidget *parent, const QString &title, const QString &text) : m_dialog(parent)
    {
        m_dialog.setObjectName(u"progressWindow"_s);
        m_dialog.setWindowTitle(title);
        m_dialog.setLabelText(text);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setMinimumDuration(0);
        m_dialog.setMinimumWidth(420);
        auto *stop = new QPushButton(engineText(u"[MOT_INTERROMPI]"_s, u"&Cancel"_s), &m_dialog);
        stop->setObjectName(u"btnInterrompi"_s);
        m_dialog.setCancelButton(stop);
        m_dialog.setRange(0, 0);
        m_dialog.show();
        QApplication::processEvents();
    }

    void update(qint64 done, qint64 total, const QString &text) override
    {
        m_dialog.setLabelText(text);
        if (total > 0) {
            m_dialog.setRange(0, 1000);
            m_dialog.setValue(int(std::min<qint64>(1000, done * 1000 / total)));
        }
        QApplication::processEvents();
    }

    bool cancelled() const override { return m_dialog.wasCanceled(); }

private:
    QProgressDialog m_dialog;
};

} // namespace

std::unique_ptr<ProgressIndicator> UiServices::startProgress(QWidget *parent, const QString &title,
                                                             const QString &text)
{
    return std::make_unique<ProgressWindow>(parent, title, text);
}

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
