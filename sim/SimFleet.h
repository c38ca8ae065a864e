#pragma once

#include "sim/Faults.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class SimUdpEndpoint;
class VirtualController;

// Many virtual controllers in one process, one per UDP address: each has its own flash,
// journal and clock, and its own faults, as a street of real controllers would.
class SimFleet : public QObject
{
    Q_OBJECT
public:
    struct Address
    {
        QHostAddress address;
        quint16 port = 0;
        [[nodiscard]] QString text() const
        {
            return address.toString() + QLatin1Char(':') + QString::number(port);
        }
    };

    explicit SimFleet(QObject *parent = nullptr);
    ~SimFleet() override;

    // Sets up each new controller (firmware, journal, lamps) before it listens.
    using Setup = std::function<void(VirtualController &)>;
    void setSetup(Setup setup) { m_setup = std::move(setup); }

    // A controller of its own at `where`; false (with errorString()) when the address cannot
    // be bound.
    bool add(const Address &where, const FaultOptions &faults, bool oldFirmware = false);
    [[nodiscard]] int size() const { return int(m_units.size()); }
    [[nodiscard]] VirtualController &controller(int index);
    [[nodiscard]] const Address &address(int index) const;
    [[nodiscard]] QString errorString() const { return m_error; }

    // "ADDRESS:PORT", or a range of addresses at one port "FIRST-LAST:PORT"
    // (127.0.0.10-127.0.0.59:11990); nothing when the text is neither or the range runs
    // backwards or over more than MaxRange addresses.
    [[nodiscard]] static std::optional<QList<Address>> parseAddresses(const QString &text);
    static constexpr int MaxRange = 1024;

private:
    struct Unit;
    std::vector<std::unique_ptr<Unit>> m_units;
    Setup m_setup;
    QString m_error;
};
