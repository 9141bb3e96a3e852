#pragma once

#include <QList>
#include <QString>

// A serial device the system reports: its file and what it is ("USB Modem", maker).
struct SerialDevice
{
    QString location;
    QString description;
};

// The devices the wizard's device list offers, each with its description:
// - first the stable names under stableFolder (Linux's /dev/serial/by-id), which keep leading to
//   the same USB modem across restarts and re-plugging, described by the device they lead to;
// - then every device as the system lists it (/dev/ttyACM0, /dev/ttyUSB0, /dev/ttyS0).
[[nodiscard]] QList<SerialDevice> serialDeviceChoices(const QList<SerialDevice>& systemDevices,
                                                      const QString& stableFolder);

// The system's serial devices as Qt lists them, and the choices built from them and
// /dev/serial/by-id.
[[nodiscard]] QList<SerialDevice> systemSerialDevices();
[[nodiscard]] QList<SerialDevice> serialDeviceChoices();
