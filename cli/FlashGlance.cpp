#include "cli/FlashGlance.h"

#include "link/ControllerLink.h"
#include "model/ByteIO.h"
#include "model/RingModel.h"

#include <span>

namespace FlashGlance {

namespace {

using FlashPackets::Block;
using FlashPackets::CommandSet;

// The transfer's tries for a project packet.
constexpr int kTries = 7;
// "get ver" decides the command set; it is tried more than once because a lost answer would
// make a current controller look like an old one.
constexpr int kVersionTries = 3;

FlashPackets::Packet firstPacket()
{
    return FlashPackets::packet(Block::Project, 0);
}

FlashPackets::Packet lastPacket()
{
    return FlashPackets::packet(Block::Project, FlashPackets::packetCount(Block::Project) - 1);
}

std::span<const std::uint8_t> bytes(const QByteArray &data)
{
    return {reinterpret_cast<const std::uint8_t *>(data.constData()), std::size_t(data.size())};
}

QByteArray slice(const ProjectBlock &block, FlashPackets::Packet packet)
{
    return QByteArray(reinterpret_cast<const char *>(block.data() + packet.offset),
                      qsizetype(packet.length));
}

QCoro::Task<std::optional<QByteArray>> readPacket(ControllerLink &link, CommandSet set, int ring,
                                                  FlashPackets::Packet packet)
{
    const QString command = FlashPackets::readCommand(set, Block::Project, ring, packet);
    for (int attempt = 0; attempt < kTries; ++attempt) {
        const Reply reply = co_await link.SendCommand(command);
        if (!reply.ok())
            continue;
        QByteArray data(qsizetype(packet.length), '\0');
        if (FlashPackets::decodeReadPayload(
                reply.payload, {reinterpret_cast<std::uint8_t *>(data.data()), packet.length}))
            co_return data;
    }
    co_return std::nullopt;
}

quint32 wordAt(const QByteArray &last, std::size_t offset)
{
    const std::size_t at = offset - lastPacket().offset;
    return std::size_t(last.size()) >= at + 4 ? readU32(bytes(last), at) : 0;
}

} // namespace

bool sealed(const QByteArray &first)
{
    return std::size_t(first.size()) >= ProjectLayout::BlockSize + 2 &&
           readU16(bytes(first), ProjectLayout::BlockSize) == ProjectLayout::Size;
}

quint32 programsCrc(const QByteArray &last)
{
    return wordAt(last, ProjectLayout::ProgramsCrcCopy);
}

quint32 projectCrc(const QByteArray &last)
{
    return wordAt(last, ProjectLayout::Crc);
}

bool matches(const Seen &seen, const QList<RingHead> &want)
{
    if (!seen.answered || seen.lost || seen.held != want.size() || seen.rings.size() != want.size())
        return false;
    for (qsizetype r = 0; r < want.size(); ++r)
        if (seen.rings[r].first != want[r].first || seen.rings[r].last != want[r].last)
            return false;
    return true;
}

QList<RingHead> expected(const RingModel &model)
{
    QList<RingHead> heads;
    for (int r = 0; r < model.ringCount(); ++r) {
        RingData ring = r == model.currentRing() ? model.working() : model.store(r);
        RingModel::SealForController(ring);
        heads.append({slice(ring.project, firstPacket()), slice(ring.project, lastPacket())});
    }
    return heads;
}

QCoro::Task<Seen> look(ControllerLink &link, int compare)
{
    Seen seen;
    const Reply version = co_await link.SendCommandRetry(QStringLiteral("get ver"), kVersionTries);
    const bool rings = version.ok();
    seen.answered = rings;
    if (rings)
        seen.version = withoutLineEnd(version.AnswerText()).trimmed().left(64);
    seen.set = rings ? CommandSet::RingAware : CommandSet::Old;
    const int passes = rings ? MaxRings : 1;
    for (int r = 0; r < passes; ++r) {
        const auto first = co_await readPacket(link, seen.set, r, firstPacket());
        if (!first) {
            seen.lost = seen.answered;
            break;
        }
        seen.answered = true;
        if (!sealed(*first))
            break;
        if (r < compare) {
            const auto last = co_await readPacket(link, seen.set, r, lastPacket());
            if (!last) {
                seen.lost = true;
                break;
            }
            seen.rings.append({*first, *last});
        }
        ++seen.held;
    }
    co_return seen;
}

} // namespace FlashGlance
