#pragma once

#include <QObject>

// The widget-free start-up: the database check, the stored configuration, the load's database
// attach and the decisions of the start-up sequence.
class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void existeBaseDatosTellsFoundMissingAndBroken();
    void storedConfigConversions_data();
    void storedConfigConversions();
    void attachReportsWhatTheLoadMustDo();
    void storedFolderWithDatabaseGoesToSplash();
    void noSettingsOpensWizardAndUsesProgramFolder();
    void missingFileEndsUnlessWizardFixesIt();
    void folderChosenInWizardCountsAtOnce();
    void loadEndingTheProgramStopsStartUp();
};
