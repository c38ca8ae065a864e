#pragma once

#include <QString>

#include <functional>

// What the service features need from the windows around them; each may be left empty.
struct ServiceHooks
{
    // A modal question with Yes and No; true for Yes.
    std::function<bool(const QString &caption, const QString &text)> askYesNo;
    // The controller window's status line.
    std::function<void(const QString &text)> status;
    std::function<void()> stopMonitor;
    // A line for the command console's log.
    std::function<void(const QString &text)> consoleLog;

    bool ask(const QString &caption, const QString &text) const
    {
        return askYesNo && askYesNo(caption, text);
    }
    void showStatus(const QString &text) const
    {
        if (status)
            status(text);
    }
    void stop() const
    {
        if (stopMonitor)
            stopMonitor();
    }
};
