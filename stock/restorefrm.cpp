#include "stock/restorefrm.h"

#include "stock/listdialog.h"

#include "data/cellar.h"
#include "data/messagebox.h"
#include "engine/common/datetimes.h"
#include "widgets/guard.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary
{

TRestoreForm::TRestoreForm(Cellar &cellar, PlainMessage message, QWidget *parent)
    : QDialog(parent), m_cellar(cellar), m_message(std::move(message))
{
    setObjectName(u"RestoreForm"_s);
    const ListDialogParts parts =
        buildListDialog(this, u"[COPIE_ELENCO]"_s, u"lstCopie"_s, u"[NESSUNA_COPIA]"_s, u"[DO_RIPRISTINA]"_s,
                        u"btnRipristina"_s);
    m_label = parts.label;
    m_list = parts.list;
    m_empty = parts.empty;
    btnRipristina = parts.action;
    btnChiudi = parts.close;
    m_list->setHeaderLabels({u"[COPIA_DATA]"_s, u"[COPIA_SCHEDE]"_s, u"[COPIA_MOVIMENTI]"_s});

    translate();
    resize(480, 320);

    guardedConnect(btnRipristina, &QPushButton::clicked, this, [this] { btnRipristinaClick(); });
    connect(btnChiudi, &QPushButton::clicked, this, &QDialog::accept);
    refresh();
}

void TRestoreForm::translate()
{
    setWindowTitle(m_cellar.traduci(u"[RIPRISTINO_TITOLO]"_s));
    QStringList titles;
    for (int c = 0; c < m_list->columnCount(); ++c)
        titles << m_cellar.traduci(m_list->headerItem()->text(c));
    m_list->setHeaderLabels(titles);
    for (QLabel *label : {m_label, m_empty})
        label->setText(m_cellar.traduci(label->text()));
    for (QPushButton *button : {btnRipristina, btnChiudi})
        button->setText(m_cellar.traduci(button->text()));
    m_list->setAccessibleName(m_label->text());
}

void TRestoreForm::refresh()
{
    m_copies = CellarBackups(m_cellar.programDir).inspectedCopies();
    m_list->clear();
    const QLocale locale;
    const QString damaged = m_cellar.traduci(u"[COPIA_DANNEGGIATA]"_s);
    for (const BackupCopy &copy : std::as_const(m_copies)) {
        auto *item = new QTreeWidgetItem(m_list);
        item->setText(0, shortDateTimeText(copy.taken, locale));
        item->setText(1, copy.sound ? locale.toString(copy.cards) : damaged);
        item->setText(2, copy.sound ? locale.toString(copy.journal) : QString());
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (!copy.sound) {
            item->setToolTip(1, copy.why);
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        }
    }
    m_list->header()->setStretchLastSection(false);
    m_list->header()->resizeSections(QHeaderView::ResizeToContents);
    const bool any = !m_copies.isEmpty();
    m_empty->setVisible(!any);
    for (int i = 0; i < m_copies.size(); ++i) {
        if (m_copies.at(i).sound) {
            m_list->setCurrentItem(m_list->topLevelItem(i));
            break;
        }
    }
    btnRipristina->setEnabled(m_list->currentItem() != nullptr);
}

void TRestoreForm::btnRipristinaClick()
{
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0 || row >= m_copies.size())
        return;
    const BackupCopy copy = m_copies.at(row);
    const QString when = shortDateTimeText(copy.taken);
    if (!m_cellar.messages ||
        !m_cellar.messages->question(m_cellar.traduci(u"   [CONFERMA_RIPRISTINO]   "_s).arg(when)))
        return;
    const bool editing = m_cellar.intestazione.isEditing();
    // The tables are open again whatever happens; the settings row goes back to edit mode.
    auto resume = qScopeGuard([&] {
        if (editing && m_cellar.intestazione.isActive())
            m_cellar.intestazione.edit();
        refresh();
    });
    restoreCellar(m_cellar, copy.fileName, m_cellar.clock());
    if (m_message)
        m_message(this, m_cellar.traduci(u"[RIPRISTINO_OK]"_s));
}

} // namespace vinary
