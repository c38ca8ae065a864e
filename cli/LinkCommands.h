#pragma once

#include "cli/CliCommand.h"

// The subcommands that talk to controllers: one controller over UDP or a serial port, or a
// whole list of them over UDP.
[[nodiscard]] CliCommand uploadCommand();
[[nodiscard]] CliCommand downloadCommand();
[[nodiscard]] CliCommand verifyCommand();
[[nodiscard]] CliCommand backupCommand();

[[nodiscard]] int runUpload(const QStringList &files, CliContext &context);
[[nodiscard]] int runDownload(const QStringList &files, CliContext &context);
[[nodiscard]] int runVerify(const QStringList &files, CliContext &context);
[[nodiscard]] int runBackup(const QStringList &files, CliContext &context);
// The fleet halves (FleetCommands.cpp).
[[nodiscard]] int runFleetUpload(const QStringList &files, CliContext &context);
