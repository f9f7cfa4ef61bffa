#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

namespace vinary::db {

class Dataset;

enum class FieldType {
    Counter,   // integer key assigned by the engine, read-only
    Text,      // at most size() characters; longer assignments are cut
    Float,
    Integer16, // -32768..32767, range-checked
    Integer,   // 32-bit (calculated fields, unknown integer columns)
    Boolean,
    DateTime,  // invalid QDateTime (day count 0) for no date
    Blob
};

// One column (or calculated field) of a dataset. A field reads and writes the dataset's active
// record: the current record, or the candidate record while a filter or calculation runs.
class Field
{
public:
    Field(Dataset *owner, int index, const QString &name, FieldType type, int size, bool calculated);

    const QString &name() const { return m_name; }
    FieldType type() const { return m_type; }
    int size() const { return m_size; }
    int index() const { return m_index; }
    bool isCalculated() const { return m_calculated; }
    bool isReadOnly() const { return m_type == FieldType::Counter; }
    bool isNumeric() const;

    // Pictures of up to three sections, as "#" or "0.00;;#"; empty for the natural representation.
    const QString &displayFormat() const { return m_displayFormat; }
    void setDisplayFormat(const QString &format) { m_displayFormat = format; }

    // Empty values read as the empty text, 0, no date or false.
    QVariant value() const; // a null QVariant when empty
    bool isNull() const;
    QString asString() const;
    double asFloat() const;
    int asInteger() const;
    QDateTime asDateTime() const;
    bool asBoolean() const;
    // The text a grid or a bound box shows: display format, short date, system decimal separator.
    QString displayText() const;

    // Writing converts to the field's type; text that is not a number raises an error.
    void setValue(const QVariant &value);
    void setAsString(const QString &value);
    void setAsFloat(double value);
    void setAsInteger(int value);
    void setAsDateTime(const QDateTime &value);
    void setAsBoolean(bool value);
    void clear();

    // Conversions shared with the datasets' random access.
    QString displayTextOf(const QVariant &value) const;
    QString textOf(const QVariant &value) const;
    QVariant convert(const QVariant &value) const; // to the stored type; raises on bad input

private:
    Dataset *m_owner;
    int m_index;
    QString m_name;
    FieldType m_type;
    int m_size;
    bool m_calculated;
    QString m_displayFormat;
};

// Natural text of a number: whole numbers without decimals, others with the system separator.
QString naturalNumberText(double value);

} // namespace vinary::db
