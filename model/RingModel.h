#pragma once

#include "model/Structures.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

// What opening a file found wrong with it beyond what opening mends: the model then holds
// less, or other, than the file was meant to hold.
struct FileDamage
{
    int cutRing = -1;               // 0-based ring the file ends inside of; -1: none
    qint64 cutBytes = 0;            // bytes of that ring in the file
    std::vector<int> checksumRings; // 0-based rings whose blocks fail their CRC-32
    [[nodiscard]] bool any() const { return cutRing >= 0 || !checksumRings.empty(); }
};

// The project of one controller: four ring stores, the working copy of the current ring, and
// the navigation state. Editors work on the working copy; the stores are brought up to date
// only by a ring switch, a save, the settings apply and a download.
class RingModel : public QObject
{
    Q_OBJECT
public:
    explicit RingModel(QObject *parent = nullptr);
    ~RingModel() override;

    // Working copy of the current ring.
    [[nodiscard]] ProjectBlock &project() { return m_work->project; }
    [[nodiscard]] const ProjectBlock &project() const { return m_work->project; }
    [[nodiscard]] ProgramsBlock &programs() { return m_work->programs; }
    [[nodiscard]] const ProgramsBlock &programs() const { return m_work->programs; }
    [[nodiscard]] RingData &working() { return *m_work; }
    [[nodiscard]] const RingData &working() const { return *m_work; }

    [[nodiscard]] RingData &store(int ring) { return (*m_stores)[clampIndex(ring, MaxRings)]; }
    [[nodiscard]] const RingData &store(int ring) const
    {
        return (*m_stores)[clampIndex(ring, MaxRings)];
    }

    [[nodiscard]] int currentRing() const { return m_currentRing; }
    [[nodiscard]] int ringCount() const { return m_ringCount; }
    // Also forgets the damage of the file last opened: the rings are now someone's choice (a
    // download, the settings, a new project).
    void setRingCount(int count);
    // Set by opening a file, forgotten by a new ring count or a save.
    [[nodiscard]] const FileDamage &fileDamage() const { return m_fileDamage; }
    void setFileDamage(FileDamage damage) { m_fileDamage = std::move(damage); }
    [[nodiscard]] int currentProgram() const { return m_currentProgram; }

    // Modified flag and current file name of the project.
    [[nodiscard]] bool modified() const { return m_modified; }
    void setModified(bool modified);
    [[nodiscard]] const QString &fileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }

    void SwitchRing(int ring);
    void ReloadRing(int ring);
    void SelectProgram(int program);
    void NewProjectDefaults();
    void LoadFixup();
    void storeWorkingCopy();

    // An editor stored its changes into the working copy: mark the project modified, record
    // the change as one step named `step` for undo, and let the main window redraw.
    void applyEdit(const QString &step = {});
    // Every change applied to the project ends here, named for the undo history; the settings
    // apply and a download, which leave the modified flag to the history, call it directly.
    void recordStep(const QString &step) { emit stepApplied(step); }

    // Puts back a state the undo history recorded: the caller has written every store; this
    // sets the ring count and the navigation and reloads the working copy from its store as
    // it is, without copying a program into the block.
    void restoreState(int ringCount, int currentRing, int currentProgram);

    static void SealForFile(RingData &ring);
    static void SealForController(RingData &ring);

signals:
    // The working copy was replaced by another ring's data (switch, reload, new project):
    // open dialogs must drop copies they took from the previous one.
    void currentRingReplaced();
    // An editor applied changes to the working copy.
    void edited();
    void modifiedChanged(bool modified);
    // A change to the project was applied (see recordStep).
    void stepApplied(const QString &step);
    // The current ring or program was chosen; the project's contents are the same.
    void navigated();

private:
    std::unique_ptr<std::array<RingData, MaxRings>> m_stores;
    std::unique_ptr<RingData> m_work;
    int m_currentRing = 0;
    int m_ringCount = 1;
    int m_currentProgram = 0;
    bool m_modified = false;
    QString m_fileName;
    FileDamage m_fileDamage;
};
