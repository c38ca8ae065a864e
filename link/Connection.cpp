#include "link/Connection.h"

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
    m_link.setLinkType(m_settings.linkType == 0 ? LinkKind::Serial : LinkKind::Ethernet);
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
    // The link is changed only once no other window's command is in flight, and put back
    // before the next one goes out.
    TestResult result = TestResult::NoAnswer;
    LinkKind previousType = LinkKind::Serial;
    const auto prepare = [&] {
        m_link.closeSerial();
        previousType = m_link.LinkType();
        m_link.setLinkType(ethernet ? LinkKind::Ethernet : LinkKind::Serial);
        QString portName;
        if (ethernet) {
            bool ok = false;
            const int port = portText.trimmed().toInt(&ok, 10);
            if (!ok || port <= 0 || port > 65535) {
                result = TestResult::InvalidPort;
                return false;
            }
            m_udp.setPeer(parseDottedAddress(address), static_cast<quint16>(port));
            m_udp.setLocalPort(static_cast<quint16>(port));
            // Not listening, the test would wait for an answer it can never hear and blame
            // the controller.
            if (!m_udp.open()) {
                m_testError = m_udp.errorString();
                result = TestResult::UdpClosed;
                return false;
            }
        } else {
            portName = comIndex >= 0 ? QStringLiteral("COM") + QString::number(comIndex + 1)
                                     : m_settings.portName();
        }
        if (!m_link.OpenLink(portName)) {
            result = TestResult::OpenFailed;
            return false;
        }
        return true;
    };
    const auto restore = [&] {
        pointUdpAtSettings();
        m_link.closeSerial();
        m_link.setLinkType(previousType);
    };
    if ((co_await m_link.SendCommandInTurn(QStringLiteral("test 1"), prepare, restore)).ok())
        result = TestResult::Answered;
    co_return result;
}
