#include "service/InfoService.h"

#include "link/ControllerLink.h"

InfoService::InfoService(ControllerLink &link, QObject *parent) : QObject(parent), m_link(link) {}

QCoro::Task<std::optional<QString>> InfoService::readInfo()
{
    if (!m_link.OpenLink())
        co_return std::nullopt;
    const Reply reply = co_await m_link.SendCommandRetry(QStringLiteral("get info"), 2);
    emit statusReported(reply.ok() ? QStringLiteral("OK. ") : QStringLiteral("Ошибка"));
    if (!reply.ok())
        co_return std::nullopt;
    co_return reply.AnswerText();
}

QCoro::Task<bool> InfoService::eraseFlash()
{
    if (!askYes(m_questions, Question::Confirm, QStringLiteral("Стирание"),
                QStringLiteral("Полное стирание микросхемы FLASH памяти!!! Продолжить?")))
        co_return false;
    if (!m_link.OpenLink())
        co_return false;
    const bool ok = (co_await m_link.SendCommandRetry(QStringLiteral("flash_reset 255"), 2)).ok();
    emit statusReported(ok ? QStringLiteral("Очистка - ОК!") : QStringLiteral("ОШИБКА!!"));
    co_return ok;
}
