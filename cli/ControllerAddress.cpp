#include "cli/ControllerAddress.h"

#include "link/LinkSettings.h"

std::optional<ControllerAddress> ControllerAddress::parse(const QString &text)
{
    ControllerAddress result;
    QString host = text;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        const QString digits = text.mid(colon + 1);
        bool ok = false;
        const int port = digits.toInt(&ok, 10);
        if (!ok || port <= 0 || port > 65535 || !digits.front().isDigit())
            return std::nullopt;
        result.port = static_cast<quint16>(port);
        host = text.left(colon);
    }
    if (host.isEmpty() || host.trimmed() != host)
        return std::nullopt;
    result.address = parseDottedAddress(host);
    if (result.address.isNull())
        return std::nullopt;
    return result;
}
