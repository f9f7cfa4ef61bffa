#pragma once

#include "engine/db/table.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QToolButton;

namespace vinary {

// The first, previous, next and last buttons over a table. Each button is enabled while its move
// leads somewhere; a move first settles a pending change, as the table does.
class DbNavigator : public QWidget
{
    Q_OBJECT

public:
    enum Button { First, Prior, Next, Last };
    Q_ENUM(Button)

    explicit DbNavigator(QWidget *parent = nullptr);

    void setTable(db::Table *table);
    db::Table *table() const { return m_table; }

    // The hints, shown as tooltips and given as the buttons' accessible names, first to last.
    void setHints(const QStringList &hints);
    QStringList hints() const;
    void setHint(Button button, const QString &hint);
    QToolButton *button(Button button) const { return m_buttons[button]; }

Q_SIGNALS:
    void moved(vinary::DbNavigator::Button button);

protected:
    void changeEvent(QEvent *event) override;

private:
    void move(Button button);
    void updateButtons();

    QPointer<db::Table> m_table;
    QToolButton *m_buttons[4] = {};
    QList<QMetaObject::Connection> m_connections;
};

} // namespace vinary
