// The output test, the clock, the controller information and the flash erase of the virtual
// controller, at the interpreter.
#include "sim/VirtualController.h"

#include <QTest>

namespace {
bool isPositive(const QByteArray &answer)
{
    return answer.startsWith("SUCCESS:") && answer.endsWith('\n');
}

QByteArray payload(const QByteArray &answer)
{
    return isPositive(answer) ? answer.mid(8).chopped(1) : QByteArray("(refused)");
}
} // namespace

class TestSimOutputs : public QObject
{
    Q_OBJECT
private slots:
    void channelsAnswer_data()
    {
        QTest::addColumn<bool>("testMode");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("positive");
        QTest::newRow("on in test") << true << QByteArray("channel 3 y on") << true;
        QTest::newRow("on outside test") << false << QByteArray("channel 3 y on") << false;
        QTest::newRow("off outside test") << false << QByteArray("channel 3 y off") << true;
        QTest::newRow("off in test") << true << QByteArray("channel 8 g off\r") << true;
        QTest::newRow("group 0") << true << QByteArray("channel 0 r on") << false;
        QTest::newRow("group 9") << true << QByteArray("channel 9 r off") << false;
        QTest::newRow("group not a number") << true << QByteArray("channel x r on") << false;
        QTest::newRow("colour b") << true << QByteArray("channel 1 b on") << false;
        QTest::newRow("colour in capitals") << true << QByteArray("channel 1 R on") << false;
        QTest::newRow("neither on nor off") << true << QByteArray("channel 1 r 1") << false;
        QTest::newRow("no state") << true << QByteArray("channel 1 r") << false;
        QTest::newRow("extra word") << true << QByteArray("channel 1 r on now") << false;
        QTest::newRow("test half on") << false << QByteArray("set test") << false;
    }
    void channelsAnswer()
    {
        QFETCH(bool, testMode);
        QFETCH(QByteArray, command);
        QFETCH(bool, positive);
        VirtualController controller;
        if (testMode)
            QCOMPARE(controller.handle("set test on"), QByteArray("SUCCESS:\n"));
        const QByteArray answer = controller.handle(command);
        QVERIFY(answer.endsWith('\n'));
        QCOMPARE(answer.startsWith("SUCCESS:"), positive);
        if (positive)
            return;
        // A refused command lights nothing.
        for (int group = 1; group <= OutputGroups; ++group) {
            for (const auto lamp :
                 {SimOutputs::Colour::Red, SimOutputs::Colour::Yellow, SimOutputs::Colour::Green})
                QVERIFY(!controller.outputs().channel(group, lamp));
        }
    }

