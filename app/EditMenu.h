#pragma once

class ProjectHistory;
class QMenu;
class QMenuBar;

// Menu "Правка": "Отменить" and "Повторить" over the project's undo history, each naming the
// step it would take back or replay.
QMenu *addEditMenu(QMenuBar *bar, ProjectHistory &history);
