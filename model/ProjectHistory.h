#pragma once

#include "model/ProjectSnapshot.h"

#include <QObject>
#include <QUndoStack>

class RingModel;

// Undo and redo of every change applied to the project. The model announces each applied
// change (RingModel::stepApplied); the history compares the project with the state it last
// saw and keeps the two snapshots as one step. Navigation between changes moves that state
// along without making a step. The modified flag follows the stack's clean state.
class ProjectHistory : public QObject
{
    Q_OBJECT
public:
    static constexpr int Limit = 200;

    explicit ProjectHistory(RingModel &model, QObject *parent = nullptr);

    [[nodiscard]] QUndoStack &stack() { return m_stack; }
    [[nodiscard]] const QUndoStack &stack() const { return m_stack; }

    // A new or opened project: the steps of the one before cannot be undone into it.
    void clear();

    void undo();
    void redo();

    // Called by a step while it is undone or redone.
    void restore(const ProjectSnapshot &snapshot);

signals:
    // An undo or redo replaced the project: the windows show it again.
    void restored();

private:
    void record(const QString &step);
    void follow();
    void followClean();

    RingModel &m_model;
    QUndoStack m_stack;
    ProjectSnapshot m_seen; // the project after the last step, undo, redo or navigation
    bool m_restoring = false;
    bool m_clearing = false;
};
