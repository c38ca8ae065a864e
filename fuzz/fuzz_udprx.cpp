// The UDP receive handler: whatever datagrams arrive, before, during and after a command, a
// positive answer is recognised only by its marker, the text stops at a zero byte, and every
// datagram is echoed.
//
// Input: a byte of flags, then { length byte, datagram } ...; the datagrams before the first
// empty one arrive outside any command, the rest as the command's answer.
#include "FuzzSupport.h"
#include "LinkRig.h"

#include <qcoro/qcorotask.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApp();
    FuzzInput in(data, size);
    LinkRig rig;
    rig.link.setLinkType(LinkKind::Ethernet);
    const std::uint8_t flags = in.byte();
    QList<QByteArray> before, during;
    bool answering = false;
    while (!in.empty()) {
        const QByteArray datagram = in.bytes(in.byte());
        if (datagram.isEmpty() && !answering) {
            answering = true;
            continue;
        }
        (answering ? during : before).append(datagram);
    }
    int echoes = 0;
    QObject::connect(&rig.link, &ControllerLink::echo, [&echoes](const QString &) { ++echoes; });

    for (const QByteArray &datagram : before)
        rig.udp.deliver(datagram);
    FUZZ_CHECK(echoes == before.size());
    // Serial text is not heard on the Ethernet link.
    rig.serial.deliver(QByteArrayLiteral("SUCCESS:1\n"));
    FUZZ_CHECK(echoes == before.size());

    const auto text = [](const QByteArray &datagram) {
        const qsizetype zero = datagram.indexOf('\0');
        return zero < 0 ? datagram : datagram.left(zero);
    };
    qsizetype firstPositive = -1;
    for (qsizetype i = 0; i < during.size() && firstPositive < 0; ++i)
        if (text(during[i]).contains("SUCCESS:"))
            firstPositive = i;
    // The answers come at once: a command that got none would wait its whole time, so such
    // inputs end with one positive datagram.
    if (firstPositive < 0 || (flags & 1))
        during.append(QByteArrayLiteral("SUCCESS:end\n"));
    rig.udp.answer = [&](const QByteArray &) {
        for (const QByteArray &datagram : during)
            rig.udp.deliver(datagram);
    };
    const Reply reply = QCoro::waitFor(rig.link.SendCommand(QStringLiteral("event get")));
    FUZZ_CHECK(echoes == before.size() + during.size());
    FUZZ_CHECK(reply.ok());
    // The first positive answer is the command's, whatever follows it.
    for (const QByteArray &datagram : during) {
        const QByteArray t = text(datagram);
        const qsizetype marker = t.indexOf("SUCCESS:");
        if (marker >= 0) {
            FUZZ_CHECK(reply.payload == t.mid(marker + 8));
            break;
        }
    }
    FUZZ_CHECK(!reply.payload.contains('\0'));
    (void)reply.AnswerText();
    (void)withoutLineEnd(rig.link.AnswerText());
    return 0;
}
