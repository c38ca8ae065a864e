#include "service/ClockService.h"

#include "link/ControllerLink.h"

const QString ClockService::kTimeSet = QStringLiteral("Время установлено!!!");
const QString ClockService::kTimeNotSet = QStringLiteral("Ошибка!!!!. Время НЕ установлено!!!!1");

ClockService::ClockService(ControllerLink &link, QObject *parent) : QObject(parent), m_link(link) {}

QString ClockService::clockCommand(const QDateTime &when)
{
    return QStringLiteral("set ds1390_time ") +
           when.toString(QStringLiteral("dd.MM.yyyy-HH:mm:ss"));
}

QCoro::Task<std::optional<QString>> ClockService::readTime()
{
    emit monitorStopRequested();
    if (!m_link.OpenLink())
        co_return std::nullopt;
    const Reply reply = co_await m_link.SendCommandRetry(QStringLiteral("get ds1390_time"), 1);
    co_return reply.ok() ? reply.AnswerText() : QStringLiteral("НЕТ");
}

QCoro::Task<bool> ClockService::syncWithPc()
{
    return setTime(m_now());
}

QCoro::Task<bool> ClockService::setTime(QDateTime when)
{
    emit monitorStopRequested();
    if (!m_link.OpenLink())
        co_return false;
    const QString command = clockCommand(when);
    emit commandLogged(command);
    const bool ok = (co_await m_link.SendCommandRetry(command, 1)).ok();
    emit statusReported(ok ? kTimeSet : kTimeNotSet);
    co_return ok;
}
