#pragma once

#include "cli/CliCommand.h"

// The command table and the dispatch on the first argument.
namespace Commands {

// Everything after the program name; returns the exit status.
[[nodiscard]] int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace Commands
