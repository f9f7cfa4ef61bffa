#include "widgets/fieldlink.h"

#include "engine/db/table.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace vinary {

FieldLink::FieldLink(QObject *parent) : QObject(parent) {}

void FieldLink::bind(db::Table *table, const QString &fieldName)
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_table = table;
    m_fieldName = fieldName;
    if (table) {
        m_connections << connect(table, &db::Dataset::recordChanged, this, &FieldLink::refreshNeeded)
                      << connect(table, &db::Dataset::stateChanged, this, &FieldLink::refreshNeeded)
                      << connect(table, &db::Dataset::rowsReset, this, &FieldLink::refreshNeeded)
                      << connect(table, &QObject::destroyed, this, &FieldLink::refreshNeeded);
    }
    Q_EMIT refreshNeeded();
}

db::Field *FieldLink::field() const
{
    if (!m_table || !m_table->isActive() || m_fieldName.isEmpty())
        return nullptr;
    return m_table->findField(m_fieldName);
}

bool FieldLink::canWrite() const
{
    const db::Field *f = field();
    return f && m_table->isEditing() && !f->isReadOnly() && !f->isCalculated();
}

void FieldLink::setReadOnlyLook(QWidget *widget, bool readOnly)
{
    QPalette palette = widget->palette();
    const QPalette standard = QApplication::palette(widget);
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Base,
                         readOnly ? standard.color(group, QPalette::Window)
                                  : standard.color(group, QPalette::Base));
    }
    widget->setPalette(palette);
}

} // namespace vinary
