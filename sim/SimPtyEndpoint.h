#pragma once

#include "sim/SimEndpoint.h"

#include <QSocketNotifier>

#include <memory>

// Serial: a pseudo-terminal; commands end with LF (a CR before it is ignored). When paced, a
// command is taken only once its bytes would have come in at the baud rate.
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
    [[nodiscard]] int commandsReceived() const { return m_commands; }
    [[nodiscard]] bool isOpen() const { return m_master >= 0; }

signals:
    // The device went away, as a pulled adapter does; the port does not come back.
    void hungUp();

private:
    void onReadable();
    void writeAll(const QByteArray &bytes);
    void hangUp();
    [[nodiscard]] bool hangUpDue() const;

    int m_master = -1;
    int m_slave = -1; // held open so that the master never sees a hang-up between clients
    QString m_devicePath;
    QString m_linkPath;
    QByteArray m_line;
    int m_commands = 0;
    qint64 m_rxFreeNs = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
