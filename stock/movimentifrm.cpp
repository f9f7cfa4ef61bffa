#include "stock/movimentifrm.h"

#include "data/cellar.h"
#include "data/messagebox.h"
#include "stock/takebackfrm.h"
#include "widgets/datagrid.h"
#include "widgets/guard.h"
#include "widgets/numberbox.h"
#include "widgets/numberentry.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

// The card list's columns: field, title key, width (0: the grid's default).
struct ListColumn {
    const char16_t *field;
    const char16_t *title;
    int width;
};

constexpr ListColumn kColumns[] = {
    {u"Descrizione", u"[DESCRIZIONE]", 228},
    {u"Anno", u"[ANNO]", 0},
    {u"Produttore", u"[PRODUTTORE]", 0},
    {u"Gradi", u"[GRADI]", 0},
    {u"Codice", u"[CODICE]", 0},
    {u"Fornitore", u"[FORNITORE]", 0},
    {u"Gruppo", u"[GRUPPO]", 0},
    {u"Composizione", u"[VITIGNO]", 0},
    {u"Tipologia", u"[TIPOLOGIA]", 0},
    {u"Collocazione", u"[POSIZIONE]", 0},
    {u"Quantita", u"[QUANTITA]", 0},
    {u"Prezzo_Acq", u"[PREZZO_ACQUISTO]", 0},
    {u"Prezzo_Ven", u"[PREZZO_VENDITA]", 0},
    {u"Scorta", u"[SOTTOSCORTA]", 0},
    {u"Ultimo_carico", u"[DATA_UCARICO]", 0},
    {u"Scadenza", u"[SCADENZA]", 0},
};

constexpr QSize kClientSize(406, 306);

// The search box tells the window, through typing, while it handles a key or an input-method
// text of the user's.
class SearchBox : public QLineEdit
{
public:
    SearchBox(bool &typing, QWidget *parent) : QLineEdit(parent), m_typing(typing) {}

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const QScopedValueRollback<bool> typing(m_typing, true);
        QLineEdit::keyPressEvent(event);
    }
    void inputMethodEvent(QInputMethodEvent *event) override
    {
        const QScopedValueRollback<bool> typing(m_typing, true);
        QLineEdit::inputMethodEvent(event);
    }

private:
    bool &m_typing;
};

// A key that only edits the text of the search box: a character, or a deletion of one.
bool editsSearchText(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers others =
        event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier);
    if (others != Qt::NoModifier)
        return false;
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    return !event->text().isEmpty() && event->text().at(0).isPrint();
}

// Input that acts on what the search shows, so that the search must have run before it.
bool needsSearchResult(const QObject *watched, const QEvent *event, const QObject *searchBox)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        return watched != searchBox || !editsSearchText(static_cast<const QKeyEvent *>(event));
    case QEvent::FocusOut:
        return watched == searchBox;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

NumberBox *numberBox(const QString &name, const QString &format, QWidget *parent)
{
    auto *box = new NumberBox(parent);
    box->setObjectName(name);
    box->setDecimals(2);
    box->setDisplayFormat(format);
    box->setFixedWidth(84);
    return box;
}

QPushButton *movementButton(const QString &name, const QString &key, QWidget *parent)
{
    auto *button = new QPushButton(key, parent);
    button->setObjectName(name);
    // Return in the search box ends a barcode scan: it must never press a movement button.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setMinimumWidth(96);
    button->setEnabled(false);
    return button;
}

} // namespace

TfrmInOut::TfrmInOut(Cellar &cellar, QWidget *parent) : QDialog(parent), m_cellar(cellar), m_movements(cellar)
{
    setObjectName(u"frmInOut"_s);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    buildControls();
    translate();
    setFixedSize(kClientSize.expandedTo(minimumSizeHint()));

    QPointer<QLineEdit> search = ckdescrizione;
    m_cellar.criteria.ckdescrizione = [search] { return search ? search->text() : QString(); };

    guardedConnect(ckdescrizione, &QLineEdit::textChanged, this, [this] { searchTextChanged(); });
    guardedConnect(DBGrid1, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            DBGrid1CellClick();
    });
    guardedConnect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    guardedConnect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    guardedConnect(btnStorno, &QPushButton::clicked, this, [this] { btnStornoClick(); });
    // A card reached from the keyboard in the list is selected as a clicked one is, so that the
    // prices in the boxes always belong to the card that the movement will change.
    guardedConnect(&m_cellar.Schede, &db::Dataset::recordChanged, this, [this] {
        if (DBGrid1->hasFocus() && !m_flushing && isVisible() &&
            m_cellar.Schede.state() == db::DataState::Browse && m_movements.hasCard())
            selectCurrentCard();
    });
}

TfrmInOut::~TfrmInOut()
{
    dropPendingSearch();
    if (!m_placementSaved && m_savePlacement)
        guarded(nullptr, [this] { m_savePlacement(*this, true); });
    m_cellar.criteria.ckdescrizione = nullptr;
}

