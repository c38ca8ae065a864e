#pragma once

class QWidget;

// A tool window that keeps its size and place between runs (by its object name) and fits the
// screen each time it opens.
void rememberWindow(QWidget *window);
// A window that fits the screen each time it opens, where it was left otherwise.
void keepOnScreen(QWidget *window);
// Esc closes the window, whichever of its controls has the focus.
void closeOnEscape(QWidget *window);

// Shrinks `window` to the available area of its screen where it is larger, and moves it in.
void fitToScreen(QWidget *window);
