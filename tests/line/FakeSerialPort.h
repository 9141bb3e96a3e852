#pragma once

#include "SerialPort.h"

#include <QByteArrayList>
#include <QStringList>

#include <functional>

// A scripted serial port: `modem` answers each write, the answer arriving at the next wait
// (and announced through dataReceived() from inside the wait, as QSerialPort does).
class FakeSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    using Modem = std::function<QByteArray(const QByteArray& written)>;

    explicit FakeSerialPort(Modem modem = {});

    void setDeviceName(const QString& device) override { m_device = device; }
    bool open() override;
    void close() override { m_open = false; }
    [[nodiscard]] bool isOpen() const override { return m_open; }
    void clearInput() override { m_input.clear(); }
    [[nodiscard]] qint64 bytesAvailable() const override { return m_input.size(); }
    bool write(const QByteArray& data) override;
    QByteArray readAll() override;
    bool waitForReadyRead(int msecs) override;

    // Data arriving while listening.
    void receive(const QByteArray& data);
    // The device goes away.
    void fail();

    QStringList openedDevices;
    QByteArrayList writes;

private:
    Modem m_modem;
    QString m_device;
    bool m_open = false;
    QByteArray m_input;
    QByteArray m_comingReply;
};