void TfrmInOut::buildControls()
{
    m_searchGroup = new QGroupBox(u" [RICERCA] "_s, this);
    m_searchGroup->setObjectName(u"GroupBox1"_s);
    ckdescrizione = new SearchBox(m_typing, m_searchGroup);
    ckdescrizione->setObjectName(u"ckdescrizione"_s);
    ckdescrizione->setClearButtonEnabled(true);
    btnStorno = new QPushButton(u"[STORNI]"_s, m_searchGroup);
    btnStorno->setObjectName(u"btnStorno"_s);
    btnStorno->setAutoDefault(false);
    auto *searchLayout = new QHBoxLayout(m_searchGroup);
    searchLayout->setContentsMargins(6, 4, 6, 6);
    searchLayout->addWidget(ckdescrizione, 1);
    searchLayout->addWidget(btnStorno);

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setContextMenuPolicy(Qt::NoContextMenu);
    DBGrid1->setRowIndicator(true);
    DBGrid1->setTable(&m_cellar.Schede);
    QList<GridColumn> columns;
    for (const ListColumn &c : kColumns)
        columns.append({QString::fromUtf16(c.field), QString::fromUtf16(c.title), c.width});
    DBGrid1->setColumns(columns);

    auto *panel = new QFrame(this);
    panel->setObjectName(u"Panel1"_s);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    m_labelPrAcq = new QLabel(u"[PREZZO_ACQUISTO]"_s, panel);
    m_labelPrVen = new QLabel(u"[PREZZO_VENDITA]"_s, panel);
    m_labelQuant = new QLabel(u"[QUANTITA]"_s, panel);
    m_labelPrAcq->setObjectName(u"Label1"_s);
    m_labelPrVen->setObjectName(u"Label2"_s);
    m_labelQuant->setObjectName(u"Label3"_s);
    PrAcq = numberBox(u"PrAcq"_s, u"0.00;;#"_s, panel);
    PrVen = numberBox(u"PrVen"_s, u"0.00;;#"_s, panel);
    Quant = numberBox(u"Quant"_s, u"0;;#"_s, panel);
    m_labelPrAcq->setBuddy(PrAcq);
    m_labelPrVen->setBuddy(PrVen);
    m_labelQuant->setBuddy(Quant);
    BitBtn1 = movementButton(u"BitBtn1"_s, u"[CARICO]"_s, panel);
    BitBtn2 = movementButton(u"BitBtn2"_s, u"[SCARICO]"_s, panel);

    auto *prices = new QHBoxLayout;
    prices->addWidget(m_labelPrAcq);
    prices->addWidget(PrAcq);
    prices->addStretch(1);
    prices->addWidget(m_labelPrVen);
    prices->addWidget(PrVen);
    auto *actions = new QHBoxLayout;
    actions->addWidget(BitBtn1);
    actions->addStretch(1);
    actions->addWidget(m_labelQuant);
    actions->addWidget(Quant);
    actions->addStretch(1);
    actions->addWidget(BitBtn2);
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(8, 6, 8, 6);
    panelLayout->setSpacing(6);
    panelLayout->addLayout(prices);
    panelLayout->addLayout(actions);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(m_searchGroup);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(panel);

    setTabOrder(ckdescrizione, DBGrid1);
    setTabOrder(DBGrid1, PrAcq);
    setTabOrder(PrAcq, PrVen);
    setTabOrder(PrVen, Quant);
    setTabOrder(Quant, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, btnStorno);
}

// The translation pass: caption, search group, list titles, then every label and button.
void TfrmInOut::translate()
{
    setWindowTitle(m_cellar.traduci(u"[MOVIMENTI]"_s));
    m_searchGroup->setTitle(m_cellar.traduci(m_searchGroup->title()));
    for (int i = 0; i < DBGrid1->gridModel()->columnCount(); ++i)
        DBGrid1->setColumnTitle(i, m_cellar.traduci(DBGrid1->gridModel()->columns().at(i).title));
    for (QLabel *label : {m_labelPrAcq, m_labelPrVen, m_labelQuant})
        label->setText(m_cellar.traduci(label->text()));
    for (QPushButton *button : {BitBtn1, BitBtn2, btnStorno})
        button->setText(m_cellar.traduci(button->text()));
    for (NumberBox *box : {PrAcq, PrVen, Quant})
        box->entry()->setRefusalText(m_cellar.traduci(u"[ERR_NUMERO]"_s));
    ckdescrizione->setAccessibleName(m_searchGroup->title().trimmed());
}

void TfrmInOut::setPlacementHooks(RestorePlacement restore, SavePlacement save)
{
    m_restorePlacement = std::move(restore);
    m_savePlacement = std::move(save);
}

void TfrmInOut::centreOnScreen()
{
    QScreen *screen = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void TfrmInOut::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        centreOnScreen();
        if (m_restorePlacement)
            m_restorePlacement(*this);
        m_placementSaved = false;
        guarded(this, [this] { FormShow(); });
    }
    QDialog::showEvent(event);
}

void TfrmInOut::done(int result)
{
    guarded(this, [this] { flushSearch(); });
    // The filter goes back to every card however the window is closed, even after an error.
    guarded(this, [this] { FormClose(); });
    if (m_savePlacement && !m_placementSaved)
        m_savePlacement(*this, false);
    m_placementSaved = true;
    QDialog::done(result);
}

