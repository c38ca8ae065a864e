#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QString>

#include <memory>
#include <vector>

class RingModel;

// The copy of an unsaved project that survives a crash, a kill or a power cut. Each running
// configurator keeps its own copy, named by its process id and start time and guarded by a
// lock held while it runs, so two configurators never write over each other's copy, and a copy
// whose lock has no living owner is one a later start may offer to restore.
class RecoveryCopy
{
public:
    struct Orphan
    {
        QString copyPath; // the rings, as a project file
        QString fileName; // the project's own file; empty for a project never saved
        QDateTime edited; // when the copy was last written
        [[nodiscard]] bool operator<(const Orphan &other) const { return edited > other.edited; }
    };

    // `folder` defaults to "recovery" in the application's local data folder.
    explicit RecoveryCopy(const QString &folder = {});
    ~RecoveryCopy();

    [[nodiscard]] const QString &folder() const { return m_folder; }
    [[nodiscard]] QString copyPath() const;

    // Replaces this process's copy atomically with the project as it stands, working copy
    // included. False when the folder cannot be written (the copy is a safety net only).
    bool write(const RingModel &model);
    // A clean close or a save: nothing is left to recover.
    void remove();

    // Copies left by configurators no longer running, newest first.
    [[nodiscard]] std::vector<Orphan> orphans() const;
    // Loads an orphan into `model` and deletes it; the model is left as it was when the copy
    // cannot be read.
    [[nodiscard]] bool restore(const Orphan &orphan, RingModel &model) const;
    void discard(const Orphan &orphan) const;

private:
    QString m_folder;
    QString m_name; // this process's copy, unique among the copies of the folder
    std::unique_ptr<QLockFile> m_lock;
};
