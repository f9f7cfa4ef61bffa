#include "catalogue/vinaryfrm.h"

#include "catalogue/cardextras.h"
#include "catalogue/combopicklist.h"
#include "data/cardediting.h"
#include "data/cardrules.h"
#include "data/cellar.h"
#include "data/messagebox.h"
#include "engine/db/table.h"
#include "widgets/datagrid.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbdatebox.h"
#include "widgets/dbedit.h"
#include "widgets/dbnavigator.h"
#include "widgets/guard.h"
#include "widgets/numberentry.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

// The pictures live in a static library: their resources must be registered by hand.
static void initCataloguePictures()
{
    Q_INIT_RESOURCE(catalogue);
}

namespace vinary {

namespace {

struct GridColumnSpec {
    const char16_t *field;
    const char16_t *title;
    int width;
};

// The list page's columns, in their design order.
const GridColumnSpec kGridColumns[] = {
    {u"Codice", u"[CODICE]", 0},
    {u"Descrizione", u"[DESCRIZIONE]", 0},
    {u"Composizione", u"[VITIGNO]", 0},
    {u"Anno", u"[ANNO]", 0},
    {u"Gradi", u"[GRADI]", 0},
    {u"Produttore", u"[PRODUTTORE]", 0},
    {u"Fornitore", u"[FORNITORE]", 0},
    {u"Zona", u"[ZONA]", 0},
    {u"Regione", u"[REGIONE]", 0},
    {u"Gruppo", u"[GRUPPO]", 0},
    {u"Tipologia", u"[TIPOLOGIA]", 0},
    {u"Capacita", u"[CONTENITORE]", 0},
    {u"Collocazione", u"[POSIZIONE]", 0},
    {u"Quantita", u"[QUANTITA]", 0},
    {u"Prezzo_Acq", u"[PREZZO_ACQUISTO]", 0},
    {u"Ricarico", u"[RICARICO]", 0},
    {u"Prezzo_Ven", u"[PREZZO_VENDITA]", 0},
    {u"Prezzo_Bic", u"[BICCHIERE]", 0},
    {u"Incarta", u"[CARTA_VINI]", 0},
    {u"Ultimo_carico", u"[DATA_UCARICO]", 0},
    {u"Scadenza", u"[SCADENZA]", 0},
    {u"Scorta", u"[SOTTOSCORTA]", 0},
    {u"Degustazione", u"[DEGUSTAZIONE]", 304},
    {u"Punti1", u"[PUNTI1]", 0},
    {u"Punti2", u"[PUNTI2]", 0},
    {u"Punti3", u"[PUNTI3]", 0},
    {u"Note", u"[ANNOTAZIONI]", 304},
};

QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}

QToolButton *flatButton(QWidget *parent, const QString &name, const QString &picture, const QString &hint)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setIcon(QIcon(QStringLiteral(":/catalogue/") + picture));
    b->setIconSize(QSize(24, 24));
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

// A small picture button beside a box, skipped by the Tab key.
QToolButton *boxButton(QWidget *parent, const QString &name, const QString &picture)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(QIcon(QStringLiteral(":/catalogue/") + picture));
    b->setIconSize(QSize(16, 16));
    b->setFocusPolicy(Qt::ClickFocus);
    return b;
}

} // namespace

TfrmVinary::TfrmVinary(Cellar &cellar, QWidget *parent) : QDialog(parent), m_cellar(cellar), m_cellarAlive(&cellar)
{
    initCataloguePictures();
    FormCreate();
    m_cardExtras = std::make_unique<CardExtras>(cellar);
    CardExtras *extras = m_cardExtras.get();
    m_extras = {[extras] { extras->SpeedButton1Click(); }, [extras] { extras->BitBtn1Click(); },
                [extras] { extras->BitBtn2Click(); }, [extras] { extras->BitBtn3Click(); }};
}

