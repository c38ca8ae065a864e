#pragma once

#include "link/ControllerLink.h"
#include "link/LinkSettings.h"
#include "link/SerialTransport.h"
#include "link/UdpTransport.h"

#include <qcoro/qcorotask.h>

// Everything the program keeps of its link to the controller, one instance for the whole run,
// owned by the main window: the settings, the serial port `ComPort1`, the UDP pair
// (`IdUDPServer1` / `IdUDPClient1`) and the command exchange over them.
class Communic : public QObject
{
    Q_OBJECT
public:
    explicit Communic(QObject *parent = nullptr);

    [[nodiscard]] LinkSettings &settings() { return m_settings; }
    [[nodiscard]] const LinkSettings &settings() const { return m_settings; }
    [[nodiscard]] ControllerLink &link() { return m_link; }
    [[nodiscard]] SerialTransport &serial() { return m_serial; }
    [[nodiscard]] UdpTransport &udp() { return m_udp; }

    // Loads "config.str" from `path` (defaults when missing or short) and applies it.
    void loadSettings(const QString &path = kLinkSettingsFile);
    // Derives the serial port name and the exchange's link type from the settings.
    void applySettings();
    bool saveSettings(const QString &path = kLinkSettingsFile);
    // Points the UDP pair at the configured address and port and starts listening.
    void StartTransports();
    // Puts the UDP pair back to the stored settings (the end of a link test).
    void pointUdpAtSettings();

    enum class TestResult { InvalidPort, OpenFailed, UdpClosed, Answered, NoAnswer };
    // The link test of the settings dialog with the values typed there; nothing of it is
    // stored, and the link is left as it was found. `comIndex` -1 tests the stored port.
    QCoro::Task<TestResult> testLink(bool ethernet, QString address, QString portText,
                                     int comIndex);
    // Why the last test's UDP port could not be opened (UdpClosed).
    [[nodiscard]] const QString &testError() const { return m_testError; }

private:
    LinkSettings m_settings;
    SerialTransport m_serial;
    UdpTransport m_udp;
    ControllerLink m_link;
    QString m_testError;
};
