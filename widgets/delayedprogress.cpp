#include "widgets/delayedprogress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <memory>

namespace vinary
{

namespace
{

struct ProgressState {
    QPointer<QWidget> parent;
    std::function<QString()> label;
    int delayMs = 0;
    QElapsedTimer started;
    std::unique_ptr<QProgressDialog> dialog;
};

// The bar counts in thousandths, so that totals beyond the range of int fit.
int permille(qint64 done, qint64 total)
{
    return total > 0 ? int(std::clamp<qint64>(done * 1000 / total, 0, 1000)) : 0;
}

} // namespace

std::function<void(qint64, qint64)> delayedProgress(QWidget *parent, std::function<QString()> label,
                                                    int delayMs)
{
    auto state = std::make_shared<ProgressState>();
    state->parent = parent;
    state->label = std::move(label);
    state->delayMs = delayMs;
    return [state](qint64 done, qint64 total) {
        if (done >= total) {
            state->dialog.reset();
            state->started.invalidate();
            return;
        }
        if (done <= 0 || !state->started.isValid()) {
            state->started.start();
            return;
        }
        if (!state->dialog) {
            if (state->started.elapsed() < state->delayMs)
                return;
            const QString text = state->label ? state->label() : QString();
            auto dialog = std::make_unique<QProgressDialog>(text, QString(), 0, 1000, state->parent);
            dialog->setObjectName(QStringLiteral("delayedProgress"));
            dialog->setWindowTitle(text);
            dialog->setAccessibleName(text);
            dialog->setCancelButton(nullptr);
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->setMinimumDuration(0);
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
            state->dialog = std::move(dialog);
        }
        // A modal progress window paints itself and its bar as the value changes.
        state->dialog->setValue(permille(done, total));
    };
}

} // namespace vinary
