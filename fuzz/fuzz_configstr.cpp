// "config.str": whatever the file holds, the program reads it, derives the port name, the
// address and the UDP endpoints from it, and writes back exactly what it read.
#include "FuzzSupport.h"

#include "link/Connection.h"
#include "link/SerialDevice.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApp();
    static const QString folder = fuzzFolder();
    static const QString path = folder + QStringLiteral("/config.str");
    static Communic *communic = new Communic;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }

    communic->loadSettings(path);
    const LinkSettings &settings = communic->settings();
    const bool whole = size >= std::size_t(LinkSettings::RecordSize);
    // A short file is no file: the defaults apply. A whole one comes back as it was read.
    FUZZ_CHECK(settings.toBytes() ==
               (whole ? bytes.left(LinkSettings::RecordSize) : LinkSettings().toBytes()));
    FUZZ_CHECK(communic->link().serialLink() == (settings.linkType == 0));

    const QString port = settings.portName();
    FUZZ_CHECK(communic->link().configuredPort() == port);
    (void)serialDeviceCandidates(port, folder);
    (void)resolveSerialDevice(port, folder, [](const QString &) { return false; });

    const QString address = settings.addressText();
    FUZZ_CHECK(address.size() <= LinkSettings::AddressField);
    const QHostAddress host = settings.hostAddress();
    FUZZ_CHECK(host.isNull() || host.protocol() == QAbstractSocket::IPv4Protocol);
    // The dialog's field shows the address as the program reads it; typed back unchanged it
    // addresses the same controller. (A file may hold more than the 15 characters the field
    // takes; those are not retyped.)
    if (address.size() <= LinkSettings::AddressTextLength) {
        LinkSettings retyped = settings;
        retyped.setAddressText(address);
        FUZZ_CHECK(retyped.hostAddress() == host || host.isNull());
    }

    // Pointing the UDP pair at what was read never binds or sends to a port outside UDP.
    communic->pointUdpAtSettings();
    const int stored = settings.udpPort;
    FUZZ_CHECK(communic->udp().localPort() ==
               (stored > 0 && stored <= 65535 ? quint16(stored) : quint16(0)));

    FUZZ_CHECK(communic->saveSettings(path));
    QFile back(path);
    FUZZ_CHECK(back.open(QIODevice::ReadOnly));
    FUZZ_CHECK(back.readAll() == settings.toBytes());
    return 0;
}
