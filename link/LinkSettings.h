#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The link settings record, kept whole as the content of "config.str": 31 bytes, packed,
// little-endian. The configurator and older releases share the file, so its layout is fixed.
struct LinkSettings
{
    static constexpr int RecordSize = 31;
    static constexpr int AddressField = 20;
    static constexpr int AddressTextLength = 15;

    std::uint8_t linkType = 1;   // 0 USB serial port, 1 Ethernet (UDP)
    std::uint8_t portNumber = 1; // "COM" + number
    std::uint8_t reserved = 1;   // carried, never used
    std::array<char, AddressField> address{};
    std::int32_t udpPort = 11990;
    std::int32_t timeoutMs = 1000; // stored and edited, the exchange keeps its own waits

    LinkSettings();

    [[nodiscard]] QString portName() const;
    [[nodiscard]] QString addressText() const;
    // The masked address field always yields 15 characters; the rest of the field is zero.
    void setAddressText(const QString &text);
    // Groups are read as decimal numbers at the dots ("016" is 16). Anything that is not four
    // groups of 0..255 gives a null address, so nothing is ever sent to a half-read address.
    [[nodiscard]] QHostAddress hostAddress() const;

    [[nodiscard]] QByteArray toBytes() const;
    // Anything shorter than a whole record is no record.
    [[nodiscard]] static std::optional<LinkSettings> fromBytes(const QByteArray &bytes);
};

[[nodiscard]] QHostAddress parseDottedAddress(const QString &text);

inline const QString kLinkSettingsFile = QStringLiteral("config.str");

// Reads one whole record from `path`; false when the file is missing or short.
[[nodiscard]] bool LoadLinkSettings(LinkSettings &settings,
                                    const QString &path = kLinkSettingsFile);
// Without a loaded record the defaults apply; the file is not written.
void ApplyLinkSettings(LinkSettings &settings, bool loaded);
[[nodiscard]] bool SaveLinkSettings(const LinkSettings &settings,
                                    const QString &path = kLinkSettingsFile);