    void linesFollowTheChannels_data()
    {
        QTest::addColumn<QList<QByteArray>>("switches");
        QTest::addColumn<int>("deadLamp");
        QTest::addColumn<QByteArray>("adc");
        QTest::addColumn<QByteArray>("pwm");
        const QByteArray dark("0 0 0 0 0 0 0 0");
        QTest::newRow("nothing on") << QList<QByteArray>{} << 0 << dark << dark;
        QTest::newRow("group 8 red")
            << QList<QByteArray>{"channel 8 r on"} << 0 << QByteArray("0 0 0 0 0 0 0 1") << dark;
        QTest::newRow("group 1 green")
            << QList<QByteArray>{"channel 1 g on"} << 0 << dark << QByteArray("1 0 0 0 0 0 0 0");
        QTest::newRow("yellow shows on neither")
            << QList<QByteArray>{"channel 4 y on"} << 0 << dark << dark;
        QTest::newRow("red and green of several groups")
            << QList<QByteArray>{"channel 2 r on", "channel 5 r on", "channel 2 g on",
                                 "channel 7 g on"}
            << 0 << QByteArray("0 1 0 0 1 0 0 0") << QByteArray("0 1 0 0 0 0 1 0");
        QTest::newRow("switched off again")
            << QList<QByteArray>{"channel 3 r on", "channel 6 r on", "channel 3 r off"} << 0
            << QByteArray("0 0 0 0 0 1 0 0") << dark;
        QTest::newRow("dead lamp draws no current")
            << QList<QByteArray>{"channel 4 r on", "channel 5 r on", "channel 4 g on"} << 4
            << QByteArray("0 0 0 0 1 0 0 0") << QByteArray("0 0 0 1 0 0 0 0");
        QTest::newRow("dead lamp elsewhere")
            << QList<QByteArray>{"channel 8 r on"} << 1 << QByteArray("0 0 0 0 0 0 0 1") << dark;
    }
    void linesFollowTheChannels()
    {
        QFETCH(QList<QByteArray>, switches);
        QFETCH(int, deadLamp);
        QFETCH(QByteArray, adc);
        QFETCH(QByteArray, pwm);
        VirtualController controller;
        if (deadLamp)
            controller.outputs().setDeadLamp(deadLamp);
        QVERIFY(isPositive(controller.handle("set test on")));
        for (const QByteArray &command : switches)
            QVERIFY2(isPositive(controller.handle(command)), command.constData());
        QCOMPARE(payload(controller.handle("get lineADC")), adc);
        QCOMPARE(payload(controller.handle("get linePWM")), pwm);

        // Leaving the test puts every lamp out.
        QCOMPARE(controller.handle("set test off"), QByteArray("SUCCESS:\n"));
        QCOMPARE(payload(controller.handle("get lineADC")), QByteArray("0 0 0 0 0 0 0 0"));
        QCOMPARE(payload(controller.handle("get linePWM")), QByteArray("0 0 0 0 0 0 0 0"));
        QVERIFY(!isPositive(controller.handle("channel 1 r on")));
        QVERIFY(isPositive(controller.handle("set test on")));
        QCOMPARE(payload(controller.handle("get lineADC")), QByteArray("0 0 0 0 0 0 0 0"));
    }

    void linesDuringTheTestShowTheSwitchedLamps()
    {
        VirtualController controller;
        // Erased flash blinks yellow: a clock that stands still keeps two reads alike.
        controller.clock() =
            ControllerClock([] { return QDateTime(QDate(2026, 12, 7), QTime(12, 0)); });
        const QByteArray running = controller.handle("get lines");
        QVERIFY(isPositive(controller.handle("set test on")));
        QVERIFY(isPositive(controller.handle("channel 1 r on")));
        QVERIFY(isPositive(controller.handle("channel 8 y on")));
        QCOMPARE(payload(controller.handle("get lines")),
                 QByteArray("RED_CHANNEL=10000000 YEL_CHANNEL=00000001 GREEN_CHANNEL=00000000"));
        QVERIFY(isPositive(controller.handle("set test off")));
        QCOMPARE(controller.handle("get lines"), running);
    }

