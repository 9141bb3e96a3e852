#pragma once

#include <QObject>

// The control over a real serial port: QSerialPort on the modem simulator's pseudo-terminal.
class LineoModemTest : public QObject
{
    Q_OBJECT

private slots:
    void acceptsSecondCandidateAfterWaitingOutTheFirst();
    void acceptsOnlyTheLastCandidate();
    void errorToEverythingEndsEachCandidateAtOnce();
    void noDeviceFailsQuickly();
    void disablingClosesThePort();
    void recordWholeAndSplitAtEveryPoint();
    void dialects_data();
    void dialects();
    void chunkedCalls();
    void deviceGoesAway();
};
