#pragma once

#include "cli/CliCommand.h"
#include "cli/FleetRun.h"

#include <optional>

// What the fleet commands share (FleetCommands.cpp).

// A controller's result stays on its own line however many lines the window's message had, so
// that a script can grep the run by name.
[[nodiscard]] QString oneLine(const QString &message);
// The options every fleet command takes; nothing after an error message.
[[nodiscard]] std::optional<FleetRun::Options> fleetOptions(CliContext &context,
                                                            FleetRun::Mode mode);
// The list named by --fleet; nothing after its errors were printed.
[[nodiscard]] std::optional<FleetList> loadList(CliContext &context);
