#include "link/ControllerLink.h"

#include "link/Transport.h"

#include <QDeadlineTimer>
#include <QMetaMethod>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {
const QByteArray kMarker = QByteArrayLiteral("SUCCESS:");
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// The serial write may take this long before the answer wait begins.
int writeTimeoutMs(qsizetype bytes)
{
    return 500 + 50 * static_cast<int>(qMin<qsizetype>(bytes, 4096));
}
} // namespace

const QString ControllerLink::kOpenFailedText =
    QStringLiteral("Ошибка связи с ДК. COM-порт не доступен. Проверьте настройки связи!");
const QString ControllerLink::kOpenFailedCaption = QStringLiteral("Ошибка связи");
const QString ControllerLink::kUdpDeafText =
    QStringLiteral("Ошибка связи с ДК. Ответы ДК по UDP не могут быть приняты: %1. Проверьте "
                   "настройки связи!");
const QString ControllerLink::kStrangerPrefix = QStringLiteral("чужой пакет от %1: ");

ControllerLink::ControllerLink(Transport &serial, Transport &udp, QObject *parent)
    : QObject(parent), m_serial(serial), m_udp(udp)
{
    m_waitTimer.setSingleShot(true);
    connect(&m_waitTimer, &QTimer::timeout, this, [this] { m_waiter.wake(); });
    connect(&m_serial, &Transport::received, this, &ControllerLink::ComPort1RxChar);
    connect(&m_udp, &Transport::received, this, &ControllerLink::IdUDPServer1UDPRead);
    connect(&m_udp, &Transport::stranger, this, &ControllerLink::onStranger);
    connect(&m_serial, &Transport::drained, this, [this] { m_waiter.wake(); });
    connect(&m_serial, &Transport::failed, this, &ControllerLink::onSerialFailed);
}

