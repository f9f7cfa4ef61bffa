#pragma once

#include "data/movements.h"

#include <QDialog>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vinary
{

class Cellar;
class DataGrid;
class NumberBox;

// The stock movements window: narrows the cards through its search box, takes the prices and the
// quantity of one movement and records loads and unloads against the current card of Schede.
// It holds filter mode 'M' with filtering on while it is open.
class TfrmInOut : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmInOut(Cellar &cellar, QWidget *parent = nullptr);
    ~TfrmInOut() override;

    // The placement store: restore runs before every showing, save at every closing (stillOpen:
    // the program ends with the window open). Without them the window opens centred on the screen.
    using RestorePlacement = std::function<void(TfrmInOut &)>;
    using SavePlacement = std::function<void(TfrmInOut &, bool stillOpen)>;
    void setPlacementHooks(RestorePlacement restore, SavePlacement save);

    // The handlers, as the controls call them.
    void FormShow();
    void FormClose();
    void ckdescrizioneChange();
    void DBGrid1CellClick();
    void BitBtn1Click();
    void BitBtn2Click();
    // Opens the list of today's movements, from which one is taken back.
    void btnStornoClick();

    QLineEdit *searchBox() const { return ckdescrizione; }
    DataGrid *grid() const { return DBGrid1; }

    // Runs the search that typed keys have left waiting, if any.
    void flushSearch();

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void translate();
    void centreOnScreen();
    void selectCurrentCard();
    void clearSelection();
    void record(Movement::Kind kind);
    void resetAfterMovement();
    void searchTextChanged();
    void dropPendingSearch();

    Cellar &m_cellar;
    StockMovements m_movements;
    RestorePlacement m_restorePlacement;
    SavePlacement m_savePlacement;
    bool m_placementSaved = true;
    // True while the search box handles a key the user typed; a change of its text made then
    // waits for the keys behind it (see searchTextChanged).
    bool m_typing = false;
    bool m_searchPending = false;
    bool m_flushing = false;

    QGroupBox *m_searchGroup = nullptr;
    QLineEdit *ckdescrizione = nullptr;
    DataGrid *DBGrid1 = nullptr;
    QLabel *m_labelPrAcq = nullptr;
    QLabel *m_labelPrVen = nullptr;
    QLabel *m_labelQuant = nullptr;
    NumberBox *PrAcq = nullptr;
    NumberBox *PrVen = nullptr;
    NumberBox *Quant = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *btnStorno = nullptr;
};

} // namespace vinary
