#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The program names serial ports "COM1", "COM2", ... as the controller's users know them. On
// Linux such a name is looked for, in this order: a link "./COMn" made by the user in the
// working folder, then /dev/ttyACM(n-1), /dev/ttyUSB(n-1) and /dev/ttyS(n-1). A name that is
// not of the form "COMn" is taken as a device path as it is.
[[nodiscard]] QStringList serialDeviceCandidates(const QString &portName,
                                                 const QString &workingDir);
// The first candidate that exists, or an empty text.
[[nodiscard]] QString resolveSerialDevice(const QString &portName, const QString &workingDir,
                                          const std::function<bool(const QString &)> &exists = {});
