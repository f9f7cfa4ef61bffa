#pragma once

#include "data/takeback.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vinary
{

class Cellar;

// The list of today's movements from which the movements window takes one back.
class TTakeBackForm : public QDialog
{
    Q_OBJECT
public:
    explicit TTakeBackForm(Cellar &cellar, QWidget *parent = nullptr);

    // Reads today's movements again.
    void refresh();
    // Takes back the chosen line after the question; a refusal is told with a notice.
    void btnStornaClick();

    QTreeWidget *list() const { return m_list; }

private:
    void translate();
    void showOutcome(MovementTakeBack::Outcome outcome);

    Cellar &m_cellar;
    MovementTakeBack m_takeBack;
    QLabel *m_label = nullptr;
    QLabel *m_empty = nullptr;
    QTreeWidget *m_list = nullptr;
    QPushButton *btnStorna = nullptr;
    QPushButton *btnChiudi = nullptr;
};

} // namespace vinary
