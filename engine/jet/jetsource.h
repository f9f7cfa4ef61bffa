#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace vinary::jet
{

// The generations of the Jet file format that can be read.
enum class JetVersion { None, Jet3, Jet4 };

// Tells the Jet generation from the first bytes of a file (at least 21 are needed), whatever the
// file is called; None for anything else, including the later ACE format.
JetVersion detectJetVersion(const QByteArray &header);
// Reads the first bytes of a file and detects its generation; None when it cannot be read.
JetVersion detectJetFile(const QString &fileName);

// Column types of a Jet table. The QVariant each one reads as is given beside it; an empty
// (null) value reads as a null QVariant, except Boolean, which Jet never stores as null.
enum class JetType {
    Boolean,       // bool
    Byte,          // int, 0 to 255
    Integer,       // int, 16 bits
    LongInteger,   // int, 32 bits; also the counter (AutoNumber) type
    Currency,      // double, four decimals
    Single,        // double, read at the precision it was typed with
    Double,        // double
    DateTime,      // QDateTime; an invalid one for the day number 0, which means no date
    Binary,        // QByteArray
    Text,          // QString
    OleObject,     // QByteArray
    Memo,          // QString
    ReplicationId, // QString, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    Decimal,       // QString holding the exact decimal number, "-123.4500"
    Unsupported,   // always null
};

QString jetTypeName(JetType type);

struct JetColumn {
    QString name;
    JetType type = JetType::Text;
    int size = 0;            // characters for Text, bytes for Binary, 0 for the others
    bool autoNumber = false; // a counter the engine assigns on insertion

    friend bool operator==(const JetColumn &, const JetColumn &) = default;
};

// A read-only view of a Jet database: its user tables, their columns and their rows. The real
// file is JetFile; the converter works through this interface only, so that it can be fed rows
// without a Jet file.
class JetSource
{
public:
    using RowSink = std::function<void(const QVariantList &values)>;

    virtual ~JetSource() = default;

    // The name used in messages, normally the file's.
    virtual QString name() const = 0;
    // The user tables, system tables left out, in catalogue order.
    virtual QStringList tables() = 0;
    // The columns of a table, in their defined order; raises VinaryError for an unknown table.
    virtual QList<JetColumn> columns(const QString &table) = 0;
    // Calls sink once per row, with one value per column in the order of columns().
    virtual void rows(const QString &table, const RowSink &sink) = 0;
};

} // namespace vinary::jet
