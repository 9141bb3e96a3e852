#pragma once

#include <QObject>

// The control over a real serial port: QSerialPort on the modem simulator's pseudo-terminal.
class LineoModemTest : public QObject
{
    Q_OBJECT

private slots:
    void detection_data();
    void detection();
    void disablingClosesThePort();
    void recordWholeAndSplitAtEveryPoint();
    void dialects_data();
    void dialects();
    void realModemRecords();
    void deviceGoesAway();
};
