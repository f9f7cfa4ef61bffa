#include "engine/report/addons.h"

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{
// Everything runs on the user-interface thread, so plain counters suffice.
int shapes = 0;
int textExports = 0;
int richExports = 0;
int designers = 0;
} // namespace

ShapeAddOn::ShapeAddOn(QObject *parent) : QObject(parent)
{
    setObjectName(u"frShapeObject1"_s);
    ++shapes;
}
ShapeAddOn::~ShapeAddOn()
{
    --shapes;
}
bool ShapeAddOn::available()
{
    return shapes > 0;
}

TextExportAddOn::TextExportAddOn(QObject *parent) : QObject(parent)
{
    setObjectName(u"frTextExportObject1"_s);
    ++textExports;
}
TextExportAddOn::~TextExportAddOn()
{
    --textExports;
}
bool TextExportAddOn::available()
{
    return textExports > 0;
}

RichExportAddOn::RichExportAddOn(QObject *parent) : QObject(parent)
{
    setObjectName(u"frRichExportObject1"_s);
    ++richExports;
}
RichExportAddOn::~RichExportAddOn()
{
    --richExports;
}
bool RichExportAddOn::available()
{
    return richExports > 0;
}

DesignerAddOn::DesignerAddOn(QObject *parent) : QObject(parent)
{
    setObjectName(u"frDesigner1"_s);
    ++designers;
}
DesignerAddOn::~DesignerAddOn()
{
    --designers;
}
bool DesignerAddOn::available()
{
    return designers > 0;
}

} // namespace vinary::report
