#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace vinary
{

class Cellar;

// The about box: the program's icon, the maker, the title with the version, a line about the
// program and the maker's address. Its labels are translated once, when it is created.
class TfrmInfo : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmInfo(Cellar &cellar, QWidget *parent = nullptr);

    QFrame *Panel1 = nullptr;
    QLabel *ProgramIcon = nullptr;
    QLabel *ProductName = nullptr; // the maker
    QLabel *Label4 = nullptr;      // "[TITOLO] 04.02"
    QLabel *Comments = nullptr;    // "[DESCRIZIONE_SOFTWARE]"
    QFrame *Bevel1 = nullptr;
    QLabel *Label2 = nullptr; // postal address
    QLabel *Label3 = nullptr; // telephone and fax
    QLabel *Label1 = nullptr; // web address
    QPushButton *OKButton = nullptr;

    static constexpr int kWidth = 295;
    static constexpr int kHeight = 196;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();

    Cellar &m_cellar;
};

} // namespace vinary
