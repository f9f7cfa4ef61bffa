#pragma once

#include <QDialog>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QStatusBar;
class QTextEdit;
class QToolButton;

namespace vinary {

namespace report {
class Report;
}
class CardExtras;
class Cellar;
class ComboPickList;
class DataGrid;
class DbCheckBox;
class DbComboBox;
class DbDateBox;
class DbEdit;
class DbNavigator;

// The catalogue of wine cards: a card page with one card in bound boxes and a list page with the
// cards that pass the search, both over the main window's card table. It owns the search box the
// card filter reads in mode 'S' and the seven drop-down boxes whose items are the pick lists.
class TfrmVinary : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmVinary(Cellar &cellar, QWidget *parent = nullptr);
    ~TfrmVinary() override;

    // The placement store's calls, installed by the main window (see app/placement.h): restore runs
    // before every showing; save runs at every closing, and once more from the destructor, with
    // stillOpen set, when the program ends with the window open and nothing saved since it showed.
    using PlacementRestore = std::function<void(TfrmVinary &)>;
    using PlacementSave = std::function<void(TfrmVinary &, bool stillOpen)>;
    void setPlacementHooks(PlacementRestore restore, PlacementSave save);

    // The handlers of the card extras (markup, tasting card, producer and supplier notes). Each
    // button runs its handler through the command guard; a handler not set does nothing.
    struct ExtraHandlers {
        std::function<void()> SpeedButton1Click;
        std::function<void()> BitBtn1Click;
        std::function<void()> BitBtn2Click;
        std::function<void()> BitBtn3Click;
    };
    void setExtraHandlers(ExtraHandlers handlers) { m_extras = std::move(handlers); }
    // The card extras the buttons run unless other handlers are set.
    CardExtras &cardExtras() const { return *m_cardExtras; }
    // The main window's report component frReport1, which the tasting card prints through.
    void setReport(report::Report *frReport1);

    DataGrid *grid() const { return schedeGrid; }
    QLineEdit *searchBox() const;
    // The seven drop-down boxes in pick-list order: group, zone, producer, supplier, type,
    // container, region.
    DbComboBox *pickBox(int index) const { return m_pickBoxes.at(size_t(index)); }
    QTextEdit *richEdit() const { return RichEdit1; }
    bool isEditMode() const;
    bool isListPageShown() const;

    void setVisible(bool visible) override;
    void done(int result) override;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate();
    void createTopBar(QWidget *bar);
    void createCardPage(QWidget *page);
    void createListPage(QWidget *page);
    void setTabOrder();
    void translate();
    void bindToCards();

    void FormShow();
    // False when the card in edit could not be saved: the window then stays open in edit mode.
    bool FormClose();

    void actEsciExecute();
    void actNuovoExecute();
    void actModificaExecute();
    void actEliminaExecute();
    void actElencoExecute();
    void actConfermaExecute();
    void actAnnullaExecute();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void schedeGridTitleBtnClick(int column, const QString &field);
    void schedeGridDblClick();

    void switchToEditMode();
    void switchToBrowseMode();
    void showCardPage();
    void runExtra(const std::function<void()> &handler);

    Cellar &m_cellar;
    QPointer<Cellar> m_cellarAlive;

    // Top bar
    QToolButton *btnEsci = nullptr;
    QToolButton *btnNew = nullptr;
    QToolButton *btnModify = nullptr;
    QToolButton *btnDelete = nullptr;
    QToolButton *btnfind = nullptr;
    DbNavigator *DBNav = nullptr;
    QLabel *lblCampoRicerca = nullptr;
    QLineEdit *ricerca = nullptr;
    QToolButton *SpeedButton2 = nullptr;
    QToolButton *SpeedButton3 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QStackedWidget *pages = nullptr;
    QWidget *SINGOLO = nullptr;
    QWidget *LISTA = nullptr;

    // Card page
    DbEdit *EditCODICE = nullptr;
    DbComboBox *EDITGruppo = nullptr;
    DbEdit *EditDESCRIZION = nullptr;
    DbEdit *EditANNO = nullptr;
    DbEdit *EditGRADI = nullptr;
    DbComboBox *EditZona = nullptr;
    DbComboBox *EditRegione = nullptr;
    DbComboBox *EDITProduttore = nullptr;
    DbComboBox *EditFORNITORE = nullptr;
    DbEdit *EditCOMPOSIZIO = nullptr;
    DbComboBox *EditTipologia = nullptr;
    DbComboBox *EditCapacita = nullptr;
    DbCheckBox *Editcarta = nullptr;
    DbEdit *DBEdit9 = nullptr;
    QToolButton *BitBtn1 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    DbEdit *EditDegustazione = nullptr;
    DbEdit *EditP1 = nullptr;
    DbEdit *EditP2 = nullptr;
    DbEdit *EditP3 = nullptr;
    DbDateBox *EditUltimoCarico = nullptr;
    DbEdit *EditPrezzoAcq = nullptr;
    DbEdit *EditRicarico = nullptr;
    DbDateBox *EditScadenza = nullptr;
    DbEdit *EditPrezzoVen = nullptr;
    DbEdit *EditScorta = nullptr;
    DbEdit *EditPrezzoBic = nullptr;
    DbEdit *EditGiacenza = nullptr;
    DbEdit *EditNOTE = nullptr;
    QToolButton *BitBtn2 = nullptr;
    QToolButton *BitBtn3 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QTextEdit *RichEdit1 = nullptr;
    QToolButton *btnConferma = nullptr;
    QToolButton *btnAnnulla = nullptr;
    QAction *actConferma = nullptr;
    QAction *actAnnulla = nullptr;

    // List page
    DataGrid *schedeGrid = nullptr;

    std::array<DbComboBox *, 7> m_pickBoxes{};
    std::array<std::unique_ptr<ComboPickList>, 7> m_pickLists;
    std::unique_ptr<CardExtras> m_cardExtras;
    ExtraHandlers m_extras;
    PlacementRestore m_restorePlacement;
    PlacementSave m_savePlacement;
    // Shown and not yet closed: the destructor then saves the placement as still open.
    bool m_open = false;
};

} // namespace vinary
