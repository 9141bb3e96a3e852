#pragma once

#include <QObject>

// The control's own behaviour over a scripted port.
class LineoFakePortTest : public QObject
{
    Q_OBJECT

private slots:
    void puertoOutOfRangeIsIgnored();
    void detectionStopsAtTheAcceptedCommand();
    void replyWithBothWordsIsAccepted();
    void unopenablePortFailsAtOnce();
    void silentModemWaitsOutEachCandidate();
    void portTableChoosesTheDevice();
    void callsWhileListening();
    void disablingClosesThePort();
    void newDetectionWhileListening();
    void deviceLost();
    void storedProperties();
    void loadingRunsTheDetection();
    void missingStoredPropertyFailsTheLoad();
};
