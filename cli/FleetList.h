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
struct FleetList
{
    struct Controller
    {
        QString name;
        ControllerAddress address;
        int line = 0;
    };

    QList<Controller> controllers;
    QStringList errors; // "строка 3: ..." each; non-empty: the list is not used

    [[nodiscard]] bool ok() const { return errors.isEmpty() && !controllers.isEmpty(); }

    [[nodiscard]] static FleetList parse(const QString &text);
    [[nodiscard]] static FleetList load(const QString &path);
    // A name becomes the backup's file name: letters, digits, '-', '_' and '.', not
    // starting with a dot.
    [[nodiscard]] static bool isName(const QString &name);
};
