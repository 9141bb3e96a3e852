#include "frmEliminar.h"

#include "DateBox.h"
#include "MessageBox.h"
#include "ProgramInfo.h"
#include "WorkerThread.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "purge/CallPurge.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>

#include <climits>

namespace {
// The progress dialog shows only when the purge takes longer than this.
constexpr int progressDelayMs = 400;
} // namespace

frmEliminar::frmEliminar(DataControl& datLlamadas, QWidget* parent)
    : QDialog(parent)
    , m_datLlamadas(datLlamadas)
{
    setObjectName(QStringLiteral("frmEliminar"));
    setWindowTitle(ProgramInfo::title());
    m_Label10 = new QLabel(QStringLiteral("&Eliminar llamadas anteriores al :"), this);
    m_Label10->setObjectName(QStringLiteral("Label10"));
    m_mskDesde = new DateBox(true, this);
    m_mskDesde->setObjectName(QStringLiteral("mskDesde"));
    m_Label10->setBuddy(m_mskDesde);
    m_cmdOK = new QPushButton(QStringLiteral("&Aceptar"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_Label10, 0, 0);
    layout->addWidget(m_mskDesde, 0, 1);
    layout->addWidget(m_cmdOK, 0, 2);
    layout->addWidget(m_cmdCancel, 1, 2);
    setFixedSize(sizeHint());

    connect(m_cmdOK, &QPushButton::clicked, this, &frmEliminar::cmdOK_Click);
    // Esc and the close box cancel too (QDialog::reject).
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmEliminar::cmdCancel_Click);
}

void frmEliminar::cmdCancel_Click()
{
    reject();
}

void frmEliminar::cmdOK_Click()
{
    m_cmdOK->setFocus();
    const QDate corte = m_mskDesde->date();
    if (!corte.isValid()) {
        MessageBox::show(this, QStringLiteral("Corrija la fecha"));
        m_mskDesde->setFocus();
        return;
    }
    // Counted with no lock kept, so nothing waits while the question is on screen.
    const CallPurge::Count count = CallPurge::count(m_datLlamadas.databaseName(), corte);
    if (count.error != DatabaseError::None) {
        MessageBox::show(this, technicalSupportMessage(count.error));
        accept();
        return;
    }
    if (count.calls == 0) {
        MessageBox::show(this, QStringLiteral("No hay llamadas para eliminar"));
        accept();
        return;
    }
    if (MessageBox::show(this,
                         QStringLiteral("Se eliminarán ") + QString::number(count.calls) +
                             QStringLiteral(" llamadas. Está seguro ?"),
                         MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes) {
        accept();
        return;
    }
    qint64 deleted = 0;
    bool stopped = false;
    const int error = purge(corte, count.calls, count.newestKey, &deleted, &stopped);
    const QString done = QStringLiteral("Se eliminaron ") + QString::number(deleted) +
                         QStringLiteral(" de ") + QString::number(count.calls) +
                         QStringLiteral(" llamadas.");
    if (error != DatabaseError::None) {
        // The batch under way was rolled back; the earlier ones are gone for good.
        MessageBox::show(this, done + QLatin1Char(' ') + technicalSupportMessage(error).text,
                         MessageIcon::Critical);
    } else if (stopped) {
        MessageBox::show(this, QStringLiteral("Eliminación detenida. ") + done);
    }
    m_datLlamadas.refresh();
    accept();
}

void frmEliminar::reject()
{
    // While calls are being deleted only the progress dialog's "Cancelar" stops them.
    if (!m_purging)
        QDialog::reject();
}

int frmEliminar::purge(const QDate& corte, qint64 calls, qint64 newestKey, qint64* deleted,
                       bool* stopped)
{
    QProgressDialog progress(QStringLiteral("Eliminando llamadas antiguas..."),
                             QStringLiteral("&Cancelar"), 0,
                             static_cast<int>(std::min<qint64>(calls, INT_MAX)), this);
    progress.setObjectName(QStringLiteral("prgEliminar"));
    progress.setWindowTitle(ProgramInfo::title());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(progressDelayMs);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);

    CallPurgeWorker worker(m_datLlamadas.databaseName(), corte, newestKey);
    // Emitted on the worker's thread, so queued to the dialog's.
    connect(&worker, &CallPurgeWorker::progress, &progress, [&progress](qint64 done) {
        progress.setValue(static_cast<int>(std::min<qint64>(done, progress.maximum())));
    });
    // Stops after the batch under way: what is deleted stays deleted, the rest stays.
    connect(&progress, &QProgressDialog::canceled, &progress, [&worker, &progress] {
        worker.stop();
        progress.setLabelText(QStringLiteral("Deteniendo..."));
    });
    m_purging = true;
    for (QWidget* widget : std::initializer_list<QWidget*>{m_mskDesde, m_cmdOK, m_cmdCancel})
        widget->setEnabled(false);
    // The window stays painted, the progress moves and "Cancelar" answers while the worker
    // deletes.
    runOffUiThread([&worker] { worker.run(); });
    m_purging = false;
    *deleted = worker.deleted();
    *stopped = worker.isStopped();
    m_timing = worker.timing();
    progress.reset();
    return worker.error();
}
