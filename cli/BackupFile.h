#pragma once

#include <QByteArray>
#include <QString>

class RingModel;

// A controller's project kept on disk as the window's "Сохранить" would write it.
namespace BackupFile {

enum class Result { Written, Unchanged, Failed };

// The bytes a save of `model` puts on disk.
[[nodiscard]] QByteArray image(const RingModel &model);

// Writes `model` to `path` through an atomic replace, unless the file already holds exactly
// these bytes: a nightly backup of an unchanged controller leaves its file (and its time) as
// it was. `error` gets the reason of a failure.
//
// Only a regular file is replaced: a symbolic link (even one pointing nowhere), a FIFO or a
// device at `path` fails, so a backup never writes outside its folder. A file that holds more
// rings than `model` is kept unless `allowFewerRings`: a controller that lost its answer to
// "get ver" must not cost the good copy its other rings.
[[nodiscard]] Result write(RingModel &model, const QString &path, QString *error = nullptr,
                           bool allowFewerRings = false);

} // namespace BackupFile
