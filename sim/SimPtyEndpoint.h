#pragma once

#include "sim/SimEndpoint.h"

#include <QSocketNotifier>

#include <memory>

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
