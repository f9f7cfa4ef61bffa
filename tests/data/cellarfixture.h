#pragma once

#include "data/cellar.h"
#include "tests/support/scriptedmessagebox.h"

#include <QTemporaryDir>
#include <QVariantMap>
#include <memory>

namespace vinary::test {

// A program directory of its own, holding a cellar database made from the delivered SQL, and a
// Cellar connected to it with the settings, card and journal tables open as the main window leaves
// them. The message box answers from a queue; the clock is fixed unless a test sets another.
class CellarFixture
{
public:
    CellarFixture();
    ~CellarFixture();
    CellarFixture(const CellarFixture &) = delete;
    CellarFixture &operator=(const CellarFixture &) = delete;

    bool isValid() const { return m_valid; }
    QString errorText() const { return m_error; }
    // The program directory, ending with "/".
    QString dir() const;
    Cellar &cellar() { return *m_cellar; }
    ScriptedMessageBox &messages() { return m_messages; }

    // Runs SQL on the database behind the tables' back; reopen() brings them in line.
    void exec(const QString &sql);
    // Inserts a card with the given columns and returns its ID; the tables are not re-read.
    qint64 insertCard(const QVariantMap &columns);
    // Closes and reopens Configurazione, Schede and Giornale.
    void reopen();

    // Writes the delivered database as fileName; an empty result on success, else the error.
    static QString createDatabase(const QString &fileName);

    static QDateTime defaultNow() { return QDateTime(QDate(2024, 3, 15), QTime(10, 0)); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Cellar> m_cellar;
    ScriptedMessageBox m_messages;
    bool m_valid = false;
    QString m_error;
};

} // namespace vinary::test
