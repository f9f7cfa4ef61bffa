#include "app/privateprofile.h"

#include "engine/common/atomicfile.h"
#include "engine/common/errors.h"

#include <QFile>

namespace vinary {

namespace {

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

PrivateProfile::PrivateProfile(QString fileName) : m_fileName(std::move(fileName)) {}

std::optional<int> PrivateProfile::parseInteger(const QString &raw)
{
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    qsizetype i = 0;
    if (text.at(0) == u'-' || text.at(0) == u'+')
        i = 1;
    if (i == text.size())
        return std::nullopt;
    for (qsizetype k = i; k < text.size(); ++k) {
        if (text.at(k) < u'0' || text.at(k) > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

void PrivateProfile::load()
{
    m_lines.clear();
    QFile file(m_fileName);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw VinaryError(QStringLiteral("Cannot open file %1").arg(m_fileName));
    const QString content = QString::fromUtf8(file.readAll());
    const QStringList rows = content.split(u'\n');
    QString current;
    for (int r = 0; r < rows.size(); ++r) {
        QString text = rows.at(r);
        if (text.endsWith(u'\r'))
            text.chop(1);
        if (r == rows.size() - 1 && text.isEmpty())
            break; // the newline that ends the last line
        Line line;
        line.text = text;
        const QString trimmed = text.trimmed();
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.lastIndexOf(u']');
            if (close > 0) {
                line.header = true;
                line.section = trimmed.mid(1, close - 1).trimmed();
                current = line.section;
            }
        } else if (!trimmed.startsWith(u';')) {
            const qsizetype eq = text.indexOf(u'=');
            if (eq > 0) {
                line.section = current;
                line.key = text.left(eq).trimmed();
            }
        }
        if (!line.header && line.key.isEmpty())
            line.section = current;
        m_lines.append(line);
    }
}

void PrivateProfile::save() const
{
    QByteArray out;
    for (const Line &line : m_lines) {
        out += line.text.toUtf8();
        out += "\n";
    }
    writeFileAtomically(m_fileName, out);
}

int PrivateProfile::headerOf(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        if (m_lines.at(i).header && sameName(m_lines.at(i).section, section))
            return i;
    }
    return -1;
}

int PrivateProfile::sectionEnd(int header) const
{
    int i = header + 1;
    while (i < m_lines.size() && !m_lines.at(i).header)
        ++i;
    return i;
}

int PrivateProfile::lineOf(const QString &section, const QString &key) const
{
    const int header = headerOf(section);
    if (header < 0)
        return -1;
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (!m_lines.at(i).key.isEmpty() && sameName(m_lines.at(i).key, key))
            return i;
    }
    return -1;
}

bool PrivateProfile::hasSection(const QString &section) const
{
    return headerOf(section) >= 0;
}

bool PrivateProfile::contains(const QString &section, const QString &key) const
{
    return lineOf(section, key) >= 0;
}

QStringList PrivateProfile::sections() const
{
    QStringList out;
    for (const Line &line : m_lines) {
        if (line.header)
            out << line.section;
    }
    return out;
}

QStringList PrivateProfile::keys(const QString &section) const
{
    QStringList out;
    const int header = headerOf(section);
    if (header < 0)
        return out;
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (!m_lines.at(i).key.isEmpty())
            out << m_lines.at(i).key;
    }
    return out;
}

std::optional<QString> PrivateProfile::value(const QString &section, const QString &key) const
{
    const int i = lineOf(section, key);
    if (i < 0)
        return std::nullopt;
    const QString &text = m_lines.at(i).text;
    return text.mid(text.indexOf(u'=') + 1).trimmed();
}

QString PrivateProfile::readString(const QString &section, const QString &key, const QString &fallback) const
{
    return value(section, key).value_or(fallback);
}

std::optional<int> PrivateProfile::readInteger(const QString &section, const QString &key) const
{
    const std::optional<QString> v = value(section, key);
    return v ? parseInteger(*v) : std::nullopt;
}

int PrivateProfile::readInteger(const QString &section, const QString &key, int fallback) const
{
    return readInteger(section, key).value_or(fallback);
}

QList<std::optional<int>> PrivateProfile::readIntegerList(const QString &section, const QString &key) const
{
    QList<std::optional<int>> out;
    const std::optional<QString> v = value(section, key);
    if (!v || v->isEmpty())
        return out;
    const QStringList parts = v->split(u',');
    for (const QString &part : parts)
        out.append(parseInteger(part));
    return out;
}

void PrivateProfile::writeString(const QString &section, const QString &key, const QString &value)
{
    // Line breaks would split the entry; they have no place in a profile value.
    QString clean = value;
    clean.replace(u'\r', u' ').replace(u'\n', u' ');
    Line line;
    line.section = section;
    line.key = key;
    line.text = key + u'=' + clean;
    const int existing = lineOf(section, key);
    if (existing >= 0) {
        line.section = m_lines.at(existing).section;
        m_lines[existing] = line;
        return;
    }
    int header = headerOf(section);
    if (header < 0) {
        Line head;
        head.header = true;
        head.section = section;
        head.text = u'[' + section + u']';
        m_lines.append(head);
        header = int(m_lines.size()) - 1;
    }
    // After the section's last entry, before any blank lines that separate it from the next one.
    int at = sectionEnd(header);
    while (at - 1 > header && m_lines.at(at - 1).key.isEmpty() && m_lines.at(at - 1).text.trimmed().isEmpty())
        --at;
    line.section = m_lines.at(header).section;
    m_lines.insert(at, line);
}

void PrivateProfile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void PrivateProfile::writeIntegerList(const QString &section, const QString &key, const QList<int> &values)
{
    QStringList parts;
    for (int v : values)
        parts << QString::number(v);
    writeString(section, key, parts.join(u','));
}

void PrivateProfile::eraseSection(const QString &section)
{
    int header = headerOf(section);
    while (header >= 0) {
        m_lines.remove(header, sectionEnd(header) - header);
        header = headerOf(section);
    }
}

} // namespace vinary
