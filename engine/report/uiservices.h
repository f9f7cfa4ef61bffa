#pragma once

#include <QColor>
#include <QString>

#include <memory>

class QPrinter;
class QWidget;

namespace vinary::report
{

// A long task's progress as the user sees it; it shows until the object goes.
class ProgressIndicator
{
public:
    virtual ~ProgressIndicator() = default;
    // `total` 0 or less when the end cannot be told. Lets the user's clicks through.
    virtual void update(qint64 done, qint64 total, const QString &text) = 0;
    // Whether the user asked to stop.
    virtual bool cancelled() const = 0;
};

// The modal boxes the preview and the designer open, behind one seam so that tests queue answers
// instead of clicking real dialogs.
class UiServices
{
public:
    virtual ~UiServices() = default;
    virtual bool printerAvailable();
    // Shows the print dialog; true when the user chose to print.
    virtual bool choosePrinter(QPrinter &printer, QWidget *parent);
    // An empty text when the user cancels.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                                 const QString &filter);
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &directory,
                                 const QString &filter);
    virtual void information(QWidget *parent, const QString &title, const QString &text);
    virtual void error(QWidget *parent, const QString &title, const QString &text);
    // An invalid colour when the user cancels.
    virtual QColor chooseColor(QWidget *parent, const QColor &initial);
    // Yes or no.
    virtual bool question(QWidget *parent, const QString &title, const QString &text);
    // Yes, no, or cancel (also the answer when the box is closed).
    enum class Answer { Yes, No, Cancel };
    virtual Answer questionWithCancel(QWidget *parent, const QString &title, const QString &text);

    // A modal progress window with a button that stops the task.
    virtual std::unique_ptr<ProgressIndicator> startProgress(QWidget *parent, const QString &title,
                                                             const QString &text);

    // The services in force when nobody set others.
    static UiServices &standard();
};

} // namespace vinary::report
