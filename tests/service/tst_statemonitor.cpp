#include "link/ControllerLink.h"
#include "service/StateMonitor.h"
#include "support/FakeTransport.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestStateMonitor : public QObject
{
    Q_OBJECT
    std::unique_ptr<FakeTransport> serial;
    std::unique_ptr<FakeTransport> udp;
    std::unique_ptr<ControllerLink> link;
    std::unique_ptr<StateMonitor> monitor;
    QByteArray stateAnswer;
    QByteArray linesAnswer;

private slots:
    void init()
    {
        serial = std::make_unique<FakeTransport>();
        udp = std::make_unique<FakeTransport>();
        udp->needsOpen = false;
        link = std::make_unique<ControllerLink>(*serial, *udp);
        monitor = std::make_unique<StateMonitor>(*link);
        stateAnswer = "SUCCESS:WORK=PROGRAM PROGRAM=3 PROG_FAZA=2 LEVEL=PLAN\n";
        linesAnswer = "SUCCESS:RED_CHANNEL=10010000 YEL_CHANNEL=0 GREEN_CHANNEL=01\n";
        udp->reply = [this](const QByteArray &command) {
            const QByteArray answer = command.startsWith("get state") ? stateAnswer : linesAnswer;
            if (!answer.isEmpty())
                QTimer::singleShot(0, udp.get(), [this, answer] { udp->deliver(answer); });
        };
    }
    void cleanup()
    {
        monitor.reset();
        link.reset();
        udp.reset();
        serial.reset();
    }

    void parsing_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("runs of spaces") << QStringLiteral("  A=1    B=2 ") << "B"
                                        << "2";
        QTest::newRow("the later value wins") << QStringLiteral("A=1 A=2") << "A"
                                              << "2";
        QTest::newRow("value keeps its own =") << QStringLiteral("A=x=y") << "A"
                                               << "x=y";
        QTest::newRow("tokens without = ignored") << QStringLiteral("noise A=1") << "A"
                                                  << "1";
        QTest::newRow("ninth token counts") << QStringLiteral("a b c d e f g h I=9") << "I"
                                            << "9";
        QTest::newRow("tenth token ignored") << QStringLiteral("a b c d e f g h i J=10") << "J"
                                             << "";
    }
    void parsing()
    {
        QFETCH(QString, answer);
        QFETCH(QString, key);
        QFETCH(QString, value);
        StateMonitor::StateMap state;
        StateMonitor::ParseAnswer(state, answer);
        QCOMPARE(state.value(key), value);
    }

    void display_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("shown"); // mode, program, single, phase, special, source
        QTest::newRow("program") << QStringLiteral("WORK=PROGRAM PROGRAM=3 PROG_FAZA=2 LEVEL=PLAN")
                                 << QStringList{"Программа", "3", "", "2", "", "ПЛАН"};
        QTest::newRow("single phase")
            << QStringLiteral("WORK=SINGLE_FAZA SINGLE_FAZA=4 PROGRAM=3 LEVEL=VPU")
            << QStringList{"Отдельная фаза", "", "4", "", "", "ВПУ"};
        QTest::newRow("yellow flashing")
            << QStringLiteral("WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=ALARM")
            << QStringList{"Спец. программа", "", "", "", "ЖМ", "АВАРИЯ"};
        QTest::newRow("unknown special program shown as is")
            << QStringLiteral("WORK=SPEC_PROG SPEC_PROG=XYZ LEVEL=SERVICE")
            << QStringList{"Спец. программа", "", "", "", "XYZ", "СЕРВИС"};
        QTest::newRow("dark") << QStringLiteral("WORK=SPEC_PROG SPEC_PROG=OFF LEVEL=TUMBLER")
                              << QStringList{"Спец. программа", "", "", "", "ОС", "ТУМБЛЕР"};
        QTest::newRow("unknown mode and source")
            << QStringLiteral("WORK=program PROGRAM=3 LEVEL=plan")
            << QStringList{"", "", "", "", "", ""};
    }
    void display()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, shown);
        StateMonitor::StateMap state;
        StateMonitor::ParseAnswer(state, answer);
        const MonitorDisplay d = StateMonitor::describe(state);
        QCOMPARE((QStringList{d.mode, d.program, d.singlePhase, d.programPhase, d.specialProgram,
                              d.source}),
                 shown);
    }

    void channels_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("eight") << QStringLiteral("10010000")
                               << QStringList{"1. ВКЛ",  "2. ----", "3. ----", "4. ВКЛ",
                                              "5. ----", "6. ----", "7. ----", "8. ----"};
        QTest::newRow("longer shows eight")
            << QStringLiteral("1111111111") << QStringList{"1. ВКЛ", "2. ВКЛ", "3. ВКЛ", "4. ВКЛ",
                                                           "5. ВКЛ", "6. ВКЛ", "7. ВКЛ", "8. ВКЛ"};
        QTest::newRow("three") << QStringLiteral("1x0")
                               << QStringList{"1. ВКЛ", "2. ----", "3. ----"};
        QTest::newRow("empty") << QString() << QStringList{};
    }
    void channels()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, lines);
        QCOMPARE(StateMonitor::channelLines(value), lines);
    }

    void pollShowsTheControllerAsItIs()
    {
        // The UDP payload ends in LF: it must not reach the last token's value.
        stateAnswer = "SUCCESS:PROGRAM=3 PROG_FAZA=2 LEVEL=PLAN WORK=PROGRAM\n";
        linesAnswer = "SUCCESS:YEL_CHANNEL=0 GREEN_CHANNEL=01 RED_CHANNEL=100\n";
        QSignalSpy shown(monitor.get(), &StateMonitor::refreshed);
        monitor->setRing(3);
        QVERIFY(monitor->start());
        QTRY_VERIFY(!shown.isEmpty());
        const auto d = shown.first().first().value<MonitorDisplay>();
        QCOMPARE(d.mode, QStringLiteral("Программа"));
        QCOMPARE(d.source, QStringLiteral("ПЛАН"));
        QCOMPARE(d.red, (QStringList{"1. ВКЛ", "2. ----", "3. ----"}));
        QCOMPARE(udp->written.first(), QByteArray("get state 3"));
        QCOMPARE(udp->written.value(1), QByteArray("get lines"));
        monitor->StopMonitor();
    }

    void failedStateEmptiesTheModePanels()
    {
        stateAnswer.clear(); // no answer to "get state"
        QSignalSpy shown(monitor.get(), &StateMonitor::refreshed);
        QCoro::waitFor(monitor->poll());
        QCOMPARE(shown.size(), 1);
        const auto d = shown.first().first().value<MonitorDisplay>();
        QVERIFY(d.mode.isEmpty() && d.program.isEmpty());
        QCOMPARE(d.red.size(), 8);
    }

    void failedLinesChangeNothing()
    {
        linesAnswer.clear();
        QSignalSpy shown(monitor.get(), &StateMonitor::refreshed);
        QCoro::waitFor(monitor->poll());
        QVERIFY(shown.isEmpty());
    }

    // The screen keeps the last values while the controller is silent, but they are marked
    // as old once, and as fresh again with the first answer.
    void silenceIsToldOnceAndItsEndToo()
    {
        QSignalSpy answering(monitor.get(), &StateMonitor::answeringChanged);
        QCoro::waitFor(monitor->poll());
        QVERIFY(answering.isEmpty());
        const QByteArray lines = linesAnswer;
        linesAnswer.clear();
        QCoro::waitFor(monitor->poll());
        QCoro::waitFor(monitor->poll());
        QCOMPARE(answering.size(), 1);
        QCOMPARE(answering.first().first().toBool(), false);
        QVERIFY(!monitor->answering());
        linesAnswer = lines;
        QCoro::waitFor(monitor->poll());
        QCOMPARE(answering.size(), 2);
        QVERIFY(monitor->answering());
    }

    void stopDuringAPollTakesEffectWhenItEnds()
    {
        udp->reply = [this](const QByteArray &command) {
            const QByteArray answer = command.startsWith("get state") ? stateAnswer : linesAnswer;
            QTimer::singleShot(100, udp.get(), [this, answer] { udp->deliver(answer); });
        };
        QVERIFY(monitor->start());
        // The first tick starts a poll; stop while it waits for its answers.
        QTRY_VERIFY(monitor->polling());
        monitor->StopMonitor();
        QVERIFY(!monitor->watching());
        QTRY_VERIFY(!monitor->polling());
        const auto sentAtEnd = udp->written.size();
        QTest::qWait(3 * StateMonitor::PollIntervalMs);
        QCOMPARE(udp->written.size(), sentAtEnd);
        QVERIFY(!monitor->timer().isActive());
    }

    void nextPollStartsOnlyAfterTheLastEnded()
    {
        // A controller that takes longer than the poll interval to answer.
        udp->reply = [this](const QByteArray &command) {
            const QByteArray answer = command.startsWith("get state") ? stateAnswer : linesAnswer;
            QTimer::singleShot(150, udp.get(), [this, answer] { udp->deliver(answer); });
        };
        QElapsedTimer clock;
        clock.start();
        QVERIFY(monitor->start());
        QTRY_VERIFY_WITH_TIMEOUT(udp->written.size() >= 4, 5000);
        // Two polls of two 150 ms answers each, 400 ms apart: never overlapping.
        QVERIFY(clock.elapsed() >= 2 * StateMonitor::PollIntervalMs + 3 * 150);
        monitor->StopMonitor();
        QTRY_VERIFY(!monitor->polling());
    }

    void openFailureKeepsTheTimerOff()
    {
        link->setLinkType(LinkKind::Serial);
        serial->canOpen = false;
        QVERIFY(!monitor->start());
        QVERIFY(monitor->watching());
        QVERIFY(!monitor->timer().isActive());
    }
};

QTEST_GUILESS_MAIN(TestStateMonitor)
#include "tst_statemonitor.moc"
