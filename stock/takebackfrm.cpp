#include "stock/takebackfrm.h"

#include "stock/listdialog.h"

#include "data/cellar.h"
#include "data/messagebox.h"
#include "engine/common/displayformat.h"
#include "widgets/guard.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

constexpr int kIdRole = Qt::UserRole;

const char16_t *const kTitles[] = {u"[RPT_CAUSALE]", u"[QUANTITA]",        u"[DESCRIZIONE]",   u"[ANNO]",
                                   u"[CODICE]",      u"[PREZZO_ACQUISTO]", u"[PREZZO_VENDITA]"};

} // namespace

TTakeBackForm::TTakeBackForm(Cellar &cellar, QWidget *parent)
    : QDialog(parent), m_cellar(cellar), m_takeBack(cellar)
{
    setObjectName(u"TakeBackForm"_s);
    const ListDialogParts parts = buildListDialog(this, u"[MOVIMENTI_OGGI]"_s, u"lstMovimenti"_s,
                                                  u"[NESSUN_MOVIMENTO]"_s, u"[STORNA]"_s, u"btnStorna"_s);
    m_label = parts.label;
    m_list = parts.list;
    m_empty = parts.empty;
    btnStorna = parts.action;
    btnChiudi = parts.close;
    m_label->setObjectName(u"Label1"_s);
    m_empty->setObjectName(u"lblNessuno"_s);
    m_list->setColumnCount(int(std::size(kTitles)));

    translate();
    resize(720, 300);

    guardedConnect(btnStorna, &QPushButton::clicked, this, [this] { btnStornaClick(); });
    connect(btnChiudi, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { btnStorna->setEnabled(m_list->currentItem() != nullptr); });
    refresh();
}

void TTakeBackForm::translate()
{
    setWindowTitle(m_cellar.traduci(u"[STORNA_TITOLO]"_s));
    QStringList titles;
    for (const char16_t *title : kTitles)
        titles << m_cellar.traduci(QString::fromUtf16(title));
    m_list->setHeaderLabels(titles);
    for (QLabel *label : {m_label, m_empty})
        label->setText(m_cellar.traduci(label->text()));
    for (QPushButton *button : {btnStorna, btnChiudi})
        button->setText(m_cellar.traduci(button->text()));
    m_list->setAccessibleName(m_label->text());
}

void TTakeBackForm::refresh()
{
    m_list->clear();
    const QString loadName = m_cellar.traduci(u"[CARICO]"_s);
    const QString unloadName = m_cellar.traduci(u"[SCARICO]"_s);
    const QLocale locale;
    for (const JournalMovement &m : m_takeBack.todaysMovements()) {
        auto *item = new QTreeWidgetItem(m_list);
        item->setData(0, kIdRole, m.journalId);
        item->setText(0, m.causale == u"C"_s ? loadName : unloadName);
        item->setText(1, formatFloat(std::abs(m.quantity), u"0.##"_s, locale));
        item->setText(2, m.descrizione);
        item->setText(3, m.anno);
        item->setText(4, m.codice);
        item->setText(5, formatFloat(m.purchasePrice, u"0.00;;#"_s, locale));
        item->setText(6, formatFloat(m.salePrice, u"0.00;;#"_s, locale));
        for (int c : {1, 5, 6})
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int c = 0; c < m_list->columnCount(); ++c)
        m_list->resizeColumnToContents(c);
    m_list->setColumnWidth(2, qMax(m_list->columnWidth(2), 180));
    const bool any = m_list->topLevelItemCount() > 0;
    m_empty->setVisible(!any);
    if (any)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    btnStorna->setEnabled(any);
}

void TTakeBackForm::btnStornaClick()
{
    QTreeWidgetItem *item = m_list->currentItem();
    if (!item)
        return;
    if (!m_cellar.messages || !m_cellar.messages->question(m_cellar.traduci(u"   [CONFERMA_STORNO]   "_s)))
        return;
    const MovementTakeBack::Outcome outcome = m_takeBack.takeBack(item->data(0, kIdRole).toLongLong());
    refresh();
    showOutcome(outcome);
}

void TTakeBackForm::showOutcome(MovementTakeBack::Outcome outcome)
{
    QString key;
    switch (outcome) {
    case MovementTakeBack::Outcome::Done:
        return;
    case MovementTakeBack::Outcome::NotFound:
        key = u"[ERR_STORNO_NON_VALIDO]"_s;
        break;
    case MovementTakeBack::Outcome::AlreadyTakenBack:
        key = u"[ERR_STORNO_FATTO]"_s;
        break;
    case MovementTakeBack::Outcome::CardMissing:
        key = u"[ERR_STORNO_SCHEDA]"_s;
        break;
    case MovementTakeBack::Outcome::StockMismatch:
        key = u"[ERR_STORNO_GIACENZA]"_s;
        break;
    case MovementTakeBack::Outcome::StockTooLow:
        key = u"[ERR_STORNO_SCORTA]"_s;
        break;
    }
    if (m_cellar.messages)
        m_cellar.messages->notice(m_cellar.traduci(u"   "_s + key + u"   "_s));
}

} // namespace vinary
