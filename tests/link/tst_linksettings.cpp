#include "link/Connection.h"
#include "link/LinkSettings.h"
#include "link/SerialDevice.h"

#include <QTemporaryDir>
#include <QTest>

class TestLinkSettings : public QObject
{
    Q_OBJECT
private:
    static QByteArray record(quint8 type, quint8 port, const QByteArray &address, qint32 udp,
                             qint32 timeout)
    {
        QByteArray bytes(LinkSettings::RecordSize, '\0');
        bytes[0] = char(type);
        bytes[1] = char(port);
        bytes[2] = 1;
        bytes.replace(3, address.size(), address);
        for (int i = 0; i < 4; ++i) {
            bytes[23 + i] = char((udp >> (8 * i)) & 0xFF);
            bytes[27 + i] = char((timeout >> (8 * i)) & 0xFF);
        }
        return bytes;
    }

private slots:
    void defaultsWithoutFile()
    {
        QTemporaryDir dir;
        Communic communic;
        communic.loadSettings(dir.filePath(QStringLiteral("config.str")));
        const LinkSettings &s = communic.settings();
        QCOMPARE(s.linkType, 1);
        QCOMPARE(communic.link().LinkType(), LinkKind::Ethernet);
        QCOMPARE(s.portName(), QStringLiteral("COM1"));
        QCOMPARE(communic.link().configuredPort(), QStringLiteral("COM1"));
        QCOMPARE(s.hostAddress(), QHostAddress(QStringLiteral("169.254.16.1")));
        QCOMPARE(s.udpPort, 11990);
        QCOMPARE(s.timeoutMs, 1000);
        QCOMPARE(s.reserved, 1);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("config.str"))));
    }

    void fileIsReadWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("loaded");
        const QByteArray whole = record(0, 9, "192.168.001.010", 12000, 500);
        QTest::newRow("31 bytes") << whole << true;
        QTest::newRow("30 bytes") << whole.left(30) << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("longer file") << whole + "trailing" << true;
    }
    void fileIsReadWhole()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loaded);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.str"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        Communic communic;
        communic.loadSettings(path);
        const LinkSettings &s = communic.settings();
        if (loaded) {
            QCOMPARE(s.linkType, 0);
            QCOMPARE(communic.link().LinkType(), LinkKind::Serial);
            QCOMPARE(s.portName(), QStringLiteral("COM9"));
            QCOMPARE(s.hostAddress(), QHostAddress(QStringLiteral("192.168.1.10")));
            QCOMPARE(s.udpPort, 12000);
            QCOMPARE(s.timeoutMs, 500);
        } else {
            QCOMPARE(s.toBytes(), LinkSettings().toBytes());
        }
    }

    void portNumberIsNotRangeChecked()
    {
        LinkSettings s;
        s.portNumber = 12;
        QCOMPARE(s.portName(), QStringLiteral("COM12"));
    }

    void savedRecordIsExactlyTheLayout()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.str"));
        LinkSettings s;
        s.linkType = 0;
        s.portNumber = 3;
        // As the address field gives it when the user shortened groups.
        s.setAddressText(QStringLiteral("127.0.0.2"));
        s.udpPort = 11990;
        s.timeoutMs = 1234;
        QVERIFY(SaveLinkSettings(s, path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), record(0, 3, "127.000.000.002", 11990, 1234));
    }

    void addressText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address");
        QTest::newRow("leading zeros") << "192.168.001.010"
                                       << "192.168.1.10";
        QTest::newRow("default") << "169.254.016.001"
                                 << "169.254.16.1";
        QTest::newRow("blank mask") << "   .   .   .   "
                                    << "";
        QTest::newRow("group too big") << "300.000.000.001"
                                       << "";
        QTest::newRow("three groups") << "127.000.001"
                                      << "";
        QTest::newRow("letters") << "12a.000.000.001"
                                 << "";
    }
    void addressText()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        const QHostAddress parsed = parseDottedAddress(text);
        if (address.isEmpty())
            QVERIFY(parsed.isNull());
        else
            QCOMPARE(parsed, QHostAddress(address));
    }

    void serialNameResolvesInOrder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("device");
        QTest::newRow("link in working folder wins")
            << "COM3" << QStringList{"/w/COM3", "/dev/ttyUSB2"} << "/w/COM3";
        QTest::newRow("ACM before USB")
            << "COM3" << QStringList{"/dev/ttyACM2", "/dev/ttyUSB2"} << "/dev/ttyACM2";
        QTest::newRow("USB before S")
            << "COM1" << QStringList{"/dev/ttyUSB0", "/dev/ttyS0"} << "/dev/ttyUSB0";
        QTest::newRow("S last") << "COM12" << QStringList{"/dev/ttyS11"} << "/dev/ttyS11";
        QTest::newRow("nothing") << "COM2" << QStringList{"/dev/ttyS0"} << "";
        QTest::newRow("COM0 has no device") << "COM0" << QStringList{"/dev/ttyS-1"} << "";
        QTest::newRow("a path as it is")
            << "/dev/pts/7" << QStringList{"/dev/pts/7"} << "/dev/pts/7";
    }
    void serialNameResolvesInOrder()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, present);
        QFETCH(QString, device);
        const QString found = resolveSerialDevice(
            name, QStringLiteral("/w"), [&](const QString &p) { return present.contains(p); });
        QCOMPARE(found, device);
    }

    void serialPortLines_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("vendor"); // -1: none
        QTest::addColumn<int>("product");
        QTest::addColumn<QString>("line");
        QTest::newRow("USB adapter") << "STM32 Virtual ComPort" << 0x0483 << 0x5740
                                     << "/dev/ttyACM0 — STM32 Virtual ComPort, USB 0483:5740";
        QTest::newRow("small numbers keep four digits")
            << "" << 0x1a << 0x2 << "/dev/ttyACM0 — USB 001A:0002";
        QTest::newRow("on-board port") << "" << -1 << -1 << "/dev/ttyACM0";
        QTest::newRow("described, no USB") << "ttyS0" << -1 << -1 << "/dev/ttyACM0 — ttyS0";
    }
    void serialPortLines()
    {
        QFETCH(QString, description);
        QFETCH(int, vendor);
        QFETCH(int, product);
        QFETCH(QString, line);
        const auto id = [](int value) {
            return value < 0 ? std::nullopt : std::optional<quint16>(quint16(value));
        };
        QCOMPARE(
            serialPortLine(QStringLiteral("/dev/ttyACM0"), description, id(vendor), id(product)),
            line);
    }
};

QTEST_GUILESS_MAIN(TestLinkSettings)
#include "tst_linksettings.moc"
