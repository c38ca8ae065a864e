#include "sim/Faults.h"

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr QByteArrayView kMarker("SUCCESS:");

// Where the payload of a positive answer lies; an empty range for any other.
std::pair<qsizetype, qsizetype> payloadRange(const QByteArray &answer)
{
    if (!answer.startsWith(kMarker))
        return {0, 0};
    const qsizetype end = answer.endsWith('\n') ? answer.size() - 1 : answer.size();
    return {kMarker.size(), end};
}
} // namespace

std::optional<QString> parseFaultOption(FaultOptions &options, const QStringList &args, int &i)
{
    const QString &name = args[i];
    auto value = [&]() -> std::optional<QString> {
        if (i + 1 >= args.size())
            return std::nullopt;
        return args[++i];
    };
    bool ok = true;
    auto share = [&](double &to) {
        const auto v = value();
        to = v ? v->toDouble(&ok) : 0.0;
        ok = ok && v && to >= 0.0 && to <= 1.0;
    };
    if (name == QLatin1String("--no-lf")) {
        options.noLineEnd = true;
    } else if (name == QLatin1String("--drop")) {
        share(options.dropShare);
    } else if (name == QLatin1String("--corrupt-hex")) {
        share(options.corruptHexShare);
    } else if (name == QLatin1String("--wrong-length")) {
        share(options.wrongLengthShare);
    } else if (name == QLatin1String("--duplicate")) {
        share(options.duplicateShare);
    } else if (name == QLatin1String("--chunk")) {
        const auto v = value();
        options.chunkSize = v ? v->toInt(&ok) : 0;
        ok = ok && v && options.chunkSize >= 0;
    } else if (name == QLatin1String("--delay")) {
        const auto v = value();
        options.delayMs = v ? v->toInt(&ok) : 0;
        ok = ok && v && options.delayMs >= 0 && options.delayMs <= 60000;
    } else if (name == QLatin1String("--hangup-after")) {
        const auto v = value();
        options.hangupAfter = v ? v->toInt(&ok) : 0;
        ok = ok && v && options.hangupAfter > 0;
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

bool FaultPlan::happens(double share)
{
    // No draw for a fault that is off, so adding a switch keeps the runs of a seed without it.
    return share > 0.0 && m_random.generateDouble() < share;
}

QList<QByteArray> FaultPlan::shape(const QByteArray &answer, Answer kind)
{
    if (answer.isEmpty())
        return {};
    if (happens(m_options.dropShare))
        return {};
    QByteArray bytes = answer;
    if (kind == Answer::FlashRead && happens(m_options.corruptHexShare))
        corruptHexDigit(bytes);
    if (kind == Answer::FlashRead && happens(m_options.wrongLengthShare))
        changeLength(bytes);
    if (m_options.noLineEnd && bytes.endsWith('\n'))
        bytes.chop(1);
    if (m_options.chunkSize <= 0)
        return {bytes};
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < bytes.size(); at += m_options.chunkSize)
        pieces.append(bytes.mid(at, m_options.chunkSize));
    return pieces;
}

std::optional<int> FaultPlan::duplicateDelayMs()
{
    if (!happens(m_options.duplicateShare))
        return std::nullopt;
    return int(m_random.bounded(MinDuplicateMs, MaxDuplicateMs + 1));
}

void FaultPlan::corruptHexDigit(QByteArray &answer)
{
    const auto [from, to] = payloadRange(answer);
    if (from >= to)
        return;
    const qsizetype at = from + qsizetype(m_random.bounded(qint64(to - from)));
    const char old = answer.at(at);
    char digit = old;
    while (digit == old)
        digit = kHexDigits[m_random.bounded(16)];
    answer[at] = digit;
}

void FaultPlan::changeLength(QByteArray &answer)
{
    const auto [from, to] = payloadRange(answer);
    if (!answer.startsWith(kMarker))
        return;
    // An empty payload cannot lose a byte, so it gains one.
    if (to - from >= 2 && m_random.bounded(2) == 0) {
        answer.remove(to - 2, 2);
        return;
    }
    const char added[2] = {kHexDigits[m_random.bounded(16)], kHexDigits[m_random.bounded(16)]};
    answer.insert(to, added, 2);
}
