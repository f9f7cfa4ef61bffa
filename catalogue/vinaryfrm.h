#pragma once

#include <QDialog>

namespace vinary {

class Cellar;

// The catalogue of wine cards.
class TfrmVinary : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmVinary(Cellar &cellar, QWidget *parent = nullptr);

private:
    Cellar &m_cellar;
};

} // namespace vinary
