#pragma once

#include <QObject>

// CallReception on a real copy of the empty database.
class CallReceptionTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newNumberBecomesClientWithOneCall();
    void knownClientIsCountedAndShown();
    void nullFieldsShowAsEmptyTexts();
    void anonymousCallIsShownAndNotLogged();
    void callMomentReadsBackInEveryRegion_data();
    void callMomentReadsBackInEveryRegion();
    void workstationNumberOfTheSettingsIsLogged_data();
    void workstationNumberOfTheSettingsIsLogged();
    void unreachableFolderStillShowsTheKnownCaller();
    void unreachableFolderStillShowsANewNumber();
    void detachedDataControlShowsTheNumber();
    void lockedCounterShowsConflictAndHides();
    void twoWorkstationsLogEveryCall();
};
