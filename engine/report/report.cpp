#include "engine/report/report.h"

#include "engine/common/errors.h"
#include "engine/report/addons.h"
#include "engine/report/designerwindow.h"
#include "engine/report/preparer.h"
#include "engine/report/previewwindow.h"
#include "engine/report/templatefile.h"
#include "engine/report/texts.h"
#include "engine/report/uiservices.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace Qt::StringLiterals;

namespace vinary::report
{

Report::Report(QObject *parent) : QObject(parent), m_title(u"[STAMPE]"_s)
{
    setObjectName(u"frReport1"_s);
    m_template.pages.append(ReportPage());
}

Report::~Report() = default;

QString Report::componentName() const
{
    return objectName().isEmpty() ? u"Report"_s : objectName();
}

QString Report::fallbackDirectory() const
{
    return m_fallbackDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : m_fallbackDirectory;
}

UiServices &Report::uiServices() const
{
    return m_services ? *m_services : UiServices::standard();
}

void Report::setReportTemplate(const ReportTemplate &templ, const QString &fileName)
{
    m_template = templ;
    m_fileName = fileName;
}

QString Report::resolveTemplatePath(const QString &name) const
{
    QString file = name;
    if (QFileInfo(file).suffix().compare(u"frf"_s, Qt::CaseInsensitive) != 0)
        file += u".frf"_s;
    const QFileInfo info(file);
    if (info.isAbsolute())
        return info.isFile() ? info.absoluteFilePath() : QString();
    const QFileInfo here(QDir::current(), file);
    if (here.isFile())
        return here.absoluteFilePath();
    const QFileInfo there(QDir(fallbackDirectory()), file);
    if (there.isFile())
        return there.absoluteFilePath();
    return QString();
}

void Report::loadFromFile(const QString &name)
{
    QString file = name;
    if (QFileInfo(file).suffix().compare(u"frf"_s, Qt::CaseInsensitive) != 0)
        file += u".frf"_s;
    const QString path = resolveTemplatePath(name);
    if (path.isEmpty())
        throw VinaryError(engineText(u"[MOT_ERR_MODELLO_MANCANTE]"_s,
                                     u"%1: the report template file \"%2\" was not found."_s)
                              .arg(componentName(), file));
    ReportTemplate loaded;
    try {
        loaded = TemplateFile::load(path);
    } catch (const VinaryError &e) {
        throw VinaryError(u"%1: %2"_s.arg(componentName(), e.message()));
    }
    if (loaded.hasShapes() && !ShapeAddOn::available())
        throw VinaryError(
            engineText(u"[MOT_ERR_MODELLO_FORME]"_s,
                       u"%1: the report template \"%2\" holds shapes, which need the shape add-on."_s)
                .arg(componentName(), file));
    m_template = loaded;
    m_fileName = path;
}

void Report::saveToFile(const QString &path)
{
    TemplateFile::save(m_template, path);
    m_fileName = QFileInfo(path).absoluteFilePath();
}

PrepareOptions Report::prepareOptions() const
{
    PrepareOptions options;
    options.locale = m_locale;
    options.now = m_clock ? m_clock() : QDateTime::currentDateTime();
    options.title = m_title;
    return options;
}

PreparedReport Report::prepare() const
{
    return prepareReport(m_template, m_datasets, prepareOptions());
}

namespace
{

// Shows the progress of a preparation once it has run for a while, and tells it when to stop.
class ProgressGate
{
public:
    ProgressGate(UiServices &services, const QString &title, int delay)
        : m_services(services), m_title(title), m_delay(delay)
    {
        m_clock.start();
    }

    bool operator()(const PrepareProgress &p)
    {
        const qint64 now = m_clock.elapsed();
        if (!m_window) {
            if (now < m_delay)
                return true;
            m_window = m_services.startProgress(nullptr, m_title, text(p));
        } else if (now - m_shown < 100) {
            return !m_window->cancelled();
        }
        m_shown = now;
        m_window->update(p.rows, p.totalRows, text(p));
        return !m_window->cancelled();
    }

private:
    static QString text(const PrepareProgress &p)
    {
        return engineText(u"[MOT_PREPARAZIONE]"_s, u"Preparing the report: page %1"_s).arg(p.pages + 1);
    }

    UiServices &m_services;
    QString m_title;
    int m_delay;
    QElapsedTimer m_clock;
    qint64 m_shown = 0;
    std::unique_ptr<ProgressIndicator> m_window;
};

// Hands the memory of a closed report back to the system; glibc keeps freed memory otherwise.
void releaseMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace

bool Report::showReport()
{
    {
        PreparedReport prepared;
        try {
            ProgressGate gate(uiServices(), m_title, m_progressDelay);
            PrepareOptions options = prepareOptions();
            options.progress = [&gate](const PrepareProgress &p) { return gate(p); };
            prepared = prepareReport(m_template, m_datasets, options);
        } catch (const PreparationCancelled &) {
            releaseMemory();
            return false;
        } catch (const std::exception &e) {
            const QString message = QString::fromUtf8(e.what());
            if (m_errorHook)
                m_errorHook(message);
            else
                uiServices().error(nullptr, m_title, message);
            releaseMemory();
            return false;
        }
        if (m_previewHook) {
            m_previewHook(prepared);
        } else {
            PreviewWindow window(prepared, uiServices());
            window.exec();
        }
    }
    releaseMemory();
    return true;
}

void Report::design()
{
    if (!DesignerAddOn::available())
        throw VinaryError(
            engineText(u"[MOT_ERR_DESIGNER_ASSENTE]"_s, u"%1: the layout designer is not available."_s)
                .arg(componentName()));
    if (m_template.pages.isEmpty())
        m_template.pages.append(ReportPage());
    if (m_designerHook) {
        m_designerHook(*this);
        return;
    }
    DesignerWindow window(*this);
    window.exec();
}

void Report::exportToFile(const QString &path) const
{
    ExportFormat format;
    if (!exportFormatFor(path, &format))
        throw VinaryError(
            engineText(u"[MOT_ERR_ESPORTA_NOME]"_s,
                       u"%1: cannot export to \"%2\"; the name must end in .pdf, .txt or .rtf."_s)
                .arg(componentName(), path));
    exportReport(prepare(), path, format);
    releaseMemory();
}

} // namespace vinary::report
