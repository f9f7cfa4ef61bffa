#pragma once

#include "engine/report/dataset.h"
#include "engine/report/exports.h"
#include "engine/report/prepared.h"
#include "engine/report/preparer.h"
#include "engine/report/reportmodel.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>

#include <functional>

namespace vinary::report
{

class UiServices;

// The report component: the program's frReport1. It holds one template (at first an empty one
// of one page) and the report title, prepares the template against the registered datasets and
// shows it in the modal preview, and opens the layout designer on it.
class Report : public QObject
{
    Q_OBJECT
public:
    explicit Report(QObject *parent = nullptr);
    ~Report() override;

    // The caption of the preview; "[STAMPE]" until someone sets another.
    QString title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }

    // Replaces the whole template with the one in the file. A name whose extension is not ".frf"
    // (compared without regard to case) gets ".frf" appended. A relative name is looked for in
    // the current directory, then in the directory of the executable. A file found nowhere, or
    // one that is not a readable template, throws VinaryError naming this component and the file;
    // the template held so far then stays.
    void loadFromFile(const QString &name);
    // Saves the template atomically; remembers the file as the template's own.
    void saveToFile(const QString &path);
    // The file the template was loaded from or saved to last; empty for a new template.
    QString fileName() const { return m_fileName; }
    // Where relative names are looked for after the current directory; the executable's
    // directory unless set.
    void setFallbackDirectory(const QString &directory) { m_fallbackDirectory = directory; }
    QString fallbackDirectory() const;

    ReportTemplate &reportTemplate() { return m_template; }
    const ReportTemplate &reportTemplate() const { return m_template; }
    void setReportTemplate(const ReportTemplate &templ, const QString &fileName = QString());

    // Pages and objects by position, from 0, in the page's order.
    int pageCount() const { return m_template.pageCount(); }
    ReportPage &page(int index) { return m_template.page(index); }
    int objectCount(int page) const { return m_template.page(page).objectCount(); }
    ReportObject &object(int page, int index) { return m_template.page(page).object(index); }
    // An object's text as one text: each line followed by CR LF. Writing splits it at line breaks.
    QString objectText(int page, int index) const { return m_template.page(page).object(index).text(); }
    void setObjectText(int page, int index, const QString &text) { object(page, index).setText(text); }

    // The datasets templates print, registered by the program as "MainForm.Schede" and so on.
    DatasetRegistry &datasets() { return m_datasets; }
    const DatasetRegistry &datasets() const { return m_datasets; }

    // Numbers and dates print in this locale; the system's unless set.
    void setLocale(const QLocale &locale) { m_locale = locale; }
    QLocale locale() const { return m_locale; }
    // What [DATE] and [TIME] print; the clock unless set (tests fix it).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // Prepares the template from the datasets as they are now. Throws VinaryError.
    PreparedReport prepare() const;

    // Prepares the report and shows it in the modal, maximised preview; returns when the preview
    // is closed. A failure to prepare is reported here, through the error hook, and no preview
    // shows. A preparation that takes longer than the progress delay shows its progress in a
    // window whose button stops it: then nothing is shown and nothing reported. The prepared
    // pages are discarded on return and their memory handed back. True when the preview showed.
    bool showReport();
    // How long a preparation runs before its progress shows; 2000 ms unless set.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

    // Opens the layout designer modally on the template; a template without pages first gets one
    // empty page. Needs the designer add-on (frDesigner1).
    void design();

    // Prepares the report and writes it to a file: PDF, plain text or RTF as the extension of
    // the path says (".pdf", ".txt", ".rtf"). Throws VinaryError.
    void exportToFile(const QString &path) const;

    // Seams. The preview hook replaces the modal preview: it receives the prepared report, as the
    // preview would, and showReport returns when it does. The error hook receives the message of
    // a failed preparation (by default a warning box captioned with the title). The designer hook
    // replaces the modal designer.
    using PreviewHook = std::function<void(const PreparedReport &)>;
    using ErrorHook = std::function<void(const QString &)>;
    using DesignerHook = std::function<void(Report &)>;
    void setPreviewHook(PreviewHook hook) { m_previewHook = std::move(hook); }
    void setErrorHook(ErrorHook hook) { m_errorHook = std::move(hook); }
    void setDesignerHook(DesignerHook hook) { m_designerHook = std::move(hook); }
    void setUiServices(UiServices *services) { m_services = services; }
    UiServices &uiServices() const;

    // The path loadFromFile would read for `name`, or an empty text when there is none.
    QString resolveTemplatePath(const QString &name) const;

private:
    QString componentName() const;
    PrepareOptions prepareOptions() const;

    QString m_title;
    ReportTemplate m_template;
    QString m_fileName;
    QString m_fallbackDirectory;
    DatasetRegistry m_datasets;
    QLocale m_locale;
    std::function<QDateTime()> m_clock;
    PreviewHook m_previewHook;
    ErrorHook m_errorHook;
    DesignerHook m_designerHook;
    UiServices *m_services = nullptr;
    int m_progressDelay = 2000;
};

} // namespace vinary::report
