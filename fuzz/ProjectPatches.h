#pragma once

// Project files made from a short list of patches over a new project's file, so that a few
// bytes of fuzz input reach every field of every ring:
//   ring count byte, then { ring byte, offset (3 bytes), length byte, bytes } ...
// An input of at least one ring record is taken as a file as it is.

#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QBuffer>

namespace ProjectPatches {

inline QByteArray fileOf(const RingModel &model)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!ProjectFile::writeRings(model, buffer))
        return {};
    return buffer.data();
}

inline QByteArray newProjectFile(int rings)
{
    RingModel model;
    model.NewProjectDefaults();
    model.setRingCount(rings);
    return fileOf(model);
}

inline QByteArray apply(const QByteArray &input)
{
    if (input.size() >= qsizetype(RingRecordSize))
        return input;
    qsizetype at = 0;
    const auto byte = [&]() -> int { return at < input.size() ? uchar(input[at++]) : 0; };
    const int rings = 1 + byte() % MaxRings;
    QByteArray file = newProjectFile(rings);
    while (at < input.size()) {
        const int ring = byte() % rings;
        const std::size_t offset =
            std::size_t(byte() | byte() << 8 | byte() << 16) % RingRecordSize;
        const int length = byte();
        for (int i = 0; i < length && at < input.size(); ++i)
            file[qsizetype(ring * RingRecordSize + (offset + i) % RingRecordSize)] = input[at++];
    }
    return file;
}

} // namespace ProjectPatches
