#pragma once

#include <QDialog>

class DataControl;
class DateBox;
class QLabel;
class QPushButton;

// The purge of calls older than a day. It counts them without locking anything, asks, and
// only then deletes exactly those calls, in short batches on a worker thread behind a progress
// dialog, so other workstations keep logging calls throughout. Afterwards the browser's calls
// list is read again.
class frmEliminar : public QDialog
{
    Q_OBJECT

public:
    // datLlamadas is the browser's calls list: its file is purged and it is refreshed after.
    explicit frmEliminar(DataControl& datLlamadas, QWidget* parent = nullptr);

    [[nodiscard]] DateBox* mskDesde() const { return m_mskDesde; }

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    // Deletes the counted calls; returns the error (0 when all went) and how many went.
    int purge(const QDate& corte, qint64 calls, qint64 newestKey, qint64* deleted);

    DataControl& m_datLlamadas;
    QLabel* m_Label10 = nullptr;
    DateBox* m_mskDesde = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
