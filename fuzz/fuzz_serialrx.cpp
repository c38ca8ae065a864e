// The serial receive handler: whatever arrives, in whatever pieces, while a command waits or
// not, the link recognises a positive answer only with its marker and a line end, keeps its
// buffer bounded, and echoes every piece.
//
// Input: a byte of flags, then { length byte, piece } ... with the last piece running to the end.
#include "FuzzSupport.h"
#include "LinkRig.h"

#include <QTimer>

#include <qcoro/qcorotask.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApp();
    FuzzInput in(data, size);
    LinkRig rig;
    rig.link.setLinkType(LinkKind::Serial);
    const std::uint8_t flags = in.byte();
    QList<QByteArray> pieces;
    QByteArray all;
    while (!in.empty()) {
        const int length = in.byte();
        pieces.append(in.left() <= std::size_t(length) ? in.rest() : in.bytes(length));
        all += pieces.back();
    }
    int echoes = 0;
    QObject::connect(&rig.link, &ControllerLink::echo, [&echoes](const QString &) { ++echoes; });

    if (flags & 1) {
        // Nobody waits: the pieces are only echoed.
        for (const QByteArray &piece : pieces)
            rig.serial.deliver(piece);
        FUZZ_CHECK(!rig.link.AnswerReady());
        FUZZ_CHECK(echoes == pieces.size());
        return 0;
    }
    // A command waits while the pieces arrive, after its write; closing the port ends its
    // wait at once.
    rig.serial.answer = [&](const QByteArray &) {
        QTimer::singleShot(0, &rig.link, [&] {
            for (const QByteArray &piece : pieces)
                rig.serial.deliver(piece);
            rig.link.closeSerial();
        });
    };
    const Reply reply = QCoro::waitFor(rig.link.SendCommand(QStringLiteral("get state 1")));
    FUZZ_CHECK(echoes == pieces.size());
    FUZZ_CHECK(rig.link.AnswerText().size() <= ControllerLink::MaxAnswer);
    const qsizetype marker = all.indexOf("SUCCESS:");
    if (reply.ok()) {
        FUZZ_CHECK(marker >= 0 && all.indexOf('\n', marker) >= 0);
        FUZZ_CHECK(reply.payload.size() <= ControllerLink::MaxAnswer);
        // The payload is what followed the marker up to the last line end.
        FUZZ_CHECK(all.contains(reply.payload));
    } else {
        // An answer with the marker and a line end after it within the bounded buffer is
        // never missed.
        FUZZ_CHECK(marker < 0 || all.size() > ControllerLink::MaxAnswer / 2 ||
                   all.lastIndexOf('\n') < marker + 8);
    }
    return 0;
}
