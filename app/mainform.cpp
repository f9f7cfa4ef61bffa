#include "app/mainform.h"

#include "app/dbprepare.h"
#include "app/desktoplauncher.h"
#include "app/infofrm.h"
#include "app/languagechange.h"
#include "app/mainparts.h"
#include "app/pictures.h"
#include "app/singleinstance.h"
#include "app/splash.h"
#include "app/startup.h"
#include "app/startuprestore.h"
#include "catalogue/vinaryfrm.h"
#include "data/schemaupgrade.h"
#include "reports/printing.h"
#include "reports/select.h"
#include "stock/manutefrm.h"
#include "stock/movimentifrm.h"
#include "widgets/applicationtitle.h"
#include "widgets/delayedprogress.h"
#include "widgets/guard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

constexpr int kDesignWidth = 708;
constexpr int kDesignHeight = 359;
constexpr int kPanelWidth = 400;
// How long a signal-driven close waits for the modal windows to go before closing regardless: a
// window that will not close stops the program's end for at most about five seconds.
constexpr int kModalCloseAttempts = 250;
constexpr int kModalCloseRetryMs = 20;
const QString kPlacementSection = u"MAIN"_s;

QAction *menuItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction *barItem(QMenuBar *bar, const char *name, const QString &caption)
{
    QAction *action = bar->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QMenu *subMenu(QMenuBar *bar, const char *name, const QString &caption)
{
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction *separator(QMenu *menu, const char *name)
{
    QAction *action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

TMainForm::TMainForm(TSplashForm *splash, QWidget *parent)
    : QMainWindow(parent), m_mymsg(this), m_splash(splash)
{
    setObjectName(u"MainForm"_s);
    setWindowTitle(u"[TITOLO]"_s);
    setWindowIcon(pictures::programIcon());
    resize(kDesignWidth, kDesignHeight);

    m_cellar.language = &m_language;
    m_cellar.messages = &m_mymsg;
    m_cellar.indexProgress = delayedProgress(this, [this] {
        // The start-up upgrade builds the index before the language is loaded.
        if (!m_languageLoaded) {
            try {
                m_language.loadFallback(m_cellar.programDir + LanguageTable::fallbackFileName());
                m_language.load(LanguageTable::iniFileName());
            } catch (const std::exception &) {
                // The English text stands in.
            }
        }
        return traduci(u"[INDICE_RICERCA]"_s);
    });

    // The report component exists before the tables are connected; the print menu's commands run it.
    m_printing = std::make_unique<Printing>(m_cellar);
    m_printHandler = [this](QAction *item) { m_printing->StampeClick(item->data().toInt()); };
    m_designerHandler = [this] { m_printing->Personalizzazionestampe1Click(); };

    createMenu();
    createClientArea();
    createStatusLine();
    applyMinimumSize();

    // A failing step ends the creation there; the program goes on with what was set up, unless a
    // dated copy can stand in for a missing or damaged database.
    if (!guarded(this, [this] { FormCreate(); }) && !m_cellar.DB.isOpen()) {
        guarded(this, [this] { m_language.load(LanguageTable::iniFileName()); });
        bool restored = false;
        guarded(this, [&] { restored = offerStartupRestore(m_cellar); });
        if (restored)
            guarded(this, [this] { FormCreate(); });
    }
}

TMainForm::~TMainForm()
{
    // The other windows bind to the tables owned here, so they go first.
    const QList<QWidget *> children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        if (child->isWindow())
            delete child;
    }
}

void TMainForm::FormCreate()
{
    // Step 1, the scaling to the screen's density, is Qt's own: sizes here are device-independent
    // pixels, which Qt maps to the screen's pixels itself.
    m_cellar.filterMode = u' ';
    m_cellar.DB.close();
    m_cellar.programDir = QDir::currentPath() + u'/';
    m_cellar.setDatabaseDirectory(m_cellar.programDir);
    // A file that another holds (its lock file is there) is neither compacted nor upgraded.
    const bool alone =
        !QFileInfo::exists(db::Connection::lockFileName(m_cellar.programDir + u"vinary.mdb"_s));
    // A compaction that could not run leaves a sound file as it was; the user hears why once the
    // window is up, in the language loaded below.
    const Preparation prepared = prepareDatabaseFile(m_cellar.DB, m_cellar.programDir);
    m_startupNotice = prepared.notice();
    m_cellar.connect();
    // A file that could not be compacted (no space, no permission, a reader) is used as it is; its
    // upgrade waits for a start that can write it.
    if (alone && prepared.skipped == Preparation::Skipped::Nothing)
        upgradeCellar(m_cellar.DB, m_cellar.indexProgress);
    m_cellar.intestazione.open();
    buildPrintMenu();

    // The English file first: it fills in what an old or hand-made language.ini lacks, even when
    // language.ini itself cannot be read.
    m_language.loadFallback(m_cellar.programDir + LanguageTable::fallbackFileName());
    m_language.load(LanguageTable::iniFileName());
    m_languageLoaded = true;
    setApplicationTitle(traduci(u"[TITOLO]"_s));

    if (m_splash) {
        m_splash->Label1->setText(traduci(m_splash->Label1->text()));
        m_splash->Label2->setText(traduci(m_splash->Label2->text()));
        m_splash->Label4->setText(traduci(m_splash->Label4->text()));
        m_splash->showSplash();
        // Painted once now; the rest of start-up runs without returning to the event loop.
        QCoreApplication::processEvents();
    }

    translateMenus();
    describePictureStrip();

    const QString utente = m_cellar.intestazione.fieldByName(u"Utente"_s).asString();
    setWindowTitle(applicationTitle() + u" - "_s + utente);
    userPanel->setText(utente);

    m_cellar.Schede.open();
    m_cellar.giornale.open();
}

void TMainForm::createMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(u"MainMenu1"_s);
    Archivio = barItem(bar, "Archivio", u"[MENU_SCHEDE]"_s);
    Movimenti = barItem(bar, "Movimenti", u"[MENU_CAR_SCAR]"_s);
    Stampe1 = subMenu(bar, "Stampe1", u"[MENU_STAMPE]"_s);
    Manutenzione1 = barItem(bar, "Manutenzione1", u"[MENU_MANUTENZIONE]"_s);
    Aiuto1 = subMenu(bar, "Aiuto1", u"[MENU_AIUTO]"_s);
    Manuale1 = menuItem(Aiuto1, "Manuale1", u"[AIUTO_MANUALE]"_s);
    Sito1 = menuItem(Aiuto1, "Sito1", u"[AIUTO_SITO]"_s);
    Personalizzazionestampe1 = menuItem(Aiuto1, "Personalizzazionestampe1", u"[MENU_MOD_PRINT]"_s);
    N2 = separator(Aiuto1, "N2");
    CambioLingua = menuItem(Aiuto1, "CambioLingua", u"[AIUTO_LINGUA]"_s);
    N1 = separator(Aiuto1, "N1");
    Informazioni1 = menuItem(Aiuto1, "Informazioni1", u"[AIUTO_INFO]"_s);
    Uscita1 = barItem(bar, "Uscita1", u"[MENU_USCITA]"_s);

    Manuale1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    Sito1->setIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
    Personalizzazionestampe1->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    Informazioni1->setIcon(pictures::programIcon());

    guardedConnect(Archivio, &QAction::triggered, this, [this] { ArchivioClick(); });
    guardedConnect(Movimenti, &QAction::triggered, this, [this] { MovimentiClick(); });
    guardedConnect(Manutenzione1, &QAction::triggered, this, [this] { Manutenzione1Click(); });
    guardedConnect(Manuale1, &QAction::triggered, this, [this] { Manuale1Click(); });
    guardedConnect(Sito1, &QAction::triggered, this, [this] { Sito1Click(); });
    guardedConnect(Personalizzazionestampe1, &QAction::triggered, this,
                   [this] { Personalizzazionestampe1Click(); });
    guardedConnect(CambioLingua, &QAction::triggered, this, [this] { CambioLinguaClick(); });
    guardedConnect(Informazioni1, &QAction::triggered, this, [this] { Informazioni1Click(); });
    guardedConnect(Uscita1, &QAction::triggered, this, [this] { Uscita1Click(); });
    guardedConnect(Stampe1, &QMenu::triggered, this, [this](QAction *item) { StampeClick(item); });
}

void TMainForm::createClientArea()
{
    auto *background = new TiledBackground(this);
    background->setObjectName(u"ClientArea"_s);
    auto *layout = new QVBoxLayout(background);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch(1);

    Image1 = new PictureStrip(background);
    Image1->setObjectName(u"Image1"_s);
    describePictureStrip();
    layout->addWidget(Image1);
    guardedConnect(Image1, &PictureStrip::clicked, this, [this] { Image1Click(); });

    setCentralWidget(background);
}

void TMainForm::createStatusLine()
{
    StatusLine = new QStatusBar(this);
    StatusLine->setObjectName(u"StatusLine"_s);
    hintPanel = new StatusPanel(kPanelWidth, StatusLine);
    hintPanel->setObjectName(u"StatusLinePanel0"_s);
    hintPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    userPanel = new StatusPanel(kPanelWidth, StatusLine);
    userPanel->setObjectName(u"StatusLinePanel1"_s);
    userPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    userPanel->setText(u"Utente"_s);
    StatusLine->addWidget(hintPanel);
    StatusLine->addWidget(userPanel, 1);
    setStatusBar(StatusLine);
}

void TMainForm::buildPrintMenu()
{
    db::Table &stampe = m_cellar.stampe;
    Stampe1->clear();
    stampe.open();
    try {
        for (stampe.first(); !stampe.eof(); stampe.next()) {
            QAction *item = Stampe1->addAction(stampe.fieldByName(u"Stampa"_s).asString());
            item->setData(stampe.fieldByName(u"ID"_s).asInteger());
        }
    } catch (...) {
        stampe.close();
        throw;
    }
    stampe.close();
}

QList<QAction *> TMainForm::printItems() const
{
    QList<QAction *> items;
    const QList<QAction *> actions = Stampe1->actions();
    for (QAction *action : actions) {
        if (!action->isSeparator() && !action->menu())
            items.append(action);
    }
    return items;
}

void TMainForm::translateMenus()
{
    const std::function<void(const QList<QAction *> &)> pass = [&](const QList<QAction *> &actions) {
        for (QAction *action : actions) {
            if (action->isSeparator())
                continue;
            action->setText(traduci(action->text()));
            if (QMenu *menu = action->menu())
                pass(menu->actions());
        }
    };
    pass(menuBar()->actions());
}

void TMainForm::setMessageBox(MessageBox *box)
{
    m_cellar.messages = box ? box : &m_mymsg;
}

void TMainForm::setFileDialog(FileDialog *dialog)
{
    m_fileDialog = dialog ? dialog : &m_platformFileDialog;
}

void TMainForm::attachForms(const Forms &forms)
{
    m_selezione = forms.SelezioneForm;
    m_printing->setSelezioneForm(forms.SelezioneForm);
    m_frmVinary = forms.frmVinary;
    m_manutenzione = forms.ManutenzioneForm;
    m_frmInfo = forms.frmInfo;
    m_frmInOut = forms.frmInOut;
}

report::Report &TMainForm::frReport1()
{
    return m_printing->frReport1();
}

TSelezioneForm *TMainForm::selezioneForm() const
{
    return m_selezione;
}

void TMainForm::showModal(QWidget *window)
{
    auto *dialog = qobject_cast<QDialog *>(window);
    if (!dialog)
        return;
    dialog->exec();
    // The focus comes back here, and with it the activation handler. Most window managers hand
    // it back by themselves; asking costs nothing when the window is active already.
    if (isVisible() && !isActiveWindow())
        activateWindow();
}

void TMainForm::ArchivioClick()
{
    showModal(m_frmVinary);
}

void TMainForm::MovimentiClick()
{
    if (!m_frmInOut)
        return;
    m_cellar.Schede.setFiltered(true);
    showModal(m_frmInOut);
    m_cellar.Schede.setFiltered(false);
}

void TMainForm::Manutenzione1Click()
{
    if (!m_manutenzione)
        return;
    // The maintenance window edits the one settings row; it posts the change when it closes.
    m_cellar.intestazione.edit();
    showModal(m_manutenzione);
}

void TMainForm::Manuale1Click()
{
    // The language names the manual's file. A missing one (a language without "[MANUALE]")
    // is passed over in silence rather than handed to the desktop, which would complain.
    // The name comes from a language file, which anyone may hand over: only a file that lies in
    // the program directory (after "..", and links, are followed) is opened.
    const QString name = traduci(u"[MANUALE]"_s);
    const QString manual = m_cellar.programDir + name;
    const QString home = QFileInfo(m_cellar.programDir).canonicalFilePath();
    const QString real = QFileInfo(manual).canonicalFilePath();
    if (QDir::isAbsolutePath(name) || home.isEmpty() ||
        !real.startsWith(home.endsWith(u'/') ? home : home + u'/'))
        return;
    if (QFileInfo(manual).isFile())
        desktopLauncher().open(QUrl::fromLocalFile(manual));
}

void TMainForm::Sito1Click()
{
    openHomePage();
}

void TMainForm::Image1Click()
{
    openHomePage();
}

void TMainForm::openHomePage()
{
    // While the project has no public web site its home is the manual, not an address that would
    // only bring up the browser's error page.
    const QUrl home = makerWebSite();
    if (home.isValid())
        desktopLauncher().open(home);
    else
        Manuale1Click();
}

void TMainForm::describePictureStrip()
{
    const QUrl home = makerWebSite();
    const QString text = home.isValid() ? home.toString() : traduci(u"[AIUTO_MANUALE]"_s).remove(u'&');
    Image1->setToolTip(text);
    Image1->setStatusTip(text);
    Image1->setAccessibleName(text);
}

void TMainForm::Personalizzazionestampe1Click()
{
    if (m_designerHandler)
        m_designerHandler();
}

void TMainForm::CambioLinguaClick()
{
    runLanguageChange(this, *m_fileDialog, m_language, m_cellar.programDir, messages());
}

void TMainForm::Informazioni1Click()
{
    showModal(m_frmInfo);
}

void TMainForm::Uscita1Click()
{
    close();
}

void TMainForm::StampeClick(QAction *item)
{
    if (item && m_printHandler)
        m_printHandler(item);
}

void TMainForm::FormActivate()
{
    if (!m_cellar.Schede.isActive())
        return;
    guarded(this, [this] { m_cellar.rules.refillPickLists(); });
}

bool TMainForm::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::WindowActivate: {
        const bool handled = QMainWindow::event(event);
        FormActivate();
        return handled;
    }
    case QEvent::Show:
        m_shown = true;
        return QMainWindow::event(event);
    case QEvent::StatusTip:
        // The hints go to the first panel; the second keeps the owner name.
        hintPanel->setText(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    default:
        return QMainWindow::event(event);
    }
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    applyMinimumSize();
    QMainWindow::resizeEvent(event);
}

