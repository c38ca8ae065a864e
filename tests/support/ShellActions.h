#pragma once

#include "app/MainWindow.h"

#include <QAction>
#include <QTest>
#include <QToolButton>

// Drive the main window the way a user does: toolbar buttons and menu items by object name.
inline void clickTool(TForm1 &w, const char *name)
{
    auto *button = w.findChild<QToolButton *>(QLatin1String(name));
    QVERIFY2(button, name);
    button->click();
}

inline void trigger(TForm1 &w, const char *name)
{
    auto *action = w.findChild<QAction *>(QLatin1String(name));
    QVERIFY2(action, name);
    action->trigger();
}
