#include "sim/Faults.h"

std::optional<QString> parseFaultOption(FaultOptions &options, const QStringList &args, int &i)
{
    const QString &name = args[i];
    auto value = [&]() -> std::optional<QString> {
        if (i + 1 >= args.size())
            return std::nullopt;
        return args[++i];
    };
    bool ok = true;
    if (name == QLatin1String("--no-lf")) {
        options.noLineEnd = true;
    } else if (name == QLatin1String("--drop")) {
        const auto v = value();
        options.dropShare = v ? v->toDouble(&ok) : 0.0;
        ok = ok && v && options.dropShare >= 0.0 && options.dropShare <= 1.0;
    } else if (name == QLatin1String("--chunk")) {
        const auto v = value();
        options.chunkSize = v ? v->toInt(&ok) : 0;
        ok = ok && v && options.chunkSize >= 0;
    } else if (name == QLatin1String("--delay")) {
        const auto v = value();
        options.delayMs = v ? v->toInt(&ok) : 0;
        ok = ok && v && options.delayMs >= 0 && options.delayMs <= 60000;
    } else if (name == QLatin1String("--seed")) {
        const auto v = value();
        options.seed = v ? v->toUInt(&ok) : 0;
        ok = ok && v;
    } else {
        return QStringLiteral("unknown switch %1").arg(name);
    }
    if (!ok)
        return QStringLiteral("bad value for %1").arg(name);
    return std::nullopt;
}

FaultPlan::FaultPlan(const FaultOptions &options) : m_options(options), m_random(options.seed) {}

QList<QByteArray> FaultPlan::shape(const QByteArray &answer)
{
    if (answer.isEmpty())
        return {};
    if (m_options.dropShare > 0.0 && m_random.generateDouble() < m_options.dropShare)
        return {};
    QByteArray bytes = answer;
    if (m_options.noLineEnd && bytes.endsWith('\n'))
        bytes.chop(1);
    if (m_options.chunkSize <= 0)
        return {bytes};
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < bytes.size(); at += m_options.chunkSize)
        pieces.append(bytes.mid(at, m_options.chunkSize));
    return pieces;
}
