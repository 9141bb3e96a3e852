#include "PortTable.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const auto GroupName = QLatin1String("Puertos");

QString keyFor(int n)
{
    return QStringLiteral("Com") + QString::number(n);
}

} // namespace

PortTable PortTable::load()
{
    PortTable table;
    QSettings file(filePath(), QSettings::IniFormat);
    file.beginGroup(GroupName);
    for (int n = FirstPort; n <= LastPort; ++n)
        table.setDevice(n, file.value(keyFor(n)).toString().trimmed());
    return table;
}

QString PortTable::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Llamora/puertos.ini");
}

QString PortTable::defaultDevice(int n)
{
    if (!isValidPort(n))
        return {};
    return QStringLiteral("/dev/ttyS") + QString::number(n - 1);
}

QString PortTable::device(int n) const
{
    if (!isValidPort(n))
        return {};
    const QString& override = m_overrides[std::size_t(n - 1)];
    return override.isEmpty() ? defaultDevice(n) : override;
}

bool PortTable::isOverridden(int n) const
{
    return isValidPort(n) && !m_overrides[std::size_t(n - 1)].isEmpty();
}

void PortTable::setDevice(int n, const QString& path)
{
    if (isValidPort(n))
        m_overrides[std::size_t(n - 1)] = path;
}

bool PortTable::save() const
{
    const QString path = filePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(GroupName);
    for (int n = FirstPort; n <= LastPort; ++n) {
        if (isOverridden(n))
            file.setValue(keyFor(n), m_overrides[std::size_t(n - 1)]);
        else
            file.remove(keyFor(n));
    }
    file.endGroup();
    file.sync();
    return file.status() == QSettings::NoError;
}
