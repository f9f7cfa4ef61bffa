#pragma once

#include "data/messagebox.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

namespace vinary {

// The drawn box behind Mymsg: icon and centred text above a centred strip of 75-pixel buttons,
// "&Sì" first, default and focused. Escape answers nothing; closing the box answers "no".
class MymsgDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Kind { Notice, Question };

    MymsgDialog(Kind kind, const QString &text, QWidget *parent = nullptr);

    // True only when "&Sì" ended the box.
    bool answeredYes() const { return m_yes; }

    static constexpr int kButtonWidth = 75;
    static constexpr int kButtonGap = 5;
    static constexpr int kMinWidthPerButton = 80;
    static constexpr int kBoxHeight = 100;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void layOut(int buttons);
    void centreOnScreen();

    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    QPushButton *m_btnSi = nullptr;
    QPushButton *m_btnNo = nullptr;
    bool m_yes = false;
};

// The program's shared modal message box, captioned with the application title of the moment and
// placed at the centre of the screen, over the window that is active when it is called.
class Mymsg : public MessageBox
{
public:
    explicit Mymsg(QWidget *owner = nullptr);

    void notice(const QString &text) override;
    bool question(const QString &text) override;

private:
    bool run(MymsgDialog::Kind kind, const QString &text);

    QPointer<QWidget> m_owner;
};

} // namespace vinary
