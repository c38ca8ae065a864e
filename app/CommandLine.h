#pragma once

#include <QString>
#include <QStringList>

// The configurator's command line: `velt [FILE]`, `--help`, `--version`. Read before the
// window system is set up, so that `--help` works without a display.
struct VeltCommandLine
{
    QString file;      // the project to open; empty for none
    QString output;    // what to print before exiting (help, version, an error)
    int exitCode = -1; // 0 or more: print `output` and exit with it, opening no window

    [[nodiscard]] bool exits() const { return exitCode >= 0; }
};

[[nodiscard]] VeltCommandLine parseVeltCommandLine(const QStringList &arguments);
