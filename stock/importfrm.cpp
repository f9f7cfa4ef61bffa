#include "stock/importfrm.h"

#include "data/cellar.h"
#include "data/messagebox.h"
#include "widgets/guard.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vinary
{

TImportForm::TImportForm(Cellar &cellar, CardImport &import, PlainMessage message, QWidget *parent)
    : QDialog(parent), m_cellar(cellar), m_import(import), m_message(std::move(message))
{
    setObjectName(u"ImportForm"_s);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    buildControls();
    translate();
    fillMapping();
    refresh();
    resize(860, 620);
    guardedConnect(btnImporta, &QPushButton::clicked, this, [this] {
        if (btnImportaClick())
            accept();
    });
    connect(btnNulla, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_match, &QCheckBox::toggled, this, [this](bool on) { m_import.setMatchOnCode(on); });
}

void TImportForm::buildControls()
{
    m_labelMapping = new QLabel(u"[IMPORTA_COLONNE]"_s, this);
    m_mappingTable = new QTableWidget(this);
    m_mappingTable->setObjectName(u"tblColonne"_s);
    m_mappingTable->setColumnCount(2);
    m_mappingTable->setHorizontalHeaderLabels({u"[IMPORTA_COLONNA_FILE]"_s, u"[IMPORTA_CAMPO]"_s});
    m_mappingTable->horizontalHeader()->setStretchLastSection(true);
    m_mappingTable->verticalHeader()->hide();
    m_mappingTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_labelMapping->setBuddy(m_mappingTable);
    m_match = new QCheckBox(u"[IMPORTA_AGGIORNA]"_s, this);
    m_match->setObjectName(u"chkAggiorna"_s);

    m_labelPreview = new QLabel(u"[IMPORTA_ANTEPRIMA]"_s, this);
    m_preview = new QTableWidget(this);
    m_preview->setObjectName(u"tblAnteprima"_s);
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_labelPreview->setBuddy(m_preview);

    m_labelBad = new QLabel(u"[IMPORTA_SCARTATE]"_s, this);
    m_bad = new QListWidget(this);
    m_bad->setObjectName(u"lstScartate"_s);
    m_labelBad->setBuddy(m_bad);
    m_labelCut = new QLabel(u"[IMPORTA_TAGLIATI]"_s, this);
    m_cut = new QListWidget(this);
    m_cut->setObjectName(u"lstTagliati"_s);
    m_labelCut->setBuddy(m_cut);

    btnImporta = new QPushButton(u"[IMPORTA_BUONE]"_s, this);
    btnImporta->setObjectName(u"btnImporta"_s);
    btnNulla = new QPushButton(u"[IMPORTA_NULLA]"_s, this);
    btnNulla->setObjectName(u"btnNulla"_s);
    btnImporta->setAutoDefault(false);
    btnNulla->setAutoDefault(false);

    auto *top = new QGridLayout;
    top->addWidget(m_labelMapping, 0, 0);
    top->addWidget(m_mappingTable, 1, 0, 3, 1);
    top->addWidget(m_match, 4, 0);
    top->addWidget(m_labelBad, 0, 1);
    top->addWidget(m_bad, 1, 1);
    top->addWidget(m_labelCut, 2, 1);
    top->addWidget(m_cut, 3, 1, 2, 1);
    top->setColumnStretch(0, 1);
    top->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnImporta);
    buttons->addWidget(btnNulla);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_labelPreview);
    layout->addWidget(m_preview, 1);
    layout->addLayout(buttons);
}

void TImportForm::translate()
{
    setWindowTitle(m_cellar.traduci(u"[IMPORTA_TITOLO]"_s));
    for (QLabel *label : {m_labelMapping, m_labelPreview, m_labelBad, m_labelCut})
        label->setText(m_cellar.traduci(label->text()));
    for (QPushButton *button : {btnImporta, btnNulla})
        button->setText(m_cellar.traduci(button->text()));
    m_match->setText(m_cellar.traduci(m_match->text()));
    m_mappingTable->setHorizontalHeaderLabels(
        {m_cellar.traduci(u"[IMPORTA_COLONNA_FILE]"_s), m_cellar.traduci(u"[IMPORTA_CAMPO]"_s)});
    for (auto [widget, label] : {std::pair<QWidget *, QLabel *>{m_mappingTable, m_labelMapping},
                                 {m_preview, m_labelPreview},
                                 {m_bad, m_labelBad},
                                 {m_cut, m_labelCut}})
        widget->setAccessibleName(label->text().remove(u'&'));
}

