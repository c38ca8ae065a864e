// The transfer's read side: the hex decoder takes a packet only when the whole payload is
// good, and a download keeps a ring only when every packet was read and both checksums hold,
// whatever the controller's answers were made into on the way.
//
// Input: a byte for the rings in the controller's flash, then edits of the read answers:
//   { answer number (2 bytes), kind, length, bytes } ...
// The first part of the input is also fed to the hex decoder as a payload on its own.
#include "FuzzSupport.h"
#include "LinkRig.h"
#include "support/SeedFlash.h"

#include "link/FlashPackets.h"
#include "link/ProjectTransfer.h"
#include "model/RingModel.h"
#include "sim/VirtualController.h"

#include <QFile>
#include <QTemporaryDir>

#include <qcoro/qcorotask.h>

#include <map>
#include <vector>

namespace {

struct Edit
{
    int kind = 0;
    QByteArray bytes;
};

// The flash of a controller holding `rings` rings of a new project, kept in a file that a
// fresh controller loads for every input: the controller keeps what it was sent, so one
// shared across inputs would grow and carry state from one input to the next.
QString flashWith(int rings)
{
    static QTemporaryDir dir;
    static std::map<int, QString> files;
    if (const auto it = files.find(rings); it != files.end())
        return it->second;
    VirtualController sim;
    RingModel model;
    model.NewProjectDefaults();
    model.setRingCount(rings);
    FUZZ_CHECK(int(seedFlash(sim, model).size()) == rings);
    const QString path = dir.filePath(QStringLiteral("flash-%1.bin").arg(rings));
    QFile file(path);
    const QByteArray image = sim.flashImage();
    FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
    files[rings] = path;
    return path;
}

QByteArray edited(QByteArray payload, const Edit &edit)
{
    const qsizetype at = edit.bytes.isEmpty() ? 0 : uchar(edit.bytes[0]) * 4;
    switch (edit.kind % 5) {
    case 0:
        return edit.bytes;
    case 1:
        return payload.left(payload.size() - 1 - edit.bytes.size());
    case 2:
        return payload + edit.bytes;
    case 3:
        return payload.insert(std::min(at, payload.size()), edit.bytes.mid(1));
    default:
        return payload.replace(std::min(at, payload.size()), edit.bytes.size() - 1,
                               edit.bytes.mid(1));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApp();
    FuzzInput in(data, size);

    // The decoder alone, for every packet length it meets.
    {
        const QByteArray payload(reinterpret_cast<const char *>(data), qsizetype(size));
        for (const std::size_t length : {std::size_t(0), std::size_t(1), size / 2, std::size_t(40),
                                         std::size_t(126), FlashLayout::PacketSize}) {
            std::vector<std::uint8_t> out(length, 0xA5);
            const bool ok = FlashPackets::decodeReadPayload(payload, out);
            if (ok) {
                FUZZ_CHECK(FlashPackets::toHex(out) ==
                           payload.left(qsizetype(2 * length)).toUpper());
            } else {
                FUZZ_CHECK(std::all_of(out.begin(), out.end(), [](auto b) { return b == 0xA5; }));
            }
        }
    }

    const int rings = 1 + in.pick(MaxRings);
    std::map<int, std::vector<Edit>> edits;
    while (!in.empty()) {
        const int answer = int(in.number(2));
        Edit edit;
        edit.kind = in.byte();
        edit.bytes = in.bytes(in.byte());
        edits[answer].push_back(edit);
    }

    VirtualController sim;
    FUZZ_CHECK(sim.useFlashFile(flashWith(rings)) == FlashFile::Load::Loaded);
    LinkRig rig;
    rig.link.setLinkType(LinkKind::Ethernet);
    int reads = 0;
    rig.udp.answer = [&](const QByteArray &command) {
        QByteArray answer = sim.handle(command);
        if (VirtualController::isFlashRead(command) && answer.startsWith("SUCCESS:")) {
            const auto it = edits.find(reads++);
            if (it != edits.end()) {
                QByteArray payload = answer.mid(8);
                for (const Edit &edit : it->second)
                    payload = edited(payload, edit);
                // Always some answer with the marker: a missing one costs the whole wait.
                answer = "SUCCESS:" + payload;
            }
        }
        rig.udp.deliver(answer);
    };

    RingModel model;
    model.NewProjectDefaults();
    RingModel expected;
    expected.NewProjectDefaults();
    ProjectTransfer transfer(rig.link, model);
    const TransferResult result = QCoro::waitFor(transfer.download());
    FUZZ_CHECK(!transfer.busy() && !transfer.running());

    // Every ring kept is the ring the controller holds, byte for byte.
    if (result.outcome == TransferResult::Outcome::Failed) {
        FUZZ_CHECK(model.ringCount() == 1);
    } else {
        FUZZ_CHECK(result.ringsDone == model.ringCount());
        FUZZ_CHECK(result.message.startsWith(QStringLiteral("Выгружено колец: ") +
                                             QString::number(model.ringCount())));
        FUZZ_CHECK(model.ringCount() <= rings);
        for (int r = 0; r < model.ringCount(); ++r) {
            RingData ring = expected.store(r);
            RingModel::SealForController(ring);
            FUZZ_CHECK(model.store(r) == ring);
        }
    }
    return 0;
}
