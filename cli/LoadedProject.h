#pragma once

#include "model/RingModel.h"
#include "model/Structures.h"

#include <QString>

#include <vector>

// A project file as the configurator sees it after opening: the rings in use, load fix-up
// applied.
struct LoadedProject
{
    std::vector<RingData> rings;
    QString error;     // non-empty: nothing could be read
    FileDamage damage; // what opening found wrong beyond what it mends

    [[nodiscard]] bool ok() const { return error.isEmpty(); }
    [[nodiscard]] int ringCount() const { return int(rings.size()); }

    [[nodiscard]] static LoadedProject load(const QString &path);
};
