#pragma once

#include <QString>

#include <optional>
#include <vector>

class QFile;
class QFileDevice;
class QIODevice;
class RingModel;
struct RingData;

// The project file: 1..4 ring records of 117414 bytes (project block, then programs block),
// no header. Both functions report a failure as a Russian text for the user and leave the
// model and the file on disk as they were.
namespace ProjectFile {

struct OpenResult
{
    int ringsRead = 0; // 0: the file was shorter than one record and nothing changed
    QString error;     // non-empty: the file could not be read; nothing changed
    // Rings (1-based) whose project or programs block fails its checksum; they are loaded all
    // the same, as a damaged file is better mended in the editors than thrown away.
    std::vector<int> badChecksumRings;
    [[nodiscard]] bool ok() const { return error.isEmpty(); }
};

// Opens `path` for reading only when it is a regular file: a FIFO would keep the reader
// waiting for good and a device may never end. Nothing, or the text for the user.
[[nodiscard]] std::optional<QString> openRegular(QFile &file, const QString &path);

// Reads up to four whole ring records into the stores, applies the load fix-up and makes
// ring 1 current. Anything but a regular file (a FIFO, a device, a folder) is refused
// unread, since reading one may never end. What it finds wrong beyond that (a ring cut short,
// a checksum that does not match) it leaves in the model's fileDamage() for the check.
[[nodiscard]] OpenResult open(RingModel &model, const QString &path);
// The same from any device; `path` only names it in a message.
[[nodiscard]] OpenResult read(RingModel &model, QIODevice &file, const QString &path);

// The CRC-32s a save seals both blocks of `ring` with still match their bytes.
[[nodiscard]] bool sealIntact(const RingData &ring);

// Stores the working copy into its ring, then writes every ring of the project sealed for a
// file. The old file is replaced only once every byte of the new one is on disk.
[[nodiscard]] std::optional<QString> save(RingModel &model, const QString &path);
// The ring records of the stores as save() writes them (the working copy is not stored first);
// false with errno set when the device refused a write.
[[nodiscard]] bool writeRings(const RingModel &model, QIODevice &out);

// Why a write failed, in the engineer's words, from the errno the system gave; an errno
// without words of its own reads as the system's text.
[[nodiscard]] QString saveErrorText(int errorNumber);
// The reason of a failed write: from errno when it was set, else the device's own text.
[[nodiscard]] QString failureReason(int errorNumber, const QFileDevice &file);
// The message of a failed save of `path`, the old file kept.
[[nodiscard]] QString writeFailure(const QString &path, const QString &reason);

} // namespace ProjectFile
