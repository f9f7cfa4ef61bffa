#include "engine/jet/jetfile.h"

#include "engine/common/datetimes.h"
#include "engine/common/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <mdbtools.h>

#include <bit>
#include <charconv>
#include <cstdint>

namespace vinary::jet
{

namespace
{

// libmdb converts every text into a fresh buffer of the bind size and cuts what does not fit:
// the default holds any Text column, a memo of 64K characters in UTF-8 needs the larger one.
constexpr size_t kTextBindSize = MDB_BIND_SIZE;
constexpr size_t kMemoBindSize = 256 * 1024;
// A memo or OLE value is at most 1 GB in Jet; a longer chain is a damaged file.
constexpr quint32 kMaxLongValue = 0x3fffffff;

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));

QString nativeName(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName);
}

// Points libmdb's conversions at UTF-8 whatever the environment asks for (MDBICONV,
// MDB_JET3_CHARSET), so that texts always decode the same way.
bool useCharset(MdbHandle *mdb, const char *fileCharset)
{
    mdb_iconv_close(mdb);
    mdb->iconv_in = iconv_open("UTF-8", fileCharset);
    mdb->iconv_out = iconv_open(fileCharset, "UTF-8");
    if (mdb->iconv_in != kNoIconv && mdb->iconv_out != kNoIconv)
        return true;
    if (mdb->iconv_in != kNoIconv)
        iconv_close(mdb->iconv_in);
    if (mdb->iconv_out != kNoIconv)
        iconv_close(mdb->iconv_out);
    mdb->iconv_in = kNoIconv;
    mdb->iconv_out = kNoIconv;
    return false;
}

JetType typeOf(const MdbColumn *column)
{
    switch (column->col_type) {
    case MDB_BOOL:
        return JetType::Boolean;
    case MDB_BYTE:
        return JetType::Byte;
    case MDB_INT:
        return JetType::Integer;
    case MDB_LONGINT:
        return JetType::LongInteger;
    case MDB_MONEY:
        return JetType::Currency;
    case MDB_FLOAT:
        return JetType::Single;
    case MDB_DOUBLE:
        return JetType::Double;
    case MDB_DATETIME:
        return JetType::DateTime;
    case MDB_BINARY:
        return JetType::Binary;
    case MDB_TEXT:
        return JetType::Text;
    case MDB_OLE:
        return JetType::OleObject;
    case MDB_MEMO:
        return JetType::Memo;
    case MDB_REPID:
        return JetType::ReplicationId;
    case MDB_NUMERIC:
        return JetType::Decimal;
    default:
        return JetType::Unsupported;
    }
}

int fixedSize(JetType type)
{
    switch (type) {
    case JetType::Byte:
        return 1;
    case JetType::Integer:
        return 2;
    case JetType::LongInteger:
    case JetType::Single:
        return 4;
    case JetType::Currency:
    case JetType::Double:
    case JetType::DateTime:
        return 8;
    case JetType::ReplicationId:
        return 16;
    case JetType::Decimal:
        return 17;
    case JetType::Memo:
    case JetType::OleObject:
        return MDB_MEMO_OVERHEAD; // the reference to the value
    default:
        return 0;
    }
}

MdbColumn *columnAt(MdbTableDef *table, unsigned int index)
{
    return static_cast<MdbColumn *>(g_ptr_array_index(table->columns, index));
}

// Takes a string that libmdb allocated with GLib.
QString takeText(char *text)
{
    const QString value = QString::fromUtf8(text);
    g_free(text);
    return value;
}

// A single keeps the digits it was typed with ("0.1", not 0.100000001490116).
double singleToDouble(float value)
{
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    double result = double(value);
    std::from_chars(buffer, written.ptr, result);
    return result;
}

