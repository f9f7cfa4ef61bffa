#pragma once

#include "engine/db/connection.h"
#include "engine/db/table.h"
#include "tests/support/cellardb.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace vinary::test {

// A fresh cellar database in a temporary directory with the card table open, for the widget tests.
struct CellarFixture {
    QTemporaryDir dir;
    std::unique_ptr<db::Connection> connection;
    std::unique_ptr<db::Table> cards;

    void open()
    {
        const QString file = dir.filePath(QStringLiteral("vinary.mdb"));
        QFile::remove(file);
        createCellarDatabase(file);
        connection = std::make_unique<db::Connection>();
        connection->setFallbackDirectory(QString());
        connection->setDatabaseName(file);
        connection->open();
        cards = std::make_unique<db::Table>(*connection, QStringLiteral("Schede"));
        cards->loadFields();
        cards->setDisplayFormat(QStringLiteral("Quantita"), QStringLiteral("#"));
        cards->setDisplayFormat(QStringLiteral("Prezzo_Acq"), QStringLiteral("0.00;;#"));
        cards->setDisplayFormat(QStringLiteral("Prezzo_Ven"), QStringLiteral("0.00;;#"));
        cards->setDisplayFormat(QStringLiteral("Ricarico"), QStringLiteral("#"));
        cards->setSortedBy({QStringLiteral("[Descrizione] ASC")});
        cards->open();
    }

    void addCard(const QString &description, const QString &producer = QString(), double price = 0,
                 bool onList = false, const QDate &due = QDate())
    {
        cards->append();
        cards->fieldByName(QStringLiteral("Descrizione")).setAsString(description);
        if (!producer.isEmpty())
            cards->fieldByName(QStringLiteral("Produttore")).setAsString(producer);
        if (price != 0)
            cards->fieldByName(QStringLiteral("Prezzo_Acq")).setAsFloat(price);
        cards->fieldByName(QStringLiteral("Incarta")).setAsBoolean(onList);
        if (due.isValid())
            cards->fieldByName(QStringLiteral("Scadenza")).setAsDateTime(QDateTime(due, QTime(0, 0)));
        cards->post();
    }

    // Many cards at once, straight into the database; the table is re-read afterwards.
    void addManyCards(int count)
    {
        db::Transaction txn(*connection);
        db::Statement insert =
            connection->prepare(QStringLiteral("INSERT INTO Schede (Codice, Descrizione, Produttore, "
                                               "Quantita, Prezzo_Acq, Incarta) VALUES (?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < count; ++i) {
            insert.bindText(1, QStringLiteral("C%1").arg(i, 6, 10, QLatin1Char('0')));
            insert.bindText(2, QStringLiteral("Wine %1").arg(i, 6, 10, QLatin1Char('0')));
            insert.bindText(3, QStringLiteral("Producer %1").arg(i % 97));
            insert.bindDouble(4, i % 13);
            insert.bindDouble(5, (i % 50) * 1.25);
            insert.bindInt64(6, i % 2);
            insert.exec();
            insert.reset();
        }
        txn.commit();
        cards->resort();
    }
};

} // namespace vinary::test
