#pragma once

#include <QDialog>
#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace vinary
{

class Cellar;
class DateBox;
class DbEdit;

// The maintenance window: the settings row of Configurazione (owner name and default markup),
// edited in place and saved when the window closes, and the purge of old journal lines.
class TManutenzioneForm : public QDialog
{
    Q_OBJECT
public:
    explicit TManutenzioneForm(Cellar &cellar, QWidget *parent = nullptr);

    // The plain message that reports a finished purge; the platform's information box by default.
    using PlainMessage = std::function<void(QWidget *parent, const QString &text)>;
    void setPlainMessage(PlainMessage message);
    // The folder the cellar is exported to and the CSV file cards are imported from; the
    // platform's dialogs by default. An empty answer cancels.
    using ChooseFile = std::function<QString(QWidget *parent)>;
    void setFolderChooser(ChooseFile choose) { m_chooseFolder = std::move(choose); }
    void setImportFileChooser(ChooseFile choose) { m_chooseImportFile = std::move(choose); }
    static void showPlainMessage(QWidget *parent, const QString &text);
    // How long a journal purge runs before its progress shows, in milliseconds.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

    // The handlers, as the controls call them.
    void btnPuliziaClick();
    // Opens the list of dated copies, from which one is restored.
    void btnRipristinaClick();
    // Writes the wine cards and the journal as CSV files into a chosen folder.
    void btnEsportaClick();
    // Reads a chosen CSV file and opens the import of its rows as wine cards.
    void btnImportaClick();
    void FormClose();

    DateBox *purgeDateBox() const { return DateEdit1; }
    QSpinBox *dailyCopiesBox() const { return m_copieGiorni; }
    QSpinBox *weeklyCopiesBox() const { return m_copieSettimane; }

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void translate();
    void centreOnScreen();
    QWidget *buildBackupGroup();
    QWidget *buildExchangeGroup();

    Cellar &m_cellar;
    PlainMessage m_plainMessage;
    int m_progressDelay = 500;

    QGroupBox *m_purgeGroup = nullptr;
    QGroupBox *m_settingsGroup = nullptr;
    DateBox *DateEdit1 = nullptr;
    QToolButton *btnPulizia = nullptr;
    QLabel *m_labelUtente = nullptr;
    QLabel *m_labelRicarico = nullptr;
    DbEdit *m_editUtente = nullptr;
    DbEdit *m_editRicarico = nullptr;

    QGroupBox *m_backupGroup = nullptr;
    QLabel *m_labelGiorni = nullptr;
    QLabel *m_labelSettimane = nullptr;
    QSpinBox *m_copieGiorni = nullptr;
    QSpinBox *m_copieSettimane = nullptr;
    QPushButton *btnRipristina = nullptr;

    QGroupBox *m_exchangeGroup = nullptr;
    QPushButton *btnEsporta = nullptr;
    QPushButton *btnImporta = nullptr;
    ChooseFile m_chooseFolder;
    ChooseFile m_chooseImportFile;
};

} // namespace vinary