void TfrmInOut::FormShow()
{
    m_cellar.filterMode = u'M';
    m_cellar.Schede.setFiltered(true);
}

void TfrmInOut::FormClose()
{
    m_cellar.filterMode = u' ';
    m_cellar.Schede.setFiltered(false);
}

void TfrmInOut::searchTextChanged()
{
    // A scanner types a whole code, and a quick typist several keys, before one search has run:
    // the search for a typed key waits behind the input already queued, so that it runs once for
    // the last text. Whatever acts on the result (Return, a click, the focus leaving the box, a
    // button, closing) runs the waiting search first, so that it sees what a search per key
    // would have left. A change made by the program is searched at once.
    if (!m_typing) {
        dropPendingSearch();
        ckdescrizioneChange();
        return;
    }
    if (m_searchPending)
        return;
    m_searchPending = true;
    qApp->installEventFilter(this);
    QMetaObject::invokeMethod(
        this, [this] { guarded(this, [this] { flushSearch(); }); }, Qt::QueuedConnection);
}

void TfrmInOut::flushSearch()
{
    if (!m_searchPending)
        return;
    dropPendingSearch();
    // The search belongs to keys typed in the search box, even when a click has just taken the
    // focus to the list: the card it makes current is not one the user chose there.
    const QScopedValueRollback<bool> flushing(m_flushing, true);
    ckdescrizioneChange();
}

void TfrmInOut::dropPendingSearch()
{
    if (!m_searchPending)
        return;
    m_searchPending = false;
    qApp->removeEventFilter(this);
}

bool TfrmInOut::eventFilter(QObject *watched, QEvent *event)
{
    if (m_searchPending && needsSearchResult(watched, event, ckdescrizione))
        guarded(this, [this] { flushSearch(); });
    return QDialog::eventFilter(watched, event);
}

void TfrmInOut::ckdescrizioneChange()
{
    // Moving to the first card re-reads the cards through the filter with the new text.
    m_cellar.Schede.first();
    if (m_cellar.Schede.recordCount() == 1)
        selectCurrentCard();
    else
        clearSelection();
}

void TfrmInOut::DBGrid1CellClick()
{
    flushSearch();
    if (!m_movements.hasCard())
        return;
    selectCurrentCard();
    Quant->setFocus(Qt::MouseFocusReason);
}

void TfrmInOut::selectCurrentCard()
{
    PrAcq->setValue(m_movements.purchasePrice());
    PrVen->setValue(m_movements.salePrice());
    Quant->setValue(1.0);
    BitBtn1->setEnabled(true);
    BitBtn2->setEnabled(true);
}

void TfrmInOut::clearSelection()
{
    PrAcq->setValue(0.0);
    PrVen->setValue(0.0);
    Quant->setValue(0.0);
    BitBtn1->setEnabled(false);
    BitBtn2->setEnabled(false);
}

void TfrmInOut::BitBtn1Click()
{
    record(Movement::Kind::Load);
}

void TfrmInOut::BitBtn2Click()
{
    record(Movement::Kind::Unload);
}

void TfrmInOut::btnStornoClick()
{
    // The card of a movement is found among the listed cards: with the search box empty, every one.
    flushSearch();
    resetAfterMovement();
    TTakeBackForm form(m_cellar, this);
    form.exec();
    resetAfterMovement();
}

void TfrmInOut::record(Movement::Kind kind)
{
    flushSearch();
    if (!m_movements.hasCard())
        return;
    // A box whose text cannot be read takes the focus and shows why; nothing is written.
    if (NumberEntry::refuseUnreadable(this))
        return;
    // A negative quantity would turn a load into an unload past the stock test, and the other way
    // round: the direction is the button's.
    if (Quant->value() < 0.0) {
        if (m_cellar.messages)
            m_cellar.messages->notice(m_cellar.traduci(u"   [ERR_QUANT_NEGATIVA]   "_s));
        Quant->setFocus(Qt::OtherFocusReason);
        Quant->selectAll();
        return;
    }
    if (kind == Movement::Kind::Unload && !m_movements.stockCovers(Quant->value())) {
        if (m_cellar.messages)
            m_cellar.messages->notice(m_cellar.traduci(u"   [ERR_INSUFFICIENTI]   "_s));
        ckdescrizione->clear();
        ckdescrizione->setFocus(Qt::OtherFocusReason);
        return;
    }
    // The box rounds the filled-in sale price to two decimals and shows it; that is the price written.
    if (PrVen->value() == 0.0)
        PrVen->setValue(m_movements.filledSalePrice(PrAcq->value(), 0.0));
    m_movements.record({kind, Quant->value(), PrAcq->value(), PrVen->value()});
    resetAfterMovement();
}

void TfrmInOut::resetAfterMovement()
{
    // Emptying the search box may select the only card; the reset below holds regardless.
    ckdescrizione->clear();
    clearSelection();
    ckdescrizione->setFocus(Qt::OtherFocusReason);
}

} // namespace vinary
