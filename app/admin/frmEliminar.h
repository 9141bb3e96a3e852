#pragma once

#include "purge/CallPurge.h"

#include <QDialog>

class DataControl;
class DateBox;
class QLabel;
class QPushButton;

// The purge of calls older than a day. It counts them without locking anything, asks, and
// only then deletes exactly those calls, in short batches on a worker thread behind a progress
// dialog whose "Cancelar" stops after the batch under way, so other workstations keep logging
// calls throughout. Afterwards the browser's calls list is read again.
class frmEliminar : public QDialog
{
    Q_OBJECT

public:
    // datLlamadas is the browser's calls list: its file is purged and it is refreshed after.
    explicit frmEliminar(DataControl& datLlamadas, QWidget* parent = nullptr);

    [[nodiscard]] DateBox* mskDesde() const { return m_mskDesde; }
    // Where the last purge's time went (for the benchmark).
    [[nodiscard]] const CallPurgeWorker::Timing& purgeTiming() const { return m_timing; }

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void reject() override;

private:
    // Deletes the counted calls; returns the error (0 when all went or the user stopped it),
    // how many went and whether the user stopped it.
    int purge(const QDate& corte, qint64 calls, qint64 newestKey, qint64* deleted, bool* stopped);

    DataControl& m_datLlamadas;
    QLabel* m_Label10 = nullptr;
    DateBox* m_mskDesde = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    bool m_purging = false;
    CallPurgeWorker::Timing m_timing;
};
