#pragma once

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

class VirtualController;

// How veltsim runs its clock and where it writes the lamp changes:
//   --speed X                    the controller's clock runs X times as fast as the host's
//   --start "DD.MM.YYYY HH:MM:SS" where the controller's clock starts
//   --trace FILE                 one line per lamp change
struct RunOptions
{
    double speed = 1.0;
    std::optional<QDateTime> start;
    QString trace;
};

// Nothing when args[i] is none of these switches; otherwise an empty text, or what is wrong
// with its value. Moves i past the value it takes.
[[nodiscard]] std::optional<QString> parseRunOption(RunOptions &options, const QStringList &args,
                                                    int &i);

// Powers the controller on with the options and keeps its rings moving while nobody asks, so
// that the trace is written as the lamps change. Each trace line is
// "YYYY-MM-DDTHH:MM:SS.zzz RING DIRECTION SIGNAL", ring and direction from 1.
class SimRun : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickMs = 50;

    SimRun(VirtualController &controller, const RunOptions &options, QObject *parent = nullptr);
    // False with the reason when the trace file cannot be written.
    bool start(QString *error);

    [[nodiscard]] static QByteArray traceLine(qint64 ms, int ring, int direction,
                                              const QString &signal);

private:
    VirtualController &m_controller;
    RunOptions m_options;
    QFile m_trace;
    QTimer m_tick;
};
