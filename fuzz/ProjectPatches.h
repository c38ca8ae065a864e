#pragma once

// Project files made from a short list of patches over a new project's file, so that a few
// bytes of fuzz input reach every field of every ring:
//   ring count byte, then { ring byte, offset (3 bytes), length byte, bytes } ...
// An input of at least one ring record is taken as a file as it is.

#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QBuffer>

#include <array>

namespace ProjectPatches {

inline QByteArray fileOf(const RingModel &model)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!ProjectFile::writeRings(model, buffer))
        return {};
    return buffer.data();
}

// Opens `file` from memory into `model`, as "Открыть проект" opens it from disk.
inline ProjectFile::OpenResult open(RingModel &model, const QByteArray &file)
{
    QBuffer in;
    in.setData(file);
    in.open(QIODevice::ReadOnly);
    return ProjectFile::read(model, in, QStringLiteral("fuzz"));
}

// A new project's file for each ring count, made once: it is the base of every patched input.
inline const QByteArray &newProjectFile(int rings)
{
    static const std::array<QByteArray, MaxRings> files = [] {
        std::array<QByteArray, MaxRings> made;
        for (int r = 1; r <= MaxRings; ++r) {
            RingModel model;
            model.NewProjectDefaults();
            model.setRingCount(r);
            made[std::size_t(r - 1)] = fileOf(model);
        }
        return made;
    }();
    return files[std::size_t(rings - 1)];
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
