#include "model/ProjectSnapshot.h"

#include "model/RingModel.h"

namespace {
template <typename Block>
std::shared_ptr<const Block> shareOrCopy(const Block &now,
                                         const std::shared_ptr<const Block> &before)
{
    if (before && *before == now)
        return before;
    return std::make_shared<const Block>(now);
}

template <typename Block>
bool sameBytes(const std::shared_ptr<const Block> &a, const std::shared_ptr<const Block> &b)
{
    return a == b || (a && b && *a == *b);
}
} // namespace

ProjectSnapshot ProjectSnapshot::take(const RingModel &model)
{
    return take(model, ProjectSnapshot());
}

ProjectSnapshot ProjectSnapshot::take(const RingModel &model, const ProjectSnapshot &previous)
{
    ProjectSnapshot snapshot;
    for (int r = 0; r < MaxRings; ++r) {
        const RingData &ring = r == model.currentRing() ? model.working() : model.store(r);
        snapshot.project[r] = shareOrCopy(ring.project, previous.project[r]);
        snapshot.programs[r] = shareOrCopy(ring.programs, previous.programs[r]);
    }
    snapshot.ringCount = model.ringCount();
    snapshot.currentRing = model.currentRing();
    snapshot.currentProgram = model.currentProgram();
    return snapshot;
}

void ProjectSnapshot::restore(RingModel &model) const
{
    for (int r = 0; r < MaxRings; ++r) {
        if (project[r])
            model.store(r).project = *project[r];
        if (programs[r])
            model.store(r).programs = *programs[r];
    }
    model.restoreState(ringCount, currentRing, currentProgram);
}

bool ProjectSnapshot::contentDiffers(const ProjectSnapshot &other) const
{
    if (ringCount != other.ringCount)
        return true;
    for (int r = 0; r < MaxRings; ++r)
        if (!sameBytes(project[r], other.project[r]) || !sameBytes(programs[r], other.programs[r]))
            return true;
    return false;
}
