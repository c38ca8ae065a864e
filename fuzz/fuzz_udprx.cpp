// The UDP receive path: whatever datagrams arrive, from whichever address, before, during and
// after a command, only the controller's address is heard (from any of its ports), a positive
// answer is recognised only by its marker, the text stops at a zero byte, every datagram is
// echoed, and a stranger's only as a stranger's, counted.
//
// Input: a byte of flags, then { sender byte, length byte, datagram } ...; a sender byte with
// its high bit set is a stranger (127.0.0.3 and up), else the controller (127.0.0.2, as an
// IPv4-mapped address when bit 6 is set), each at a port taken from the byte. The datagrams
// before the first empty one arrive outside any command, the rest as the command's answer.
#include "FuzzSupport.h"
#include "LinkRig.h"
#include "link/UdpTransport.h"

#include <QCoreApplication>

#include <algorithm>

#include <qcoro/qcorotask.h>

namespace {
struct Datagram
{
    QHostAddress from;
    quint16 port = 0;
    bool stranger = false;
    QByteArray bytes;
};

QByteArray text(const QByteArray &datagram)
{
    const qsizetype zero = datagram.indexOf('\0');
    return zero < 0 ? datagram : datagram.left(zero);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApp();
    static const QHostAddress controller(QStringLiteral("127.0.0.2"));
    FuzzInput in(data, size);
    FuzzWire serial;
    UdpTransport udp;
    // Nothing listens there: what the command sends goes nowhere.
    udp.setPeer(controller, 9);
    ControllerLink link(serial, udp);
    link.setLinkType(LinkKind::Ethernet);
    const std::uint8_t flags = in.byte();
    QList<Datagram> before, during;
    bool answering = false;
    while (!in.empty()) {
        const std::uint8_t sender = in.byte();
        Datagram d;
        d.stranger = sender & 0x80;
        if (d.stranger) {
            d.from = QHostAddress(controller.toIPv4Address() + 1 + (sender & 0x3f));
            d.port = 1000 + (sender & 0x7f);
        } else {
            d.from = sender & 0x40 ? QHostAddress(QStringLiteral("::ffff:127.0.0.2")) : controller;
            d.port = 11990 + (sender & 0x3f);
        }
        d.bytes = in.bytes(in.byte());
        if (d.bytes.isEmpty() && !answering) {
            answering = true;
            continue;
        }
        (answering ? during : before).append(d);
    }
    QStringList echoes;
    QObject::connect(&link, &ControllerLink::echo,
                     [&echoes](const QString &echo) { echoes.append(echo); });
    const auto strangers = [](const QList<Datagram> &list) {
        return std::count_if(list.cbegin(), list.cend(),
                             [](const Datagram &d) { return d.stranger; });
    };
    const auto settle = [&](qsizetype expected) {
        for (int turn = 0; turn < 1000 && echoes.size() < expected; ++turn)
            QCoreApplication::processEvents();
        FUZZ_CHECK(echoes.size() == expected);
    };

    for (const Datagram &d : before)
        udp.take(d.bytes, d.from, d.port);
    settle(before.size());
    FUZZ_CHECK(udp.strangers() == strangers(before));
    // Serial text is not heard on the Ethernet link.
    serial.deliver(QByteArrayLiteral("SUCCESS:1\n"));
    FUZZ_CHECK(echoes.size() == before.size());

    qsizetype firstPositive = -1;
    for (qsizetype i = 0; i < during.size() && firstPositive < 0; ++i)
        if (!during[i].stranger && text(during[i].bytes).contains("SUCCESS:"))
            firstPositive = i;
    // A command that got no answer would wait its whole time, so such inputs end with one
    // positive datagram from the controller.
    if (firstPositive < 0 || (flags & 1))
        during.append({controller, 11990, false, QByteArrayLiteral("SUCCESS:end\n")});
    auto command = link.SendCommand(QStringLiteral("event get"));
    for (const Datagram &d : during)
        udp.take(d.bytes, d.from, d.port);
    const Reply reply = QCoro::waitFor(std::move(command));
    settle(before.size() + during.size());
    FUZZ_CHECK(udp.strangers() == strangers(before) + strangers(during));
    FUZZ_CHECK(reply.ok());
    // The controller's first positive answer is the command's, whatever follows it and
    // whatever strangers send.
    for (const Datagram &d : during) {
        const QByteArray t = text(d.bytes);
        const qsizetype marker = t.indexOf("SUCCESS:");
        if (!d.stranger && marker >= 0) {
            FUZZ_CHECK(reply.payload == t.mid(marker + 8));
            break;
        }
    }
    FUZZ_CHECK(!reply.payload.contains('\0'));
    // A stranger's datagram is shown as such, the controller's never.
    const auto shownAsStranger = [](const QString &echo) {
        return echo.startsWith(QStringLiteral("чужой пакет от 127.0.0.")) &&
               !echo.startsWith(QStringLiteral("чужой пакет от 127.0.0.2:"));
    };
    const qsizetype shown = std::count_if(echoes.cbegin(), echoes.cend(), shownAsStranger);
    FUZZ_CHECK(shown >= strangers(before) + strangers(during));
    (void)reply.AnswerText();
    (void)withoutLineEnd(link.AnswerText());
    return 0;
}
