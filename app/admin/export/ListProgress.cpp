#include "ListProgress.h"

#include "ProgramInfo.h"
#include "WaitCursor.h"
#include "WorkerThread.h"

#include <QPointer>
#include <QProgressDialog>

namespace {
// The dialog shows only when the work takes longer than this.
constexpr int progressDelayMs = 300;
} // namespace

void runWithListProgress(QWidget* parent, const QString& label,
                         const std::function<void(const ListProgressReport& report)>& work,
                         const std::function<void()>& stop)
{
    const WaitCursor hourglass;
    QProgressDialog dialog(label, QStringLiteral("&Cancelar"), 0, 0, parent);
    dialog.setObjectName(QStringLiteral("prgLista"));
    dialog.setWindowTitle(ProgramInfo::title());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(progressDelayMs);
    dialog.setValue(0);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&dialog, &stop] {
        dialog.setLabelText(QStringLiteral("Cancelando..."));
        stop();
    });
    QPointer<QProgressDialog> shown(&dialog);
    // Called on the worker's thread: queued to the dialog's.
    const ListProgressReport report = [shown](int done, int total) {
        QMetaObject::invokeMethod(
            shown.data(),
            [shown, done, total] {
                if (shown.isNull() || shown->wasCanceled())
                    return;
                shown->setMaximum(std::max(total, 1));
                shown->setValue(std::min(done, std::max(total, 1)));
            },
            Qt::QueuedConnection);
    };
    runOffUiThread([&] { work(report); });
    dialog.reset();
}
