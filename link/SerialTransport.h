#pragma once

#include "link/Transport.h"

#include <QSerialPort>

// The USB virtual COM port: 115200 8N1, no flow control, DTR and RTS held inactive.
class SerialTransport : public Transport
{
    Q_OBJECT
public:
    explicit SerialTransport(QObject *parent = nullptr);
    ~SerialTransport() override;

    void setPortName(const QString &name) override { m_portName = name; }
    [[nodiscard]] const QString &portName() const { return m_portName; }
    bool open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    bool write(const QByteArray &bytes) override;
    [[nodiscard]] qint64 pendingBytes() const override;
    void discardInput() override;
    void readPending() override;
    [[nodiscard]] QString lastError() const { return m_lastError; }

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_portName;
    QString m_lastError;
};
