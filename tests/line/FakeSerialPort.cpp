#include "FakeSerialPort.h"

#include <QThread>

FakeSerialPort::FakeSerialPort(Modem modem)
    : m_modem(std::move(modem))
{}

bool FakeSerialPort::open()
{
    if (m_open)
        return false;
    openedDevices << m_device;
    m_open = true;
    m_input.clear();
    return true;
}

bool FakeSerialPort::write(const QByteArray& data)
{
    if (!m_open)
        return false;
    writes << data;
    if (m_modem)
        m_comingReply += m_modem(data);
    return true;
}

QByteArray FakeSerialPort::readAll()
{
    return std::exchange(m_input, {});
}

bool FakeSerialPort::waitForReadyRead(int msecs)
{
    if (!m_open)
        return false;
    if (m_comingReply.isEmpty()) {
        QThread::msleep(static_cast<unsigned long>(msecs)); // a silent modem
        return false;
    }
    m_input += std::exchange(m_comingReply, {});
    emit dataReceived();
    return true;
}

void FakeSerialPort::receive(const QByteArray& data)
{
    if (!m_open)
        return;
    m_input += data;
    emit dataReceived();
}

void FakeSerialPort::fail()
{
    m_open = false;
    emit errorOccurred(QStringLiteral("Input/output error"));
}
