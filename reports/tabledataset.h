#pragma once

#include "engine/report/dataset.h"

#include <array>
#include <memory>

namespace vinary
{

namespace db
{
class Dataset;
}
namespace report
{
class DatasetRegistry;
}
class Cellar;

// A table object (or query) as the report engine reads it. The engine walks it with the table's
// own first()/next()/eof(), so it sees the rows in the table's current order and only those its
// record filter accepts, calculated fields included. That walk moves the table's cursor, which
// is shared with every window: a report leaves the table where its walk ended.
//
// A closed table reads as an empty one; values come converted to the engine's kinds (text,
// number, flag, date, or null for an empty field).
class TableDataset : public report::ReportDataset
{
public:
    explicit TableDataset(db::Dataset &table) : m_table(table) {}

    void first() override;
    void next() override;
    bool eof() const override;
    QVariant value(const QString &field) const override;
    QStringList fieldNames() const override;
    int rowCount() const override;

    db::Dataset &table() const { return m_table; }

private:
    db::Dataset &m_table;
};

// The journal as reports read it: its columns and one more, "NomeCausale", the translated name of
// each line's cause ("[CARICO]", "[SCARICO]", "[STORNO]"; the letter itself for any other).
class JournalDataset : public TableDataset
{
public:
    JournalDataset(db::Dataset &table, const Cellar &cellar) : TableDataset(table), m_cellar(cellar) {}

    QVariant value(const QString &field) const override;
    QStringList fieldNames() const override;

    static QString causeNameField() { return QStringLiteral("NomeCausale"); }

private:
    const Cellar &m_cellar;
};

// The main window's five table objects as datasets, named as templates name them:
// "MainForm.Schede", "MainForm.giornale", "MainForm.intestazione", "MainForm.stampe" and
// "MainForm.indici". The adapters live as long as this object; it removes its names from the
// registry it was registered in when it goes.
class CellarDatasets
{
public:
    CellarDatasets(Cellar &cellar, report::DatasetRegistry &registry);
    ~CellarDatasets();
    CellarDatasets(const CellarDatasets &) = delete;
    CellarDatasets &operator=(const CellarDatasets &) = delete;

    static constexpr int kCount = 5;
    // The registered names, in the order above.
    static QStringList names();

private:
    report::DatasetRegistry &m_registry;
    std::array<std::unique_ptr<TableDataset>, kCount> m_datasets;
};

} // namespace vinary
