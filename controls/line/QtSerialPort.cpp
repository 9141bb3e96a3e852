#include "QtSerialPort.h"

#include <QScopedValueRollback>

namespace {

// Long enough for a command line at 9600 baud (about 1 ms a character) to leave the port.
constexpr int WriteTimeoutMs = 1000;

} // namespace

QtSerialPort::QtSerialPort(QObject* parent)
    : SerialPort(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::dataReceived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort()
{
    m_port.disconnect(this);
    m_port.close();
}

void QtSerialPort::setDeviceName(const QString& device)
{
    m_port.setPortName(device);
}

bool QtSerialPort::open()
{
    if (m_port.isOpen())
        return false;
    const QScopedValueRollback opening(m_opening, true);
    const bool opened = m_port.open(QIODevice::ReadWrite);
    if (opened) {
        m_port.setBaudRate(QSerialPort::Baud9600);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        // A modem wants DTR to accept commands; a pseudo-terminal has no such lines.
        m_port.setDataTerminalReady(true);
        m_port.setRequestToSend(true);
        m_port.clear();
    }
    return opened && m_port.isOpen();
}

void QtSerialPort::close()
{
    // Closing a device that went away reports errors of its own, from inside close().
    const QScopedValueRollback closing(m_closing, true);
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

void QtSerialPort::clearInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    m_port.readAll(); // what QSerialPort had already buffered
}

qint64 QtSerialPort::bytesAvailable() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

bool QtSerialPort::write(const QByteArray& data)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(data) != data.size())
        return false;
    while (m_port.isOpen() && m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(WriteTimeoutMs))
            return false;
    }
    return m_port.isOpen();
}

QByteArray QtSerialPort::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

bool QtSerialPort::waitForReadyRead(int msecs)
{
    return m_port.isOpen() && m_port.waitForReadyRead(msecs);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:              // a wait that saw no data
    case QSerialPort::UnsupportedOperationError: // control lines on a pseudo-terminal
        return;
    default:
        break;
    }
    // Errors while opening are reported by open()'s result; those while closing change nothing.
    if (m_opening || m_closing || !m_port.isOpen())
        return;
    // A device that went away keeps reporting errors in a tight loop until the port is closed.
    const QString description = m_port.errorString();
    close();
    emit errorOccurred(description);
}
