#pragma once

#include <QDialog>

namespace vinary {

class Cellar;

// The stock movements window: loads and unloads.
class TfrmInOut : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmInOut(Cellar &cellar, QWidget *parent = nullptr);

private:
    Cellar &m_cellar;
};

} // namespace vinary
