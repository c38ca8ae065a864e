#include "link/SerialDevice.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

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
