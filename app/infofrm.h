#pragma once

#include <QDialog>

namespace vinary {

class Cellar;

// The about box.
class TfrmInfo : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmInfo(Cellar &cellar, QWidget *parent = nullptr);

private:
    Cellar &m_cellar;
};

} // namespace vinary
