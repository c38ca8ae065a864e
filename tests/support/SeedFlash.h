#pragma once

// A controller that already holds a project, as an earlier upload would have left it: every
// packet goes through the controller's own flash-write command, without a wire.

#include "link/FlashPackets.h"
#include "model/RingModel.h"
#include "sim/VirtualController.h"

#include <span>
#include <vector>

// Writes every ring of `model`, sealed as an upload seals it, and returns the rings as sealed;
// returns nothing when the controller refuses a packet.
[[nodiscard]] inline std::vector<RingData> seedFlash(VirtualController &controller,
                                                     const RingModel &model)
{
    using namespace FlashPackets;
    std::vector<RingData> sealed;
    for (int r = 0; r < model.ringCount(); ++r) {
        RingData ring = model.store(r);
        RingModel::SealForController(ring);
        for (const Block block : {Block::Project, Block::Programs}) {
            const std::span<const std::uint8_t> bytes =
                block == Block::Project ? std::span<const std::uint8_t>(ring.project)
                                        : std::span<const std::uint8_t>(ring.programs);
            for (int i = 0; i < packetCount(block); ++i) {
                const Packet pk = packet(block, i);
                const QByteArray answer =
                    controller.handle(writeCommand(CommandSet::RingAware, block, r, pk.offset,
                                                   bytes.subspan(pk.offset, pk.length))
                                          .toLatin1());
                if (!answer.startsWith("SUCCESS:"))
                    return {};
            }
        }
        sealed.push_back(ring);
    }
    return sealed;
}
