#pragma once

#include "cli/CliCommand.h"

namespace FleetVerify {
[[nodiscard]] CliOption quick();
// What the quick check leaves unproven, said with every quick result.
extern const QString kNotProven;
} // namespace FleetVerify

// verify --fleet LIST DIR [--quick].
[[nodiscard]] int runFleetVerify(const QStringList &files, CliContext &context);
