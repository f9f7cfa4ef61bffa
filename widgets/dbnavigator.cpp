#include "widgets/dbnavigator.h"

#include "engine/db/table.h"
#include "widgets/guard.h"
#include "widgets/widgeticons.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace vinary {

DbNavigator::DbNavigator(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const struct {
        const char16_t *name;
        WidgetIcon icon;
        const char16_t *hint;
    } buttons[] = {{u"nbFirst", WidgetIcon::First, u"First record"},
                   {u"nbPrior", WidgetIcon::Prior, u"Prior record"},
                   {u"nbNext", WidgetIcon::Next, u"Next record"},
                   {u"nbLast", WidgetIcon::Last, u"Last record"}};
    for (int i = 0; i < 4; ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromUtf16(buttons[i].name));
        b->setIcon(widgetIcon(buttons[i].icon));
        b->setIconSize(QSize(16, 16));
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumSize(25, 25);
        m_buttons[i] = b;
        setHint(Button(i), QString::fromUtf16(buttons[i].hint));
        layout->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, i] { move(Button(i)); });
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    updateButtons();
}

void DbNavigator::setTable(db::Table *table)
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_table = table;
    if (table) {
        m_connections << connect(table, &db::Dataset::recordChanged, this, &DbNavigator::updateButtons)
                      << connect(table, &db::Dataset::rowsReset, this, &DbNavigator::updateButtons)
                      << connect(table, &db::Dataset::stateChanged, this, &DbNavigator::updateButtons)
                      << connect(table, &db::Dataset::rowRemoved, this, &DbNavigator::updateButtons)
                      << connect(table, &db::Dataset::rowInserted, this, &DbNavigator::updateButtons);
    }
    updateButtons();
}

void DbNavigator::setHints(const QStringList &hints)
{
    for (int i = 0; i < 4 && i < hints.size(); ++i)
        setHint(Button(i), hints.at(i));
}

QStringList DbNavigator::hints() const
{
    QStringList list;
    for (const QToolButton *b : m_buttons)
        list << b->toolTip();
    return list;
}

void DbNavigator::setHint(Button button, const QString &hint)
{
    m_buttons[button]->setToolTip(hint);
    m_buttons[button]->setAccessibleName(hint);
    m_buttons[button]->setStatusTip(hint);
}

void DbNavigator::move(Button button)
{
    db::Table *table = m_table;
    if (!table || !table->isActive())
        return;
    const bool moved = guarded(this, [&] {
        switch (button) {
        case First:
            table->first();
            break;
        case Prior:
            table->prior();
            break;
        case Next:
            table->next();
            break;
        case Last:
            table->last();
            break;
        }
    });
    updateButtons();
    if (moved)
        Q_EMIT this->moved(button);
}

void DbNavigator::updateButtons()
{
    const db::Table *table = m_table;
    const bool active = table && table->isActive();
    const int count = active ? table->recordCount() : 0;
    const int at = active ? table->recNo() : -1;
    m_buttons[First]->setEnabled(active && count > 0 && at > 0);
    m_buttons[Prior]->setEnabled(active && count > 0 && at > 0);
    m_buttons[Next]->setEnabled(active && count > 0 && at < count - 1);
    m_buttons[Last]->setEnabled(active && count > 0 && at < count - 1);
}

void DbNavigator::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateButtons();
}

} // namespace vinary
