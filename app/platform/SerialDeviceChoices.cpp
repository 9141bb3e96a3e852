#include "SerialDeviceChoices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

QList<SerialDevice> serialDeviceChoices(const QList<SerialDevice>& systemDevices,
                                        const QString& stableFolder)
{
    QList<SerialDevice> choices;
    const QDir stable(stableFolder);
    const QFileInfoList links =
        stable.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& link : links) {
        // The links are relative ("../../ttyACM0"); the device they lead to names the entry.
        const QString target = link.isSymLink() ? link.symLinkTarget() : link.absoluteFilePath();
        QString description = QDir(target).dirName();
        for (const SerialDevice& device : systemDevices) {
            if (QFileInfo(device.location).absoluteFilePath() == target &&
                !device.description.isEmpty())
                description =
                    device.description + QStringLiteral(" (") + description + QLatin1Char(')');
        }
        choices.append({link.absoluteFilePath(), description});
    }
    choices.append(systemDevices);
    return choices;
}

QList<SerialDevice> systemSerialDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        QString description = info.description();
        if (!info.manufacturer().isEmpty() && !description.contains(info.manufacturer()))
            description +=
                (description.isEmpty() ? QString() : QStringLiteral(", ")) + info.manufacturer();
        devices.append({info.systemLocation(), description});
    }
    return devices;
}

QList<SerialDevice> serialDeviceChoices()
{
    return serialDeviceChoices(systemSerialDevices(), QStringLiteral("/dev/serial/by-id"));
}