TfrmVinary::~TfrmVinary()
{
    if (m_open && m_savePlacement)
        m_savePlacement(*this, true);
    // The rules and the filter must not reach into a window that is gone.
    if (m_cellarAlive) {
        for (int i = 0; i < CardRules::kPickListCount; ++i) {
            if (m_cellar.rules.pickList(i) == m_pickLists.at(size_t(i)).get())
                m_cellar.rules.setPickList(i, nullptr);
        }
        m_cellar.criteria.ricerca = nullptr;
    }
}

void TfrmVinary::FormCreate()
{
    setObjectName(QStringLiteral("frmVinary"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    // The design size at 96 dots per inch; Qt scales logical pixels to other densities itself.
    resize(641, 461);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Panel1"));
    createTopBar(bar);
    outer->addWidget(bar);

    pages = new QStackedWidget(this);
    pages->setObjectName(QStringLiteral("PageControl1"));
    SINGOLO = new QWidget(pages);
    SINGOLO->setObjectName(QStringLiteral("SINGOLO"));
    LISTA = new QWidget(pages);
    LISTA->setObjectName(QStringLiteral("LISTA"));
    pages->addWidget(SINGOLO);
    pages->addWidget(LISTA);
    createCardPage(SINGOLO);
    createListPage(LISTA);
    outer->addWidget(pages, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    outer->addWidget(StatusBar1);

    translate();
    setTabOrder();
    bindToCards();
    switchToBrowseMode();
}

void TfrmVinary::createTopBar(QWidget *bar)
{
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 3, 4, 3);
    row->setSpacing(2);
    btnEsci = flatButton(bar, QStringLiteral("btnEsci"), QStringLiteral("exit.svg"), QStringLiteral("[HINT_ESCI]"));
    btnNew = flatButton(bar, QStringLiteral("btnNew"), QStringLiteral("new.svg"), QStringLiteral("[HINT_NUOVO]"));
    btnModify = flatButton(bar, QStringLiteral("btnModify"), QStringLiteral("modify.svg"), QStringLiteral("[HINT_MODIFICA]"));
    btnDelete = flatButton(bar, QStringLiteral("btnDelete"), QStringLiteral("delete.svg"), QStringLiteral("[HINT_CANCELLA]"));
    btnfind = flatButton(bar, QStringLiteral("btnfind"), QStringLiteral("list.svg"), QStringLiteral("[HINT_TABELLA]"));
    for (QToolButton *b : {btnEsci, btnNew, btnModify, btnDelete, btnfind})
        row->addWidget(b);
    row->addSpacing(8);
    DBNav = new DbNavigator(bar);
    DBNav->setObjectName(QStringLiteral("DBNav"));
    row->addWidget(DBNav);
    row->addStretch(1);
    lblCampoRicerca = new QLabel(QStringLiteral("[RICERCA]"), bar);
    lblCampoRicerca->setObjectName(QStringLiteral("lblCampoRicerca"));
    lblCampoRicerca->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(lblCampoRicerca);
    ricerca = new QLineEdit(bar);
    ricerca->setObjectName(QStringLiteral("ricerca"));
    ricerca->setMinimumWidth(150);
    lblCampoRicerca->setBuddy(ricerca);
    row->addWidget(ricerca);
    SpeedButton2 = flatButton(bar, QStringLiteral("SpeedButton2"), QStringLiteral("search.svg"), QString());
    SpeedButton3 = flatButton(bar, QStringLiteral("SpeedButton3"), QStringLiteral("clearsearch.svg"), QString());
    row->addWidget(SpeedButton2);
    row->addWidget(SpeedButton3);

    guardedConnect(btnEsci, &QToolButton::clicked, this, [this] { actEsciExecute(); });
    guardedConnect(btnNew, &QToolButton::clicked, this, [this] { actNuovoExecute(); });
    guardedConnect(btnModify, &QToolButton::clicked, this, [this] { actModificaExecute(); });
    guardedConnect(btnDelete, &QToolButton::clicked, this, [this] { actEliminaExecute(); });
    guardedConnect(btnfind, &QToolButton::clicked, this, [this] { actElencoExecute(); });
    guardedConnect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    guardedConnect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
}

void TfrmVinary::createCardPage(QWidget *page)
{
    auto label = [page](const char16_t *key, QWidget *buddy) {
        auto *l = new QLabel(s(key), page);
        l->setObjectName(QStringLiteral("lbl") + buddy->objectName());
        l->setBuddy(buddy);
        return l;
    };
    auto edit = [page](DbEdit *&box, const char16_t *name) {
        box = new DbEdit(page);
        box->setObjectName(s(name));
        return box;
    };
    auto combo = [page](DbComboBox *&box, const char16_t *name) {
        box = new DbComboBox(page);
        box->setObjectName(s(name));
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(8);
        return box;
    };
    auto number = [&edit](DbEdit *&box, const char16_t *name, int width) {
        edit(box, name)->setMaximumWidth(width);
        box->setAlignment(Qt::AlignRight);
        return box;
    };
    auto pair = [](QWidget *a, QWidget *b) {
        auto *row = new QHBoxLayout;
        row->setSpacing(4);
        row->addWidget(a, 1);
        row->addWidget(b);
        return row;
    };

    auto *main = new QVBoxLayout(page);
    main->setContentsMargins(8, 6, 8, 6);
    main->setSpacing(4);

    // Descriptive boxes: label, box, label, box, and the tall tasting-card button at the right.
    auto *top = new QGridLayout;
    top->setHorizontalSpacing(6);
    top->setVerticalSpacing(4);
    top->setColumnStretch(1, 1);
    top->setColumnStretch(3, 1);
    main->addLayout(top);

    top->addWidget(label(u"[CODICE]", edit(EditCODICE, u"EditCODICE")), 0, 0);
    EditCODICE->setMaximumWidth(140);
    top->addWidget(EditCODICE, 0, 1, Qt::AlignLeft);
    top->addWidget(label(u"[GRUPPO]", combo(EDITGruppo, u"EDITGruppo")), 0, 2);
    top->addWidget(EDITGruppo, 0, 3, 1, 2);

    top->addWidget(label(u"[DESCRIZIONE]", edit(EditDESCRIZION, u"EditDESCRIZION")), 1, 0);
    top->addWidget(EditDESCRIZION, 1, 1);
    auto *vintage = new QHBoxLayout;
    vintage->setSpacing(4);
    top->addWidget(label(u"[ANNO]", edit(EditANNO, u"EditANNO")), 1, 2);
    EditANNO->setMaximumWidth(56);
    vintage->addWidget(EditANNO);
    vintage->addSpacing(8);
    vintage->addWidget(label(u"[GRADI]", edit(EditGRADI, u"EditGRADI")));
    EditGRADI->setMaximumWidth(56);
    vintage->addWidget(EditGRADI);
    vintage->addStretch(1);
    top->addLayout(vintage, 1, 3, 1, 2);

    top->addWidget(label(u"[ZONA]", combo(EditZona, u"EditZona")), 2, 0);
    top->addWidget(EditZona, 2, 1);
    top->addWidget(label(u"[REGIONE]", combo(EditRegione, u"EditRegione")), 2, 2);
    top->addWidget(EditRegione, 2, 3, 1, 2);

    BitBtn2 = boxButton(page, QStringLiteral("BitBtn2"), QStringLiteral("notes.svg"));
    BitBtn3 = boxButton(page, QStringLiteral("BitBtn3"), QStringLiteral("notes.svg"));
    top->addWidget(label(u"[PRODUTTORE]", combo(EDITProduttore, u"EDITProduttore")), 3, 0);
    top->addLayout(pair(EDITProduttore, BitBtn2), 3, 1);
    top->addWidget(label(u"[FORNITORE]", combo(EditFORNITORE, u"EditFORNITORE")), 3, 2);
    top->addLayout(pair(EditFORNITORE, BitBtn3), 3, 3);

    top->addWidget(label(u"[VITIGNO]", edit(EditCOMPOSIZIO, u"EditCOMPOSIZIO")), 4, 0);
    top->addWidget(EditCOMPOSIZIO, 4, 1);
    top->addWidget(label(u"[TIPOLOGIA]", combo(EditTipologia, u"EditTipologia")), 4, 2);
    top->addWidget(EditTipologia, 4, 3);

    Editcarta = new DbCheckBox(QStringLiteral("[CARTA_VINI]"), page);
    Editcarta->setObjectName(QStringLiteral("Editcarta"));
    top->addWidget(label(u"[CONTENITORE]", combo(EditCapacita, u"EditCapacita")), 5, 0);
    auto *container = pair(EditCapacita, Editcarta);
    container->insertSpacing(1, 8);
    top->addLayout(container, 5, 1);
    top->addWidget(label(u"[POSIZIONE]", edit(DBEdit9, u"DBEdit9")), 5, 2);
    DBEdit9->setMaximumWidth(110);
    top->addWidget(DBEdit9, 5, 3, Qt::AlignLeft);

    BitBtn1 = new QToolButton(page);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setText(QStringLiteral("[SCHEDA]"));
    BitBtn1->setIcon(QIcon(QStringLiteral(":/catalogue/tasting.svg")));
    BitBtn1->setIconSize(QSize(32, 32));
    BitBtn1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    BitBtn1->setToolTip(QStringLiteral("Stampa Scheda per degustazione"));
    BitBtn1->setStatusTip(BitBtn1->toolTip());
    BitBtn1->setMinimumWidth(84);
    BitBtn1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    top->addWidget(BitBtn1, 3, 4, 3, 1);

    // The tasting notes and the three scores, which have no labels of their own.
    GroupBox1 = new QGroupBox(QStringLiteral(" [HINT_DEGU] "), page);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *tasting = new QHBoxLayout(GroupBox1);
    tasting->setContentsMargins(6, 2, 6, 4);
    tasting->setSpacing(4);
    tasting->addWidget(edit(EditDegustazione, u"EditDegustazione"), 1);
    for (auto [box, name] : {std::pair{&EditP1, u"EditP1"}, std::pair{&EditP2, u"EditP2"}, std::pair{&EditP3, u"EditP3"}}) {
        *box = new DbEdit(GroupBox1);
        (*box)->setObjectName(s(name));
        (*box)->setMaximumWidth(44);
        (*box)->setAlignment(Qt::AlignRight);
        tasting->addWidget(*box);
    }
    main->addWidget(GroupBox1);

    // Three columns: dates and quantities, prices, markup with the confirm and cancel buttons.
    auto *money = new QGridLayout;
    money->setHorizontalSpacing(6);
    money->setVerticalSpacing(4);
    main->addLayout(money);
    EditUltimoCarico = new DbDateBox(page);
    EditUltimoCarico->setObjectName(QStringLiteral("EditUltimoCarico"));
    EditScadenza = new DbDateBox(page);
    EditScadenza->setObjectName(QStringLiteral("EditScadenza"));
    for (DbDateBox *d : {EditUltimoCarico, EditScadenza})
        d->setMaximumWidth(130);
    money->addWidget(label(u"[DATA_UCARICO]", EditUltimoCarico), 0, 0);
    money->addWidget(EditUltimoCarico, 0, 1);
    money->addWidget(label(u"[SCADENZA]", EditScadenza), 1, 0);
    money->addWidget(EditScadenza, 1, 1);
    money->addWidget(label(u"[SOTTOSCORTA]", number(EditScorta, u"EditScorta", 80)), 2, 0);
    money->addWidget(EditScorta, 2, 1, Qt::AlignLeft);
    money->addWidget(label(u"[GIACENZA]", number(EditGiacenza, u"EditGiacenza", 80)), 3, 0);
    money->addWidget(EditGiacenza, 3, 1, Qt::AlignLeft);

    money->addWidget(label(u"[PREZZO_ACQUISTO]", number(EditPrezzoAcq, u"EditPrezzoAcq", 90)), 0, 2);
    money->addWidget(EditPrezzoAcq, 0, 3, Qt::AlignLeft);
    SpeedButton1 = boxButton(page, QStringLiteral("SpeedButton1"), QStringLiteral("markup.svg"));
    money->addWidget(label(u"[PREZZO_VENDITA]", number(EditPrezzoVen, u"EditPrezzoVen", 90)), 1, 2);
    auto *sale = new QHBoxLayout;
    sale->setSpacing(4);
    sale->addWidget(EditPrezzoVen);
    sale->addWidget(SpeedButton1);
    sale->addStretch(1);
    money->addLayout(sale, 1, 3);
    money->addWidget(label(u"[BICCHIERE]", number(EditPrezzoBic, u"EditPrezzoBic", 90)), 2, 2);
    money->addWidget(EditPrezzoBic, 2, 3, Qt::AlignLeft);

    money->addWidget(label(u"[RICARICO]", number(EditRicarico, u"EditRicarico", 70)), 0, 4);
    money->addWidget(EditRicarico, 0, 5, Qt::AlignLeft);
    actConferma = new QAction(this);
    actConferma->setObjectName(QStringLiteral("actConferma"));
    actAnnulla = new QAction(this);
    actAnnulla->setObjectName(QStringLiteral("actAnnulla"));
    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(2);
    for (auto [button, name, picture, caption, hint] :
         {std::tuple{&btnConferma, u"btnConferma", u"confirm.svg", u"[CONFERMA]", u"[HINT_CONFERMA]"},
          std::tuple{&btnAnnulla, u"btnAnnulla", u"cancel.svg", u"[ANNULLA]", u"[HINT_ANNULLA]"}}) {
        *button = flatButton(page, s(name), s(picture), s(hint));
        (*button)->setText(s(caption));
        (*button)->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        (*button)->setMinimumWidth(110);
        (*button)->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        buttons->addWidget(*button);
    }
    buttons->addStretch(1);
    money->addLayout(buttons, 1, 4, 3, 2);
    money->setColumnStretch(1, 1);
    money->setColumnStretch(3, 1);
    money->setColumnStretch(5, 1);

    auto *notes = new QHBoxLayout;
    notes->setSpacing(6);
    notes->addWidget(label(u"[ANNOTAZIONI]", edit(EditNOTE, u"EditNOTE")));
    notes->addWidget(EditNOTE, 1);
    main->addLayout(notes);
    main->addStretch(1);

    RichEdit1 = new QTextEdit(page);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->hide();

    // Each button is visible exactly when its action is; pressing it runs the action.
    for (auto [action, button] : {std::pair{actConferma, btnConferma}, std::pair{actAnnulla, btnAnnulla}}) {
        connect(action, &QAction::changed, button, [action = action, button = button] {
            button->setVisible(action->isVisible());
            button->setEnabled(action->isEnabled());
        });
        connect(button, &QToolButton::clicked, action, &QAction::trigger);
    }
    guardedConnect(actConferma, &QAction::triggered, this, [this] { actConfermaExecute(); });
    guardedConnect(actAnnulla, &QAction::triggered, this, [this] { actAnnullaExecute(); });

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { runExtra(m_extras.SpeedButton1Click); });
    connect(BitBtn1, &QToolButton::clicked, this, [this] { runExtra(m_extras.BitBtn1Click); });
    connect(BitBtn2, &QToolButton::clicked, this, [this] { runExtra(m_extras.BitBtn2Click); });
    connect(BitBtn3, &QToolButton::clicked, this, [this] { runExtra(m_extras.BitBtn3Click); });

    m_pickBoxes = {EDITGruppo, EditZona, EDITProduttore, EditFORNITORE, EditTipologia, EditCapacita, EditRegione};
}

void TfrmVinary::createListPage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    schedeGrid = new DataGrid(page);
    schedeGrid->setObjectName(QStringLiteral("schedeGrid"));
    schedeGrid->setFrameShape(QFrame::NoFrame);
    schedeGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    schedeGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    schedeGrid->setRowHeight(17);
    QList<GridColumn> columns;
    for (const GridColumnSpec &c : kGridColumns)
        columns.append({s(c.field), s(c.title), c.width});
    schedeGrid->setColumns(columns);
    layout->addWidget(schedeGrid);

    guardedConnect(schedeGrid, &DataGrid::titleClicked, this,
                   [this](const QString &field, int column) { schedeGridTitleBtnClick(column, field); });
    guardedConnect(schedeGrid, &DataGrid::rowDoubleClicked, this, [this] { schedeGridDblClick(); });
}

