#pragma once

#include "reports/printcommand.h"

#include <QDialog>
#include <QPointer>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace vinary
{

class Cellar;
class DateBox;
class SortedComboBox;

// The print selection dialog: page "VINARY" narrows a catalogue report down by group, producer,
// supplier, type and wine-list flag and shows its sort order; page "GIORNALE" holds the journal
// report's dates. Only the print command switches pages. The card and journal filters read its
// boxes while a report is prepared. Created once, it keeps every value from one print to the next.
class TSelezioneForm : public QDialog, public PrintSelection
{
    Q_OBJECT
public:
    explicit TSelezioneForm(Cellar &cellar, QWidget *parent = nullptr);
    ~TSelezioneForm() override;

    QStackedWidget *Notebook1 = nullptr;
    QWidget *pageVinary = nullptr;
    QWidget *pageGiornale = nullptr;
    SortedComboBox *selGruppo = nullptr;
    SortedComboBox *selproduttore = nullptr;
    SortedComboBox *selfornitore = nullptr;
    SortedComboBox *seltipologia = nullptr;
    QRadioButton *incarta = nullptr;
    QRadioButton *noincarta = nullptr;
    QComboBox *selOrder = nullptr;
    DateBox *dadata = nullptr;
    DateBox *adata = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;

    // Copies the catalogue's group, producer, supplier and type pick lists into the four boxes,
    // keeping the text each box shows. Runs whenever the dialog becomes active.
    void FormActivate();

    // PrintSelection
    void setActivePage(const QString &name) override;
    QString activePage() const override;
    void setFromDate(const QDateTime &date) override;
    void setToDate(const QDateTime &date) override;
    void clearOrders() override;
    void addOrder(const QString &entry) override;
    int orderCount() const override;
    void setOrderIndex(int index) override;
    int orderIndex() const override;
    void setOrderEnabled(bool enabled) override;
    bool execute() override;

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    QWidget *createVinaryPage();
    QWidget *createGiornalePage();
    void translate();
    void installCriteria();

    Cellar &m_cellar;
    QPointer<Cellar> m_cellarAlive;
};

} // namespace vinary
