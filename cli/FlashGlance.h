#pragma once

#include "link/FlashPackets.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <qcoro/qcorotask.h>

#include <optional>

class ControllerLink;
class RingModel;

// A look at what a controller holds without downloading it: per ring the first and the last
// packet of the project block. The first packet says whether the ring is there at all (an
// upload of fewer rings overwrites it with zeros, and the old checksum words stay behind in
// the last packet); the last packet holds the block's stored checksum words, its own and the
// programs block's copy, which change with any byte of the ring as the controller holds it.
namespace FlashGlance {

// One ring's two packets, as read or as an upload of a file would leave them.
struct RingHead
{
    QByteArray first;
    QByteArray last;
};

struct Seen
{
    bool answered = false;
    // Answered at first and then not, before every ring needed was read.
    bool lost = false;
    FlashPackets::CommandSet set = FlashPackets::CommandSet::None;
    // The answer to "get ver", empty on a controller without rings.
    QString version;
    // Rings from ring 1 up whose project block starts as a sealed block does.
    int held = 0;
    QList<RingHead> rings; // the first `compared` held rings, last packet included
};

// Each ring's two packets as an upload of the file's rings leaves them in the controller.
[[nodiscard]] QList<RingHead> expected(const RingModel &model);

// Reads the first packet of each ring until one is not held, and the last packet of the
// first `compare` rings. "get ver" chooses the command set as the transfer does.
QCoro::Task<Seen> look(ControllerLink &link, int compare);

// Whether the controller holds what `want` says its rings hold, ring count included.
[[nodiscard]] bool matches(const Seen &seen, const QList<RingHead> &want);

// Whether a project block's first packet starts as a sealed block.
[[nodiscard]] bool sealed(const QByteArray &first);
// The two checksum words of a last packet: the programs block's copy and the block's own.
[[nodiscard]] quint32 programsCrc(const QByteArray &last);
[[nodiscard]] quint32 projectCrc(const QByteArray &last);

} // namespace FlashGlance
