#include "MaintenanceProgress.h"

#include "ProgramInfo.h"
#include "WaitCursor.h"
#include "WorkerThread.h"

#include <QCloseEvent>
#include <QProgressDialog>

namespace {
class MaintenanceProgressDialog final : public QProgressDialog
{
public:
    explicit MaintenanceProgressDialog(QWidget* parent)
        : QProgressDialog(parent)
    {
        setObjectName(QStringLiteral("frmProgresoMantenimiento"));
        setWindowTitle(ProgramInfo::title());
        setWindowModality(Qt::ApplicationModal);
        setCancelButton(nullptr);
        setAutoClose(false);
        setAutoReset(false);
        setMinimumDuration(0);
        setMinimumWidth(360);
        setRange(0, 0);
    }

    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};
} // namespace

MaintenanceResult
runWithProgress(QWidget* parent, const QString& caption,
                const std::function<MaintenanceResult(const MaintenanceProgress& progress)>& work)
{
    const WaitCursor hourglass;
    MaintenanceProgressDialog dialog(parent);
    dialog.setLabelText(caption);
    // Called on the worker's thread: the dialog is updated on its own.
    const MaintenanceProgress progress = [&dialog, caption](const QString& stage, int perMille) {
        QMetaObject::invokeMethod(
            &dialog,
            [&dialog, caption, stage, perMille] {
                dialog.setLabelText(caption + QLatin1Char('\n') + stage);
                if (perMille < 0) {
                    dialog.setRange(0, 0);
                } else {
                    dialog.setRange(0, 1000);
                    dialog.setValue(perMille);
                }
            },
            Qt::QueuedConnection);
    };

    MaintenanceResult result;
    dialog.show();
    runOffUiThread([&] { result = work(progress); });
    return result;
}
