#pragma once

#include "language/languagetable.h"
#include "reports/printcommand.h"
#include "tests/data/cellarfixture.h"

#include <QDate>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace vinary::test
{

// A program directory for printing: the delivered database, language (English) and templates, a
// connected Cellar translating through that language, and helpers to add cards, journal lines,
// reports and templates of a test's own.
class PrintFixture
{
public:
    PrintFixture();

    bool isValid() const { return m_valid; }
    QString errorText() const { return m_error; }
    QString dir() const { return m_cellar.dir(); }
    Cellar &cellar() { return m_cellar.cellar(); }
    CellarFixture &cellarFixture() { return m_cellar; }
    LanguageTable &language() { return m_language; }

    void exec(const QString &sql) { m_cellar.exec(sql); }
    // Re-reads Configurazione, Schede and Giornale after rows were added behind their back.
    void reopen() { m_cellar.reopen(); }
    qint64 addCard(const QString &descrizione, const QString &gruppo, const QString &produttore,
                   const QVariantMap &more = {});
    void addJournalLine(const QDate &date, const QString &codice, double quantita);
    void addReport(int id, const QString &stampa, int ordine, const QString &tracciato,
                   const QString &ordinamento, const QString &selezione);
    void writeFile(const QString &name, const QByteArray &content);
    // A template with one master data band over a dataset, printing the given fields of each row
    // on one line, and a title object holding titleText.
    void writeListTemplate(const QString &name, const QString &dataset, const QStringList &fields,
                           const QString &titleText = QString());

private:
    CellarFixture m_cellar;
    LanguageTable m_language;
    bool m_valid = false;
    QString m_error;
};

// The selection dialog as a script: records what the print command prepared, and answers the
// showing with a queued choice made by a callback.
class ScriptedSelection : public PrintSelection
{
public:
    void setActivePage(const QString &name) override { page = name; }
    QString activePage() const override { return page; }
    void setFromDate(const QDateTime &date) override { from = date.isValid() ? date.date() : QDate(); }
    void setToDate(const QDateTime &date) override { to = date.isValid() ? date.date() : QDate(); }
    void clearOrders() override { orders.clear(); }
    void addOrder(const QString &entry) override { orders << entry; }
    int orderCount() const override { return int(orders.size()); }
    void setOrderIndex(int index) override { orderIndex_ = index; }
    int orderIndex() const override { return orderIndex_; }
    void setOrderEnabled(bool enabled) override { orderEnabled = enabled; }
    bool execute() override
    {
        ++shown;
        if (onShow)
            onShow(*this);
        return confirm;
    }

    QString page = vinaryPage();
    QDate from;
    QDate to;
    QStringList orders;
    int orderIndex_ = -1;
    bool orderEnabled = true;
    bool confirm = true;
    int shown = 0;
    std::function<void(ScriptedSelection &)> onShow;
};

} // namespace vinary::test
