#pragma once

#include "FakeTrayIcon.h"
#include "frmIdentificador.h"
#include "settings/ProgramValues.h"

#include <memory>

// One main window over a test's program folder, with a fake notification icon.
struct MainWindowFixture
{
    explicit MainWindowFixture(
        const QString& programFolder, bool trayAvailable = true,
        const QString& descriptionPath = frmIdentificador::defaultDescriptionPath)
    {
        values.programFolder = programFolder;
        values.CarpetaBase = programFolder;
        auto fakeTray = std::make_unique<FakeTrayIcon>(trayAvailable);
        tray = fakeTray.get();
        window = std::make_unique<frmIdentificador>(values, std::move(fakeTray), nullptr,
                                                    descriptionPath);
    }

    ProgramValues values;
    FakeTrayIcon* tray = nullptr;
    std::unique_ptr<frmIdentificador> window;
};
