#pragma once

#include <QObject>

// The control's own behaviour over a scripted port.
class LineoFakePortTest : public QObject
{
    Q_OBJECT

private slots:
    void puertoOutOfRangeIsIgnored();
    void detection_data();
    void detection();
    void portTableChoosesTheDevice();
    void callsWhileListening();
    void newDetectionWhileListening();
    void deviceLostForgetsHalfARecord();
    void storedProperties();
    void missingStoredPropertyFailsTheLoad();
};