void TMainForm::applyMinimumSize()
{
    // The limit is on the outer size, frame included, once the window system has told it.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize minimum(qMax(0, kMinWidth - frame.width()), qMax(0, kMinHeight - frame.height()));
    if (minimumSize() != minimum)
        setMinimumSize(minimum);
}

void TMainForm::showAtPlacement()
{
    // Without a stored placement the store opens the main window maximised.
    const WindowPlacement::Restored restored =
        m_placement.restore(*this, kPlacementSection, WindowPlacement::Kind::Main);
    show();
    if (restored.minimizeApplication)
        showMinimized();
    if (!m_startupNotice.isEmpty()) {
        QTimer::singleShot(0, this, [this] {
            const QString notice = std::exchange(m_startupNotice, QString());
            if (!notice.isEmpty())
                messages().notice(traduci(notice));
        });
    }
}

void TMainForm::savePlacement()
{
    if (m_shown)
        m_placement.save(*this, kPlacementSection, WindowPlacement::Closed, nullptr, isMinimized());
}

void TMainForm::bringToFront()
{
    vinary::bringToFront(this);
}

void TMainForm::closeOnSignal()
{
    // The termination handling rejects the modal windows one by one. The main window closes once
    // their loops have returned to the program's own, so that no command is cut off half-way.
    const bool nested = QThread::currentThread()->loopLevel() > 1 || QApplication::activeModalWidget() ||
                        QApplication::activePopupWidget();
    if (nested && m_closeAttempts < kModalCloseAttempts) {
        ++m_closeAttempts;
        QTimer::singleShot(kModalCloseRetryMs, this, &TMainForm::closeOnSignal);
        return;
    }
    m_closeAttempts = 0;
    close();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    QMainWindow::closeEvent(event);
}

void TMainForm::FormClose()
{
    // Whatever a window left in editing is kept, not lost with the connection.
    for (db::Table *table : {&m_cellar.Schede, &m_cellar.giornale, &m_cellar.intestazione}) {
        guarded(this, [table] {
            if (table->isEditing())
                table->settle();
        });
    }
    savePlacement();
    guarded(this, [this] { m_cellar.disconnect(); });
}

} // namespace vinary
