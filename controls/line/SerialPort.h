#pragma once

#include "lineo_export.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial device the line control talks through: just the operations the modem dialogue and
// the receive handler need, so tests can put a scripted port in its place.
class LINEO_EXPORT SerialPort : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~SerialPort() override = default;

    // The device opened by the next open(), e.g. "/dev/ttyS3"; it does not affect an open port.
    virtual void setDeviceName(const QString& device) = 0;

    // Opens at 9600 8N1 without flow control, control lines raised, pending input discarded.
    virtual bool open() = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;

    // Throws away whatever has been received and not yet read.
    virtual void clearInput() = 0;
    [[nodiscard]] virtual qint64 bytesAvailable() const = 0;
    // Sends data and waits (briefly) until it has left, so it goes out without an event loop.
    virtual bool write(const QByteArray& data) = 0;
    virtual QByteArray readAll() = 0;
    // Blocks without processing events until new data arrives or msecs pass; true if data came.
    // dataReceived() may be emitted from inside this call.
    virtual bool waitForReadyRead(int msecs) = 0;

signals:
    // New data is waiting to be read.
    void dataReceived();
    // The open port failed (the device went away, a read or write error) and has been closed.
    void errorOccurred(const QString& description);
};
