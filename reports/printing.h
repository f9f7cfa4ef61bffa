#pragma once

#include "engine/report/addons.h"
#include "engine/report/report.h"
#include "reports/tabledataset.h"

#include <QObject>
#include <QPointer>

namespace vinary
{

class Cellar;
class TSelezioneForm;

// The main window's report component frReport1 with the engine's four add-ons (frShapeObject1,
// frTextExportObject1, frRichExportObject1, frDesigner1), the datasets its templates print, and
// the two commands that drive it: the print command of the print menu and the designer command.
class Printing : public QObject
{
    Q_OBJECT
public:
    explicit Printing(Cellar &cellar, QObject *parent = nullptr);
    ~Printing() override;

    report::Report &frReport1() { return m_frReport1; }
    // The selection dialog the print command shows; without one the command does nothing.
    void setSelezioneForm(TSelezioneForm *form);
    TSelezioneForm *selezioneForm() const;

    // The print command for the report whose Stampe row has this ID (the print-menu item's data).
    void StampeClick(int reportId);
    // Opens the layout designer on the template held now: the empty one before any report ran.
    void Personalizzazionestampe1Click();

private:
    Cellar &m_cellar;
    report::ShapeAddOn m_frShapeObject1;
    report::TextExportAddOn m_frTextExportObject1;
    report::RichExportAddOn m_frRichExportObject1;
    report::DesignerAddOn m_frDesigner1;
    report::Report m_frReport1;
    CellarDatasets m_datasets;
    QPointer<TSelezioneForm> m_selezione;
};

} // namespace vinary
