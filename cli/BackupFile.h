#pragma once

#include <QString>

#include <memory>

class QSaveFile;
struct RingData;

// A controller's project kept on disk as the window's "Сохранить" would write it, written
// ring by ring as a download reads them, so that a backup holds no ring it has read.
//
// The new file is put in place by an atomic replace once every ring is on disk, unless the
// file already holds exactly these bytes: a nightly backup of an unchanged controller leaves
// its file (and its time) as it was. Only a regular file is replaced: a symbolic link (even
// one pointing nowhere), a FIFO or a device at the path fails, so a backup never writes
// outside its folder. A file that holds more rings than were read is kept unless
// `allowFewerRings`: a controller that lost its answer to "get ver" must not cost the good copy
// its other rings.
class BackupFile
{
public:
    enum class Result { Written, Unchanged, Failed };

    BackupFile(QString path, bool allowFewerRings);
    // A file not finished is thrown away; the old one stays.
    ~BackupFile();
    BackupFile(const BackupFile &) = delete;
    BackupFile &operator=(const BackupFile &) = delete;

    // Seals `ring` for a file (in place) and writes it after the rings before it; false, with
    // error() set, when it could not be written.
    bool add(RingData &ring);
    // Puts the rings added in place of the file. `error` gets the reason of a failure.
    [[nodiscard]] Result finish(QString *error);

    [[nodiscard]] int rings() const { return m_rings; }
    [[nodiscard]] const QString &error() const { return m_error; }

private:
    bool fail(const QString &why);
    // Whether the file at the path is something a backup must not replace; sets the error.
    bool refused();
    // Whether the file at the path holds `bytes` as its ring record `ring`.
    [[nodiscard]] bool holds(int ring, const RingData &sealed) const;

    QString m_path;
    bool m_allowFewerRings = false;
    std::unique_ptr<QSaveFile> m_file;
    int m_rings = 0;
    bool m_same = true; // every ring so far equals the old file's
    QString m_error;
};
