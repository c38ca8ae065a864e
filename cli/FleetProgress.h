#pragma once

#include "cli/FleetRun.h"
#include "cli/ProgressLine.h"

#include <QTimer>

// How far a fleet run is, on the terminal: controllers done, failed and in work, and the one
// in work longest, which is where a run of hundreds waits at its end. Redrawn on every change
// and each second, so the slowest one's time keeps moving.
class FleetProgress : public QObject
{
public:
    FleetProgress(FleetRun &run, ProgressLine &line, QString doing)
        : m_run(run), m_line(line), m_doing(std::move(doing))
    {
        connect(&run, &FleetRun::progressChanged, this, &FleetProgress::refresh);
        if (!line.enabled())
            return;
        connect(&m_timer, &QTimer::timeout, this, &FleetProgress::refresh);
        m_timer.start(1000);
    }

    void refresh()
    {
        if (!m_line.enabled())
            return;
        QString text = QStringLiteral("%1: готово %2 из %3, с ошибкой %4, в работе %5")
                           .arg(m_doing)
                           .arg(m_run.finished())
                           .arg(m_run.total())
                           .arg(m_run.failedSoFar())
                           .arg(m_run.running());
        qint64 ms = 0;
        const int slowest = m_run.slowest(&ms);
        if (slowest >= 0 && m_run.running() > 0)
            text += QStringLiteral("; дольше всех %1 (%2 с)")
                        .arg(m_run.results()[slowest].name)
                        .arg(ms / 1000);
        m_line.show(text);
    }

private:
    FleetRun &m_run;
    ProgressLine &m_line;
    QString m_doing;
    QTimer m_timer;
};
