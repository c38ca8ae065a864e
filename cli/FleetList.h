#pragma once

#include "cli/ControllerAddress.h"

#include <QList>
#include <QString>
#include <QStringList>

// The controllers of a city, one line each: "name address[:port]". A '#' starts a comment
// that runs to the end of its line; blank lines are skipped. Anything else is an error that
// stops the run before any controller is asked: a line with other than two fields, a name that
// cannot be a file name, a bad address or port, a name or an address given twice (their
// backups, or their answers, could not be told apart).
//
// A list comes from outside: its size, its lines and its controllers are bounded, and what it
// says is quoted in messages with control characters escaped, so that it cannot drive the
// operator's terminal.
struct FleetList
{
    struct Controller
    {
        QString name;
        ControllerAddress address;
        int line = 0;
    };

    // A city has some thousands of controllers at most; a line is a name and an address.
    static constexpr qint64 MaxBytes = 4 * 1024 * 1024;
    static constexpr int MaxLineChars = 1000;
    static constexpr int MaxControllers = 20000;
    // Errors kept: the first ones tell what is wrong with a list.
    static constexpr int MaxErrors = 100;

    QList<Controller> controllers;
    QStringList errors; // "строка 3: ..." each; non-empty: the list is not used

    [[nodiscard]] bool ok() const { return errors.isEmpty() && !controllers.isEmpty(); }

    [[nodiscard]] static FleetList parse(const QString &text);
    // Reads at most MaxBytes: a device that never ends (/dev/zero) is refused, not read.
    [[nodiscard]] static FleetList load(const QString &path);
    // A name becomes the backup's file name: letters, digits, '-', '_' and '.', not
    // starting with a dot.
    [[nodiscard]] static bool isName(const QString &name);
    // `text` as a message may show it: control characters as \xNN or \u{NNNN}.
    [[nodiscard]] static QString shown(const QString &text);
};
