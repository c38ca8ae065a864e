#pragma once

#include "cli/CliCommand.h"

#include <optional>

// Options shared by the subcommands that talk to controllers.
namespace LinkOptions {

// The most --jobs accepts; beyond it the limit is the machine, not the option.
inline constexpr int MaxJobs = 100000;

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
// 0 when not given: as many as the machine allows.
[[nodiscard]] std::optional<int> jobCount(CliContext &context);

} // namespace LinkOptions
