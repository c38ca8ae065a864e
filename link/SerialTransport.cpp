#include "link/SerialTransport.h"

#include "link/SerialDevice.h"

#include <QDir>

namespace {
// The controller's answers are short lines; a device that never stops sending must not grow
// the program's memory.
constexpr qint64 kReadBuffer = 2048;
} // namespace

SerialTransport::SerialTransport(QObject *parent) : Transport(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialTransport::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialTransport::onError);
    connect(&m_port, &QSerialPort::bytesWritten, this, [this] {
        if (m_port.bytesToWrite() == 0)
            emit drained();
    });
}

SerialTransport::~SerialTransport() = default;

bool SerialTransport::open()
{
    if (m_port.isOpen())
        return true;
    const QString device = resolveSerialDevice(m_portName, QDir::currentPath());
    if (device.isEmpty()) {
        m_lastError = QStringLiteral("no device for %1").arg(m_portName);
        return false;
    }
    m_port.setPortName(device);
    m_port.setBaudRate(QSerialPort::Baud115200);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(kReadBuffer);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_lastError = m_port.errorString();
        return false;
    }
    // Pseudo-terminals and some adapters have no modem lines; that is no reason to fail.
    if (!m_port.setDataTerminalReady(false) || !m_port.setRequestToSend(false))
        m_port.clearError();
    m_port.clearError();
    return true;
}

void SerialTransport::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialTransport::isOpen() const
{
    return m_port.isOpen();
}

bool SerialTransport::write(const QByteArray &bytes)
{
    return m_port.isOpen() && m_port.write(bytes) == bytes.size();
}

qint64 SerialTransport::pendingBytes() const
{
    return m_port.isOpen() ? m_port.bytesToWrite() : 0;
}

void SerialTransport::discardInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

void SerialTransport::readPending()
{
    if (!m_port.isOpen())
        return;
    // A zero wait only looks at the device: what it holds is read and handed on through
    // readyRead; "nothing there" is no fault of the port.
    if (!m_port.waitForReadyRead(0) && m_port.error() == QSerialPort::TimeoutError)
        m_port.clearError();
    if (m_port.bytesAvailable() > 0)
        onReadyRead();
}

void SerialTransport::onReadyRead()
{
    const QByteArray chunk = m_port.readAll();
    if (!chunk.isEmpty())
        emit received(chunk);
}

void SerialTransport::onError(QSerialPort::SerialPortError error)
{
    // A pulled adapter makes Qt report read errors without end: the first one closes the port,
    // so the exchange fails once and the console is not flooded.
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        if (m_port.isOpen()) {
            m_lastError = m_port.errorString();
            m_port.clearError();
            m_port.close();
            emit failed(m_lastError);
        }
        break;
    default:
        break;
    }
}
