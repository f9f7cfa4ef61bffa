#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace vinary {

// What the grid's context menu asks of the user, behind an interface so that tests answer it.
class GridInteraction
{
public:
    virtual ~GridInteraction() = default;

    virtual void notice(QWidget *parent, const QString &text) = 0;
    // The file to write, or an empty text when the user cancels. selectedFilter is the filter
    // offered first and, on return, the one the user chose.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QStringList &filters,
                                 QString *selectedFilter) = 0;
    // True when the system knows at least one printer.
    virtual bool hasPrinter() = 0;
    // Lets the user choose and set up the printer; false when cancelled.
    virtual bool setupPrinter(QWidget *parent, QPrinter &printer) = 0;
    // Lets the user show and hide columns (titles in screen order); false when cancelled.
    virtual bool chooseColumns(QWidget *parent, const QStringList &titles, QList<bool> &visible) = 0;
};

// The platform's dialogs.
class QtGridInteraction : public GridInteraction
{
public:
    void notice(QWidget *parent, const QString &text) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QStringList &filters,
                         QString *selectedFilter) override;
    bool hasPrinter() override;
    bool setupPrinter(QWidget *parent, QPrinter &printer) override;
    bool chooseColumns(QWidget *parent, const QStringList &titles, QList<bool> &visible) override;
};

} // namespace vinary
