#include "link/SerialDevice.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

QStringList serialDeviceCandidates(const QString &portName, const QString &workingDir)
{
    static const QRegularExpression comName(QStringLiteral("^COM([0-9]{1,3})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto match = comName.match(portName);
    if (!match.hasMatch())
        return portName.isEmpty() ? QStringList{} : QStringList{portName};
    const int number = match.captured(1).toInt();
    QStringList candidates{QDir(workingDir).filePath(QStringLiteral("COM%1").arg(number))};
    if (number >= 1) {
        const QString index = QString::number(number - 1);
        candidates << QStringLiteral("/dev/ttyACM") + index << QStringLiteral("/dev/ttyUSB") + index
                   << QStringLiteral("/dev/ttyS") + index;
    }
    return candidates;
}

QString resolveSerialDevice(const QString &portName, const QString &workingDir,
                            const std::function<bool(const QString &)> &exists)
{
    for (const QString &candidate : serialDeviceCandidates(portName, workingDir)) {
        if (exists ? exists(candidate) : QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

QString serialPortLine(const QString &device, const QString &description,
                       std::optional<quint16> vendor, std::optional<quint16> product)
{
    QStringList details;
    if (!description.isEmpty())
        details << description;
    if (vendor && product) {
        const auto hex = [](quint16 id) {
            return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')).toUpper();
        };
        details << QStringLiteral("USB %1:%2").arg(hex(*vendor), hex(*product));
    }
    return details.isEmpty() ? device : device + QStringLiteral(" — ") + details.join(u", ");
}

QStringList presentSerialPorts()
{
    QStringList lines;
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
        lines << serialPortLine(
            port.systemLocation(), port.description(),
            port.hasVendorIdentifier() ? std::optional(port.vendorIdentifier()) : std::nullopt,
            port.hasProductIdentifier() ? std::optional(port.productIdentifier()) : std::nullopt);
    }
    return lines;
}
