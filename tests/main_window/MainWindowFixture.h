#pragma once

#include "FakeTrayIcon.h"
#include "TestEnvironment.h"
#include "frmIdentificador.h"
#include "settings/ProgramValues.h"

#include <memory>

// One main window over a test's program folder, with a fake notification icon. The folder gets
// a copy of the empty database, as an installation has, so the window loads without a message.
struct MainWindowFixture
{
    explicit MainWindowFixture(
        const QString& programFolder, bool trayAvailable = true,
        const QString& descriptionPath = frmIdentificador::defaultDescriptionPath)
    {
        static_cast<void>(TestEnvironment::copyEmptyDatabase(programFolder));
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
