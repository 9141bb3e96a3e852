#include "ProgramWindowsFixture.h"

#include "Parlux.h"
#include "PortTable.h"

#include <QFileInfo>
#include <QLabel>

bool pointPorts(const TestEnvironment& env, const QList<std::pair<int, QString>>& devices)
{
    PortTable ports = PortTable::load();
    for (int n = PortTable::FirstPort; n <= PortTable::LastPort; ++n)
        ports.setDevice(n, env.root() + QStringLiteral("/no-device/com") + QString::number(n));
    for (const auto& [n, device] : devices)
        ports.setDevice(n, device);
    return ports.save();
}

bool pointPortsWithDatabase(const TestEnvironment& env)
{
    const bool pointed = pointPorts(env);
    static_cast<void>(TestEnvironment::copyEmptyDatabase(env.programFolder()));
    return pointed;
}

bool startModem(ModemSimulator& modem, const TestEnvironment& env, QString* link)
{
    *link =
        env.root() + QLatin1Char('/') + QFileInfo(env.root()).fileName() + QStringLiteral("-modem");
    return modem.start(
        {QStringLiteral("--accept"), QStringLiteral("AT+VCID=1"), QStringLiteral("--link"), *link});
}

QString panelText(const frmIdentificador& w, const char* label)
{
    const auto* found = w.Parlux1()->findChild<QLabel*>(QLatin1String(label));
    return found ? found->text() : QStringLiteral("<no %1>").arg(QLatin1String(label));
}

bool alertShown(const frmIdentificador& w)
{
    const auto* alert = w.Parlux1()->findChild<QLabel*>(QStringLiteral("lblAviso"));
    return alert && !alert->isHidden();
}
