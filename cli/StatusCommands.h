#pragma once

#include "cli/CliCommand.h"

// The fleet's state for the people who watch the city, and its clocks.
[[nodiscard]] CliCommand statusCommand();
[[nodiscard]] CliCommand clockCommand();

[[nodiscard]] int runStatus(const QStringList &files, CliContext &context);
[[nodiscard]] int runClock(const QStringList &files, CliContext &context);
