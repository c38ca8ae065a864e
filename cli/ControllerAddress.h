#pragma once

#include <QHostAddress>
#include <QString>

#include <optional>

// Where a controller is reached over UDP: "ADDRESS[:PORT]", the address in dotted decimal as
// the settings dialog writes it ("192.168.001.010" is 192.168.1.10), the port 11990 when none
// is given, as in the link settings.
struct ControllerAddress
{
    static constexpr quint16 DefaultPort = 11990;

    QHostAddress address;
    quint16 port = DefaultPort;

    [[nodiscard]] QString text() const
    {
        return address.toString() + QLatin1Char(':') + QString::number(port);
    }
    [[nodiscard]] bool operator==(const ControllerAddress &other) const
    {
        return address == other.address && port == other.port;
    }

    [[nodiscard]] static std::optional<ControllerAddress> parse(const QString &text);
};
