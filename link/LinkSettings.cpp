#include "link/LinkSettings.h"

#include "model/ByteIO.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstring>

namespace {
constexpr char kDefaultAddress[] = "169.254.016.001";
constexpr int kAddressAt = 3;
constexpr int kPortAt = 23;
constexpr int kTimeoutAt = 27;
} // namespace

LinkSettings::LinkSettings()
{
    std::memcpy(address.data(), kDefaultAddress, sizeof kDefaultAddress - 1);
}

QString LinkSettings::portName() const
{
    return QStringLiteral("COM") + QString::number(portNumber);
}

QString LinkSettings::addressText() const
{
    const auto end = std::find(address.begin(), address.end(), '\0');
    return QString::fromLatin1(address.data(), end - address.begin());
}

void LinkSettings::setAddressText(const QString &text)
{
    // The address field drops the blanks of a group the user shortened ("192.168.1.10");
    // the record keeps four groups of three digits, as other readers of the file expect.
    QStringList groups = text.split(QLatin1Char('.'));
    const bool digitGroups =
        groups.size() == 4 && std::all_of(groups.begin(), groups.end(), [](const QString &g) {
            return !g.isEmpty() && g.size() <= 3 &&
                   std::all_of(g.begin(), g.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        });
    if (digitGroups) {
        for (QString &group : groups)
            group = group.rightJustified(3, QLatin1Char('0'));
    }
    const QString padded = digitGroups ? groups.join(QLatin1Char('.')) : text;
    const QByteArray latin = padded.left(AddressTextLength).toLatin1();
    address.fill('\0');
    std::memcpy(address.data(), latin.constData(), static_cast<std::size_t>(latin.size()));
}

QHostAddress LinkSettings::hostAddress() const
{
    return parseDottedAddress(addressText());
}

QHostAddress parseDottedAddress(const QString &text)
{
    const QStringList groups = text.split(QLatin1Char('.'));
    if (groups.size() != 4)
        return {};
    quint32 value = 0;
    for (const QString &group : groups) {
        const QString digits = group.trimmed();
        bool ok = false;
        const int n = digits.toInt(&ok, 10);
        if (!ok || digits.isEmpty() || n < 0 || n > 255 || digits.startsWith(QLatin1Char('+')))
            return {};
        value = (value << 8) | static_cast<quint32>(n);
    }
    return QHostAddress(value);
}

QByteArray LinkSettings::toBytes() const
{
    std::array<std::uint8_t, RecordSize> bytes{};
    bytes[0] = linkType;
    bytes[1] = portNumber;
    bytes[2] = reserved;
    std::memcpy(bytes.data() + kAddressAt, address.data(), AddressField);
    writeU32(bytes, kPortAt, static_cast<std::uint32_t>(udpPort));
    writeU32(bytes, kTimeoutAt, static_cast<std::uint32_t>(timeoutMs));
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), RecordSize);
}

std::optional<LinkSettings> LinkSettings::fromBytes(const QByteArray &raw)
{
    if (raw.size() < RecordSize)
        return std::nullopt;
    std::array<std::uint8_t, RecordSize> bytes{};
    std::memcpy(bytes.data(), raw.constData(), RecordSize);
    LinkSettings s;
    s.linkType = bytes[0];
    s.portNumber = bytes[1];
    s.reserved = bytes[2];
    std::memcpy(s.address.data(), bytes.data() + kAddressAt, AddressField);
    s.udpPort = static_cast<std::int32_t>(readU32(bytes, kPortAt));
    s.timeoutMs = static_cast<std::int32_t>(readU32(bytes, kTimeoutAt));
    return s;
}

bool LoadLinkSettings(LinkSettings &settings, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const auto record = LinkSettings::fromBytes(file.read(LinkSettings::RecordSize));
    if (!record)
        return false;
    settings = *record;
    return true;
}

void ApplyLinkSettings(LinkSettings &settings, bool loaded)
{
    if (!loaded)
        settings = LinkSettings();
}

bool SaveLinkSettings(const LinkSettings &settings, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(settings.toBytes()) == LinkSettings::RecordSize;
}
