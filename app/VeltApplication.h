#pragma once

#include <QApplication>

// Qt has no standard error box for an exception that escapes an event handler; this one
// shows it and lets the program go on, so a fault in one handler never loses the project.
class VeltApplication : public QApplication
{
public:
    VeltApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// Shown for an escaped error; also used by tests.
void reportEscapedError(const QString &what);
