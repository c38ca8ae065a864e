#pragma once

#include "sim/Faults.h"
#include "sim/SimFleet.h"

#include <QList>
#include <QStringList>

#include <optional>

// The UDP side of veltsim's command line: "--udp ADDRESS:PORT" or "--udp FIRST-LAST:PORT",
// as often as wanted, and "--faults-for ADDRESS[:PORT] 'FAULT-SWITCHES'" giving one address
// faults of its own (they start from the faults given for all and change what they name).
struct FleetOptions
{
    struct Override
    {
        QHostAddress address;
        quint16 port = 0; // 0: every port of the address
        QStringList switches;
    };

    QList<SimFleet::Address> addresses;
    QList<Override> overrides;

    // Takes args[i] (and its values) when it is one of these switches: nothing when it is
    // not, an empty text when it was taken, else what is wrong.
    [[nodiscard]] std::optional<QString> parse(const QStringList &args, int &i);
    // The faults of `where`: `common` changed by every override that names it.
    [[nodiscard]] FaultOptions faultsAt(const SimFleet::Address &where,
                                        const FaultOptions &common) const;
    [[nodiscard]] bool hasOwnFaults(const SimFleet::Address &where) const;
    // Every override must name a listening address and parse; an error text otherwise.
    [[nodiscard]] std::optional<QString> check(const FaultOptions &common) const;
};
