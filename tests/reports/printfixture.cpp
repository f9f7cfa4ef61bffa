#include "tests/reports/printfixture.h"

#include "data/cellar.h"
#include "engine/db/connection.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace vinary::test
{

PrintFixture::PrintFixture()
{
    if (!m_cellar.isValid()) {
        m_error = m_cellar.errorText();
        return;
    }
    try {
        m_language.load(QStringLiteral(VINARY_SOURCE_DIR "/resources/language/english.lng"));
    } catch (const std::exception &e) {
        m_error = QString::fromUtf8(e.what());
        return;
    }
    cellar().language = &m_language;
    const QDir templates(QStringLiteral(VINARY_SOURCE_DIR "/resources/reports"));
    const QStringList names = templates.entryList({u"*.frf"_s}, QDir::Files);
    for (const QString &name : names) {
        if (!QFile::copy(templates.filePath(name), dir() + name)) {
            m_error = u"cannot copy "_s + name;
            return;
        }
    }
    m_valid = true;
}

qint64 PrintFixture::addCard(const QString &descrizione, const QString &gruppo, const QString &produttore,
                             const QVariantMap &more)
{
    QVariantMap columns = more;
    columns.insert(u"Descrizione"_s, descrizione);
    if (!gruppo.isNull())
        columns.insert(u"Gruppo"_s, gruppo);
    if (!produttore.isNull())
        columns.insert(u"Produttore"_s, produttore);
    return m_cellar.insertCard(columns);
}

void PrintFixture::addJournalLine(const QDate &date, const QString &codice, double quantita)
{
    db::Statement s = cellar().DB.prepare(
        u"INSERT INTO Giornale (Causale, Data, Codice, Descrizione, Quantita) VALUES ('C', ?, ?, ?, ?)"_s);
    s.bind(1, date.toString(Qt::ISODate) + u" 00:00:00"_s);
    s.bind(2, codice);
    s.bind(3, u"Wine "_s + codice);
    s.bind(4, quantita);
    s.exec();
}

void PrintFixture::addReport(int id, const QString &stampa, int ordine, const QString &tracciato,
                             const QString &ordinamento, const QString &selezione)
{
    db::Statement s = cellar().DB.prepare(
        u"INSERT INTO Stampe (ID, Stampa, Ordine, Tracciato, Ordinamento, Selezione) VALUES (?, ?, ?, ?, ?, ?)"_s);
    s.bind(1, id);
    s.bind(2, stampa);
    s.bind(3, ordine);
    s.bind(4, tracciato);
    s.bind(5, ordinamento);
    s.bind(6, selezione);
    s.exec();
}

void PrintFixture::writeFile(const QString &name, const QByteArray &content)
{
    QFile file(dir() + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write a test file");
    file.write(content);
}

void PrintFixture::writeListTemplate(const QString &name, const QString &dataset, const QStringList &fields,
                                     const QString &titleText)
{
    QString xml =
        u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vinary-report version=\"1\">\n"
        "  <page width=\"210\" height=\"297\" left=\"15\" top=\"12\" right=\"15\" bottom=\"12\">\n"_s;
    if (!titleText.isEmpty()) {
        xml +=
            u"   <band name=\"BandT\" x=\"15\" y=\"12\" width=\"180\" height=\"8\" band=\"report-title\"/>\n"
            "   <text name=\"Title\" x=\"15\" y=\"12\" width=\"180\" height=\"6\" wrap=\"false\">\n"_s;
        for (const QString &line : titleText.split(u'\n'))
            xml += u"    <l>"_s + line.toHtmlEscaped() + u"</l>\n"_s;
        xml += u"   </text>\n"_s;
    }
    xml += u"   <band name=\"BandD\" x=\"15\" y=\"30\" width=\"180\" height=\"6\" band=\"master-data\" "
           "dataset=\"%1\"/>\n"_s.arg(dataset);
    const QString table = dataset.section(u'.', -1);
    for (int i = 0; i < fields.size(); ++i) {
        xml += u"   <text name=\"F%1\" x=\"%2\" y=\"30\" width=\"40\" height=\"5\" wrap=\"false\">"
               "<l>[%3.&quot;%4&quot;]</l></text>\n"_s.arg(i)
                   .arg(15 + 45 * i)
                   .arg(table, fields.at(i));
    }
    xml += u"  </page>\n</vinary-report>\n"_s;
    writeFile(name, xml.toUtf8());
}

} // namespace vinary::test
