#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM (logout, shutdown), SIGHUP and SIGINT turned into a Qt signal, so that the program
// asks its close question instead of dying with unsaved edits. The handler only writes the
// signal's number into a pipe; the event loop reads it.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
