#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The program names serial ports "COM1", "COM2", ... as the controller's users know them. On
// Linux such a name is looked for, in this order: a link "./COMn" made by the user in the
// working folder, then /dev/ttyACM(n-1), /dev/ttyUSB(n-1) and /dev/ttyS(n-1). A name that is
// not of the form "COMn" is taken as a device path as it is.
[[nodiscard]] QStringList serialDeviceCandidates(const QString &portName,
                                                 const QString &workingDir);
// The first candidate that exists, or an empty text.
[[nodiscard]] QString resolveSerialDevice(const QString &portName, const QString &workingDir,
                                          const std::function<bool(const QString &)> &exists = {});

// One line of the list of serial ports present, for the engineer who picks the COM number:
// the device, its description, and the USB vendor and product (hex) when it has them.
[[nodiscard]] QString serialPortLine(const QString &device, const QString &description,
                                     std::optional<quint16> vendor, std::optional<quint16> product);
// The serial ports the system reports, one line each.
[[nodiscard]] QStringList presentSerialPorts();
