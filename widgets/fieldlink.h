#pragma once

#include "engine/db/table.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace vinary {

// The tie between one bound control and one field of a table. The control refreshes itself when
// the table moves, changes a value or changes state, and writes only while the table is editing:
// the data source never starts editing by itself.
class FieldLink : public QObject
{
    Q_OBJECT

public:
    explicit FieldLink(QObject *parent = nullptr);

    void bind(db::Table *table, const QString &fieldName);
    db::Table *table() const { return m_table; }
    const QString &fieldName() const { return m_fieldName; }

    // The bound field; nullptr while unbound, while the table is closed or when it has no such field.
    db::Field *field() const;
    // True while the table is editing or inserting and the field may be written.
    bool canWrite() const;

    // Browse mode shows the box like a read-only one: the base colour becomes the window colour.
    static void setReadOnlyLook(QWidget *widget, bool readOnly);

Q_SIGNALS:
    // The field's value, its writability or the binding itself may have changed.
    void refreshNeeded();

private:
    QPointer<db::Table> m_table;
    QString m_fieldName;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace vinary
