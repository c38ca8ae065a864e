#include "service/StateMonitor.h"

#include "link/ControllerLink.h"
#include "model/Structures.h"

#include <algorithm>

namespace {
QString translated(const QString &value,
                   std::initializer_list<std::pair<const char *, QString>> table)
{
    for (const auto &[from, to] : table) {
        if (value == QLatin1String(from))
            return to;
    }
    return {};
}

} // namespace

const QString StateMonitor::kNoAnswerText = QStringLiteral("Нет ответа от ДК");
const QString StateMonitor::kAnswerAgainText = QStringLiteral("ДК снова отвечает");

StateMonitor::StateMonitor(ControllerLink &link, QObject *parent) : QObject(parent), m_link(link)
{
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(PollIntervalMs);
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
}

void StateMonitor::setRing(int ring)
{
    m_ring = std::clamp(ring, 1, MaxRings);
}

bool StateMonitor::start()
{
    m_watching = true;
    emit watchingChanged(true);
    if (!m_link.OpenLink())
        return false;
    // A poll still winding down re-arms the timer itself.
    if (!m_polling)
        m_timer.start();
    return true;
}

void StateMonitor::StopMonitor()
{
    ++m_stops;
    m_timer.stop();
    if (m_watching) {
        m_watching = false;
        emit watchingChanged(false);
    }
}

QCoro::Task<void> StateMonitor::poll()
{
    if (m_polling)
        co_return;
    m_polling = true;
    m_timer.stop();
    m_state.clear();
    const int stops = m_stops;
    const Reply state =
        co_await m_link.SendCommandRetry(QStringLiteral("get state ") + QString::number(m_ring), 1);
    // Stopped while the answer was awaited, as a transfer does before its first command: the
    // rest of the poll would go out between the transfer's commands.
    if (stops == m_stops) {
        if (state.ok())
            ParseAnswer(m_state, withoutLineEnd(state.AnswerText()));
        const Reply lines = co_await m_link.SendCommandRetry(QStringLiteral("get lines"), 1);
        if (lines.ok()) {
            ParseAnswer(m_state, withoutLineEnd(lines.AnswerText()));
            emit refreshed(describe(m_state));
        }
        // Without "get lines" nothing was refreshed: what is shown is the last poll's.
        setAnswering(lines.ok());
    }
    m_polling = false;
    if (m_watching)
        m_timer.start();
}

void StateMonitor::setAnswering(bool answering)
{
    if (answering == m_answering)
        return;
    m_answering = answering;
    emit answeringChanged(answering);
}

void StateMonitor::ParseAnswer(StateMap &state, const QString &answer)
{
    const QStringList tokens = answer.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &token : tokens.mid(0, MaxTokens)) {
        const qsizetype eq = token.indexOf(QLatin1Char('='));
        if (eq >= 0)
            state.insert(token.left(eq), token.mid(eq + 1));
    }
}

QStringList StateMonitor::channelLines(const QString &value)
{
    QStringList lines;
    const qsizetype count = std::min<qsizetype>(value.size(), MaxChannels);
    for (qsizetype i = 0; i < count; ++i) {
        lines.append(
            QString::number(i + 1) + QStringLiteral(". ") +
            (value[i] == QLatin1Char('1') ? QStringLiteral("ВКЛ") : QStringLiteral("----")));
    }
    return lines;
}

MonitorDisplay StateMonitor::describe(const StateMap &state)
{
    MonitorDisplay d;
    const QString work = state.value(QStringLiteral("WORK"));
    if (work == QLatin1String("PROGRAM")) {
        d.mode = QStringLiteral("Программа");
        d.program = state.value(QStringLiteral("PROGRAM"));
        d.programPhase = state.value(QStringLiteral("PROG_FAZA"));
    } else if (work == QLatin1String("SINGLE_FAZA")) {
        d.mode = QStringLiteral("Отдельная фаза");
        d.singlePhase = state.value(QStringLiteral("SINGLE_FAZA"));
    } else if (work == QLatin1String("SPEC_PROG")) {
        d.mode = QStringLiteral("Спец. программа");
        const QString special = state.value(QStringLiteral("SPEC_PROG"));
        const QString shown = translated(special, {{"FLASH", QStringLiteral("ЖМ")},
                                                   {"OFF", QStringLiteral("ОС")},
                                                   {"KK", QStringLiteral("KK")}});
        d.specialProgram = shown.isEmpty() ? special : shown;
    }
    d.source =
        translated(state.value(QStringLiteral("LEVEL")), {{"ALARM", QStringLiteral("АВАРИЯ")},
                                                          {"TUMBLER", QStringLiteral("ТУМБЛЕР")},
                                                          {"SERVICE", QStringLiteral("СЕРВИС")},
                                                          {"VPU", QStringLiteral("ВПУ")},
                                                          {"TVP", QStringLiteral("ТВП")},
                                                          {"PLAN", QStringLiteral("ПЛАН")}});
    d.red = channelLines(state.value(QStringLiteral("RED_CHANNEL")));
    d.yellow = channelLines(state.value(QStringLiteral("YEL_CHANNEL")));
    d.green = channelLines(state.value(QStringLiteral("GREEN_CHANNEL")));
    d.values = state;
    return d;
}
