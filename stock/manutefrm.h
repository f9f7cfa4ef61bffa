#pragma once

#include <QDialog>

namespace vinary {

class Cellar;

// The maintenance window: settings and journal purge.
class TManutenzioneForm : public QDialog
{
    Q_OBJECT
public:
    explicit TManutenzioneForm(Cellar &cellar, QWidget *parent = nullptr);

private:
    Cellar &m_cellar;
};

} // namespace vinary
