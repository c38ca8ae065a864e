#include "app/EditMenu.h"

#include "model/ProjectHistory.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

QString stepText(const QString &verb, const QString &step)
{
    return step.isEmpty() ? verb : verb + QStringLiteral(": ") + step;
}

QAction *historyAction(QMenu *menu, const char *name, const QString &verb,
                       const QList<QKeySequence> &keys)
{
    QAction *action = menu->addAction(verb);
    action->setObjectName(QLatin1String(name));
    action->setShortcuts(keys);
    action->setEnabled(false);
    return action;
}

} // namespace

QMenu *addEditMenu(QMenuBar *bar, ProjectHistory &history)
{
    QMenu *menu = bar->addMenu(QStringLiteral("Пр&авка"));
    menu->setObjectName(QStringLiteral("MenuEdit"));
    const QString undoVerb = QStringLiteral("Отменить");
    const QString redoVerb = QStringLiteral("Повторить");
    QAction *undo =
        historyAction(menu, "ActionUndo", undoVerb, {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    QAction *redo = historyAction(
        menu, "ActionRedo", redoVerb,
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});

    QUndoStack &stack = history.stack();
    QObject::connect(undo, &QAction::triggered, &history, &ProjectHistory::undo);
    QObject::connect(redo, &QAction::triggered, &history, &ProjectHistory::redo);
    QObject::connect(&stack, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    QObject::connect(&stack, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    QObject::connect(
        &stack, &QUndoStack::undoTextChanged, undo,
        [undo, undoVerb](const QString &step) { undo->setText(stepText(undoVerb, step)); });
    QObject::connect(
        &stack, &QUndoStack::redoTextChanged, redo,
        [redo, redoVerb](const QString &step) { redo->setText(stepText(redoVerb, step)); });
    return menu;
}
