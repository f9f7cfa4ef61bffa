#include "stock/manutefrm.h"

#include "data/backups.h"
#include "data/cardimport.h"
#include "data/cellar.h"
#include "data/cellarexport.h"
#include "data/journalpurge.h"
#include "data/messagebox.h"
#include "stock/importfrm.h"
#include "stock/restorefrm.h"
#include "widgets/applicationtitle.h"
#include "widgets/datebox.h"
#include "widgets/dbedit.h"
#include "widgets/guard.h"
#include "widgets/numberentry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

// The progress of a journal purge, shown when the purge has run for a while. A purge has no
// way out once confirmed: the window has no Cancel and no close box, and the user's input waits
// until the purge is over. Only painting and timers run meanwhile, so nothing reaches the database
// while the purge holds it.
class PurgeProgressWindow
{
public:
    PurgeProgressWindow(const QString &label, int delay, QWidget *parent)
        : m_label(label), m_delay(delay), m_parent(parent)
    {
        m_clock.start();
    }

    void show(qint64 examined, qint64 total)
    {
        const qint64 now = m_clock.elapsed();
        if (now < m_delay || now - m_painted < kRepaintEvery)
            return;
        m_painted = now;
        if (!m_dialog) {
            m_dialog = std::make_unique<QProgressDialog>(m_parent);
            m_dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
            m_dialog->setWindowTitle(applicationTitle());
            m_dialog->setLabelText(m_label);
            m_dialog->setCancelButton(nullptr);
            m_dialog->setAutoReset(false);
            m_dialog->setAutoClose(false);
            m_dialog->setMinimumDuration(0);
            m_dialog->setMinimumWidth(320);
            m_dialog->setRange(0, kSteps);
            m_dialog->setValue(0);
            m_dialog->show();
        }
        m_dialog->setValue(total > 0 ? int(examined * kSteps / total) : 0);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
    }

private:
    static constexpr qint64 kRepaintEvery = 40;
    static constexpr int kSteps = 1000;