void TfrmVinary::setTabOrder()
{
    const QList<QWidget *> order = {EditCODICE,     EDITGruppo,       EditDESCRIZION, EditANNO,      EditGRADI,
                                    EditZona,       EditRegione,      EDITProduttore, EditFORNITORE, EditCOMPOSIZIO,
                                    EditTipologia,  EditCapacita,     Editcarta,      DBEdit9,       BitBtn1,
                                    EditDegustazione, EditP1,         EditP2,         EditP3,        EditUltimoCarico,
                                    EditPrezzoAcq,  EditRicarico,     EditScadenza,   EditPrezzoVen, EditScorta,
                                    EditPrezzoBic,  EditGiacenza,     EditNOTE};
    for (int i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
}

void TfrmVinary::translate()
{
    auto tr = [this](const QString &text) { return m_cellar.traduci(text); };
    setWindowTitle(tr(QStringLiteral("[TITOLO]")));
    GroupBox1->setTitle(tr(GroupBox1->title()));
    Editcarta->setText(tr(Editcarta->text()));
    DBNav->setHints({tr(QStringLiteral("[HINT_PRIMO]")), tr(QStringLiteral("[HINT_INDIETRO]")),
                     tr(QStringLiteral("[HINT_AVANTI]")), tr(QStringLiteral("[HINT_ULTIMO]"))});
    for (int i = 0; i < int(std::size(kGridColumns)); ++i)
        schedeGrid->setColumnTitle(i, tr(s(kGridColumns[i].title)));
    // Then every label, the bit-button's caption and each flat button's hint and caption, in
    // creation order. The bit-button's hint is shown as written.
    for (QLabel *l : findChildren<QLabel *>()) {
        if (l->objectName().startsWith(u"lbl"))
            l->setText(tr(l->text()));
    }
    BitBtn1->setText(tr(BitBtn1->text()));
    // A long caption widens the button rather than being cut short.
    BitBtn1->setMinimumWidth(std::max(84, BitBtn1->sizeHint().width()));
    for (QToolButton *b : {btnEsci, btnNew, btnModify, btnDelete, btnfind, SpeedButton2, SpeedButton3, btnConferma,
                           btnAnnulla}) {
        const QString hint = tr(b->toolTip());
        b->setToolTip(hint);
        b->setStatusTip(hint);
        b->setText(tr(b->text()));
        b->setAccessibleName(hint.isEmpty() ? b->text() : hint);
    }
    // The search buttons and the small card buttons have no hint; they are named for assistive
    // technology from the labels they stand beside.
    SpeedButton2->setAccessibleName(lblCampoRicerca->text());
    SpeedButton3->setAccessibleName(tr(QStringLiteral("[ANNULLA]")) + u' ' + lblCampoRicerca->text());
    SpeedButton1->setAccessibleName(tr(QStringLiteral("[RICARICO]")));
    BitBtn2->setAccessibleName(tr(QStringLiteral("[PRODUTTORE]")) + QStringLiteral(": ") + tr(QStringLiteral("[ANNOTAZIONI]")));
    BitBtn3->setAccessibleName(tr(QStringLiteral("[FORNITORE]")) + QStringLiteral(": ") + tr(QStringLiteral("[ANNOTAZIONI]")));
    actConferma->setText(btnConferma->text());
    actAnnulla->setText(btnAnnulla->text());
    for (DbEdit *box : SINGOLO->findChildren<DbEdit *>())
        box->numberEntry()->setRefusalText(tr(QStringLiteral("[ERR_NUMERO]")));
}

void TfrmVinary::bindToCards()
{
    db::Table *schede = &m_cellar.Schede;
    const std::pair<DbEdit *, const char16_t *> edits[] = {
        {EditCODICE, u"Codice"},        {EditDESCRIZION, u"Descrizione"}, {EditANNO, u"Anno"},
        {EditGRADI, u"Gradi"},          {EditCOMPOSIZIO, u"Composizione"}, {DBEdit9, u"Collocazione"},
        {EditDegustazione, u"Degustazione"}, {EditP1, u"Punti1"},         {EditP2, u"Punti2"},
        {EditP3, u"Punti3"},            {EditPrezzoAcq, u"Prezzo_Acq"},   {EditRicarico, u"Ricarico"},
        {EditPrezzoVen, u"Prezzo_Ven"}, {EditScorta, u"Scorta"},          {EditPrezzoBic, u"Prezzo_Bic"},
        {EditGiacenza, u"Quantita"},    {EditNOTE, u"Note"}};
    for (const auto &[box, field] : edits)
        box->bind(schede, s(field));
    for (int i = 0; i < CardRules::kPickListCount; ++i) {
        m_pickBoxes.at(size_t(i))->bind(schede, QString::fromLatin1(CardRules::pickColumns().at(size_t(i)).column));
        m_pickLists.at(size_t(i)) = std::make_unique<ComboPickList>(m_pickBoxes.at(size_t(i)));
        m_cellar.rules.setPickList(i, m_pickLists.at(size_t(i)).get());
    }
    Editcarta->bind(schede, QStringLiteral("Incarta"));
    EditUltimoCarico->bind(schede, QStringLiteral("Ultimo_carico"));
    EditScadenza->bind(schede, QStringLiteral("Scadenza"));
    // A value longer than its box shows from its start while it is only being looked at.
    connect(schede, &db::Dataset::recordChanged, this, [this] {
        for (QLineEdit *box : SINGOLO->findChildren<QLineEdit *>()) {
            if (!box->hasFocus())
                box->setCursorPosition(0);
        }
    });
    DBNav->setTable(schede);
    schedeGrid->setTable(schede);
    m_cellar.criteria.ricerca = [this] { return ricerca->text(); };
}

void TfrmVinary::setPlacementHooks(PlacementRestore restore, PlacementSave save)
{
    m_restorePlacement = std::move(restore);
    m_savePlacement = std::move(save);
}

QLineEdit *TfrmVinary::searchBox() const
{
    return ricerca;
}

bool TfrmVinary::isEditMode() const
{
    return actConferma->isVisible();
}

bool TfrmVinary::isListPageShown() const
{
    return pages->currentWidget() == LISTA;
}

// ---------------------------------------------------------------- showing and closing

void TfrmVinary::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        if (m_restorePlacement)
            m_restorePlacement(*this);
        guarded(this, [this] { FormShow(); });
        m_open = true;
    }
    QDialog::setVisible(visible);
}