// Code page 1251 spells the ASCII half as Latin-1 does. Commands and answers of a transfer
// are ASCII, and an ICU converter opened for each of them cost more than the rest of the
// exchange's own work; it is needed only for Cyrillic text.
QByteArray ControllerLink::encode(const QString &text)
{
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLatin1();
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

QString ControllerLink::decode(const QByteArray &bytes)
{
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

QString ControllerLink::AnswerText() const
{
    return decode(m_answer);
}

bool ControllerLink::OpenLink(const QString &portName)
{
    if (!serialLink())
        return true;
    if (m_serial.isOpen())
        return true;
    const QString name = portName.isEmpty() ? m_configuredPort : portName;
    m_serial.setPortName(name);
    if (m_serial.open()) {
        m_portLost = false;
        return true;
    }
    emit openFailed(name);
    return false;
}

bool ControllerLink::reopenForTurn()
{
    // The caller opened the link when it asked, but the conversation before it (the link
    // test's restore, the console letting the port go) may have closed the port since. A port
    // that went away, or that could not be opened again, stays closed until someone asks for
    // it: a transfer must stop at the first failure, and a poll every half second must not
    // raise a message every half second.
    if (!serialLink() || m_serial.isOpen())
        return true;
    if (m_portLost)
        return false;
    if (OpenLink())
        return true;
    m_portLost = true;
    return false;
}

void ControllerLink::closeSerial()
{
    m_serial.close();
    // A command waiting on the port fails now rather than at the end of its wait.
    m_waiter.wake();
}

QCoro::Task<Reply> ControllerLink::SendCommand(QString command)
{
    co_await m_turns.take();
    TurnGuard guard{m_turns};
    if (!reopenForTurn())
        co_return Reply{Reply::Status::PortClosed, {}};
    co_return co_await exchange(std::move(command));
}

QCoro::Task<Reply> ControllerLink::SendCommandInTurn(QString command, std::function<bool()> prepare,
                                                     std::function<void()> restore)
{
    co_await m_turns.take();
    TurnGuard guard{m_turns};
    // What happened to the port set for this command alone says nothing of the one restored.
    const bool portLost = m_portLost;
    Reply reply;
    if (prepare())
        reply = co_await exchange(std::move(command));
    restore();
    m_portLost = portLost;
    co_return reply;
}

QCoro::Task<Reply> ControllerLink::SendCommandRetry(QString command, int tries)
{
    co_await m_turns.take();
    TurnGuard guard{m_turns};
    if (!reopenForTurn())
        co_return Reply{Reply::Status::PortClosed, {}};
    if (tries > 100) {
        m_waitRounds = LongRounds;
        tries -= 100;
    } else {
        m_waitRounds = 0;
    }
    Reply reply;
    for (int attempt = 0; attempt < tries && !reply.ok(); ++attempt)
        reply = co_await exchange(command);
    m_waitRounds = 0;
    co_return reply;
}

QCoro::Task<Reply> ControllerLink::SendRaw(QString command)
{
    co_await m_turns.take();
    TurnGuard guard{m_turns};
    // Opened only now: the port as it was when the user pressed the button may have been
    // closed by the conversation this one waited for. The user's own command always tries.
    if (!OpenLink())
        co_return Reply{Reply::Status::PortClosed, {}};
    // A late reply to an earlier command is shown, but is no reply to this one.
    active().readPending();
    m_heard = false;
    QByteArray bytes = encode(command);
    if (!serialLink()) {
        if (!sendForAnswer(bytes))
            co_return Reply{Reply::Status::WriteFailed, {}};
        co_return co_await holdForAnswer();
    }
    bytes += kLineEnd;
    if (!m_serial.write(bytes))
        co_return Reply{m_serial.isOpen() ? Reply::Status::WriteFailed : Reply::Status::PortClosed,
                        {}};
    co_await waitUntil([this] { return m_serial.pendingBytes() == 0 || !m_serial.isOpen(); },
                       writeTimeoutMs(bytes.size()));
    if (!m_serial.isOpen())
        co_return Reply{Reply::Status::PortClosed, {}};
    co_return co_await holdForAnswer();
}

QCoro::Task<Reply> ControllerLink::sendDatagram(QString text)
{
    const QByteArray bytes = encode(text);
    // The link type is read once the turn is taken: the link test may have set the link to
    // the other wire for its own command and put it back since.
    co_await m_turns.take();
    TurnGuard guard{m_turns};
    // On the serial link the datagram's answer is never taken for anything: no need to wait.
    if (serialLink())
        co_return Reply{m_udp.write(bytes) ? Reply::Status::NoAnswer : Reply::Status::WriteFailed,
                        {}};
    m_udp.readPending();
    m_heard = false;
    if (!sendForAnswer(bytes))
        co_return Reply{Reply::Status::WriteFailed, {}};
    co_return co_await holdForAnswer();
}

bool ControllerLink::sendForAnswer(const QByteArray &bytes)
{
    if (!m_udp.write(bytes))
        return false;
    // The wait for an answer nobody can hear would end in "no answer" and blame the
    // controller; the engineer is told the real cause, once, not at every poll.
    if (m_udp.isOpen()) {
        m_udpDeafSaid = false;
    } else if (!m_udpDeafSaid) {
        m_udpDeafSaid = true;
        emit udpNotListening(m_udp.errorString());
    }
    return true;
}

QCoro::Task<Reply> ControllerLink::holdForAnswer()
{
    // Nobody reads a console command's answer, but the next command must not take it for its
    // own: the link stays with the console until a reply comes or the transport's usual wait
    // is over.
    const int rounds = serialLink() ? SerialRounds : m_udpRounds;
    co_await waitForAnswer([this] { return m_heard || (serialLink() && !m_serial.isOpen()); },
                           rounds * RoundMs);
    if (serialLink() && !m_serial.isOpen())
        co_return Reply{Reply::Status::PortClosed, {}};
    co_return Reply{m_heard ? Reply::Status::Answered : Reply::Status::NoAnswer, {}};
}

QCoro::Task<Reply> ControllerLink::exchange(QString command)
{
    QByteArray bytes = encode(command);
    Reply::Status failure = Reply::Status::NoAnswer;
    m_inExchange = true;
    if (serialLink()) {
        m_awaiting = false;
        m_serial.discardInput();
        m_answer.clear();
        m_answerReady = false;
        bytes += kLineEnd;
        if (m_serial.write(bytes)) {
            m_awaiting = true;
            co_await waitUntil(
                [this] { return m_serial.pendingBytes() == 0 || !m_serial.isOpen(); },
                writeTimeoutMs(bytes.size()));
            const int rounds = m_waitRounds ? m_waitRounds : SerialRounds;
            co_await waitForAnswer([this] { return m_answerReady || !m_serial.isOpen(); },
                                   rounds * RoundMs);
        } else {
            failure = Reply::Status::WriteFailed;
        }
        m_awaiting = false;
        if (!m_serial.isOpen())
            failure = Reply::Status::PortClosed;
    } else {
        // The protocol does not say which command an answer belongs to: one still waiting to
        // be read now answers a command given up on, and must not be taken for this one's.
        m_udp.readPending();
        m_answerReady = false;
        m_answer.clear();
        if (sendForAnswer(bytes)) {
            const int rounds = m_waitRounds ? m_waitRounds : m_udpRounds;
            co_await waitForAnswer([this] { return m_answerReady; }, rounds * RoundMs);
        } else {
            failure = Reply::Status::WriteFailed;
        }
    }
    m_inExchange = false;
    co_return Reply{m_answerReady ? Reply::Status::Answered : failure, m_answer};
}

QCoro::Task<void> ControllerLink::waitUntil(std::function<bool()> done, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        // A coarse timer may ring up to a twentieth of its interval late. The timer of an
        // earlier wait is left running when it rings no later than a new one would: ringing
        // before this deadline only wakes this loop to set it again, whereas setting and
        // stopping it for every command, as each answer comes in a fraction of the wait, cost
        // a fleet's backup more than the rest of the wait.
        const int remaining = static_cast<int>(qMax<qint64>(0, deadline.remainingTime()));
        const qint64 latestNs = deadline.deadlineNSecs() + qint64(remaining) * 50'000;
        if (!m_waitTimer.isActive() || m_waitLatestNs > latestNs) {
            m_waitTimer.start(remaining);
            m_waitLatestNs = latestNs;
        }
        co_await m_waiter.park();
    }
}

QCoro::Task<void> ControllerLink::waitForAnswer(std::function<bool()> done, int ms)
{
    co_await waitUntil(done, ms);
    // The deadline is seen only when the event loop comes to it. An answer that arrived while
    // the thread was busy elsewhere may still wait unread behind the time-out; it answers this
    // command, and left there it would be taken for the next one's.
    if (!done())
        active().readPending();
}

Transport &ControllerLink::active()
{
    return serialLink() ? m_serial : m_udp;
}

void ControllerLink::ComPort1RxChar(const QByteArray &chunk)
{
    if (!serialLink())
        return;
    if (chunk.contains('\n')) {
        m_heard = true;
        m_waiter.wake();
    }
    // Once recognised, the payload stays as it was until the waiting command has taken it.
    if (m_awaiting && !m_answerReady) {
        m_answer += chunk;
        if (m_answer.size() > MaxAnswer)
            m_answer = m_answer.right(MaxAnswer / 2);
        if (chunk.contains('\n')) {
            const qsizetype marker = m_answer.indexOf(kMarker);
            // The payload runs up to the last LF received, so an answer of several lines
            // keeps them all; only that LF is dropped. An LF seen before the marker only
            // does not end the answer, and nothing received after the last LF is cut off
            // as if it were the line end.
            const qsizetype lineEnd = m_answer.lastIndexOf('\n');
            if (marker >= 0 && lineEnd >= marker + kMarker.size()) {
                const qsizetype from = marker + kMarker.size();
                m_answer = m_answer.mid(from, lineEnd - from);
                m_answerReady = true;
                m_waiter.wake();
            }
        }
    }
    emit echo(decode(chunk));
}

void ControllerLink::IdUDPServer1UDPRead(const QByteArray &datagram)
{
    if (serialLink())
        return;
    const qsizetype zero = datagram.indexOf('\0');
    const QByteArray text = zero < 0 ? datagram : datagram.left(zero);
    m_heard = true;
    m_waiter.wake();
    // A positive answer already taken for the waiting command is not overwritten by what
    // follows it before the command has read it.
    if (!(m_inExchange && m_answerReady)) {
        const qsizetype marker = text.indexOf(kMarker);
        if (marker >= 0) {
            m_answer = text.mid(marker + kMarker.size());
            m_answerReady = true;
            m_waiter.wake();
        } else {
            m_answer = text;
        }
    }
    // A fleet hears thousands of answers a second that nobody shows.
    static const QMetaMethod echoed = QMetaMethod::fromSignal(&ControllerLink::echo);
    if (isSignalConnected(echoed))
        emit echo(decode(text));
}

void ControllerLink::onStranger(const QString &from, const QByteArray &datagram)
{
    // Shown so that the engineer sees somebody else talks on the port, but it neither answers
    // a command nor counts as heard.
    if (serialLink())
        return;
    const qsizetype zero = datagram.indexOf('\0');
    emit echo(kStrangerPrefix.arg(from) + decode(zero < 0 ? datagram : datagram.left(zero)));
}

void ControllerLink::onSerialFailed()
{
    m_portLost = true;
    m_awaiting = false;
    m_waiter.wake();
}
