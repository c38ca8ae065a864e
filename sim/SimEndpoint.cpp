#include "sim/SimEndpoint.h"

namespace {
constexpr qint64 kMs = 1'000'000;
// Pieces of a split answer go out at least this far apart, as separate reads on the other side.
constexpr qint64 kPieceGapNs = 2 * kMs;
// A paced stream is written in pieces of about this much wire time: small enough that the
// other side sees bytes trickle in, large enough not to wake the host for every byte.
constexpr qint64 kPacedWriteNs = 4 * kMs;
} // namespace

struct SimEndpoint::Outgoing
{
    QList<QByteArray> pieces;
    std::optional<int> duplicateMs;
    Send send;
};

SimEndpoint::SimEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent)
    : QObject(parent), m_controller(controller), m_faults(faults)
{
}

void SimEndpoint::setBaud(int baud)
{
    m_baud = qMax(0, baud);
}

void SimEndpoint::answer(const QByteArray &command, const Send &send, qint64 readyNs)
{
    const auto kind = VirtualController::isFlashRead(command) ? FaultPlan::Answer::FlashRead
                                                              : FaultPlan::Answer::Plain;
    auto out = std::make_shared<Outgoing>();
    out->pieces = m_faults.shape(m_controller.handle(command), kind);
    out->duplicateMs = out->pieces.isEmpty() ? std::nullopt : m_faults.duplicateDelayMs();
    out->send = send;
    emit commandHandled(command);
    if (out->pieces.isEmpty())
        return;
    const qint64 start = readyNs > 0 ? readyNs : WireSchedule::now();
    sendPiece(out, 0, start + m_faults.options().delayMs * kMs);
}

void SimEndpoint::sendPiece(const std::shared_ptr<const Outgoing> &out, qsizetype index, qint64 at)
{
    m_schedule.at(at, [this, out, index, at] {
        const qint64 end = transmit(out->pieces[index], out->send, at);
        if (index + 1 < out->pieces.size()) {
            sendPiece(out, index + 1, end + qMax(m_faults.options().delayMs * kMs, kPieceGapNs));
        } else if (out->duplicateMs) {
            // Booked on the line only when its time comes, so answers before it are not held.
            const qint64 late = end + *out->duplicateMs * kMs;
            m_schedule.at(late,
                          [this, out, late] { transmit(out->pieces.join(), out->send, late); });
        }
    });
}

qint64 SimEndpoint::transmit(const QByteArray &bytes, const Send &send, qint64 readyNs)
{
    if (m_baud == 0) {
        send(bytes);
        return readyNs;
    }
    const qint64 start = qMax(readyNs, m_txFreeNs);
    m_txFreeNs = start + WireSchedule::wireNs(bytes.size(), m_baud);
    const qsizetype step = m_streamed
                               ? qMax<qsizetype>(1, kPacedWriteNs * m_baud / (10 * 1'000'000'000LL))
                               : bytes.size();
    for (qsizetype from = 0; from < bytes.size(); from += step) {
        const QByteArray part = bytes.mid(from, step);
        const qint64 due = start + WireSchedule::wireNs(from + part.size(), m_baud);
        m_schedule.at(due, [send, part] { send(part); });
    }
    return m_txFreeNs;
}
