#pragma once

// What a traffic engineer standing at the junction would see wrong, read from the lamp trace
// alone: neither the check nor the tact tables are asked, so a fault they share still shows.

#include "model/Structures.h"
#include "sim/ControllerRuntime.h"

#include <QDateTime>
#include <QStringList>

#include <array>
#include <vector>

namespace TraceOracle {

struct Change
{
    qint64 ms = 0;
    int ring = 0;
    int direction = 0;
    Signal signal = Signal::Off;
};

// Collects every lamp change of the controller's runtime.
inline void record(ControllerRuntime &runtime, std::vector<Change> &trace)
{
    runtime.setTrace([&trace](qint64 ms, int ring, int direction, Signal signal) {
        trace.push_back({ms, ring, direction, signal});
    });
}

inline bool greenFamily(Signal s)
{
    return s == Signal::Green || s == Signal::GreenBlink;
}

// One line per fault, "KIND d1-d2 HH:MM:SS ...", directions from 1. Kinds: "overlap" (two
// directions with a conflict flag either way green-family together), "clearance" (end of i's
// green-family to start of j's green shorter than CT(i, j)), "no-red-yellow", "no-yellow" (a
// vehicle direction's green not preceded by red-yellow, or green-family not followed by yellow,
// when those times are not 0), "no-steady-green" (green blinking straight after anything but
// green, or red-yellow followed by anything but green), "no-red" (yellow straight into red-yellow).
// A yellow-flashing or dark ring is not controlled: clearances start afresh after it.
[[nodiscard]] inline QStringList faults(const std::vector<Change> &trace, const ProjectBlock &p,
                                        int ring)
{
    const int n = std::min(int(p[ProjectLayout::DirectionCount]), MaxDirections);
    const int ry = p[ProjectLayout::RedYellow];
    const int y = p[ProjectLayout::Yellow];
    const auto vehicle = [&](int d) { return p[directionOffset(d) + DirectionLayout::Type] == 0; };
    const auto flag = [&](int i, int j) { return p[conflictFlagOffset(i, j)] != 0; };
    const auto when = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("HH:mm:ss"));
    };
    QStringList out;
    const auto fault = [&](const char *kind, int i, int j, qint64 ms, const QString &more = {}) {
        const QString pair =
            j < 0 ? QString::number(i + 1) : QStringLiteral("%1-%2").arg(i + 1).arg(j + 1);
        const QString line =
            QStringLiteral("%1 %2 %3").arg(QLatin1String(kind), pair, when(ms)) + more;
        if (out.size() < 20)
            out << line;
    };
    std::array<Signal, MaxDirections> now{};
    std::array<bool, MaxDirections> seen{};
    std::array<qint64, MaxDirections> greenEnd{};
    greenEnd.fill(-1);
    std::vector<Change> group;
    for (std::size_t k = 0; k < trace.size();) {
        group.clear();
        const qint64 ms = trace[k].ms;
        for (; k < trace.size() && trace[k].ms == ms; ++k) {
            if (trace[k].ring == ring && trace[k].direction < n)
                group.push_back(trace[k]);
        }
        if (group.empty())
            continue;
        // Every lamp that changes at this moment changes together: ends first, then starts.
        for (const Change &c : group) {
            if (seen[c.direction] && greenFamily(now[c.direction]) && !greenFamily(c.signal))
                greenEnd[c.direction] = ms;
            if (c.signal == Signal::YellowFlash || c.signal == Signal::Off)
                greenEnd.fill(-1);
        }
        for (const Change &c : group) {
            const int d = c.direction;
            const Signal was = now[d];
            const Signal next = c.signal;
            now[d] = next;
            if (!seen[d]) {
                seen[d] = true;
                continue;
            }
            if (greenFamily(was) && !greenFamily(next) && next != Signal::YellowFlash &&
                vehicle(d) && y > 0 && next != Signal::Yellow)
                fault("no-yellow", d, -1, ms);
            if ((next == Signal::GreenBlink && !greenFamily(was)) ||
                (was == Signal::RedYellow && next != Signal::Green))
                fault("no-steady-green", d, -1, ms);
            if (was == Signal::Yellow && next == Signal::RedYellow)
                fault("no-red", d, -1, ms);
            if (next != Signal::Green || greenFamily(was))
                continue;
            if (vehicle(d) && ry > 0 && was != Signal::RedYellow)
                fault("no-red-yellow", d, -1, ms);
            for (int i = 0; i < n; ++i) {
                if (i == d || !flag(i, d) || greenEnd[i] < 0)
                    continue;
                const int ct = p[conflictTimeOffset(i, d)];
                if (ms - greenEnd[i] < qint64(ct) * 1000)
                    fault("clearance", i, d, ms,
                          QStringLiteral(" %1 ms < %2 s").arg(ms - greenEnd[i]).arg(ct));
            }
        }
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) {
                if (greenFamily(now[i]) && greenFamily(now[j]) && (flag(i, j) || flag(j, i)))
                    fault("overlap", i, j, ms);
            }
        }
    }
    return out;
}

} // namespace TraceOracle
