#pragma once

#include "model/RingModel.h"

#include <QByteArray>

#include <memory>

// The bytes a save would write now: every ring of the project sealed for a file, the working
// copy standing for the current ring. Built in memory, so taking it changes nothing.
inline QByteArray sealedImage(const RingModel &model)
{
    QByteArray image;
    auto ring = std::make_unique<RingData>();
    for (int r = 0; r < model.ringCount(); ++r) {
        *ring = r == model.currentRing() ? model.working() : model.store(r);
        RingModel::SealForFile(*ring);
        image.append(reinterpret_cast<const char *>(ring->project.data()),
                     qsizetype(ring->project.size()));
        image.append(reinterpret_cast<const char *>(ring->programs.data()),
                     qsizetype(ring->programs.size()));
    }
    return image;
}
