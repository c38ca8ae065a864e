#pragma once

#include "model/RingModel.h"

#include <QObject>

#include <memory>

// The private copy of the working project block that an editor dialog edits. It belongs to
// the ring that was current when it was taken: when the working copy is replaced (ring switch,
// new project, open, settings apply, download) the copy is taken again, so a later store can
// never write one ring's data into another.
class DialogCopy : public QObject
{
    Q_OBJECT
public:
    explicit DialogCopy(RingModel &model, QObject *parent = nullptr);

    [[nodiscard]] ProjectBlock &block() { return *m_block; }
    [[nodiscard]] const ProjectBlock &block() const { return *m_block; }
    [[nodiscard]] RingModel &model() { return m_model; }

    // Copies the whole working project block.
    void take();
    // Writes back one byte range of the copy into the working copy, marks the project
    // modified and lets the main window refresh.
    void store(std::size_t offset, std::size_t size);
    // How a store is named in the undo history.
    void setStepName(const QString &name) { m_stepName = name; }

signals:
    // The copy was taken again because the current ring changed; refill the controls.
    void retaken();

private:
    RingModel &m_model;
    std::unique_ptr<ProjectBlock> m_block;
    QString m_stepName;
};
