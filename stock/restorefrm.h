#pragma once

#include "data/backups.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vinary
{

class Cellar;

// The dated copies of the cellar, with their date, card count and journal count, from which the
// maintenance window restores one after a question.
class TRestoreForm : public QDialog
{
    Q_OBJECT
public:
    using PlainMessage = std::function<void(QWidget *parent, const QString &text)>;
    TRestoreForm(Cellar &cellar, PlainMessage message, QWidget *parent = nullptr);

    void refresh();
    // Restores the chosen copy after the question; the settings row stays in edit mode if it was.
    void btnRipristinaClick();

    QTreeWidget *list() const { return m_list; }

private:
    void translate();

    Cellar &m_cellar;
    PlainMessage m_message;
    QList<BackupCopy> m_copies;
    QLabel *m_label = nullptr;
    QLabel *m_empty = nullptr;
    QTreeWidget *m_list = nullptr;
    QPushButton *btnRipristina = nullptr;
    QPushButton *btnChiudi = nullptr;
};

} // namespace vinary
