#pragma once

#include "cli/CliCommand.h"
#include "cli/FleetRun.h"

#include <optional>

// What the fleet commands share (FleetCommands.cpp).

// A controller's result stays on its own line however many lines the window's message had, so
// that a script can grep the run by name.
[[nodiscard]] QString oneLine(const QString &message);
class ProgressLine;
// Prints one line per controller as soon as it is done ("OK" or `failed`), under the progress
// line, so a long run shows its results early; nothing with --json.
void printEachResult(CliContext &context, FleetRun &run, ProgressLine &progress, int nameWidth,
                     const QString &failed);
// The options every fleet command takes; nothing after an error message.
[[nodiscard]] std::optional<FleetRun::Options> fleetOptions(CliContext &context,
                                                            FleetRun::Mode mode);
// The list named by --fleet; nothing after its errors were printed.
[[nodiscard]] std::optional<FleetList> loadList(CliContext &context);
