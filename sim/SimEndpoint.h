#pragma once

#include "sim/Faults.h"
#include "sim/VirtualController.h"
#include "sim/WireSchedule.h"

#include <QObject>

#include <functional>
#include <memory>

// One side of the virtual controller on the wire: it cuts incoming bytes into commands, asks
// the interpreter and sends the answer shaped by the fault plan, paced at a baud rate if asked.
class SimEndpoint : public QObject
{
    Q_OBJECT
public:
    using Send = std::function<void(const QByteArray &)>;

    SimEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent = nullptr);

    // Answers take the wire time of `baud` with 8N1 framing; 0 sends them as fast as the host can.
    void setBaud(int baud);
    [[nodiscard]] int baud() const { return m_baud; }

signals:
    void commandHandled(const QByteArray &command);

protected:
    // `readyNs`: when the command was through on the wire (0: now). The answer is timed from
    // then, so the time the host took to get here is not added to it.
    void answer(const QByteArray &command, const Send &send, qint64 readyNs = 0);

    VirtualController &m_controller;
    FaultPlan &m_faults;
    WireSchedule m_schedule;
    // A byte stream goes out in small timed writes; a datagram can only go whole.
    bool m_streamed = false;

private:
    struct Outgoing;
    void sendPiece(const std::shared_ptr<const Outgoing> &out, qsizetype index, qint64 at);
    // Books the line from `readyNs` (or when it is free) and returns when the last byte is out.
    qint64 transmit(const QByteArray &bytes, const Send &send, qint64 readyNs);

    int m_baud = 0;
    qint64 m_txFreeNs = 0;
};
