#pragma once

#include "sim/Faults.h"
#include "sim/VirtualController.h"

#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>
#include <QUdpSocket>

#include <functional>
#include <memory>

// One side of the virtual controller on the wire: it cuts incoming bytes into commands, asks
// the interpreter and sends the answer shaped by the fault plan.
class SimEndpoint : public QObject
{
    Q_OBJECT
public:
    SimEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent = nullptr);

signals:
    void commandHandled(const QByteArray &command);

protected:
    void answer(const QByteArray &command, std::function<void(const QByteArray &)> send);

    VirtualController &m_controller;
    FaultPlan &m_faults;
};

// UDP: one datagram is one command; the answer goes to the sender's address at the port the
// controller listens on.
class SimUdpEndpoint : public SimEndpoint
{
    Q_OBJECT
public:
    SimUdpEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent = nullptr);
    bool listen(const QHostAddress &address, quint16 port);
    [[nodiscard]] QString errorString() const { return m_socket.errorString(); }

private:
    void onReadyRead();

    QUdpSocket m_socket;
    quint16 m_port = 0;
};

// Serial: a pseudo-terminal; commands end with LF (a CR before it is ignored).
class SimPtyEndpoint : public SimEndpoint
{
    Q_OBJECT
public:
    static constexpr int MaxLine = 8192;

    SimPtyEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent = nullptr);
    ~SimPtyEndpoint() override;

    bool open();
    [[nodiscard]] const QString &devicePath() const { return m_devicePath; }
    // A symbolic link to the device, such as "./COM3"; removed again when the endpoint goes.
    bool makeLink(const QString &linkPath);

private:
    void onReadable();
    void writeAll(const QByteArray &bytes);

    int m_master = -1;
    int m_slave = -1; // held open so that the master never sees a hang-up between clients
    QString m_devicePath;
    QString m_linkPath;
    QByteArray m_line;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