void TfrmVinary::FormShow()
{
    m_cellar.filterMode = u'S';
    m_cellar.Schede.setFiltered(true);
    switchToBrowseMode();
    showCardPage();
}

void TfrmVinary::done(int result)
{
    // Closing saves the card in edit: a box whose text cannot be read keeps the window open on it.
    if (m_cellar.Schede.isEditing() && NumberEntry::refuseUnreadable(SINGOLO))
        return;
    if (!FormClose())
        return;
    if (m_open && m_savePlacement)
        m_savePlacement(*this, false);
    m_open = false;
    QDialog::done(result);
}

bool TfrmVinary::FormClose()
{
    // Switching the filter off settles the card in edit: saved when changed, dropped when an
    // untouched new card. The confirm rules do not apply on this path.
    const QChar mode = m_cellar.filterMode;
    m_cellar.filterMode = u' ';
    const bool settled = guarded(this, [this] { m_cellar.Schede.setFiltered(false); });
    if (!settled && m_cellar.Schede.filtered()) {
        // The database refused the card: keep it and the window, as a refused confirm does.
        m_cellar.filterMode = mode;
        return false;
    }
    return true;
}

bool TfrmVinary::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        StatusBar1->showMessage(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

void TfrmVinary::keyPressEvent(QKeyEvent *event)
{
    // Escape does not close the catalogue: closing would save a card in edit without its checks.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------- modes and pages

void TfrmVinary::switchToEditMode()
{
    showCardPage();
    DBNav->setEnabled(false);
    for (QToolButton *b : {btnEsci, btnNew, btnModify, btnDelete, btnfind})
        b->setEnabled(false);
    actConferma->setVisible(true);
    actAnnulla->setVisible(true);
}

void TfrmVinary::switchToBrowseMode()
{
    DBNav->setEnabled(true);
    for (QToolButton *b : {btnEsci, btnNew, btnModify, btnDelete, btnfind})
        b->setEnabled(true);
    actConferma->setVisible(false);
    actAnnulla->setVisible(false);
}

void TfrmVinary::showCardPage()
{
    pages->setCurrentWidget(SINGOLO);
}

void TfrmVinary::setReport(report::Report *frReport1)
{
    m_cardExtras->setReport(frReport1);
}

void TfrmVinary::runExtra(const std::function<void()> &handler)
{
    if (handler)
        guarded(this, handler);
}

// ---------------------------------------------------------------- commands

void TfrmVinary::actEsciExecute()
{
    close();
}

void TfrmVinary::actNuovoExecute()
{
    switchToEditMode();
    try {
        m_cellar.Schede.append();
    } catch (...) {
        if (!m_cellar.Schede.isEditing())
            switchToBrowseMode();
        throw;
    }
    EditCODICE->setFocus();
}

void TfrmVinary::actModificaExecute()
{
    switchToEditMode();
    try {
        // With no current card the table begins a new one instead.
        m_cellar.Schede.edit();
    } catch (...) {
        if (!m_cellar.Schede.isEditing())
            switchToBrowseMode();
        throw;
    }
    EditCODICE->setFocus();
}

void TfrmVinary::actEliminaExecute()
{
    m_cellar.Schede.deleteRecord();
}

void TfrmVinary::actElencoExecute()
{
    pages->setCurrentWidget(LISTA);
}

void TfrmVinary::actConfermaExecute()
{
    if (NumberEntry::refuseUnreadable(SINGOLO))
        return;
    EditCODICE->setFocus();
    db::Table &schede = m_cellar.Schede;
    if (schede.isEditing())
        cardediting::applyDefaultSalePrice(schede);
    if (!cardediting::hasDescription(schede)) {
        if (m_cellar.messages)
            m_cellar.messages->notice(m_cellar.traduci(cardediting::missingDescriptionNotice()));
        return;
    }
    if (schede.isEditing())
        schede.post();
    switchToBrowseMode();
}

void TfrmVinary::actAnnullaExecute()
{
    m_cellar.Schede.cancel();
    switchToBrowseMode();
}

void TfrmVinary::SpeedButton2Click()
{
    m_cellar.Schede.first();
}

void TfrmVinary::SpeedButton3Click()
{
    ricerca->clear();
    m_cellar.Schede.first();
}

void TfrmVinary::schedeGridTitleBtnClick(int, const QString &field)
{
    db::Table &schede = m_cellar.Schede;
    schede.setSortedBy(cardediting::titleClickSort(field));
    schede.resort();
}

void TfrmVinary::schedeGridDblClick()
{
    showCardPage();
}

} // namespace vinary
