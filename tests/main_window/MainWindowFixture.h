#pragma once

#include "FakeTrayIcon.h"
#include "PictureButton.h"
#include "TestEnvironment.h"
#include "frmIdentificador.h"
#include "settings/ProgramValues.h"

#include <QAction>

#include <memory>

// One main window over a test's program folder, with a fake notification icon. The folder gets
// a copy of the empty database, as an installation has, so the window loads without a message.
struct MainWindowFixture
{
    explicit MainWindowFixture(
        const QString& programFolder,
        const QString& descriptionPath = frmIdentificador::defaultDescriptionPath)
    {
        static_cast<void>(TestEnvironment::copyEmptyDatabase(programFolder));
        values.programFolder = programFolder;
        values.CarpetaBase = programFolder;
        auto fakeTray = std::make_unique<FakeTrayIcon>();
        tray = fakeTray.get();
        window = std::make_unique<frmIdentificador>(values, std::move(fakeTray), nullptr,
                                                    descriptionPath);
    }

    PictureButton* button(const char* name) const
    {
        return window->findChild<PictureButton*>(QLatin1String(name));
    }
    QAction* entry(const char* name) const
    {
        return window->findChild<QAction*>(QLatin1String(name));
    }
    // Index of the Image1 picture the button shows, or -1.
    int shownPicture(const char* name) const
    {
        const qint64 key = button(name)->picture().cacheKey();
        for (int i = 0; i < window->Image1().size(); ++i) {
            if (window->Image1().at(i).cacheKey() == key)
                return i;
        }
        return -1;
    }

    ProgramValues values;
    FakeTrayIcon* tray = nullptr;
    std::unique_ptr<frmIdentificador> window;
};
