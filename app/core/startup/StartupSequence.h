#pragma once

#include "Message.h"

class SettingsStore;
struct ProgramValues;

// The windows the start-up opens; the program implements them, tests fake them.
class StartupScreens
{
public:
    virtual ~StartupScreens() = default;

    // frmConfiguracion, modal; returns when it closes. Opening it loads the main window (hidden)
    // when it is not loaded yet, and that load may end the program (the main workstation is
    // off): then this returns false.
    virtual bool showConfigurationWizard() = 0;
    // frmSplash, not modal; it hands over to the main window.
    virtual void showSplash() = 0;
    // A message of the start-up itself, before the wizard; returns when it is answered.
    virtual void showMessage(const Message& message) = 0;
};

// Module1's Main: finds the database folder, makes sure the file opens, with the wizard's help
// when it does not, and either ends or hands over to the splash.
//
// After each visit to the wizard the stored folder is read again, so a folder the user has just
// chosen there counts at once (with nothing stored, the program folder, as the main window's
// load takes it).
//
// With a database server stored ("Servidor"), the server takes the folder's place: it must
// answer with the program's tables, or the user hears why and gets the wizard, where they may
// mend the server or go back to the folder.
class StartupSequence
{
public:
    enum class Outcome
    {
        Running, // the splash is up; the program goes on in its event loop
        Ended,   // the program ends, without a message of its own
    };

    StartupSequence(const SettingsStore& settings, ProgramValues& values, StartupScreens& screens);

    Outcome Main();

private:
    Outcome useFolder();
    Outcome useServer();
    void readFolderAfterWizard();

    const SettingsStore& m_settings;
    ProgramValues& m_values;
    StartupScreens& m_screens;
};