    void clockTakesOnlyRealMoments_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("taken");
        QTest::newRow("plain") << QByteArray("01.03.2027-09:05:03") << true;
        QTest::newRow("leap day") << QByteArray("29.02.2028-23:59:59") << true;
        QTest::newRow("no leap day") << QByteArray("29.02.2027-12:00:00") << false;
        QTest::newRow("day 32") << QByteArray("32.01.2027-00:00:00") << false;
        QTest::newRow("month 13") << QByteArray("01.13.2027-00:00:00") << false;
        QTest::newRow("day 0") << QByteArray("00.01.2027-00:00:00") << false;
        QTest::newRow("hour 24") << QByteArray("01.03.2027-24:00:00") << false;
        QTest::newRow("minute 60") << QByteArray("01.03.2027-09:60:00") << false;
        QTest::newRow("second 60") << QByteArray("01.03.2027-09:05:60") << false;
        QTest::newRow("space for dash") << QByteArray("01.03.2027 09:05:03") << false;
        QTest::newRow("one-digit fields") << QByteArray("1.3.2027-09:05:03") << false;
        QTest::newRow("two-digit year") << QByteArray("01.03.27-09:05:03") << false;
        QTest::newRow("slashes") << QByteArray("01/03/2027-09:05:03") << false;
        QTest::newRow("no seconds") << QByteArray("01.03.2027-09:05") << false;
        QTest::newRow("sign in a field") << QByteArray("+1.03.2027-09:05:03") << false;
        QTest::newRow("trailing text") << QByteArray("01.03.2027-09:05:03x") << false;
        QTest::newRow("nothing") << QByteArray() << false;
    }
    void clockTakesOnlyRealMoments()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, taken);
        QDateTime host(QDate(2025, 6, 1), QTime(12, 0, 0));
        VirtualController controller;
        controller.clock() = ControllerClock([&] { return host; });
        const QByteArray before = controller.handle("get ds1390_time");
        QCOMPARE(before, QByteArray("SUCCESS:01.06.2025-12:00:00\n"));

        const QByteArray answer = controller.handle("set ds1390_time " + text);
        QCOMPARE(isPositive(answer), taken);
        QCOMPARE(controller.handle("get ds1390_time"), taken ? "SUCCESS:" + text + '\n' : before);
    }

    void setClockRunsOn()
    {
        QDateTime host(QDate(2025, 6, 1), QTime(12, 0, 0, 700));
        VirtualController controller;
        controller.clock() = ControllerClock([&] { return host; });
        QVERIFY(isPositive(controller.handle("set ds1390_time 31.12.2026-23:59:58")));
        host = host.addMSecs(400); // less than a second: the set second still shows
        QCOMPARE(payload(controller.handle("get ds1390_time")), QByteArray("31.12.2026-23:59:58"));
        host = host.addSecs(2);
        QCOMPARE(payload(controller.handle("get ds1390_time")), QByteArray("01.01.2027-00:00:00"));
        QVERIFY(!isPositive(controller.handle("set ds1390_time")));
        QVERIFY(!isPositive(controller.handle("set ds1390_time 01.01.2027-00:00:00 x")));
        QCOMPARE(payload(controller.handle("get ds1390_time")), QByteArray("01.01.2027-00:00:00"));
    }

    void otherClocksAndSensorsAnswer()
    {
        VirtualController controller;
        QVERIFY(ControllerClock::parse(payload(controller.handle("get gps_time")).left(19)));
        const QByteArray sensors = controller.handle("get sensors");
        QVERIFY(isPositive(sensors) && !payload(sensors).isEmpty() && !sensors.contains("\n\n"));
    }

    void infoIsSeveralLines_data()
    {
        QTest::addColumn<bool>("old");
        QTest::addColumn<QByteArray>("rings");
        QTest::newRow("ring-aware") << false << QByteArray("rings 4");
        QTest::newRow("old firmware") << true << QByteArray("rings 1");
    }
    void infoIsSeveralLines()
    {
        QFETCH(bool, old);
        QFETCH(QByteArray, rings);
        VirtualController controller(old);
        const QByteArray answer = controller.handle("get info");
        QVERIFY(isPositive(answer));
        const QList<QByteArray> lines = payload(answer).split('\n');
        QVERIFY(lines.size() >= 3);
        QVERIFY(lines[0].startsWith("VELT"));
        QVERIFY(lines.contains(rings));
        QVERIFY(!lines.contains(QByteArray()));
    }

    void flashResetErasesAll_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("erases");
        QTest::newRow("whole flash") << QByteArray("flash_reset 255") << true;
        QTest::newRow("a sector") << QByteArray("flash_reset 3") << false;
        QTest::newRow("hex") << QByteArray("flash_reset FF") << false;
        QTest::newRow("no argument") << QByteArray("flash_reset") << false;
        QTest::newRow("two arguments") << QByteArray("flash_reset 255 255") << false;
    }
    void flashResetErasesAll()
    {
        QFETCH(QByteArray, command);
        QFETCH(bool, erases);
        VirtualController controller;
        QVERIFY(isPositive(controller.handle("proj_flashwr 0 2 1234")));
        QVERIFY(isPositive(controller.handle("progs_flashwr 1A028 3 00AB00")));
        QCOMPARE(isPositive(controller.handle(command)), erases);
        QCOMPARE(payload(controller.handle("proj_flashrd 0 2")),
                 erases ? QByteArray("FFFF") : QByteArray("1234"));
        QCOMPARE(payload(controller.handle("progs_flashrd 1A028 3")),
                 erases ? QByteArray("FFFFFF") : QByteArray("00AB00"));
        QCOMPARE(controller.flashImage().count('\xFF') == VirtualController::FlashImageSize,
                 erases);
    }
};

QTEST_GUILESS_MAIN(TestSimOutputs)
#include "tst_simoutputs.moc"
