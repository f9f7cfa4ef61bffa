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
    static void showPlainMessage(QWidget *parent, const QString &text);

    // The handlers, as the controls call them.
    void btnPuliziaClick();
    // Opens the list of dated copies, from which one is restored.
    void btnRipristinaClick();
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

    Cellar &m_cellar;
    PlainMessage m_plainMessage;

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
};

} // namespace vinary
