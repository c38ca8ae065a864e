#include "link/Communic.h"

Communic::Communic(QObject *parent) : QObject(parent), m_link(m_serial, m_udp) {}

void Communic::loadSettings(const QString &path)
{
    const bool loaded = LoadLinkSettings(m_settings, path);
    ApplyLinkSettings(m_settings, loaded);
    applySettings();
}

void Communic::applySettings()
{
    m_link.setConfiguredPort(m_settings.portName());
    m_link.setLinkType(m_settings.linkType == 0 ? 0 : 1);
}

bool Communic::saveSettings(const QString &path)
{
    applySettings();
    return SaveLinkSettings(m_settings, path);
}

void Communic::StartTransports()
{
    pointUdpAtSettings();
    m_udp.open();
}

void Communic::pointUdpAtSettings()
{
    // A stored port outside the range of UDP cannot be used; nothing is sent or heard then.
    const int port = m_settings.udpPort;
    const quint16 usable = port > 0 && port <= 65535 ? static_cast<quint16>(port) : 0;
    m_udp.setLocalPort(usable);
    m_udp.setPeer(m_settings.hostAddress(), usable);
}

QCoro::Task<Communic::TestResult> Communic::testLink(bool ethernet, QString address,
                                                     QString portText, int comIndex)
{
    m_link.closeSerial();
    const int previousType = m_link.LinkType();
    m_link.setLinkType(ethernet ? 1 : 0);
    TestResult result = TestResult::NoAnswer;
    QString portName;
    bool ready = true;
    if (ethernet) {
        bool ok = false;
        const int port = portText.trimmed().toInt(&ok, 10);
        if (!ok || port < 0 || port > 65535) {
            result = TestResult::InvalidPort;
            ready = false;
        } else {
            m_udp.setPeer(parseDottedAddress(address), static_cast<quint16>(port));
            m_udp.setLocalPort(static_cast<quint16>(port));
        }
    } else {
        portName = comIndex >= 0 ? QStringLiteral("COM") + QString::number(comIndex + 1)
                                 : m_settings.portName();
    }
    if (ready && !m_link.OpenLink(portName)) {
        result = TestResult::OpenFailed;
        ready = false;
    }
    if (ready)
        result = co_await m_link.SendCommand(QStringLiteral("test 1")) ? TestResult::Answered
                                                                       : TestResult::NoAnswer;
    pointUdpAtSettings();
    m_link.closeSerial();
    m_link.setLinkType(previousType);
    co_return result;
}
