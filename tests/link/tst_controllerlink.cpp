#include "link/ControllerLink.h"
#include "support/FakeTransport.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTest>
#include <QTimer>

#include <qcoro/qcorotask.h>

namespace {
// One try of the long wait (tries above 100); a wait ended early ends well inside it.
constexpr qint64 kLongWaitMs = qint64(ControllerLink::LongRounds) * ControllerLink::RoundMs;
// Plays a list of chunks back to the program, one event-loop turn apart.
void playLater(FakeTransport &wire, QList<QByteArray> chunks, int firstDelay = 5)
{
    int at = firstDelay;
    for (const QByteArray &chunk : chunks) {
        QTimer::singleShot(at, &wire, [&wire, chunk] { wire.deliver(chunk); });
        at += 5;
    }
}
} // namespace

class TestControllerLink : public QObject
{
    Q_OBJECT
    FakeTransport *serial = nullptr;
    FakeTransport *udp = nullptr;
    ControllerLink *link = nullptr;

private slots:
    void init()
    {
        serial = new FakeTransport(this);
        udp = new FakeTransport(this);
        udp->needsOpen = false;
        link = new ControllerLink(*serial, *udp, this);
    }
    void cleanup()
    {
        delete link;
        delete serial;
        delete udp;
    }

    void serialAnswers_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("marker cut, LF in the last chunk")
            << QList<QByteArray>{"SUC", "CESS:12", " 34", "\n"} << QByteArray("12 34");
        QTest::newRow("empty payload") << QList<QByteArray>{"SUCCESS:\n"} << QByteArray();
        QTest::newRow("CR stays") << QList<QByteArray>{"SUCCESS:ab\r\n"} << QByteArray("ab\r");
        QTest::newRow("LF only") << QList<QByteArray>{"SUCCESS:ab\n"} << QByteArray("ab");
        QTest::newRow("noise before the marker")
            << QList<QByteArray>{"boot\n", "SUCCESS:7\n"} << QByteArray("7");
        QTest::newRow("text after the line end is not payload")
            << QList<QByteArray>{"SUCCESS:7\nlate"} << QByteArray("7");
        QTest::newRow("an answer of several lines keeps them")
            << QList<QByteArray>{"SUCCESS:a\r\nb\n"} << QByteArray("a\r\nb");
    }
    void serialAnswers()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QByteArray, payload);
        link->setLinkType(LinkKind::Serial);
        QVERIFY(link->OpenLink());
        serial->reply = [&](const QByteArray &) { playLater(*serial, chunks); };
        QSignalSpy echoes(link, &ControllerLink::echo);
        QElapsedTimer clock;
        clock.start();
        // The long wait (5 s) shows that a positive answer ends the wait at once.
        const Reply reply = QCoro::waitFor(link->SendCommandRetry(QStringLiteral("get info"), 101));
        QVERIFY(reply.ok());
        QVERIFY2(clock.elapsed() < kLongWaitMs / 2, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(reply.payload, payload);
        QCOMPARE(serial->written, QList<QByteArray>{"get info\r\n"});
        QCOMPARE(serial->discards, 1);
        QCOMPARE(echoes.size(), chunks.size());
        QVERIFY(!link->AwaitingAnswer());
    }

    void serialMarkerWithoutLineEndIsNotAnAnswer()
    {
        link->setLinkType(LinkKind::Serial);
        QVERIFY(link->OpenLink());
        serial->reply = [&](const QByteArray &) { playLater(*serial, {"SUCCESS:12"}); };
        QElapsedTimer clock;
        clock.start();
        const Reply reply = QCoro::waitFor(link->SendCommand(QStringLiteral("test 1")));
        QCOMPARE(reply.status, Reply::Status::NoAnswer);
        // 30 rounds of 20 ms.
        QVERIFY(clock.elapsed() >= 590);
        QVERIFY(!link->AnswerReady());
    }

    void serialTextOutsideAWaitIsOnlyEchoed()
    {
        link->setLinkType(LinkKind::Serial);
        QSignalSpy echoes(link, &ControllerLink::echo);
        serial->deliver("SUCCESS:1\n");
        QCOMPARE(echoes.size(), 1);
        QVERIFY(!link->AnswerReady());
        QVERIFY(link->AnswerText().isEmpty());
    }

    void udpAnswers_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<bool>("positive");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("payload keeps its LF")
            << QByteArray("SUCCESS:12\n") << true << QByteArray("12\n");
        QTest::newRow("text after a zero byte is lost")
            << QByteArray("SUCCESS:ok\0hidden", 17) << true << QByteArray("ok");
        QTest::newRow("no marker replaces the answer")
            << QByteArray("ERROR: unknown") << false << QByteArray("ERROR: unknown");
        QTest::newRow("marker after a zero byte")
            << QByteArray("x\0SUCCESS:1", 11) << false << QByteArray("x");
    }
    void udpAnswers()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(bool, positive);
        QFETCH(QByteArray, answer);
        QVERIFY(link->OpenLink());
        QCOMPARE(serial->opens, 0);
        udp->reply = [&](const QByteArray &) { playLater(*udp, {datagram}); };
        const Reply reply = QCoro::waitFor(link->SendCommand(QStringLiteral("test 1")));
        QCOMPARE(reply.ok(), positive);
        QCOMPARE(udp->written, QList<QByteArray>{"test 1"});
        QCOMPARE(reply.payload, answer);
    }

    void eachLinkIgnoresTheOther()
    {
        QSignalSpy echoes(link, &ControllerLink::echo);
        link->setLinkType(LinkKind::Ethernet);
        serial->deliver("SUCCESS:1\n");
        QCOMPARE(echoes.size(), 0);
        link->setLinkType(LinkKind::Serial);
        udp->deliver("SUCCESS:1");
        QCOMPARE(echoes.size(), 0);
        QVERIFY(!link->AnswerReady());
    }

    void retryWithLongWaitMakesAtMostTwoTries()
    {
        int seenRounds = -1;
        int tries = 0;
        udp->reply = [&](const QByteArray &) {
            seenRounds = link->WaitRounds();
            if (++tries == 2)
                playLater(*udp, {"SUCCESS:\n"});
        };
        QVERIFY(QCoro::waitFor(link->SendCommandRetry(QStringLiteral("event init"), 102)).ok());
        QCOMPARE(tries, 2);
        QCOMPARE(seenRounds, ControllerLink::LongRounds);
        QCOMPARE(link->WaitRounds(), 0);
    }

    void retryWithLongWaitGivesUpAfterTwoTries()
    {
        // The one place the long wait runs out: two tries of about 5 s.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!QCoro::waitFor(link->SendCommandRetry(QStringLiteral("event init"), 102)).ok());
        QCOMPARE(udp->written.size(), 2);
        QCOMPARE(link->WaitRounds(), 0);
        QVERIFY(clock.elapsed() >= 2 * 250 * 20 - 20);
    }

    void retryOfOneIsOneTry()
    {
        QVERIFY(!QCoro::waitFor(link->SendCommandRetry(QStringLiteral("test 1"), 1)).ok());
        QCOMPARE(udp->written.size(), 1);
        QCOMPARE(link->WaitRounds(), 0);
    }

    void retryStopsAtTheFirstSuccess()
    {
        udp->reply = [&](const QByteArray &) { playLater(*udp, {"SUCCESS:"}); };
        QVERIFY(QCoro::waitFor(link->SendCommandRetry(QStringLiteral("get lineADC"), 5)).ok());
        QCOMPARE(udp->written.size(), 1);
    }

    void oneCommandInFlight()
    {
        // Each command is answered with its own text, a little later.
        udp->reply = [&](const QByteArray &command) {
            playLater(*udp, {"SUCCESS:" + command}, 30);
        };
        QList<QByteArray> writtenWhenFirstEnded;
        QString firstAnswer;
        QString secondAnswer;
        auto first = [&]() -> QCoro::Task<void> {
            firstAnswer = (co_await link->SendCommand(QStringLiteral("get state 1"))).AnswerText();
            writtenWhenFirstEnded = udp->written;
        };
        auto second = [&]() -> QCoro::Task<void> {
            secondAnswer = (co_await link->SendCommand(QStringLiteral("get lines"))).AnswerText();
        };
        auto a = first();
        auto b = second();
        QTRY_COMPARE_WITH_TIMEOUT(secondAnswer, QStringLiteral("get lines"), 10000);
        QCOMPARE(firstAnswer, QStringLiteral("get state 1"));
        QCOMPARE(writtenWhenFirstEnded, QList<QByteArray>{"get state 1"});
        QVERIFY(!link->busy());
    }

    void rawSendWaitsForTheCommandInFlight()
    {
        udp->reply = [&](const QByteArray &command) {
            if (command == "test 1")
                playLater(*udp, {"SUCCESS:1"}, 30);
        };
        auto command = link->SendCommand(QStringLiteral("test 1"));
        auto raw = link->SendRaw(QStringLiteral("help"));
        QCOMPARE(udp->written, QList<QByteArray>{"test 1"});
        QVERIFY(QCoro::waitFor(std::move(raw)).sent());
        QCOMPARE(udp->written, (QList<QByteArray>{"test 1", "help"}));
    }

    void consoleAnswerIsNotTakenByTheNextCommand()
    {
        // Each command is answered with its own text, a little later.
        udp->reply = [&](const QByteArray &command) {
            playLater(*udp, {"SUCCESS:" + command}, 30);
        };
        auto raw = link->SendRaw(QStringLiteral("help"));
        auto typed = link->sendDatagram(QStringLiteral("ifconfig"));
        const Reply reply = QCoro::waitFor(link->SendCommand(QStringLiteral("get lines")));
        QVERIFY(reply.ok());
        QCOMPARE(reply.AnswerText(), QStringLiteral("get lines"));
        QCOMPARE(udp->written, (QList<QByteArray>{"help", "ifconfig", "get lines"}));
    }

    void rawSendOnSerialAddsLineEnd()
    {
        link->setLinkType(LinkKind::Serial);
        QVERIFY(QCoro::waitFor(link->SendRaw(QStringLiteral("get info"))).sent());
        QCOMPARE(serial->written, QList<QByteArray>{"get info\r\n"});
        QCOMPARE(serial->discards, 0);
    }

    void consoleTextGoesOutInCodePage1251()
    {
        link->sendDatagram(QStringLiteral("тест"));
        QCOMPARE(udp->written, QList<QByteArray>{QByteArray("\xF2\xE5\xF1\xF2")});
        QSignalSpy echoes(link, &ControllerLink::echo);
        udp->deliver("\xC4\xCA");
        QCOMPARE(echoes.value(0).value(0).toString(), QStringLiteral("ДК"));
        QTRY_VERIFY(!link->busy()); // the reply ends the hold on the link
    }

    void asciiGoesOutAsTheCodePageSpellsIt()
    {
        QByteArray ascii;
        for (int c = 0; c < 0x80; ++c)
            ascii += char(c);
        QStringDecoder codePage("windows-1251");
        const QString text = codePage.decode(ascii);
        QCOMPARE(text.size(), 0x80);
        QCOMPARE(ControllerLink::decode(ascii), text);
        QCOMPARE(ControllerLink::encode(text), ascii);
        QCOMPARE(ControllerLink::encode(text + QStringLiteral("ДК")), ascii + "\xC4\xCA");
        QCOMPARE(ControllerLink::decode(ascii + "\xC4\xCA"), text + QStringLiteral("ДК"));
    }

    void openFailureIsAnnounced()
    {
        link->setLinkType(LinkKind::Serial);
        link->setConfiguredPort(QStringLiteral("COM4"));
        serial->canOpen = false;
        QSignalSpy failures(link, &ControllerLink::openFailed);
        QVERIFY(!link->OpenLink());
        QCOMPARE(failures.size(), 1);
        QCOMPARE(serial->portName, QStringLiteral("COM4"));
        QVERIFY(!link->OpenLink(QStringLiteral("COM7")));
        QCOMPARE(serial->portName, QStringLiteral("COM7"));
        QVERIFY(!QCoro::waitFor(link->SendRaw(QStringLiteral("help"))).sent());
        QVERIFY(serial->written.isEmpty());
    }

    void hangUpEndsTheWaitAtOnce()
    {
        link->setLinkType(LinkKind::Serial);
        QVERIFY(link->OpenLink());
        serial->reply = [&](const QByteArray &) {
            QTimer::singleShot(5, serial, [this] {
                serial->deliver("SUCC");
                serial->hangUp();
            });
        };
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(QCoro::waitFor(link->SendCommandRetry(QStringLiteral("test 1"), 101)).status,
                 Reply::Status::PortClosed);
        QVERIFY2(clock.elapsed() < kLongWaitMs / 2, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!serial->isOpen());
        // The next command does not write to a closed port; OpenLink reopens it.
        QCOMPARE(QCoro::waitFor(link->SendCommand(QStringLiteral("test 1"))).status,
                 Reply::Status::PortClosed);
        QCOMPARE(serial->written.size(), 1);
        QVERIFY(link->OpenLink());
    }

    // The link test closes the port when it is done; what queued behind it must still go out
    // on the port the link is set to, or fail where the user learns of it.
    void queuedCommandOpensThePortRestoredBeforeIt_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("canReopen");
        for (const QString kind : {"raw", "command", "retry"}) {
            QTest::addRow("%s, port back", qPrintable(kind)) << kind << true;
            QTest::addRow("%s, port gone", qPrintable(kind)) << kind << false;
        }
    }
    void queuedCommandOpensThePortRestoredBeforeIt()
    {
        QFETCH(QString, kind);
        QFETCH(bool, canReopen);
        link->setLinkType(LinkKind::Serial);
        link->setConfiguredPort(QStringLiteral("COM5"));
        QVERIFY(link->OpenLink(QStringLiteral("COM6")));
        serial->reply = [&](const QByteArray &) { playLater(*serial, {"SUCCESS:1\n"}, 30); };
        QSignalSpy failures(link, &ControllerLink::openFailed);
        auto test = link->SendCommandInTurn(
            QStringLiteral("test 1"), [] { return true; },
            [&] {
                link->closeSerial();
                serial->canOpen = canReopen;
            });
        const QString command = QStringLiteral("queued");
        auto queued = kind == QLatin1String("raw")       ? link->SendRaw(command)
                      : kind == QLatin1String("command") ? link->SendCommand(command)
                                                         : link->SendCommandRetry(command, 2);
        QVERIFY(QCoro::waitFor(std::move(test)).ok());
        const Reply reply = QCoro::waitFor(std::move(queued));
        QCOMPARE(reply.ok(), canReopen);
        QCOMPARE(reply.sent(), canReopen);
        QCOMPARE(serial->written.contains("queued\r\n"), canReopen);
        QCOMPARE(failures.size(), canReopen ? 0 : 1);
        QCOMPARE(serial->portName, QStringLiteral("COM5"));
        QVERIFY(!link->busy());
    }

    void failedReopenIsAnnouncedOnce()
    {
        // A poll every half second must not raise a message every half second.
        link->setLinkType(LinkKind::Serial);
        QVERIFY(link->OpenLink());
        link->closeSerial();
        serial->canOpen = false;
        QSignalSpy failures(link, &ControllerLink::openFailed);
        for (int poll = 0; poll < 3; ++poll) {
            QCOMPARE(QCoro::waitFor(link->SendCommandRetry(QStringLiteral("get lines"), 1)).status,
                     Reply::Status::PortClosed);
        }
        QCOMPARE(failures.size(), 1);
        // Asking for the port again (starting the monitor, the console's send) tries anew.
        QVERIFY(!link->OpenLink());
        QCOMPARE(failures.size(), 2);
        serial->canOpen = true;
        QVERIFY(link->OpenLink());
        link->closeSerial();
        QVERIFY(QCoro::waitFor(link->SendCommand(QStringLiteral("get lines"))).sent());
    }

    void datagramFollowsTheLinkTypeRestoredBeforeIt()
    {
        // An Ethernet link test on a USB link: Enter pressed meanwhile waits for it to end and
        // then goes out as a datagram of the USB link, not held for an answer on a closed port.
        link->setLinkType(LinkKind::Serial);
        udp->reply = [&](const QByteArray &command) {
            if (command == "test 1")
                playLater(*udp, {"SUCCESS:1"}, 30);
        };
        auto test = link->SendCommandInTurn(
            QStringLiteral("test 1"),
            [&] {
                link->setLinkType(LinkKind::Ethernet);
                return true;
            },
            [&] { link->setLinkType(LinkKind::Serial); });
        auto typed = link->sendDatagram(QStringLiteral("ifconfig"));
        QCOMPARE(udp->written, QList<QByteArray>{"test 1"});
        QVERIFY(QCoro::waitFor(std::move(test)).ok());
        QCOMPARE(QCoro::waitFor(std::move(typed)).status, Reply::Status::NoAnswer);
        QCOMPARE(udp->written, (QList<QByteArray>{"test 1", "ifconfig"}));
    }

    void closingThePortEndsTheWait()
    {
        link->setLinkType(LinkKind::Serial);
        QVERIFY(link->OpenLink());
        serial->reply = [&](const QByteArray &) {
            QTimer::singleShot(5, link, [this] { link->closeSerial(); });
        };
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(QCoro::waitFor(link->SendCommandRetry(QStringLiteral("test 1"), 101)).status,
                 Reply::Status::PortClosed);
        QVERIFY2(clock.elapsed() < kLongWaitMs / 2, qPrintable(QString::number(clock.elapsed())));
    }

    void endlessSerialTextStaysBounded()
    {
        link->setLinkType(LinkKind::Serial);
        QVERIFY(link->OpenLink());
        serial->reply = [&](const QByteArray &) {
            QTimer::singleShot(5, serial, [this] {
                const QByteArray junk(4096, '\0');
                for (int i = 0; i < 64; ++i)
                    serial->deliver(junk);
            });
        };
        const Reply reply = QCoro::waitFor(link->SendCommand(QStringLiteral("test 1")));
        QVERIFY(!reply.ok());
        QVERIFY(reply.payload.size() <= ControllerLink::MaxAnswer);
    }

    void bigDatagramIsHandled()
    {
        QByteArray big(65000, 'A');
        big.replace(100, 8, "SUCCESS:");
        udp->reply = [&](const QByteArray &) { playLater(*udp, {big}); };
        const Reply reply = QCoro::waitFor(link->SendCommand(QStringLiteral("test 1")));
        QVERIFY(reply.ok());
        QCOMPARE(reply.payload.size(), 65000 - 108);
    }

    void lateDatagramDoesNotReplaceATakenAnswer()
    {
        udp->reply = [&](const QByteArray &) {
            QTimer::singleShot(5, udp, [this] {
                udp->deliver("SUCCESS:good");
                udp->deliver("noise");
            });
        };
        const Reply reply = QCoro::waitFor(link->SendCommand(QStringLiteral("test 1")));
        QVERIFY(reply.ok());
        QCOMPARE(reply.AnswerText(), QStringLiteral("good"));
        QCOMPARE(link->AnswerText(), QStringLiteral("good"));
        // Outside a command a datagram still replaces the answer text.
        udp->deliver("noise");
        QCOMPARE(link->AnswerText(), QStringLiteral("noise"));
    }
};

QTEST_GUILESS_MAIN(TestControllerLink)
#include "tst_controllerlink.moc"