    QString m_label;
    qint64 m_delay;
    QWidget *m_parent;
    QElapsedTimer m_clock;
    qint64 m_painted = -kRepaintEvery;
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace

TManutenzioneForm::TManutenzioneForm(Cellar &cellar, QWidget *parent)
    : QDialog(parent), m_cellar(cellar), m_plainMessage(&TManutenzioneForm::showPlainMessage)
{
    setObjectName(u"ManutenzioneForm"_s);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    buildControls();
    translate();
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
    guardedConnect(btnPulizia, &QToolButton::clicked, this, [this] { btnPuliziaClick(); });
}

void TManutenzioneForm::buildControls()
{
    m_purgeGroup = new QGroupBox(u" [CANCELLA_STORICO] "_s, this);
    m_purgeGroup->setObjectName(u"GroupBox1"_s);
    DateEdit1 = new DateBox(m_purgeGroup);
    DateEdit1->setObjectName(u"DateEdit1"_s);
    btnPulizia = new QToolButton(m_purgeGroup);
    btnPulizia->setObjectName(u"btnPulizia"_s);
    btnPulizia->setText(u"[DO_CANCELLA]"_s);
    btnPulizia->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    btnPulizia->setIconSize(QSize(20, 20));
    btnPulizia->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnPulizia->setAutoRaise(true);
    btnPulizia->setFocusPolicy(Qt::StrongFocus);
    auto *purgeLayout = new QVBoxLayout(m_purgeGroup);
    purgeLayout->setContentsMargins(8, 6, 8, 8);
    purgeLayout->setSpacing(6);
    purgeLayout->addWidget(DateEdit1, 0, Qt::AlignLeft);
    purgeLayout->addWidget(btnPulizia, 0, Qt::AlignLeft);

    m_settingsGroup = new QGroupBox(u" [IMPOSTAZIONI] "_s, this);
    m_settingsGroup->setObjectName(u"GroupBox2"_s);
    m_labelUtente = new QLabel(u"[UTENTE]"_s, m_settingsGroup);
    m_labelUtente->setObjectName(u"Label1"_s);
    m_editUtente = new DbEdit(m_settingsGroup);
    m_editUtente->setObjectName(u"EditUtente"_s);
    m_editUtente->bind(&m_cellar.intestazione, u"Utente"_s);
    m_labelRicarico = new QLabel(u"[RICARICO]"_s, m_settingsGroup);
    m_labelRicarico->setObjectName(u"Label2"_s);
    m_editRicarico = new DbEdit(m_settingsGroup);
    m_editRicarico->setObjectName(u"EditRicarico"_s);
    m_editRicarico->bind(&m_cellar.intestazione, u"Ricarico"_s);
    m_editRicarico->setFixedWidth(80);
    m_labelUtente->setBuddy(m_editUtente);
    m_labelRicarico->setBuddy(m_editRicarico);
    auto *settingsLayout = new QVBoxLayout(m_settingsGroup);
    settingsLayout->setContentsMargins(8, 6, 8, 8);
    settingsLayout->setSpacing(2);
    settingsLayout->addWidget(m_labelUtente);
    settingsLayout->addWidget(m_editUtente);
    settingsLayout->addSpacing(6);
    settingsLayout->addWidget(m_labelRicarico);
    settingsLayout->addWidget(m_editRicarico, 0, Qt::AlignLeft);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(m_purgeGroup, 0, 0);
    layout->addWidget(m_settingsGroup, 1, 0);
    layout->addWidget(buildBackupGroup(), 0, 1);
    layout->addWidget(buildExchangeGroup(), 1, 1);

    setTabOrder(DateEdit1->lineEdit(), btnPulizia);
    setTabOrder(btnPulizia, m_editUtente);
    setTabOrder(m_editUtente, m_editRicarico);
    setTabOrder(m_editRicarico, m_copieGiorni);
    setTabOrder(m_copieGiorni, m_copieSettimane);
    setTabOrder(m_copieSettimane, btnRipristina);
    setTabOrder(btnRipristina, btnEsporta);
    setTabOrder(btnEsporta, btnImporta);
}

QWidget *TManutenzioneForm::buildExchangeGroup()
{
    m_exchangeGroup = new QGroupBox(u" [SCAMBIO_DATI] "_s, this);
    m_exchangeGroup->setObjectName(u"GroupBox4"_s);
    btnEsporta = new QPushButton(u"[ESPORTA_CANTINA]"_s, m_exchangeGroup);
    btnEsporta->setObjectName(u"btnEsporta"_s);
    btnImporta = new QPushButton(u"[IMPORTA_SCHEDE]"_s, m_exchangeGroup);
    btnImporta->setObjectName(u"btnImporta"_s);
    auto *layout = new QVBoxLayout(m_exchangeGroup);
    layout->setContentsMargins(8, 6, 8, 8);
    for (QPushButton *button : {btnEsporta, btnImporta}) {
        button->setAutoDefault(false);
        layout->addWidget(button, 0, Qt::AlignLeft);
    }
    layout->addStretch(1);
    guardedConnect(btnEsporta, &QPushButton::clicked, this, [this] { btnEsportaClick(); });
    guardedConnect(btnImporta, &QPushButton::clicked, this, [this] { btnImportaClick(); });
    m_chooseFolder = [this](QWidget *parent) {
        return QFileDialog::getExistingDirectory(
            parent, m_cellar.traduci(u"[ESPORTA_CANTINA]"_s).remove(u'&'), QDir::homePath());
    };
    m_chooseImportFile = [this](QWidget *parent) {
        return QFileDialog::getOpenFileName(parent, m_cellar.traduci(u"[IMPORTA_SCHEDE]"_s).remove(u'&'),
                                            QDir::homePath(), u"CSV (*.csv *.txt);;* (*)"_s);
    };
    return m_exchangeGroup;
}

QWidget *TManutenzioneForm::buildBackupGroup()
{
    m_backupGroup = new QGroupBox(u" [COPIE_SICUREZZA] "_s, this);
    m_backupGroup->setObjectName(u"GroupBox3"_s);
    auto spinBox = [this](const char *name, int minimum, int maximum) {
        auto *box = new QSpinBox(m_backupGroup);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(minimum, maximum);
        box->setFixedWidth(80);
        return box;
    };
    m_copieGiorni = spinBox("EditCopieGiorni", 1, BackupRetention::kMaxDays);
    m_copieSettimane = spinBox("EditCopieSettimane", 0, BackupRetention::kMaxWeeks);
    m_labelGiorni = new QLabel(u"[COPIE_GIORNI]"_s, m_backupGroup);
    m_labelSettimane = new QLabel(u"[COPIE_SETTIMANE]"_s, m_backupGroup);
    m_labelGiorni->setBuddy(m_copieGiorni);
    m_labelSettimane->setBuddy(m_copieSettimane);
    btnRipristina = new QPushButton(u"[RIPRISTINA]"_s, m_backupGroup);
    btnRipristina->setObjectName(u"btnRipristina"_s);
    btnRipristina->setAutoDefault(false);
    guardedConnect(btnRipristina, &QPushButton::clicked, this, [this] { btnRipristinaClick(); });

    auto *grid = new QGridLayout(m_backupGroup);
    grid->setContentsMargins(8, 6, 8, 8);
    grid->addWidget(m_labelGiorni, 0, 0);
    grid->addWidget(m_copieGiorni, 0, 1);
    grid->addWidget(m_labelSettimane, 1, 0);
    grid->addWidget(m_copieSettimane, 1, 1);
    grid->setRowStretch(2, 1);
    grid->addWidget(btnRipristina, 3, 0, 1, 2, Qt::AlignLeft);
    return m_backupGroup;
}

// The translation pass: caption, purge button, the two groups, then every label.
void TManutenzioneForm::translate()
{
    setWindowTitle(m_cellar.traduci(u"[MANUTENZIONE]"_s));
    btnPulizia->setText(m_cellar.traduci(btnPulizia->text()));
    m_purgeGroup->setTitle(m_cellar.traduci(m_purgeGroup->title()));
    m_settingsGroup->setTitle(m_cellar.traduci(m_settingsGroup->title()));
    m_backupGroup->setTitle(m_cellar.traduci(m_backupGroup->title()));
    m_exchangeGroup->setTitle(m_cellar.traduci(m_exchangeGroup->title()));
    for (QPushButton *button : {btnEsporta, btnImporta})
        button->setText(m_cellar.traduci(button->text()));
    for (QLabel *label : {m_labelUtente, m_labelRicarico, m_labelGiorni, m_labelSettimane})
        label->setText(m_cellar.traduci(label->text()));
    btnRipristina->setText(m_cellar.traduci(btnRipristina->text()));
    DateEdit1->lineEdit()->setAccessibleName(m_purgeGroup->title().trimmed());
    m_editRicarico->numberEntry()->setRefusalText(m_cellar.traduci(u"[ERR_NUMERO]"_s));
}

void TManutenzioneForm::setPlainMessage(PlainMessage message)
{
    m_plainMessage = message ? std::move(message) : PlainMessage(&TManutenzioneForm::showPlainMessage);
}

void TManutenzioneForm::showPlainMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

void TManutenzioneForm::centreOnScreen()
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

void TManutenzioneForm::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        centreOnScreen();
        // The main menu puts the settings row into edit mode before showing the window; making
        // sure here costs nothing (edit does nothing while editing) and begins the row when the
        // table has none.
        guarded(this, [this] { m_cellar.intestazione.edit(); });
        const BackupRetention retention = CellarBackups(m_cellar.programDir).retention();
        m_copieGiorni->setValue(retention.days);
        m_copieSettimane->setValue(retention.weeks);
    }
    QDialog::showEvent(event);
}

