// libFuzzer target: any bytes as a template file. Loading either gives a template or a
// VinaryError; a template that loads is prepared too, against a small cellar.

#include "../reportfixtures.h"
#include "engine/common/errors.h"
#include "engine/report/preparer.h"
#include "engine/report/templatefile.h"

#include <QGuiApplication>

using namespace vinary;
using namespace vinary::report;

namespace
{
QGuiApplication *app = nullptr;
MemoryDataset *cards = nullptr;
DatasetRegistry *registry = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QGuiApplication(*argc, *argv);
    cards = new MemoryDataset;
    fixtures::fillCellar(*cards, QDate(2025, 6, 1));
    registry = new DatasetRegistry;
    registry->add(QStringLiteral("MainForm.Schede"), cards);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const ReportTemplate t = TemplateFile::parse(bytes, QStringLiteral("fuzz.frf"));
        prepareReport(t, *registry);
    } catch (const VinaryError &) {
    }
    return 0;
}