// Reads a long value (OLE object) through its 12-byte reference in the row: the data lie in the
// row itself, in one row of another page, or in a chain of such rows.
QByteArray readLongValue(MdbHandle *mdb, int start, int length)
{
    if (length < MDB_MEMO_OVERHEAD)
        return QByteArray();
    const uchar *reference = mdb->pg_buf + start;
    const quint32 header = qFromLittleEndian<quint32>(reference);
    const quint32 size = header & kMaxLongValue;
    if (header & 0x80000000u)
        return QByteArray(reinterpret_cast<const char *>(reference) + MDB_MEMO_OVERHEAD,
                          qMin(qsizetype(size), qsizetype(length - MDB_MEMO_OVERHEAD)));

    quint32 pageRow = qFromLittleEndian<quint32>(reference + 4);
    QByteArray data;
    const bool chained = !(header & 0x40000000u);
    while (pageRow != 0 && quint32(data.size()) < size) {
        void *buffer = nullptr;
        int offset = 0;
        size_t rowLength = 0;
        if (mdb_find_pg_row(mdb, int(pageRow), &buffer, &offset, &rowLength) != 0)
            throw VinaryError(QStringLiteral("A long value of the Jet database cannot be read."));
        const char *row = static_cast<const char *>(buffer) + offset;
        if (!chained) {
            data.append(row, qsizetype(rowLength));
            break;
        }
        if (rowLength < 4)
            break;
        pageRow = qFromLittleEndian<quint32>(row);
        data.append(row + 4, qsizetype(rowLength - 4));
    }
    data.truncate(qMin(qsizetype(size), data.size()));
    return data;
}

QVariant readValue(MdbHandle *mdb, MdbColumn *column, JetType type)
{
    // Jet keeps booleans in the row's null mask: a "null" boolean is false.
    if (type == JetType::Boolean)
        return QVariant(column->cur_value_len == 0);
    const int start = column->cur_value_start;
    const int length = column->cur_value_len;
    if (length <= 0 || start < 0 || start + length > int(sizeof mdb->pg_buf))
        return QVariant();
    if (length < fixedSize(type))
        return QVariant();
    const uchar *data = mdb->pg_buf + start;
    switch (type) {
    case JetType::Boolean:
        break;
    case JetType::Byte:
        return QVariant(int(data[0]));
    case JetType::Integer:
        return QVariant(int(qFromLittleEndian<qint16>(data)));
    case JetType::LongInteger:
        return QVariant(int(qFromLittleEndian<qint32>(data)));
    case JetType::Currency:
        return QVariant(double(qFromLittleEndian<qint64>(data)) / 10000.0);
    case JetType::Single:
        return QVariant(singleToDouble(std::bit_cast<float>(qFromLittleEndian<quint32>(data))));
    case JetType::Double:
        return QVariant(std::bit_cast<double>(qFromLittleEndian<quint64>(data)));
    case JetType::DateTime:
        return QVariant(fromDayCount(std::bit_cast<double>(qFromLittleEndian<quint64>(data))));
    case JetType::Binary:
        return QVariant(QByteArray(reinterpret_cast<const char *>(data), length));
    case JetType::Text:
    case JetType::Memo:
        return QVariant(takeText(mdb_col_to_string(mdb, mdb->pg_buf, start, column->col_type, length)));
    case JetType::OleObject:
        return QVariant(readLongValue(mdb, start, length));
    case JetType::ReplicationId:
        return QVariant(takeText(mdb_uuid_to_string(mdb->pg_buf, start)));
    case JetType::Decimal:
        return QVariant(takeText(mdb_numeric_to_string(mdb, start, column->col_scale, column->col_prec)));
    case JetType::Unsupported:
        break;
    }
    return QVariant();
}

struct TableDeleter {
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableDeleter>;

} // namespace

struct JetFile::Handle {
    MdbHandle *mdb = nullptr;
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
    }
};

