#pragma once

// The program's windows in this process: what their tests share.

#include "FakeTrayIcon.h"
#include "Lineo.h"
#include "ModemSimulator.h"
#include "PictureButton.h"
#include "ProgramWindows.h"
#include "TestEnvironment.h"
#include "frmConfiguracion.h"
#include "frmIdentificador.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/StartupSequence.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

using Outcome = StartupSequence::Outcome;

// Every port leads to a device that does not exist, except those given: no real serial device
// of this machine is ever opened.
bool pointPorts(const TestEnvironment& env, const QList<std::pair<int, QString>>& devices = {});

// The ports lead nowhere and the program folder holds a copy of the empty database.
bool pointPortsWithDatabase(const TestEnvironment& env);

// A modem simulator reached through a link of this test's own, so that the serial port's lock
// file name is never shared with another test.
bool startModem(ModemSimulator& modem, const TestEnvironment& env, QString* link);

struct Program
{
    explicit Program(const QString& programFolder, bool recordEnds = true)
    {
        values.programFolder = programFolder;
        ProgramWindows::EndProgram end;
        if (recordEnds)
            end = [this](int code) {
                endCodes.append(code);
            };
        windows = std::make_unique<ProgramWindows>(
            values,
            [this] {
                auto fake = std::make_unique<FakeTrayIcon>();
                tray = fake.get();
                return std::unique_ptr<TrayIcon>(std::move(fake));
            },
            end);
    }

    Outcome start()
    {
        const SettingsStore settings(values.programFolder);
        StartupSequence startup(settings, values, *windows);
        return startup.Main();
    }

    ProgramValues values;
    FakeTrayIcon* tray = nullptr;
    QList<int> endCodes;
    std::unique_ptr<ProgramWindows> windows;
};

// Acts on the configuration wizard each time it comes up as the modal window.
class WizardWatcher : public QObject
{
public:
    explicit WizardWatcher(std::function<void(frmConfiguracion&)> action)
        : m_action(std::move(action))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &WizardWatcher::poll);
        m_timer.start();
    }

    int openings = 0;
    QWidget* parentSeen = nullptr;

private:
    void poll()
    {
        auto* wizard = qobject_cast<frmConfiguracion*>(QApplication::activeModalWidget());
        if (!wizard || wizard == m_last)
            return;
        m_last = wizard;
        ++openings;
        parentSeen = wizard->parentWidget();
        m_action(*wizard);
    }

    std::function<void(frmConfiguracion&)> m_action;
    QTimer m_timer;
    QPointer<frmConfiguracion> m_last;
};

QString panelText(const frmIdentificador& w, const char* label);
bool alertShown(const frmIdentificador& w);

// Each makes one test class; main runs them in turn.
std::unique_ptr<QObject> makeProgramStartTest();
std::unique_ptr<QObject> makeProgramCallsTest();
std::unique_ptr<QObject> makeProgramMenusTest();
