#include "reports/printing.h"

#include "data/cellar.h"
#include "engine/report/texts.h"
#include "reports/printcommand.h"
#include "reports/select.h"

using namespace Qt::StringLiterals;

namespace vinary
{

Printing::Printing(Cellar &cellar, QObject *parent)
    : QObject(parent), m_cellar(cellar), m_datasets(cellar, m_frReport1.datasets())
{
    setObjectName(u"Printing"_s);
    m_frShapeObject1.setObjectName(u"frShapeObject1"_s);
    m_frTextExportObject1.setObjectName(u"frTextExportObject1"_s);
    m_frRichExportObject1.setObjectName(u"frRichExportObject1"_s);
    m_frDesigner1.setObjectName(u"frDesigner1"_s);
    // The engine's windows and messages speak the language table's language; a key the table (and
    // the English file behind it) lacks leaves the engine's own English.
    report::setTranslator([&cellar](const QString &key) {
        const QString text = cellar.traduci(key);
        return text == key ? QString() : text;
    });
}

Printing::~Printing()
{
    report::setTranslator({});
}

void Printing::setSelezioneForm(TSelezioneForm *form)
{
    m_selezione = form;
}

TSelezioneForm *Printing::selezioneForm() const
{
    return m_selezione;
}

void Printing::StampeClick(int reportId)
{
    if (!m_selezione)
        return;
    PrintCommand command(m_cellar, m_frReport1, *m_selezione);
    command.run(reportId);
}

void Printing::Personalizzazionestampe1Click()
{
    m_frReport1.design();
}

} // namespace vinary
