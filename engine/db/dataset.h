#pragma once

#include "engine/db/field.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

namespace vinary::db
{

class Connection;

enum class DataState { Inactive, Browse, Edit, Insert, CalcFields, Filter };

// What tables and queries share: fields by name and a current record.
class Dataset : public QObject
{
    Q_OBJECT
public:
    explicit Dataset(Connection &connection, QObject *parent = nullptr);
    ~Dataset() override;

    Connection &connection() const { return m_connection; }
    DataState state() const { return m_state; }
    bool isActive() const { return m_state != DataState::Inactive; }
    bool isEditing() const { return m_state == DataState::Edit || m_state == DataState::Insert; }

    int fieldCount() const { return int(m_fields.size()); }
    Field &field(int index) const { return *m_fields.at(size_t(index)); }
    Field *findField(const QString &name) const;   // case-insensitive; nullptr when missing
    Field &fieldByName(const QString &name) const; // raises "Field 'x' not found"
    QStringList fieldNames() const;

    virtual void open() = 0;
    virtual void close() = 0;
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool eof() const = 0;
    virtual int recordCount() const = 0;

    // Used by Field: the active record's value of a field, and its assignment.
    virtual QVariant fieldValue(int index) const = 0;
    virtual void setFieldValue(int index, const QVariant &value) = 0;

Q_SIGNALS:
    void stateChanged();
    // The current record moved, or its values changed.
    void recordChanged();
    // The records were read again (open, close, re-sort, filtering switched): positions changed.
    void rowsReset();
    void rowInserted(int position);
    void rowRemoved(int position);
    void rowChanged(int position);

protected:
    void setState(DataState state);
    Field *addField(const QString &name, FieldType type, int size, bool calculated);
    void clearFields();
    [[noreturn]] void fail(const QString &message) const;

    Connection &m_connection;
    DataState m_state = DataState::Inactive;
    std::vector<std::unique_ptr<Field>> m_fields;
    QHash<QString, int> m_fieldIndex; // lower-case name -> index
    QHash<QString, int> m_exactIndex; // each field's own name -> what the lower-case one finds
};

} // namespace vinary::db
