#include "sim/FleetOptions.h"

#include <QRegularExpression>

namespace {

bool names(const FleetOptions::Override &o, const SimFleet::Address &where)
{
    return o.address == where.address && (o.port == 0 || o.port == where.port);
}

std::optional<QString> apply(FaultOptions &options, const QStringList &switches)
{
    for (int i = 0; i < switches.size(); ++i) {
        if (const auto error = parseFaultOption(options, switches, i))
            return error;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> FleetOptions::parse(const QStringList &args, int &i)
{
    const QString &name = args[i];
    if (name == QLatin1String("--udp")) {
        if (i + 1 >= args.size())
            return QStringLiteral("--udp needs ADDRESS:PORT");
        const QString value = args[++i];
        const auto parsed = SimFleet::parseAddresses(value);
        if (!parsed)
            return QStringLiteral("bad --udp %1").arg(value);
        addresses += *parsed;
        return QString();
    }
    if (name == QLatin1String("--faults-for")) {
        if (i + 2 >= args.size())
            return QStringLiteral("--faults-for needs ADDRESS[:PORT] and the fault switches");
        const QString where = args[++i];
        Override override;
        const qsizetype colon = where.indexOf(QLatin1Char(':'));
        bool ok = true;
        if (colon >= 0) {
            const int port = where.mid(colon + 1).toInt(&ok, 10);
            ok = ok && port > 0 && port <= 65535;
            override.port = quint16(port);
        }
        override.address = QHostAddress(where.left(colon));
        if (!ok || override.address.isNull())
            return QStringLiteral("bad --faults-for address %1").arg(where);
        static const QRegularExpression space(QStringLiteral("\\s+"));
        override.switches = args[++i].split(space, Qt::SkipEmptyParts);
        overrides.append(override);
        return QString();
    }
    return std::nullopt;
}

FaultOptions FleetOptions::faultsAt(const SimFleet::Address &where,
                                    const FaultOptions &common) const
{
    FaultOptions options = common;
    for (const Override &o : overrides)
        if (names(o, where))
            (void)apply(options, o.switches);
    return options;
}

bool FleetOptions::hasOwnFaults(const SimFleet::Address &where) const
{
    return std::any_of(overrides.cbegin(), overrides.cend(),
                       [&](const Override &o) { return names(o, where); });
}

std::optional<QString> FleetOptions::check(const FaultOptions &common) const
{
    for (const Override &o : overrides) {
        FaultOptions scratch = common;
        if (const auto error = apply(scratch, o.switches))
            return QStringLiteral("--faults-for %1: %2").arg(o.address.toString(), *error);
        const bool listened = std::any_of(addresses.cbegin(), addresses.cend(),
                                          [&](const SimFleet::Address &a) { return names(o, a); });
        if (!listened)
            return QStringLiteral("--faults-for %1: no --udp at that address")
                .arg(o.address.toString());
    }
    return std::nullopt;
}
