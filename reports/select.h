#pragma once

#include <QDialog>

namespace vinary {

class Cellar;

// The print selection dialog.
class TSelezioneForm : public QDialog
{
    Q_OBJECT
public:
    explicit TSelezioneForm(Cellar &cellar, QWidget *parent = nullptr);

private:
    Cellar &m_cellar;
};

} // namespace vinary
