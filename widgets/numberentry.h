#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QLineEdit;
class QWidget;

namespace vinary
{

// The number entry of one line edit: the text is read by parseUserNumber in the default locale,
// the keypad's decimal key types the locale's separator, and no typed character is dropped. A text
// that cannot be read stays as typed, framed in red with the reason as its tooltip and accessible
// description, and keeps the focus from Tab and mouse until it is mended or emptied.
class NumberEntry : public QObject
{
    Q_OBJECT

public:
    explicit NumberEntry(QLineEdit *edit);

    // An inactive entry leaves the edit alone (a bound box on a text field).
    void setActive(bool on);
    bool isActive() const { return m_active; }
    // Whole numbers only: a separator makes the text unreadable.
    void setIntegerOnly(bool on);
    // Why a text is refused, in the user's language.
    void setRefusalText(const QString &text);

    // Empty, or a number: what may be written.
    bool isReadable() const;
    // The number typed; nullopt when the text is empty or unreadable.
    std::optional<double> number() const;

    // Moves the focus to the first active box under root whose text cannot be read and shows
    // why; true when there was one, and the caller then writes nothing.
    static bool refuseUnreadable(QWidget *root);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateSign();
    void showRefusal();

    QLineEdit *m_edit;
    bool m_active = true;
    bool m_integerOnly = false;
    bool m_marked = false;
    QString m_refusalText;
    QString m_plainToolTip;
    QString m_plainDescription;
    QString m_plainStyleSheet;
};

} // namespace vinary
