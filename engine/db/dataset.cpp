#include "engine/db/dataset.h"

#include "engine/db/connection.h"

namespace vinary::db
{

Dataset::Dataset(Connection &connection, QObject *parent) : QObject(parent), m_connection(connection) {}

Dataset::~Dataset() = default;

Field *Dataset::findField(const QString &name) const
{
    // Names are mostly asked as they are written: that look-up spares lower-casing the name.
    if (const auto exact = m_exactIndex.constFind(name); exact != m_exactIndex.constEnd())
        return m_fields.at(size_t(*exact)).get();
    const auto it = m_fieldIndex.constFind(name.toLower());
    return it == m_fieldIndex.constEnd() ? nullptr : m_fields.at(size_t(*it)).get();
}

Field &Dataset::fieldByName(const QString &name) const
{
    Field *f = findField(name);
    if (!f)
        fail(QStringLiteral("Field '%1' not found").arg(name));
    return *f;
}

QStringList Dataset::fieldNames() const
{
    QStringList names;
    for (const auto &f : m_fields)
        names << f->name();
    return names;
}

void Dataset::setState(DataState state)
{
    if (m_state == state)
        return;
    const bool transient = state == DataState::CalcFields || state == DataState::Filter ||
                           m_state == DataState::CalcFields || m_state == DataState::Filter;
    m_state = state;
    if (!transient)
        Q_EMIT stateChanged();
}

Field *Dataset::addField(const QString &name, FieldType type, int size, bool calculated)
{
    const int index = int(m_fields.size());
    m_fields.push_back(std::make_unique<Field>(this, index, name, type, size, calculated));
    m_fieldIndex.insert(name.toLower(), index);
    m_exactIndex.clear();
    for (const auto &f : m_fields)
        m_exactIndex.insert(f->name(), m_fieldIndex.value(f->name().toLower()));
    return m_fields.back().get();
}

void Dataset::clearFields()
{
    m_fields.clear();
    m_fieldIndex.clear();
    m_exactIndex.clear();
}

void Dataset::fail(const QString &message) const
{
    throw DbError(message);
}

} // namespace vinary::db
