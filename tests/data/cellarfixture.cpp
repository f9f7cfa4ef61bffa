#include "tests/data/cellarfixture.h"

#include "engine/db/connection.h"
#include "tests/support/cellardb.h"

namespace vinary::test {

QString CellarFixture::createDatabase(const QString &fileName)
{
    try {
        createCellarDatabase(fileName);
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

CellarFixture::CellarFixture() : m_cellar(std::make_unique<Cellar>())
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return;
    }
    m_error = createDatabase(dir() + QStringLiteral("vinary.mdb"));
    if (!m_error.isEmpty())
        return;
    Cellar &c = *m_cellar;
    c.programDir = dir();
    c.messages = &m_messages;
    c.clock = [] { return defaultNow(); };
    try {
        c.setDatabaseDirectory(dir());
        c.connect();
        c.intestazione.open();
        c.Schede.open();
        c.giornale.open();
        m_valid = true;
    } catch (const std::exception &e) {
        m_error = QString::fromUtf8(e.what());
    }
}

CellarFixture::~CellarFixture()
{
    m_cellar.reset();
}

QString CellarFixture::dir() const
{
    return m_dir.path() + u'/';
}

void CellarFixture::exec(const QString &sql)
{
    m_cellar->DB.exec(sql);
}

qint64 CellarFixture::insertCard(const QVariantMap &columns)
{
    QStringList names;
    QStringList marks;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        names << it.key();
        marks << QStringLiteral("?");
    }
    db::Statement s = m_cellar->DB.prepare(QStringLiteral("INSERT INTO Schede (%1) VALUES (%2)")
                                               .arg(names.join(u','), marks.join(u',')));
    int i = 1;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        s.bind(i++, it.value());
    s.exec();
    return m_cellar->DB.lastInsertRowId();
}

void CellarFixture::reopen()
{
    Cellar &c = *m_cellar;
    for (db::Table *t : {&c.intestazione, &c.Schede, &c.giornale}) {
        t->close();
        t->open();
    }
}

} // namespace vinary::test