void TManutenzioneForm::done(int result)
{
    // A markup that cannot be read keeps the window open on it rather than saving another value.
    if (NumberEntry::refuseUnreadable(this))
        return;
    // A settings row that cannot be saved keeps the window open, with the error shown, rather
    // than dropping what was typed.
    if (!guarded(this, [this] { FormClose(); }))
        return;
    QDialog::done(result);
}

void TManutenzioneForm::FormClose()
{
    if (m_cellar.intestazione.isEditing())
        m_cellar.intestazione.post();
    const CellarBackups backups(m_cellar.programDir);
    const BackupRetention retention{m_copieGiorni->value(), m_copieSettimane->value()};
    const BackupRetention stored = backups.retention();
    if (retention.days != stored.days || retention.weeks != stored.weeks)
        backups.setRetention(retention);
}

void TManutenzioneForm::btnEsportaClick()
{
    const QString folder = m_chooseFolder ? m_chooseFolder(this) : QString();
    if (folder.isEmpty())
        return;
    exportCellar(m_cellar.DB, folder);
    m_plainMessage(this, m_cellar.traduci(u"[ESPORTA_OK]"_s).arg(QDir::toNativeSeparators(folder)));
}

void TManutenzioneForm::btnImportaClick()
{
    const QString file = m_chooseImportFile ? m_chooseImportFile(this) : QString();
    if (file.isEmpty())
        return;
    CardImport import(m_cellar);
    import.loadFile(file);
    TImportForm form(m_cellar, import, m_plainMessage, this);
    form.exec();
}

void TManutenzioneForm::btnRipristinaClick()
{
    TRestoreForm form(m_cellar, m_plainMessage, this);
    form.exec();
}

void TManutenzioneForm::btnPuliziaClick()
{
    // The text as shown: an unreadable date reads as no date.
    const QDate day = DateBox::parseDate(DateEdit1->lineEdit()->text());
    if (!day.isValid())
        return;
    if (!m_cellar.messages || !m_cellar.messages->question(m_cellar.traduci(u"   [CONFERMA_CANCELLA]    "_s)))
        return;
    {
        PurgeProgressWindow progress(m_purgeGroup->title().trimmed() + u'\u2026', m_progressDelay, this);
        purgeJournal(m_cellar.giornale, day,
                     [&](qint64 examined, qint64 total) { progress.show(examined, total); });
    }
    m_plainMessage(this, m_cellar.traduci(u"[CANC_OK]"_s));
}

} // namespace vinary
