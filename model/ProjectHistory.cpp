#include "model/ProjectHistory.h"

#include "model/RingModel.h"

#include <QUndoCommand>

namespace {

class ProjectStep : public QUndoCommand
{
public:
    ProjectStep(ProjectHistory &history, ProjectSnapshot before, ProjectSnapshot after,
                const QString &text)
        : QUndoCommand(text), m_history(history), m_before(std::move(before)),
          m_after(std::move(after))
    {
    }

    void undo() override { m_history.restore(m_before); }

    void redo() override
    {
        // Pushing redoes a command at once; the change it records is already in the model.
        if (m_applied) {
            m_applied = false;
            return;
        }
        m_history.restore(m_after);
    }

private:
    ProjectHistory &m_history;
    ProjectSnapshot m_before;
    ProjectSnapshot m_after;
    bool m_applied = true;
};

} // namespace

ProjectHistory::ProjectHistory(RingModel &model, QObject *parent)
    : QObject(parent), m_model(model), m_seen(ProjectSnapshot::take(model))
{
    m_stack.setUndoLimit(Limit);
    connect(&m_model, &RingModel::stepApplied, this, &ProjectHistory::record);
    connect(&m_model, &RingModel::navigated, this, &ProjectHistory::follow);
    connect(&m_stack, &QUndoStack::indexChanged, this, &ProjectHistory::followClean);
    connect(&m_model, &RingModel::modifiedChanged, this, [this](bool modified) {
        // Written to a file: this is the state that undoing back to clears the flag again.
        if (!modified && !m_restoring && !m_clearing)
            m_stack.setClean();
    });
}

void ProjectHistory::clear()
{
    m_clearing = true;
    m_stack.clear();
    // Edits of the project before, still unsaved, keep the flag; no undo can clear it.
    if (m_model.modified())
        m_stack.resetClean();
    m_seen = ProjectSnapshot::take(m_model);
    m_clearing = false;
}

void ProjectHistory::undo()
{
    m_stack.undo();
}

void ProjectHistory::redo()
{
    m_stack.redo();
}

void ProjectHistory::record(const QString &step)
{
    if (m_restoring)
        return;
    ProjectSnapshot now = ProjectSnapshot::take(m_model, m_seen);
    if (!now.contentDiffers(m_seen)) {
        m_seen = std::move(now); // "Сохранить" with nothing changed is no step
        return;
    }
    const QString text = step.isEmpty() ? QStringLiteral("изменение проекта") : step;
    ProjectSnapshot before = std::move(m_seen);
    m_seen = now;
    m_stack.push(new ProjectStep(*this, std::move(before), std::move(now), text));
}

void ProjectHistory::follow()
{
    if (!m_restoring && !m_clearing)
        m_seen = ProjectSnapshot::take(m_model, m_seen);
}

void ProjectHistory::restore(const ProjectSnapshot &snapshot)
{
    m_restoring = true;
    snapshot.restore(m_model);
    m_seen = snapshot;
    m_restoring = false;
    emit restored();
}

void ProjectHistory::followClean()
{
    if (!m_clearing)
        m_model.setModified(!m_stack.isClean());
}
