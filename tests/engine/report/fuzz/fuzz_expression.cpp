// libFuzzer target: any text as a template object's text, with its bracketed expressions parsed,
// bound and evaluated. Only VinaryError may come out.

#include "engine/common/errors.h"
#include "engine/report/expression.h"

using namespace vinary;
using namespace vinary::report;

namespace
{
struct Context : Binder, EvalContext {
    int bindField(const QString &dataset, const QString &field) override
    {
        if (!dataset.isEmpty() && dataset.compare(QStringLiteral("Schede"), Qt::CaseInsensitive) != 0)
            throw VinaryError(QStringLiteral("unknown dataset"));
        return int(field.size() % 3);
    }
    int bindAggregate(AggregateKind, const Expression &, int) override { return 0; }
    Value field(int slot) const override
    {
        switch (slot) {
        case 0:
            return Value::number(12.5);
        case 1:
            return Value::text(QStringLiteral("Château d'Yquem [1]"));
        default:
            return Value();
        }
    }
    Value builtin(Builtin) const override { return Value::number(3); }
    Value aggregate(int) const override { return Value::number(1); }
    const QLocale &locale() const override { return m_locale; }
    QLocale m_locale = QLocale::c();
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    Context context;
    for (TextSegment &segment : splitText(text)) {
        if (!segment.isExpression)
            continue;
        try {
            segment.expression.bind(context);
            segment.expression.evaluate(context).formatted(QStringLiteral("#,##0.00"), context.locale());
        } catch (const VinaryError &) {
        }
    }
    return 0;
}
