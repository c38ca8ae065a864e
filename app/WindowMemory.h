#pragma once

class QApplication;
class QWidget;

// A tool window that keeps its size and place between runs (by its object name) and fits the
// screen it opens on.
void rememberWindow(QWidget *window);
// Every window and dialog of `app` fits the screen each time it opens or grows.
void keepWindowsOnScreen(QApplication &app);
// Esc closes the window, whichever of its controls has the focus.
void closeOnEscape(QWidget *window);

// Shrinks `window` to the available area of its screen where it is larger, and moves it in.
void fitToScreen(QWidget *window);
