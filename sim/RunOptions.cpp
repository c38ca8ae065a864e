#include "sim/RunOptions.h"

#include "sim/VirtualController.h"

std::optional<QString> parseRunOption(RunOptions &options, const QStringList &args, int &i)
{
    const QString &name = args[i];
    const bool known = name == QLatin1String("--speed") || name == QLatin1String("--start") ||
                       name == QLatin1String("--trace");
    if (!known)
        return std::nullopt;
    if (i + 1 >= args.size())
        return QStringLiteral("%1 needs a value").arg(name);
    const QString value = args[++i];
    if (name == QLatin1String("--speed")) {
        bool ok = false;
        options.speed = value.toDouble(&ok);
        if (!ok || !(options.speed > 0.0) || options.speed > 1e6)
            return QStringLiteral("bad value for --speed (above 0, at most 1000000)");
    } else if (name == QLatin1String("--start")) {
        // The clock command's own form with a blank for its dash.
        QByteArray text = value.toLatin1();
        if (text.size() > 10 && text[10] == ' ')
            text[10] = '-';
        options.start = ControllerClock::parse(text);
        if (!options.start)
            return QStringLiteral("bad value for --start, \"DD.MM.YYYY HH:MM:SS\"");
    } else {
        options.trace = value;
    }
    return QString();
}

SimRun::SimRun(VirtualController &controller, const RunOptions &options, QObject *parent)
    : QObject(parent), m_controller(controller), m_options(options)
{
    m_tick.setInterval(TickMs);
    connect(&m_tick, &QTimer::timeout, this, [this] { m_controller.advance(); });
}

QByteArray SimRun::traceLine(qint64 ms, int ring, int direction, const QString &signal)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1() + ' ' +
           QByteArray::number(ring + 1) + ' ' + QByteArray::number(direction + 1) + ' ' +
           signal.toLatin1() + '\n';
}

bool SimRun::start(QString *error)
{
    ControllerClock &clock = m_controller.clock();
    if (m_options.start)
        clock.setTime(*m_options.start);
    clock.setSpeed(m_options.speed);
    if (!m_options.trace.isEmpty()) {
        m_trace.setFileName(m_options.trace);
        if (!m_trace.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            if (error)
                *error = QStringLiteral("cannot write %1: %2")
                             .arg(m_options.trace, m_trace.errorString());
            return false;
        }
        m_controller.runtime().setTrace([this](qint64 ms, int ring, int direction, Signal signal) {
            m_trace.write(traceLine(ms, ring, direction, signalName(signal)));
            // Flushed line by line: a reader follows the file while the controller runs.
            m_trace.flush();
        });
    }
    m_controller.powerOn();
    m_tick.start();
    return true;
}
