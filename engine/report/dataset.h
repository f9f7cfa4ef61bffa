#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace vinary::report
{

// What the engine reads from a table. The program adapts its table objects to this: the engine
// walks a dataset with first/next/eof in the dataset's own current order and sees only the rows
// that its current filter accepts. Calculated fields are fields like any other.
//
// Values: QString, double or int, bool, QDateTime or QDate (an invalid date means no date), or a
// null QVariant for an empty field.
class ReportDataset
{
public:
    virtual ~ReportDataset() = default;
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool eof() const = 0;
    // The value of a field of the current row; field names compare without regard to case.
    virtual QVariant value(const QString &field) const = 0;
    virtual QStringList fieldNames() const = 0;
    // How many rows a walk from first() meets, or -1 when the dataset cannot tell cheaply; it only
    // sizes the progress of a long preparation.
    virtual int rowCount() const { return -1; }
};

// The datasets a report can print, by name. The program registers its tables as
// "MainForm.Schede", "MainForm.giornale" and so on; a template may name them that way or by the
// bare component name ("Schede"), in any letter case. The registry does not own the datasets.
class DatasetRegistry
{
public:
    void add(const QString &name, ReportDataset *dataset);
    void remove(const QString &name);
    void clear() { m_entries.clear(); }
    // The dataset a template names, or nullptr.
    ReportDataset *find(const QString &name) const;
    // The registered name that `name` stands for, or an empty text.
    QString canonicalName(const QString &name) const;
    QStringList names() const;

private:
    struct Entry {
        QString name;
        ReportDataset *dataset;
    };
    int indexOf(const QString &name) const;
    QList<Entry> m_entries;
};

// A dataset held in memory: rows of values under fixed field names. The engine's tests and
// benchmarks use it, and so can a program that copies its rows before printing.
class MemoryDataset : public ReportDataset
{
public:
    explicit MemoryDataset(const QStringList &fields = {});
    void setFields(const QStringList &fields);
    void addRow(const QVariantList &values);
    void clearRows()
    {
        m_rows.clear();
        m_pos = 0;
    }
    int rowCount() const override { return int(m_rows.size()); }
    // Moves to a row without the first/next walk, as a program's cursor stands on its current card.
    void setPosition(int row) { m_pos = row; }
    int position() const { return m_pos; }

    void first() override { m_pos = 0; }
    void next() override
    {
        if (m_pos < int(m_rows.size()))
            ++m_pos;
    }
    bool eof() const override { return m_pos >= int(m_rows.size()); }
    QVariant value(const QString &field) const override;
    QStringList fieldNames() const override { return m_fields; }

private:
    QStringList m_fields;
    QHash<QString, int> m_index; // lower-case name to column
    std::vector<QVariantList> m_rows;
    int m_pos = 0;
};

} // namespace vinary::report
