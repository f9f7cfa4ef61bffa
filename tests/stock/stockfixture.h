#pragma once

#include "data/cellar.h"
#include "language/languagetable.h"
#include "tests/support/cellardb.h"
#include "tests/support/recordingerrorbox.h"
#include "tests/support/scriptedmessagebox.h"

#include <QTemporaryDir>
#include <QVariantMap>

namespace vinary::test
{

// A program directory of its own with the delivered database, and a Cellar over it as the main
// window leaves it: English texts, a scripted message box, a recording error box, a fixed clock,
// and the settings, card and journal tables open.
struct StockFixture {
    QTemporaryDir dir;
    Cellar cellar;
    LanguageTable language;
    ScriptedMessageBox messages;
    RecordingErrorBox errors;
    QDateTime now{QDate(2024, 3, 14), QTime(16, 45, 12, 345)};

    StockFixture()
    {
        createCellarDatabase(dir.filePath(QStringLiteral("vinary.mdb")));
        // VINARY_GRAB_LANGUAGE=deutsch shows the windows in another language for their pictures.
        language.load(QStringLiteral(VINARY_SOURCE_DIR "/resources/language/") +
                      qEnvironmentVariable("VINARY_GRAB_LANGUAGE", QStringLiteral("english")) + QStringLiteral(".lng"));
        cellar.language = &language;
        cellar.messages = &messages;
        cellar.clock = [this] { return now; };
        cellar.programDir = dir.path() + u'/';
        cellar.setDatabaseDirectory(cellar.programDir);
        cellar.connect();
    }

    static QDateTime today() { return QDateTime(QDate(2024, 3, 14), QTime(0, 0)); }

    // Inserts a row behind the tables' back; call before open() or reopen() after.
    void insert(const QString &table, const QVariantMap &columns)
    {
        QStringList names;
        QStringList marks;
        for (auto it = columns.begin(); it != columns.end(); ++it) {
            names << it.key();
            marks << QStringLiteral("?");
        }
        db::Statement s = cellar.DB.prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(u','), marks.join(u',')));
        int i = 0;
        for (auto it = columns.begin(); it != columns.end(); ++it)
            s.bind(++i, it.value());
        s.exec();
    }

    void open()
    {
        cellar.intestazione.open();
        cellar.Schede.open();
        cellar.giornale.open();
    }

    void reopen()
    {
        cellar.intestazione.close();
        cellar.Schede.close();
        cellar.giornale.close();
        open();
    }

    qint64 count(const QString &sql)
    {
        db::Statement s = cellar.DB.prepare(sql);
        return s.step() ? s.int64(0) : -1;
    }

    QVariant value(const QString &sql)
    {
        db::Statement s = cellar.DB.prepare(sql);
        return s.step() ? s.value(0) : QVariant();
    }

    QString tr(const QString &text) const { return language.traduci(text); }
};

} // namespace vinary::test
