#pragma once

#include "SerialPort.h"

#include <QSerialPort>

// SerialPort over QSerialPort: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control.
class QtSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setDeviceName(const QString& device) override;
    bool open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    void clearInput() override;
    [[nodiscard]] qint64 bytesAvailable() const override;
    bool write(const QByteArray& data) override;
    QByteArray readAll() override;
    bool waitForReadyRead(int msecs) override;

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    bool m_opening = false;
    bool m_closing = false;
};
