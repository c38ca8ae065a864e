#include "cli/LinkOptions.h"

#include "link/ControllerLink.h"

namespace LinkOptions {

CliOption wait()
{
    return {QStringLiteral("--wait"),
            QStringLiteral("МС"),
            QStringLiteral("ожидание ответа по UDP на одну попытку (по умолчанию %1 мс, как в "
                           "окне)")
                .arg(ControllerLink::UdpRounds * ControllerLink::RoundMs),
            {}};
}

CliOption jobs()
{
    return {QStringLiteral("--jobs"),
            QStringLiteral("N"),
            QStringLiteral("сколько ДК обслуживать одновременно (по умолчанию 8)"),
            {}};
}

CliOption fleet()
{
    return {QStringLiteral("--fleet"),
            QStringLiteral("СПИСОК"),
            QStringLiteral("файл со строками \"имя адрес[:порт]\""),
            {}};
}

CliOption noVerify()
{
    return {QStringLiteral("--no-verify"),
            {},
            QStringLiteral("не читать загруженное обратно для проверки"),
            {}};
}

CliOption oneRing()
{
    return {QStringLiteral("--one-ring"),
            {},
            QStringLiteral("старому ДК без колец грузить одно кольцо (ответ \"Да\" на вопрос "
                           "окна)"),
            {}};
}

CliOption acceptWarnings()
{
    return {QStringLiteral("--accept-warnings"),
            {},
            QStringLiteral("загружать проект, в котором проверка нашла только предупреждения "
                           "(ответ \"Да\" на вопрос окна)"),
            {}};
}

CliOption allowFewerRings()
{
    return {QStringLiteral("--allow-fewer-rings"),
            {},
            QStringLiteral("заменять копию, в которой колец больше, чем выгружено из ДК"),
            {}};
}

std::optional<int> waitRounds(CliContext &context)
{
    if (!context.has(QStringLiteral("--wait")))
        return 0;
    bool ok = false;
    const int ms = context.value(QStringLiteral("--wait")).toInt(&ok, 10);
    if (!ok || ms < ControllerLink::RoundMs || ms > 60000) {
        context.err << "--wait: нужно число миллисекунд от " << ControllerLink::RoundMs
                    << " до 60000\n";
        return std::nullopt;
    }
    return (ms + ControllerLink::RoundMs - 1) / ControllerLink::RoundMs;
}

std::optional<int> jobCount(CliContext &context)
{
    if (!context.has(QStringLiteral("--jobs")))
        return 8;
    bool ok = false;
    const int jobs = context.value(QStringLiteral("--jobs")).toInt(&ok, 10);
    if (!ok || jobs < 1 || jobs > 256) {
        context.err << "--jobs: нужно число от 1 до 256\n";
        return std::nullopt;
    }
    return jobs;
}

} // namespace LinkOptions
