#pragma once

#include <QObject>

namespace vinary::report
{

// The engine's add-ons. Each one, while an instance of it exists, makes a feature available to
// every report component of the process, as the main window's frShapeObject1,
// frTextExportObject1, frRichExportObject1 and frDesigner1 do:
// - ShapeAddOn: templates holding shape objects can be loaded;
// - TextExportAddOn and RichExportAddOn: the preview offers export to plain text and to RTF;
// - DesignerAddOn: the layout designer can be opened.
class ShapeAddOn : public QObject
{
    Q_OBJECT
public:
    explicit ShapeAddOn(QObject *parent = nullptr);
    ~ShapeAddOn() override;
    static bool available();
};

class TextExportAddOn : public QObject
{
    Q_OBJECT
public:
    explicit TextExportAddOn(QObject *parent = nullptr);
    ~TextExportAddOn() override;
    static bool available();
};

class RichExportAddOn : public QObject
{
    Q_OBJECT
public:
    explicit RichExportAddOn(QObject *parent = nullptr);
    ~RichExportAddOn() override;
    static bool available();
};

class DesignerAddOn : public QObject
{
    Q_OBJECT
public:
    explicit DesignerAddOn(QObject *parent = nullptr);
    ~DesignerAddOn() override;
    static bool available();
};

} // namespace vinary::report
