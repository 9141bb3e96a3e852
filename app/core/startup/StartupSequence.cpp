#include "startup/StartupSequence.h"

#include "server/ServerProbe.h"
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
    if (m_settings.servidor().isSet())
        return useServer();
    return useFolder();
}

StartupSequence::Outcome StartupSequence::useServer()
{
    m_values.Servidor = m_settings.servidor();
    m_values.CarpetaBase = carpetaBaseFrom(m_settings.baseDeDatos(), m_values.programFolder);
    if (const ServerProbe probe = probeServer(m_values.Servidor); !probe.connected()) {
        m_screens.showMessage({QStringLiteral("No se puede usar el servidor de la base de datos "
                                              "%1: %2")
                                   .arg(m_values.Servidor.displayText(), probe.text),
                               MessageIcon::Exclamation});
        if (!m_screens.showConfigurationWizard())
            return Outcome::Ended;
        m_values.Servidor = m_settings.servidor();
        if (!m_values.Servidor.isSet())
            return useFolder();
        if (!probeServer(m_values.Servidor).connected())
            return Outcome::Ended;
    }
    m_screens.showSplash();
    return Outcome::Running;
}

StartupSequence::Outcome StartupSequence::useFolder()
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
