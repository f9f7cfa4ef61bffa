#include "widgets/numberentry.h"

#include "engine/common/numbertext.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

const QString kMarkStyle =
    u"QLineEdit { border: 2px solid #c62828; border-radius: 3px; padding: 0px 1px; }"_s;

} // namespace

NumberEntry::NumberEntry(QLineEdit *edit)
    : QObject(edit), m_edit(edit),
      m_refusalText(u"This number cannot be read: type digits with one decimal separator."_s)
{
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textChanged, this, &NumberEntry::updateSign);
}

void NumberEntry::setActive(bool on)
{
    m_active = on;
    updateSign();
}

void NumberEntry::setIntegerOnly(bool on)
{
    m_integerOnly = on;
    updateSign();
}

void NumberEntry::setRefusalText(const QString &text)
{
    m_refusalText = text;
    if (m_marked) {
        m_edit->setToolTip(text);
        m_edit->setAccessibleDescription(text);
    }
}

std::optional<double> NumberEntry::number() const
{
    const QString text = m_edit->text();
    if (m_integerOnly &&
        (text.contains(u'.') || text.contains(u',') || text.contains(QLocale().decimalPoint())))
        return std::nullopt;
    return parseUserNumber(text, QLocale());
}

bool NumberEntry::isReadable() const
{
    return m_edit->text().trimmed().isEmpty() || number().has_value();
}

void NumberEntry::updateSign()
{
    const bool marked = m_active && !isReadable();
    if (marked == m_marked)
        return;
    m_marked = marked;
    if (marked) {
        m_plainToolTip = m_edit->toolTip();
        m_plainDescription = m_edit->accessibleDescription();
        m_plainStyleSheet = m_edit->styleSheet();
        m_edit->setStyleSheet(m_plainStyleSheet + kMarkStyle);
        m_edit->setToolTip(m_refusalText);
        m_edit->setAccessibleDescription(m_refusalText);
    } else {
        m_edit->setStyleSheet(m_plainStyleSheet);
        m_edit->setToolTip(m_plainToolTip);
        m_edit->setAccessibleDescription(m_plainDescription);
        QToolTip::hideText();
    }
}

void NumberEntry::showRefusal()
{
    updateSign();
    if (!m_marked)
        return;
    QToolTip::showText(m_edit->mapToGlobal(QPoint(0, m_edit->height())), m_refusalText, m_edit);
    // A window with a status line shows the reason there too.
    QStatusTipEvent tip(m_refusalText);
    QCoreApplication::sendEvent(m_edit, &tip);
    QAccessibleEvent alert(m_edit, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

bool NumberEntry::refuseUnreadable(QWidget *root)
{
    if (!root)
        return false;
    for (NumberEntry *entry : root->findChildren<NumberEntry *>()) {
        QLineEdit *edit = entry->m_edit;
        if (!entry->m_active || edit->isReadOnly() || !edit->isVisibleTo(root) || entry->isReadable())
            continue;
        edit->setFocus(Qt::OtherFocusReason);
        entry->showRefusal();
        return true;
    }
    return false;
}

bool NumberEntry::eventFilter(QObject *watched, QEvent *event)
{
    // An edit being destroyed is no longer a QLineEdit when its last focus events arrive.
    if (qobject_cast<QLineEdit *>(watched) != m_edit || !m_active || m_edit->isReadOnly())
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        // The keypad's decimal key types the locale's separator, whatever the keyboard layout sends.
        if ((key->key() == Qt::Key_Period || key->key() == Qt::Key_Comma) &&
            (key->modifiers() & Qt::KeypadModifier)) {
            m_edit->insert(QLocale().decimalPoint());
            return true;
        }
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && !isReadable()) {
            showRefusal();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && !isReadable()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason ||
            reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
            // The focus went elsewhere in the same window: it comes back once the move is done.
            QTimer::singleShot(0, m_edit, [this] {
                if (!isReadable() && m_edit->isVisible() && m_edit->isActiveWindow()) {
                    m_edit->setFocus(Qt::OtherFocusReason);
                    showRefusal();
                }
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vinary
