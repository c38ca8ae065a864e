#pragma once

#include "cli/CliCommand.h"

// The subcommands that work on project files.
[[nodiscard]] int runInfo(const QStringList &files, CliContext &context);
[[nodiscard]] int runCheck(const QStringList &files, CliContext &context);
[[nodiscard]] int runDiff(const QStringList &files, CliContext &context);
