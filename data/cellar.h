#pragma once

#include "data/cardrules.h"
#include "data/filters.h"
#include "data/searchindex.h"
#include "engine/db/connection.h"
#include "engine/db/table.h"

#include <QDateTime>
#include <QObject>
#include <functional>

namespace vinary {

class LanguageTable;
class MessageBox;

// What the main window owns and shares with every window: the connection DB, the table objects
// over the five tables and the list query, the filter mode and the filter criteria, the program
// directory, and the translation and message box the card rules use.
class Cellar : public QObject
{
    Q_OBJECT
public:
    explicit Cellar(QObject *parent = nullptr);
    ~Cellar() override;

    db::Connection DB;
    db::Table intestazione; // Configurazione
    db::Table Schede;
    db::Table giornale;     // Giornale
    db::Table stampe;       // Stampe
    db::Table indici;       // Indici
    db::Query Liste;

    // One program-wide character: ' ', 'S', 'M' or 'P'.
    // The rules bound to Schede's hooks and the seven pick lists.
    CardRules rules{*this};

    QChar filterMode = u' ';
    FilterCriteria criteria;

    // The program directory, with "/" at the end.
    QString programDir;

    // Injected by the main window; the rules translate and ask through them.
    LanguageTable *language = nullptr;
    MessageBox *messages = nullptr;
    // Shows the building of the card search index at its first use; the main window sets it.
    searchindex::Progress indexProgress;
    // The clock of the calculated fields; tests set a fixed one.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

    // Translation through the language table; the text itself when there is none.
    QString traduci(const QString &text) const;

    // Sets DB's file to dir + "vinary.mdb" (dir ends with "/").
    void setDatabaseDirectory(const QString &dir);
    // Connects DB and sets up the table objects: fields, display formats, sort lists, hooks.
    void connect();
    void disconnect();

    // The default sort lists and query text the tables start with.
    static QStringList defaultSchedeSort() { return {QStringLiteral("[Descrizione] ASC")}; }
    static QString defaultListeSql() { return QStringLiteral("SELECT DISTINCT gruppo FROM Schede ORDER BY gruppo"); }

private:
    void configureTables();
};

} // namespace vinary
