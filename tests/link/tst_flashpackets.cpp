#include "link/FlashPackets.h"

#include <QTest>

#include <array>

using namespace FlashPackets;

class TestFlashPackets : public QObject
{
    Q_OBJECT
private slots:
    void packets_data()
    {
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("lastOffset");
        QTest::addColumn<int>("lastLength");
        QTest::newRow("project") << int(Block::Project) << 22 << 10752 << 126;
        QTest::newRow("programs") << int(Block::Programs) << 209 << 106496 << 40;
    }
    void packets()
    {
        QFETCH(int, block);
        QFETCH(int, count);
        QFETCH(int, lastOffset);
        QFETCH(int, lastLength);
        const auto b = static_cast<Block>(block);
        QCOMPARE(packetCount(b), count);
        // Packets tile the block: each starts where the one before ended.
        std::size_t next = 0;
        for (int i = 0; i < count; ++i) {
            const Packet p = packet(b, i);
            QCOMPARE(p.offset, next);
            QCOMPARE(p.length, i + 1 < count ? std::size_t(512) : std::size_t(lastLength));
            next += p.length;
        }
        QCOMPARE(next, blockSize(b));
        QCOMPARE(packet(b, count - 1).offset, std::size_t(lastOffset));
        QCOMPARE(ringPackets(), 231);
    }

    void commands_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("ring");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("read");
        QTest::newRow("first project packet") << int(CommandSet::RingAware) << int(Block::Project)
                                              << 0 << 0 << QStringLiteral("proj_flashrd 0000 512");
        QTest::newRow("ring 3, second project packet")
            << int(CommandSet::RingAware) << int(Block::Project) << 2 << 1
            << QStringLiteral("proj_flashrd 56FC 512");
        QTest::newRow("ring 4, first programs packet")
            << int(CommandSet::RingAware) << int(Block::Programs) << 3 << 0
            << QStringLiteral("progs_flashrd 4E078 512");
        QTest::newRow("last programs packet")
            << int(CommandSet::RingAware) << int(Block::Programs) << 0 << 208
            << QStringLiteral("progs_flashrd 1A000 40");
        QTest::newRow("old project") << int(CommandSet::Old) << int(Block::Project) << 2 << 1
                                     << QStringLiteral("flashrd 1200 512");
        QTest::newRow("old programs, ring ignored")
            << int(CommandSet::Old) << int(Block::Programs) << 3 << 0
            << QStringLiteral("flashrd 33000 512");
        QTest::newRow("old last project packet") << int(CommandSet::Old) << int(Block::Project) << 0
                                                 << 21 << QStringLiteral("flashrd 3A00 126");
    }
    void commands()
    {
        QFETCH(int, set);
        QFETCH(int, block);
        QFETCH(int, ring);
        QFETCH(int, index);
        QFETCH(QString, read);
        const auto s = static_cast<CommandSet>(set);
        const auto b = static_cast<Block>(block);
        QCOMPARE(readCommand(s, b, ring, packet(b, index)), read);
    }

    void writeCommandSpellsTheData()
    {
        const std::array<std::uint8_t, 4> data{0x00, 0xAB, 0x5c, 0xFF};
        QCOMPARE(writeCommand(CommandSet::RingAware, Block::Project, 2, 512, data),
                 QStringLiteral("proj_flashwr 56FC 4 00AB5CFF"));
        QCOMPARE(writeCommand(CommandSet::RingAware, Block::Programs, 1, 0, data),
                 QStringLiteral("progs_flashwr 1A028 4 00AB5CFF"));
        QCOMPARE(writeCommand(CommandSet::Old, Block::Programs, 0, 512, data),
                 QStringLiteral("pflashwr 33200 4 00AB5CFF"));
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("upper") << QByteArray("00AB5CFF") << 4 << true
                               << QByteArray("\x00\xAB\x5C\xFF", 4);
        QTest::newRow("lower") << QByteArray("00ab5cff") << 4 << true
                               << QByteArray("\x00\xAB\x5C\xFF", 4);
        QTest::newRow("UDP line end tolerated")
            << QByteArray("00ab5cff\n") << 4 << true << QByteArray("\x00\xAB\x5C\xFF", 4);
        QTest::newRow("CR tolerated")
            << QByteArray("0102\r") << 2 << true << QByteArray("\x01\x02", 2);
        QTest::newRow("one byte short") << QByteArray("00AB5C") << 4 << false << QByteArray();
        QTest::newRow("one byte long") << QByteArray("00AB5CFF01") << 4 << false << QByteArray();
        QTest::newRow("a digit missing") << QByteArray("00AB5CF") << 4 << false << QByteArray();
        QTest::newRow("not hexadecimal") << QByteArray("00AG5CFF") << 4 << false << QByteArray();
        QTest::newRow("sign in a pair") << QByteArray("00A-5CFF") << 4 << false << QByteArray();
        QTest::newRow("empty packet") << QByteArray("\n") << 0 << true << QByteArray();
        QTest::newRow("1025 characters for 512")
            << (QByteArray(1024, 'a') + '\n') << 512 << true << QByteArray(512, '\xAA');
        QTest::newRow("1022 characters for 512")
            << QByteArray(1022, 'a') << 512 << false << QByteArray();
        // Longer than a packet (a caller's own buffer): decoded beyond the packet's scratch.
        QTest::newRow("longer than a packet")
            << (QByteArray(1200, 'a') + "0f") << 601 << true << (QByteArray(600, '\xAA') + '\x0F');
        QTest::newRow("longer than a packet, bad at the end")
            << (QByteArray(1200, 'a') + "0g") << 601 << false << QByteArray();
    }
    void decoding()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, length);
        QFETCH(bool, accepted);
        QFETCH(QByteArray, bytes);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(length), 0x77);
        QCOMPARE(decodeReadPayload(payload, out), accepted);
        if (accepted)
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(out.data()), length), bytes);
        else // nothing half-decoded is left behind
            QVERIFY(std::all_of(out.begin(), out.end(), [](auto b) { return b == 0x77; }));
    }

    void hexRoundTrip()
    {
        std::array<std::uint8_t, 256> all{};
        for (int i = 0; i < 256; ++i)
            all[i] = static_cast<std::uint8_t>(i);
        const QByteArray text = toHex(all);
        QCOMPARE(text.size(), 512);
        QCOMPARE(text, text.toUpper());
        std::array<std::uint8_t, 256> back{};
        QVERIFY(decodeReadPayload(text, back));
        QCOMPARE(back, all);
    }
};

QTEST_GUILESS_MAIN(TestFlashPackets)
#include "tst_flashpackets.moc"
