#pragma once

#include "link/Reply.h"
#include "link/Resumer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <functional>

class Transport;

// Which wire the commands go over; the settings file stores it as 0 (serial) or non-zero.
enum class LinkKind { Serial, Ethernet };

// The one link state of the program: the command exchange with the controller over the serial
// port or UDP. Each command is one text line; an answer is positive only when it carries
// "SUCCESS:", and its payload is what follows the marker.
//
// Conversations never overlap: a command that arrives while another waits for its answer is
// queued until that exchange ends, so an answer is never taken for another command's.
class ControllerLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int RoundMs = 20;
    static constexpr int SerialRounds = 30;
    static constexpr int UdpRounds = 11;
    static constexpr int LongRounds = 250;
    // An answer is a line of at most a few kilobytes; a wire that sends without end must not
    // grow the buffer without end.
    static constexpr int MaxAnswer = 64 * 1024;

    ControllerLink(Transport &serial, Transport &udp, QObject *parent = nullptr);

    [[nodiscard]] LinkKind LinkType() const { return m_linkType; }
    void setLinkType(LinkKind type) { m_linkType = type; }
    [[nodiscard]] bool serialLink() const { return m_linkType == LinkKind::Serial; }
    // The link state as the receive handlers left it: the payload of the last positive
    // answer, else the last text received (code page 1251). A command's own result is its
    // Reply; this is what a datagram arriving outside any command leaves behind.
    [[nodiscard]] QString AnswerText() const;
    [[nodiscard]] bool AnswerReady() const { return m_answerReady; }
    [[nodiscard]] bool AwaitingAnswer() const { return m_awaiting; }
    [[nodiscard]] int WaitRounds() const { return m_waitRounds; }
    // The default wait of one UDP try, in rounds. The controller's firmware expects
    // UdpRounds; a tool that talks to controllers on the same host (a test, a benchmark) may
    // shorten it.
    void setUdpWaitRounds(int rounds) { m_udpRounds = qMax(1, rounds); }
    [[nodiscard]] int udpWaitRounds() const { return m_udpRounds; }
    // A conversation holds the link (others queue behind it).
    [[nodiscard]] bool busy() const { return m_turns.busy(); }

    // The configured serial port name ("COM" + number), used when OpenLink gets none.
    void setConfiguredPort(const QString &name) { m_configuredPort = name; }
    [[nodiscard]] const QString &configuredPort() const { return m_configuredPort; }

    // UDP: nothing to do. Serial: opens the port under `portName` (the configured one when
    // empty) unless it is open; a failure is announced by openFailed().
    //
    // Callers open the link before they send. When a command's turn comes and the port has
    // been closed meanwhile, SendCommand and SendCommandRetry open the configured port again,
    // unless the port went away or could not be opened again since it was last opened: then
    // they end with PortClosed until a caller opens the link itself. SendRaw opens the port
    // at its turn in any case; SendCommandInTurn leaves it to its `prepare`.
    bool OpenLink(const QString &portName = {});
    void closeSerial();

    QCoro::Task<Reply> SendCommand(QString command);
    // One command on a link changed for it alone (the link test): `prepare` runs once the
    // link is free and may refuse the command, `restore` runs before any other conversation
    // gets the link, so none of them sees the link as it was set for this one.
    QCoro::Task<Reply> SendCommandInTurn(QString command, std::function<bool()> prepare,
                                         std::function<void()> restore);
    // Above 100, `tries` selects the long wait and stands for tries - 100. The reply is that
    // of the first positive try, else of the last one.
    QCoro::Task<Reply> SendCommandRetry(QString command, int tries);
    // The console's send: the command goes out as SendCommand would send it, nothing is
    // cleared and nothing is read; the answer reaches the console through the echo. The link
    // is held until some reply arrives or the usual wait ends, so that the next command does
    // not take the console's answer for its own. The reply says whether anything was heard;
    // it carries no payload.
    QCoro::Task<Reply> SendRaw(QString command);
    // One datagram to the controller whatever the link type, the link not opened first. It
    // waits its turn; on the Ethernet link it then holds the link as SendRaw does.
    QCoro::Task<Reply> sendDatagram(QString text);

    static const QString kOpenFailedText;
    static const QString kOpenFailedCaption;
    // "%1": why the UDP port is not listened on.
    static const QString kUdpDeafText;
    // Put before a datagram that came from another address than the controller's ("%1" is
    // "A.B.C.D:P").
    static const QString kStrangerPrefix;

    [[nodiscard]] static QByteArray encode(const QString &text);
    [[nodiscard]] static QString decode(const QByteArray &bytes);

signals:
    // Every text received on the active link, for the console log.
    void echo(const QString &text);
    // The serial port could not be opened: the caller shows kOpenFailedText.
    void openFailed(const QString &portName);
    // A command went out over UDP with nothing listening for its answer (`why` as the
    // transport says it); said once until the port is listened on again.
    void udpNotListening(const QString &why);

private:
    // Receive handlers of the two transports.
    void ComPort1RxChar(const QByteArray &chunk);
    void IdUDPServer1UDPRead(const QByteArray &datagram);
    void onStranger(const QString &from, const QByteArray &datagram);

    // Serial: opens the configured port again for a command whose turn came with it closed.
    bool reopenForTurn();
    QCoro::Task<Reply> exchange(QString command);
    QCoro::Task<void> waitUntil(std::function<bool()> done, int ms);
    // waitUntil for a reply: what has arrived unread is taken before the wait counts as
    // unanswered.
    QCoro::Task<void> waitForAnswer(std::function<bool()> done, int ms);
    [[nodiscard]] Transport &active();
    QCoro::Task<Reply> holdForAnswer();
    void onSerialFailed();
    // A UDP datagram whose answer is waited for.
    bool sendForAnswer(const QByteArray &bytes);

    struct TurnGuard
    {
        TurnQueue &turns;
        ~TurnGuard() { turns.release(); }
    };

    Transport &m_serial;
    Transport &m_udp;
    LinkKind m_linkType = LinkKind::Ethernet;
    QByteArray m_answer;
    bool m_answerReady = false;
    bool m_awaiting = false;
    bool m_inExchange = false;
    bool m_heard = false;    // a reply (a datagram, a serial line) arrived on the active link
    bool m_portLost = false; // the port went away or failed to reopen: no reopening by itself
    bool m_udpDeafSaid = false;
    int m_waitRounds = 0;
    int m_udpRounds = UdpRounds;
    QString m_configuredPort = QStringLiteral("COM1");
    QTimer m_waitTimer;
    qint64 m_waitLatestNs = 0; // the latest m_waitTimer may ring, in the deadline clock's ns
    Resumer m_waiter{this};
    TurnQueue m_turns{this};
};
