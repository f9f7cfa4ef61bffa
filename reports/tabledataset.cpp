#include "reports/tabledataset.h"

#include "data/cellar.h"
#include "engine/db/dataset.h"
#include "engine/db/field.h"

using namespace Qt::StringLiterals;

namespace vinary
{

void TableDataset::first()
{
    if (m_table.isActive())
        m_table.first();
}

void TableDataset::next()
{
    if (m_table.isActive())
        m_table.next();
}

bool TableDataset::eof() const
{
    return !m_table.isActive() || m_table.eof();
}

QVariant TableDataset::value(const QString &field) const
{
    if (!m_table.isActive())
        return QVariant();
    const db::Field *f = m_table.findField(field);
    if (!f || f->isNull())
        return QVariant();
    switch (f->type()) {
    case db::FieldType::Text:
        return f->asString();
    case db::FieldType::Float:
        return f->asFloat();
    case db::FieldType::Counter:
    case db::FieldType::Integer16:
    case db::FieldType::Integer:
        return f->asInteger();
    case db::FieldType::Boolean:
        return f->asBoolean();
    case db::FieldType::DateTime: {
        const QDateTime when = f->asDateTime();
        return when.isValid() ? QVariant(when) : QVariant();
    }
    case db::FieldType::Blob:
        break;
    }
    return f->value();
}

QStringList TableDataset::fieldNames() const
{
    return m_table.fieldNames();
}

int TableDataset::rowCount() const
{
    return m_table.isActive() ? m_table.recordCount() : 0;
}

QVariant JournalDataset::value(const QString &field) const
{
    if (field.compare(causeNameField(), Qt::CaseInsensitive) != 0)
        return TableDataset::value(field);
    const QString causale = TableDataset::value(u"Causale"_s).toString();
    static const struct {
        char16_t letter;
        const char16_t *key;
    } names[] = {{u'C', u"[CARICO]"}, {u'S', u"[SCARICO]"}, {u'R', u"[STORNO]"}};
    for (const auto &n : names) {
        if (causale == QChar(n.letter))
            return m_cellar.traduci(QString::fromUtf16(n.key));
    }
    return causale;
}

QStringList JournalDataset::fieldNames() const
{
    return TableDataset::fieldNames() << causeNameField();
}

QStringList CellarDatasets::names()
{
    return {u"MainForm.Schede"_s, u"MainForm.giornale"_s, u"MainForm.intestazione"_s, u"MainForm.stampe"_s,
            u"MainForm.indici"_s};
}

CellarDatasets::CellarDatasets(Cellar &cellar, report::DatasetRegistry &registry) : m_registry(registry)
{
    db::Dataset *tables[kCount] = {&cellar.Schede, &cellar.giornale, &cellar.intestazione, &cellar.stampe,
                                   &cellar.indici};
    const QStringList registered = names();
    for (int i = 0; i < kCount; ++i) {
        if (tables[i] == &cellar.giornale)
            m_datasets.at(size_t(i)) = std::make_unique<JournalDataset>(*tables[i], cellar);
        else
            m_datasets.at(size_t(i)) = std::make_unique<TableDataset>(*tables[i]);
        m_registry.add(registered.at(i), m_datasets.at(size_t(i)).get());
    }
}

CellarDatasets::~CellarDatasets()
{
    for (const QString &name : names())
        m_registry.remove(name);
}

} // namespace vinary