JetFile::JetFile(const QString &fileName) : m_handle(std::make_unique<Handle>()), m_fileName(fileName)
{
    if (!QFileInfo(fileName).isFile())
        throw VinaryError(QStringLiteral("Cannot find the Jet database \"%1\".").arg(nativeName(fileName)));
    m_version = detectJetFile(fileName);
    if (m_version == JetVersion::None)
        throw VinaryError(
            QStringLiteral("\"%1\" is not a Jet 3 or Jet 4 database.").arg(nativeName(fileName)));

    const QByteArray encoded = QFile::encodeName(fileName);
    m_handle->mdb = mdb_open(encoded.constData(), MDB_NOFLAGS);
    MdbHandle *mdb = m_handle->mdb;
    if (!mdb)
        throw VinaryError(QStringLiteral("Cannot read the Jet database \"%1\".").arg(nativeName(fileName)));

    bool charsetReady = false;
    if (m_version == JetVersion::Jet4) {
        charsetReady = useCharset(mdb, "UCS-2LE");
    } else {
        const int page = codePage();
        if (page >= 1250 && page <= 1258)
            charsetReady = useCharset(mdb, QByteArray("CP" + QByteArray::number(page)).constData());
        if (!charsetReady)
            charsetReady = useCharset(mdb, "CP1252");
    }
    if (!charsetReady)
        throw VinaryError(
            QStringLiteral("Cannot decode the texts of the Jet database \"%1\".").arg(nativeName(fileName)));

    if (!mdb_read_catalog(mdb, MDB_TABLE))
        throw VinaryError(
            QStringLiteral("Cannot read the tables of the Jet database \"%1\".").arg(nativeName(fileName)));
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (mdb_is_user_table(entry))
            m_tables.append(QString::fromUtf8(entry->object_name));
    }
}

JetFile::~JetFile() = default;

int JetFile::codePage() const
{
    return m_handle->mdb->f->code_page;
}

QStringList JetFile::tables()
{
    return m_tables;
}

namespace
{

TablePtr openTable(MdbHandle *mdb, const QString &fileName, const QStringList &tables, const QString &name)
{
    QByteArray utf8 = name.toUtf8();
    TablePtr table;
    if (tables.contains(name, Qt::CaseInsensitive))
        table.reset(mdb_read_table_by_name(mdb, utf8.data(), MDB_TABLE));
    if (!table)
        throw VinaryError(
            QStringLiteral("The Jet database \"%1\" has no table \"%2\".").arg(nativeName(fileName), name));
    if (!mdb_read_columns(table.get()))
        throw VinaryError(QStringLiteral("Cannot read the columns of the table \"%2\" of \"%1\".")
                              .arg(nativeName(fileName), name));
    return table;
}

} // namespace

QList<JetColumn> JetFile::columns(const QString &table)
{
    MdbHandle *mdb = m_handle->mdb;
    const TablePtr def = openTable(mdb, m_fileName, m_tables, table);
    QList<JetColumn> result;
    result.reserve(def->num_cols);
    for (unsigned int i = 0; i < def->num_cols; ++i) {
        const MdbColumn *column = columnAt(def.get(), i);
        JetColumn c;
        c.name = QString::fromUtf8(column->name);
        c.type = typeOf(column);
        if (c.type == JetType::Text)
            c.size = m_version == JetVersion::Jet4 ? column->col_size / 2 : column->col_size;
        else if (c.type == JetType::Binary)
            c.size = column->col_size;
        c.autoNumber = c.type == JetType::LongInteger && column->is_long_auto;
        result.append(c);
    }
    return result;
}

void JetFile::rows(const QString &table, const RowSink &sink)
{
    MdbHandle *mdb = m_handle->mdb;
    const TablePtr def = openTable(mdb, m_fileName, m_tables, table);
    QList<JetType> types;
    for (unsigned int i = 0; i < def->num_cols; ++i)
        types.append(typeOf(columnAt(def.get(), i)));
    mdb_set_bind_size(mdb, types.contains(JetType::Memo) ? kMemoBindSize : kTextBindSize);

    mdb_rewind_table(def.get());
    QVariantList values;
    while (mdb_fetch_row(def.get())) {
        values.clear();
        for (unsigned int i = 0; i < def->num_cols; ++i)
            values.append(readValue(mdb, columnAt(def.get(), i), types.at(i)));
        sink(values);
    }
}

} // namespace vinary::jet
