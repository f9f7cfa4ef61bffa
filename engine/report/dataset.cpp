#include "engine/report/dataset.h"

namespace vinary::report
{

namespace
{
// "MainForm.Schede" -> "Schede"; a bare name stays as it is.
QString componentPart(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.mid(dot + 1);
}
} // namespace

int DatasetRegistry::indexOf(const QString &name) const
{
    const QString wanted = name.trimmed();
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).name.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    // A bare component name, or a window name other than the one registered, still finds the
    // component when exactly one registered name ends in it.
    int found = -1;
    const QString component = componentPart(wanted);
    if (!wanted.contains(u'.')) {
        for (int i = 0; i < m_entries.size(); ++i) {
            if (componentPart(m_entries.at(i).name).compare(component, Qt::CaseInsensitive) == 0) {
                if (found >= 0)
                    return -1;
                found = i;
            }
        }
    }
    return found;
}

void DatasetRegistry::add(const QString &name, ReportDataset *dataset)
{
    for (Entry &e : m_entries) {
        if (e.name.compare(name, Qt::CaseInsensitive) == 0) {
            e.dataset = dataset;
            return;
        }
    }
    m_entries.append({name, dataset});
}

void DatasetRegistry::remove(const QString &name)
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).name.compare(name, Qt::CaseInsensitive) == 0) {
            m_entries.removeAt(i);
            return;
        }
    }
}

ReportDataset *DatasetRegistry::find(const QString &name) const
{
    const int i = indexOf(name);
    return i < 0 ? nullptr : m_entries.at(i).dataset;
}

QString DatasetRegistry::canonicalName(const QString &name) const
{
    const int i = indexOf(name);
    return i < 0 ? QString() : m_entries.at(i).name;
}

QStringList DatasetRegistry::names() const
{
    QStringList out;
    for (const Entry &e : m_entries)
        out.append(e.name);
    return out;
}

MemoryDataset::MemoryDataset(const QStringList &fields)
{
    setFields(fields);
}

void MemoryDataset::setFields(const QStringList &fields)
{
    m_fields = fields;
    m_index.clear();
    for (int i = 0; i < fields.size(); ++i)
        m_index.insert(fields.at(i).toLower(), i);
}

void MemoryDataset::addRow(const QVariantList &values)
{
    m_rows.push_back(values);
}

QVariant MemoryDataset::value(const QString &field) const
{
    if (eof())
        return QVariant();
    const auto it = m_index.constFind(field.toLower());
    if (it == m_index.constEnd())
        return QVariant();
    return m_rows[size_t(m_pos)].value(*it);
}

} // namespace vinary::report
