#pragma once

#include "app/mymsg.h"
#include "app/placement.h"
#include "data/cellar.h"
#include "language/languagetable.h"
#include "widgets/filedialog.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;

namespace vinary
{

namespace report
{
class Report;
}

class FileDialog;
class MessageBox;
class Printing;
class PictureStrip;
class TSplashForm;
class TSelezioneForm;
class TfrmVinary;
class TManutenzioneForm;
class TfrmInfo;
class TfrmInOut;
struct Forms;

// The main window. It owns everything the windows share (the connection and the table objects,
// the language table, the message box, the program directory, the filter mode) and opens every
// other window modally from its menu. Its creation prepares and connects the database, builds the
// print menu, loads the language and opens the tables.
class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    // The print command's body (the report run); it receives the chosen print-menu item, whose
    // data() is the report's ID.
    using PrintHandler = std::function<void(QAction *item)>;

    explicit TMainForm(TSplashForm *splash = nullptr, QWidget *parent = nullptr);
    ~TMainForm() override;

    Cellar &cellar() { return m_cellar; }
    const Cellar &cellar() const { return m_cellar; }
    // The current directory at creation, with "/" appended; empty until step 4 of the creation.
    const QString &programDir() const { return m_cellar.programDir; }
    LanguageTable &language() { return m_language; }
    QString traduci(const QString &text) const { return m_cellar.traduci(text); }
    // The report component frReport1 with its add-ons, and the print and designer commands.
    Printing &printing() { return *m_printing; }
    report::Report &frReport1();
    // The shared message box (Mymsg, unless a test installed another).
    MessageBox &messages() { return *m_cellar.messages; }

    // Seams: a stand-in box or dialog (nullptr restores the program's own).
    void setMessageBox(MessageBox *box);
    void setFileDialog(FileDialog *dialog);
    void setPrintHandler(PrintHandler handler) { m_printHandler = std::move(handler); }
    void setDesignerHandler(std::function<void()> handler) { m_designerHandler = std::move(handler); }

    // The windows opened from the menu, once start-up has created them.
    void attachForms(const Forms &forms);
    TSelezioneForm *selezioneForm() const;

    // Menu bar items by component name.
    QMenu *Stampe1 = nullptr;
    QMenu *Aiuto1 = nullptr;
    QAction *Archivio = nullptr;
    QAction *Movimenti = nullptr;
    QAction *Manutenzione1 = nullptr;
    QAction *Manuale1 = nullptr;
    QAction *Sito1 = nullptr;
    QAction *Personalizzazionestampe1 = nullptr;
    QAction *N2 = nullptr;
    QAction *CambioLingua = nullptr;
    QAction *N1 = nullptr;
    QAction *Informazioni1 = nullptr;
    QAction *Uscita1 = nullptr;
    QStatusBar *StatusLine = nullptr;
    QLabel *hintPanel = nullptr; // the hints of the control under the mouse
    QLabel *userPanel = nullptr; // "Utente", then the owner name
    PictureStrip *Image1 = nullptr;

    // The print-menu items, in menu order.
    QList<QAction *> printItems() const;

    void ArchivioClick();
    void MovimentiClick();
    void Manutenzione1Click();
    void Manuale1Click();
    void Sito1Click();
    void Personalizzazionestampe1Click();
    void CambioLinguaClick();
    void Informazioni1Click();
    void Uscita1Click();
    void StampeClick(QAction *item);
    void Image1Click();
    // Refills the catalogue's pick lists once the tables are open.
    void FormActivate();

    // Shows the window at its stored placement (maximised when there is none).
    void showAtPlacement();
    // A later start of the program asked for this one.
    void bringToFront();
    // SIGTERM or SIGINT: once the termination handling has closed the modal windows, the main window
    // closes as if the user had closed it.
    void closeOnSignal();

    static constexpr int kMinWidth = 600;
    static constexpr int kMinHeight = 200;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate();
    void FormClose();
    void createMenu();
    void createClientArea();
    void createStatusLine();
    void buildPrintMenu();
    void translateMenus();
    // The web-site commands: the project's home page (the manual while it has no web site).
    void openHomePage();
    void describePictureStrip();
    void applyMinimumSize();
    void showModal(QWidget *window);
    void savePlacement();

    Cellar m_cellar;
    LanguageTable m_language;
    vinary::Mymsg m_mymsg;
    WindowPlacement m_placement;
    QtFileDialog m_platformFileDialog;
    FileDialog *m_fileDialog = &m_platformFileDialog;
    QPointer<TSplashForm> m_splash;
    // Declared after the cellar, whose tables its datasets read: it goes first.
    std::unique_ptr<Printing> m_printing;
    PrintHandler m_printHandler;
    std::function<void()> m_designerHandler;
    QString m_startupNotice; // why the database was not compacted, shown once the window is up
    bool m_closed = false;
    bool m_languageLoaded = false;
    bool m_shown = false; // a window never shown has no placement to keep
    int m_closeAttempts = 0;

    QPointer<TSelezioneForm> m_selezione;
    QPointer<TfrmVinary> m_frmVinary;
    QPointer<TManutenzioneForm> m_manutenzione;
    QPointer<TfrmInfo> m_frmInfo;
    QPointer<TfrmInOut> m_frmInOut;
};

} // namespace vinary
