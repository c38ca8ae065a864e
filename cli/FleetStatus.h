#pragma once

#include "cli/FleetRun.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <qcoro/qcorotask.h>

#include <optional>

class ControllerLink;

// What the people who watch a city want to know of each controller: whether it answers, its
// firmware, what each ring does, and how far its clock is from the host's. The findings go
// into the job's result as JSON, which every output (table, JSON, Prometheus) reads.
namespace FleetStatus {

// The mode of one ring from its "get state" pairs: "program", "single-phase",
// "yellow-flashing", "dark", "all-red", "test", "alarm" or "unknown". An alarm wins: the
// controller flashes yellow then because it must, not because a plan says so.
[[nodiscard]] QString modeOf(const QMap<QString, QString> &state);
[[nodiscard]] const QStringList &modes();

// How far the controller's clock ("DD.MM.YYYY-HH:MM:SS", local time) is ahead of the host's
// at `hostMs` (milliseconds since the epoch), in whole seconds; nothing when the answer is
// not a time.
[[nodiscard]] std::optional<qint64> offsetSeconds(const QByteArray &answer, qint64 hostMs);

// "get ver", the first packets of the rings (how many it holds), "get state" for each held
// ring and the clock; with an archive directory also the quick comparison with name.velt.
QCoro::Task<void> status(QString archiveDir, const FleetList::Controller &controller,
                         ControllerLink &link, FleetRun::Result &result);
// The clock offset; with `sync`, the clock set from the host's and read again.
QCoro::Task<void> clock(bool sync, ControllerLink &link, FleetRun::Result &result);

} // namespace FleetStatus
