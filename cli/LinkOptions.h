#pragma once

#include "cli/CliCommand.h"

#include <optional>

// Options shared by the subcommands that talk to controllers.
namespace LinkOptions {

[[nodiscard]] CliOption wait();
[[nodiscard]] CliOption jobs();
[[nodiscard]] CliOption fleet();
[[nodiscard]] CliOption noVerify();
[[nodiscard]] CliOption oneRing();
[[nodiscard]] CliOption acceptWarnings();
[[nodiscard]] CliOption allowFewerRings();

// The default wait of one UDP try in rounds (0: the firmware's own), or nothing after an
// error message.
[[nodiscard]] std::optional<int> waitRounds(CliContext &context);
[[nodiscard]] std::optional<int> jobCount(CliContext &context);

} // namespace LinkOptions
