#include "startup/StartupSequence.h"

#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/ExisteBaseDatos.h"

namespace {
const QString databaseName = QStringLiteral("llamora.mdb");
}

StartupSequence::StartupSequence(const SettingsStore& settings, ProgramValues& values,
                                 StartupScreens& screens)
    : m_settings(settings)
    , m_values(values)
    , m_screens(screens)
{}

StartupSequence::Outcome StartupSequence::Main()
{
    m_values.CarpetaBase = m_settings.baseDeDatos();

    if (m_values.CarpetaBase.isEmpty()) {
        if (!m_screens.showConfigurationWizard())
            return Outcome::Ended;
        readFolderAfterWizard();
    }
    if (m_values.CarpetaBase.isEmpty())
        return Outcome::Ended;

    if (ExisteBaseDatos(m_values.CarpetaBase, databaseName) != 0) {
        // A file that opens but cannot be written would otherwise send the user to the wizard
        // without a word about what is wrong.
        if (const auto message = databaseWriteMessage(m_values.CarpetaBase, databaseName))
            m_screens.showMessage(*message);
        if (!m_screens.showConfigurationWizard())
            return Outcome::Ended;
        readFolderAfterWizard();
        if (ExisteBaseDatos(m_values.CarpetaBase, databaseName) != 0)
            return Outcome::Ended;
    }

    m_screens.showSplash();
    return Outcome::Running;
}

void StartupSequence::readFolderAfterWizard()
{
    m_values.CarpetaBase = carpetaBaseFrom(m_settings.baseDeDatos(), m_values.programFolder);
}
