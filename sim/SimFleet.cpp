#include "sim/SimFleet.h"

#include "sim/SimUdpEndpoint.h"
#include "sim/VirtualController.h"

struct SimFleet::Unit
{
    Unit(const Address &where, const FaultOptions &faults, bool oldFirmware)
        : address(where), controller(oldFirmware), plan(faults), endpoint(controller, plan)
    {
    }
    Address address;
    VirtualController controller;
    FaultPlan plan;
    SimUdpEndpoint endpoint;
};

SimFleet::SimFleet(QObject *parent) : QObject(parent) {}

SimFleet::~SimFleet() = default;

bool SimFleet::add(const Address &where, const FaultOptions &faults, bool oldFirmware)
{
    auto unit = std::make_unique<Unit>(where, faults, oldFirmware);
    if (m_setup)
        m_setup(unit->controller);
    if (!unit->endpoint.listen(where.address, where.port)) {
        m_error = unit->endpoint.errorString();
        return false;
    }
    m_units.push_back(std::move(unit));
    return true;
}

VirtualController &SimFleet::controller(int index)
{
    return m_units.at(std::size_t(index))->controller;
}

const SimFleet::Address &SimFleet::address(int index) const
{
    return m_units.at(std::size_t(index))->address;
}

std::optional<QList<SimFleet::Address>> SimFleet::parseAddresses(const QString &text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::nullopt;
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok, 10);
    if (!ok || port <= 0 || port > 65535)
        return std::nullopt;
    const QStringList ends = text.left(colon).split(QLatin1Char('-'));
    if (ends.size() > 2)
        return std::nullopt;
    const QHostAddress first(ends.first());
    const QHostAddress last(ends.last());
    bool v4first = false;
    bool v4last = false;
    const quint32 from = first.toIPv4Address(&v4first);
    const quint32 to = last.toIPv4Address(&v4last);
    if (!v4first || !v4last || to < from || to - from >= quint32(MaxRange))
        return std::nullopt;
    QList<Address> addresses;
    for (quint32 ip = from; ip <= to; ++ip)
        addresses.append({QHostAddress(ip), quint16(port)});
    return addresses;
}