QComboBox *TImportForm::mappingBox(int csvColumn) const
{
    return qobject_cast<QComboBox *>(m_mappingTable->cellWidget(csvColumn, 1));
}

void TImportForm::fillMapping()
{
    const QStringList &headers = m_import.table().header.fields;
    m_mappingTable->setRowCount(int(headers.size()));
    const QString ignore = m_cellar.traduci(u"[IMPORTA_IGNORA]"_s);
    for (int c = 0; c < headers.size(); ++c) {
        m_mappingTable->setItem(c, 0, new QTableWidgetItem(headers.at(c)));
        auto *box = new QComboBox(m_mappingTable);
        box->addItem(ignore, -1);
        for (int t = 0; t < CardImport::targets().size(); ++t)
            box->addItem(m_import.caption(t).remove(u'&'), t);
        box->setAccessibleName(headers.at(c));
        m_mappingTable->setCellWidget(c, 1, box);
        connect(box, &QComboBox::currentIndexChanged, this, [this, c, box] {
            if (m_filling)
                return;
            m_import.setMapping(c, box->currentData().toInt());
            m_import.convert();
            refresh();
        });
    }
    m_mappingTable->resizeColumnToContents(0);
}

void TImportForm::refresh()
{
    m_filling = true;
    const QList<int> &mapping = m_import.mapping();
    for (int c = 0; c < mapping.size(); ++c) {
        if (QComboBox *box = mappingBox(c))
            box->setCurrentIndex(box->findData(mapping.at(c)));
    }
    m_filling = false;

    QList<int> shown;
    QStringList titles;
    for (int t = 0; t < CardImport::targets().size(); ++t) {
        if (mapping.contains(t)) {
            shown << t;
            titles << m_import.caption(t).remove(u'&');
        }
    }
    const QList<CardImport::Row> &rows = m_import.rows();
    const int count = int(std::min<qsizetype>(rows.size(), kPreviewRows));
    m_preview->clear();
    m_preview->setColumnCount(int(shown.size()));
    m_preview->setRowCount(count);
    m_preview->setHorizontalHeaderLabels(titles);
    QStringList lines;
    for (int r = 0; r < count; ++r) {
        lines << QString::number(rows.at(r).line);
        for (int i = 0; i < shown.size(); ++i) {
            const int t = shown.at(i);
            auto *item = new QTableWidgetItem(m_import.displayValue(t, rows.at(r).values.at(t)));
            if (CardImport::targets().at(t).kind != CardImport::Target::Kind::Text)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_preview->setItem(r, i, item);
        }
    }
    m_preview->setVerticalHeaderLabels(lines);
    // Short fields (codes, years, prices) show whole; long texts wrap within a bounded column.
    m_preview->resizeColumnsToContents();
    const int widest = fontMetrics().horizontalAdvance(QLatin1Char('x')) * 28;
    for (int c = 0; c < m_preview->columnCount(); ++c)
        m_preview->setColumnWidth(c, std::min(m_preview->columnWidth(c), widest));

    m_bad->clear();
    const QString row = m_cellar.traduci(u"[IMPORTA_RIGA]"_s);
    for (const CardImport::BadRow &b : m_import.badRows())
        m_bad->addItem(row.arg(b.line).arg(b.reason));
    m_cut->clear();
    const QString cut = m_cellar.traduci(u"[IMPORTA_TAGLIO]"_s);
    for (const CardImport::CutText &c : m_import.cutTexts())
        m_cut->addItem(cut.arg(c.line).arg(c.column).arg(c.size));
    btnImporta->setEnabled(!rows.isEmpty());
}

bool TImportForm::btnImportaClick()
{
    if (m_import.rows().isEmpty()) {
        if (m_cellar.messages)
            m_cellar.messages->notice(m_cellar.traduci(u"   [IMPORTA_VUOTO]   "_s));
        return false;
    }
    QProgressDialog progress(m_cellar.traduci(u"[IMPORTA_CORSO]"_s), m_cellar.traduci(u"[ANNULLA]"_s), 0,
                             int(m_import.rows().size()), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    const CardImport::Result result = m_import.import([&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        QApplication::processEvents();
        return !progress.wasCanceled();
    });
    progress.reset();
    if (result.cancelled)
        return false;
    if (m_message)
        m_message(this, m_cellar.traduci(u"[IMPORTA_OK]"_s).arg(result.added).arg(result.updated));
    return true;
}

} // namespace vinary
