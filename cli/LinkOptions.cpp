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
            QStringLiteral("сколько ДК обслуживать одновременно (по умолчанию все сразу, "
                           "сколько позволяют память и дескрипторы файлов машины)"),
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
            QStringLiteral("не читать загруженное обратно для проверки. Опасно: по линии с\n"
                           "потерями запоздавшее подтверждение засчитывается следующему пакету,\n"
                           "и пропущенный пакет находит только чтение обратно. Итог тогда -\n"
                           "\"загружено без проверки\""),
            {}};
}

CliOption oneRing()
{
    return {QStringLiteral("--one-ring"),
            {},
            QStringLiteral("ДК без колец грузить одно кольцо (ответ \"Да\" на вопрос окна);\n"
                           "остальные кольца ДК остаются как были"),
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
    // 0: FleetRun takes as many as the machine allows.
    if (!context.has(QStringLiteral("--jobs")))
        return 0;
    bool ok = false;
    const int jobs = context.value(QStringLiteral("--jobs")).toInt(&ok, 10);
    if (!ok || jobs < 1 || jobs > MaxJobs) {
        context.err << "--jobs: нужно число от 1 до " << MaxJobs << '\n';
        return std::nullopt;
    }
    return jobs;
}

} // namespace LinkOptions
