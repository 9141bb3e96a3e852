#include "ConfigWizardFixture.h"

void ConfigWizardTestBase::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    // Every port leads nowhere unless a test points it at the simulator: no real serial device
    // of this machine is ever opened.
    PortTable ports = PortTable::load();
    for (int n = PortTable::FirstPort; n <= PortTable::LastPort; ++n)
        ports.setDevice(n, m_env->root() + QStringLiteral("/no-device/com") + QString::number(n));
    QVERIFY(ports.save());
    m_lineo = std::make_unique<Lineo>();
    m_lineo->setReplyTimeout(150ms);
}

void ConfigWizardTestBase::cleanup()
{
    m_wizard = nullptr;
    m_lineo.reset();
    m_env.reset();
}

std::unique_ptr<frmConfiguracion> ConfigWizardTestBase::openWizard(const QString& dataFolder)
{
    auto wizard = std::make_unique<frmConfiguracion>(
        *m_lineo, m_env->programFolder(), nullptr,
        dataFolder.isEmpty() ? m_env->root() + QStringLiteral("/no-data-folder") : dataFolder);
    m_wizard = wizard.get();
    wizard->show();
    if (!QTest::qWaitForWindowExposed(wizard.get()))
        qWarning("wizard not exposed");
    return wizard;
}

// The port reaches the simulator through a link of this test's own: serial locks go by device
// name, and a pseudo-terminal's number may still be locked by an unrelated process.
bool ConfigWizardTestBase::startModem(ModemSimulator& modem, const QStringList& options, int port)
{
    const QString link = m_env->root() + QStringLiteral("/modem-") + QString::number(++m_modems);
    if (!modem.start(QStringList{QStringLiteral("--link"), link} + options))
        return false;
    m_modemLinks.append(link);
    if (port == 0)
        return true;
    PortTable table = PortTable::load();
    table.setDevice(port, link);
    return table.save();
}
