// The virtual controller running its flash: the schedule in force, yellow flashing for a ring
// it cannot trust, test mode over the program, the outputs its lamps drive, and its journal.
#include "SimRunSupport.h"
#include "programs/Tacts.h"
#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"
#include "service/LiveLamps.h"
#include "sim/ScheduleResolver.h"
#include "sim/SimLamps.h"
#include "support/ExampleProject.h"

#include <QTest>

using namespace SimRunSupport;

namespace {
const QDate kDay(2026, 12, 7); // a Monday

QDateTime at(const QString &time, QDate day = kDay)
{
    return QDateTime(day, QTime::fromString(time, QStringLiteral("HH:mm:ss")), Qt::UTC);
}

// The sample, with ring 1 on day plan 3 (07:00 program 2, 19:00 program 3) through week plan 2,
// which the whole year uses.
void scheduledProject(RingModel &model)
{
    ExampleProject::build(model);
    ProjectBlock &block = model.project();
    Dayplans::DayPlanEdit plan(block, 2);
    plan.addEntry();
    plan.setProgram(0, 1);
    plan.setStart(0, 7 * 3600);
    plan.setProgram(1, 2);
    plan.setStart(1, 19 * 3600);
    for (int day = 0; day < WeekDays; ++day)
        Weeksplans::setDayPlan(block, 1, day, 2);
    Year::setRange(block, 0, YearWeeks - 1, 1);
}

bool isYellowOnly(const QByteArray &lines, const QByteArray &yellow)
{
    return lines == "RED_CHANNEL=00000000 YEL_CHANNEL=" + yellow + " GREEN_CHANNEL=00000000";
}

// "RRRR YYYY GGGG" of groups 1..4.
QByteArray ringOneGroups(const QByteArray &lines)
{
    QList<QByteArray> parts;
    for (const QByteArray &token : lines.split(' '))
        parts.append(token.mid(token.indexOf('=') + 1, 4));
    return parts.join(' ');
}

QByteArray yellowOf(const QByteArray &lines)
{
    return lines.mid(lines.indexOf("YEL_CHANNEL=") + 12, 8);
}

// What the monitor should read back for a direction showing `signal`.
LiveLamps::Lamp expectedLamp(Signal signal, int type, bool blinkLit)
{
    using LiveLamps::Lamp;
    const bool arrow = type == Napr::TurnArrow;
    switch (signal) {
    case Signal::Green:
        return Lamp::Green;
    case Signal::GreenBlink:
        return blinkLit ? Lamp::Green : Lamp::Off;
    case Signal::Red:
        return arrow ? Lamp::Off : Lamp::Red;
    case Signal::RedYellow:
        return arrow ? Lamp::Off : (type == Napr::Pedestrian ? Lamp::Red : Lamp::RedYellow);
    case Signal::Yellow:
    case Signal::YellowFlash:
        return type == Napr::Vehicle && (signal == Signal::Yellow || blinkLit) ? Lamp::Yellow
                                                                               : Lamp::Off;
    case Signal::Off:
        break;
    }
    return Lamp::Off;
}
} // namespace

class TestSimRun : public QObject
{
    Q_OBJECT
private slots:
    void programInForceSwitchesAtTheEndOfTheCycle_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QByteArray>("program");
        // Program 3 (cycle 96 s) carries on from 19:00 of the day before; program 2 has 79 s.
        // The ring starts with 3 s of all-red and red-yellow. A new entry is taken up where the
        // last phase's main time ends; the intermediate tacts into the new program's first
        // phase follow (6 s from program 3, 9 s from program 2).
        QTest::newRow("before 07:00") << "06:58:00"
                                      << "06:59:59" << QByteArray("3");
        QTest::newRow("07:00 inside a cycle") << "06:58:00"
                                              << "07:00:00" << QByteArray("3");
        QTest::newRow("last second of that cycle") << "06:58:00"
                                                   << "07:01:14" << QByteArray("3");
        QTest::newRow("that cycle over") << "06:58:00"
                                         << "07:01:15" << QByteArray("2");
        QTest::newRow("last main time ends at 06:59:59") << "06:58:26"
                                                         << "07:00:06" << QByteArray("3");
        QTest::newRow("last main time ends at 07:00") << "06:58:27"
                                                      << "07:00:06" << QByteArray("2");
        QTest::newRow("started after 07:00") << "07:00:00"
                                             << "07:00:00" << QByteArray("2");
        QTest::newRow("19:00 inside a cycle") << "18:58:00"
                                              << "19:00:00" << QByteArray("2");
        QTest::newRow("19:00 cycle over") << "18:58:00"
                                          << "19:00:41" << QByteArray("3");
        QTest::newRow("last main time ends at 19:00") << "18:58:47"
                                                      << "19:00:09" << QByteArray("3");
    }
    void programInForceSwitchesAtTheEndOfTheCycle()
    {
        QFETCH(QString, start);
        QFETCH(QString, check);
        QFETCH(QByteArray, program);
        RingModel model;
        scheduledProject(model);
        Takts takts;
        takts.bind(model.project(), model.programs());
        QCOMPARE(takts.cycleLength(1), 79);
        QCOMPARE(takts.cycleLength(2), 96);

        SteppedController sim(at(start));
        loadFlash(sim.controller, model);
        sim.controller.powerOn();
        // Looking at it every second on the way changes nothing.
        while (sim.controller.clock().now().secsTo(at(check)) > 1) {
            sim.step(1000);
            QVERIFY(sim.state().startsWith("WORK=PROGRAM "));
        }
        sim.stepTo(at(check));
        QCOMPARE(sim.program(), program);
        QVERIFY(sim.state().endsWith(" LEVEL=PLAN"));
    }

    void scheduleFindsTheDayPlanOfADate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("week");    // 0-based
        QTest::addColumn<int>("weekDay"); // 0 = Sunday
        QTest::newRow("1 January, a Thursday") << QDate(2026, 1, 1) << 0 << 4;
        QTest::newRow("first Sunday") << QDate(2026, 1, 4) << 1 << 0;
        QTest::newRow("Saturday before it") << QDate(2026, 1, 3) << 0 << 6;
        QTest::newRow("a Monday in December") << QDate(2026, 12, 7) << 49 << 1;
        // A leap year from a Saturday runs into a 54th week on its last day, a Sunday.
        QTest::newRow("31 December 2028") << QDate(2028, 12, 31) << 53 << 0;
        QTest::newRow("30 December 2028") << QDate(2028, 12, 30) << 52 << 6;
    }
    void scheduleFindsTheDayPlanOfADate()
    {
        QFETCH(QDate, date);
        QFETCH(int, week);
        QFETCH(int, weekDay);
        QCOMPARE(ScheduleResolver::yearWeek(date), week);
        QCOMPARE(ScheduleResolver::weekDay(date), weekDay);
        // Week plan w + 1 gives weekday d day plan (w + d) % 16 + 1.
        ProjectBlock block{};
        for (int w = 0; w < YearWeeks; ++w)
            Year::setWeekPlan(block, w, w % MaxWeekPlans);
        for (int w = 0; w < MaxWeekPlans; ++w) {
            for (int d = 0; d < WeekDays; ++d)
                Weeksplans::setDayPlan(block, w, d, (w + d) % MaxDayPlans);
        }
        QCOMPARE(ScheduleResolver::dayPlanOf(block, date), (week % MaxWeekPlans + weekDay) % 16);
    }

    void entryInForceBeforeTheFirstOfTheDay_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("program"); // 0-based; -1 for yellow flashing
        // Monday's plan: 07:00 program 2, 19:00 program 3; Sunday's: 05:00 program 4, 23:00 ЖМ.
        QTest::newRow("Monday 00:00, Sunday's last entry") << "00:00:00" << -1;
        QTest::newRow("Monday 06:59:59") << "06:59:59" << -1;
        QTest::newRow("Monday 07:00") << "07:00:00" << 1;
        QTest::newRow("Monday 23:59:59") << "23:59:59" << 2;
    }
    void entryInForceBeforeTheFirstOfTheDay()
    {
        QFETCH(QString, time);
        QFETCH(int, program);
        ProjectBlock block{};
        for (int d = 0; d < WeekDays; ++d)
            Weeksplans::setDayPlan(block, 0, d, d == 0 ? 1 : 2);
        Dayplans::DayPlanEdit sunday(block, 1);
        sunday.addEntry();
        sunday.setProgram(0, 3);
        sunday.setStart(0, 5 * 3600);
        sunday.setKind(1, Dayplans::Kind::Flashing);
        sunday.setStart(1, 23 * 3600);
        Dayplans::DayPlanEdit monday(block, 2);
        monday.addEntry();
        monday.setProgram(0, 1);
        monday.setStart(0, 7 * 3600);
        monday.setProgram(1, 2);
        monday.setStart(1, 19 * 3600);
        const auto entry = ScheduleResolver::entryInForce(block, at(time));
        if (program < 0) {
            QCOMPARE(entry.mode, ScheduleResolver::Mode::Flashing);
        } else {
            QCOMPARE(entry.mode, ScheduleResolver::Mode::Program);
            QCOMPARE(entry.program, program);
        }
    }

    void aNewProgramStartsWithItsFirstPhase()
    {
        RingModel model;
        scheduledProject(model);
        SteppedController sim(at("06:58:27"));
        loadFlash(sim.controller, model);
        sim.controller.powerOn();
        QCOMPARE(sim.state(), QByteArray("WORK=PROGRAM PROGRAM=3 PROG_FAZA=1 LEVEL=PLAN"));
        // Program 3's last main time ends at 07:00:00; its intermediate tacts last 6 s.
        sim.stepTo(at("07:00:05"));
        QCOMPARE(sim.state(), QByteArray("WORK=PROGRAM PROGRAM=3 PROG_FAZA=3 LEVEL=PLAN"));
        sim.step(1000);
        QCOMPARE(sim.state(), QByteArray("WORK=PROGRAM PROGRAM=2 PROG_FAZA=1 LEVEL=PLAN"));
        // 30 s of main time and the 4 s interval later, phase 2.
        sim.step(33'999);
        QCOMPARE(sim.state(), QByteArray("WORK=PROGRAM PROGRAM=2 PROG_FAZA=1 LEVEL=PLAN"));
        sim.step(1);
        QCOMPARE(sim.state(), QByteArray("WORK=PROGRAM PROGRAM=2 PROG_FAZA=2 LEVEL=PLAN"));
    }

    void specialEntriesOfTheDayPlan_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("state");
        // Ring 1's groups 1..4 in the first half of a second: red, yellow, green.
        QTest::addColumn<QByteArray>("lines");
        QTest::newRow("ЖМ") << int(Dayplans::Kind::Flashing)
                            << QByteArray("WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=PLAN")
                            << QByteArray("0000 1011 0000");
        QTest::newRow("ОС") << int(Dayplans::Kind::SignalsOff)
                            << QByteArray("WORK=SPEC_PROG SPEC_PROG=OFF LEVEL=PLAN")
                            << QByteArray("0000 0000 0000");
        QTest::newRow("КК") << int(Dayplans::Kind::AllRed)
                            << QByteArray("WORK=SPEC_PROG SPEC_PROG=KK LEVEL=PLAN")
                            << QByteArray("1111 0000 0000");
    }
    void specialEntriesOfTheDayPlan()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, state);
        QFETCH(QByteArray, lines);
        RingModel model;
        ExampleProject::build(model);
        // Ring 1: 00:00 program 1 (from the sample), the special mode from 02:00, program 3 from
        // 03:00.
        Dayplans::DayPlanEdit plan(model.project(), 0);
        plan.setKind(1, Dayplans::Kind(kind));
        plan.setStart(1, 2 * 3600);
        plan.setStart(2, 3 * 3600);
        SteppedController sim(at("01:59:00"));
        loadFlash(sim.controller, model);
        sim.controller.powerOn();
        QCOMPARE(sim.program(), QByteArray("1"));
        // Program 1 (46 s, started 3 s after power-on) ends its last main time at 02:00:29;
        // its green clears (3 s green blinking, 3 s yellow) and 1 s of all-red follows.
        sim.stepTo(at("02:00:35").addMSecs(200));
        QCOMPARE(sim.program(), QByteArray("1"));
        QCOMPARE(ringOneGroups(sim.lines()), QByteArray("1111 0000 0000"));
        sim.stepTo(at("02:00:36").addMSecs(200));
        QCOMPARE(sim.state(), state);
        QCOMPARE(ringOneGroups(sim.lines()), lines);
        // Ring 2 has a plan of its own: 92 s after 01:59 its program 1 (56 s) is in phase 2.
        QCOMPARE(sim.state(2), QByteArray("WORK=PROGRAM PROGRAM=1 PROG_FAZA=2 LEVEL=PLAN"));
        // A special mode has no cycle: the next entry takes over at its second.
        sim.stepTo(at("02:59:59"));
        QCOMPARE(sim.state(), state);
        sim.stepTo(at("03:00:00"));
        QCOMPARE(sim.state(), QByteArray("WORK=PROGRAM PROGRAM=3 PROG_FAZA=1 LEVEL=PLAN"));
    }

    void ringWithoutAValidProjectFlashesYellow_data()
    {
        QTest::addColumn<QByteArray>("spoil"); // empty: nothing uploaded
        QTest::newRow("erased") << QByteArray();
        QTest::newRow("project block CRC") << QByteArray("proj_flashwr 64 1 99");
        QTest::newRow("programs block CRC") << QByteArray("progs_flashwr 1A000 1 07");
        QTest::newRow("project block CRC word") << QByteArray("proj_flashwr 2A7A 1 00");
        QTest::newRow("erased by flash_reset") << QByteArray("flash_reset 255");
    }
    void ringWithoutAValidProjectFlashesYellow()
    {
        QFETCH(QByteArray, spoil);
        RingModel model;
        ExampleProject::build(model);
        model.setRingCount(1);
        SteppedController sim(at("12:00:00"));
        if (!spoil.isEmpty()) {
            loadFlash(sim.controller, model);
            sim.controller.powerOn();
            QCOMPARE(sim.program(), QByteArray("2"));
            QCOMPARE(payload(sim.controller.handle(spoil)), QByteArray());
        } else {
            sim.controller.powerOn();
        }
        sim.step(200);
        for (int ring = 1; ring <= MaxRings; ++ring)
            QCOMPARE(sim.state(ring), QByteArray("WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=ALARM"));
        // 1 Hz: lit for the first half of every second, dark for the second half.
        for (int second = 0; second < 3; ++second) {
            QVERIFY2(isYellowOnly(sim.lines(), "11111111"), sim.lines().constData());
            sim.step(500);
            QVERIFY2(isYellowOnly(sim.lines(), "00000000"), sim.lines().constData());
            sim.step(500);
        }
    }

    void aBrokenRingBesideAGoodOneFlashesTheOutputsNobodyDrives()
    {
        RingModel model;
        ExampleProject::build(model);
        SteppedController sim(at("12:00:00"));
        loadFlash(sim.controller, model);
        sim.controller.powerOn();
        QCOMPARE(sim.program(2), QByteArray("2"));
        const QByteArray spoil =
            "progs_flashwr " + QByteArray::number(ProgramsLayout::Size, 16) + " 1 " +
            QByteArray::number(sim.controller.programsFlash()[ProgramsLayout::Size] ^ 1, 16)
                .rightJustified(2, '0');
        QCOMPARE(payload(sim.controller.handle(spoil)), QByteArray());
        sim.step(100);
        QCOMPARE(sim.state(2), QByteArray("WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=ALARM"));
        QVERIFY(sim.state(1).startsWith("WORK=PROGRAM PROGRAM=2 "));
        // Ring 1 keeps groups 1..4 (its pedestrian has no yellow on group 2).
        QCOMPARE(yellowOf(sim.lines()).mid(4), QByteArray("1111"));
        QCOMPARE(yellowOf(sim.lines())[1], '1');
        sim.step(500);
        QCOMPARE(yellowOf(sim.lines()).mid(4), QByteArray("0000"));
        QCOMPARE(yellowOf(sim.lines())[1], '0');
    }

    void programThatCannotRunFlashesYellow_data()
    {
        QTest::addColumn<int>("phaseCount");
        QTest::addColumn<int>("mainTime");
        QTest::newRow("no phases") << 0 << 20;
        QTest::newRow("33 phases") << 33 << 20;
        QTest::newRow("no time at all") << 1 << 0;
    }
    void programThatCannotRunFlashesYellow()
    {
        QFETCH(int, phaseCount);
        QFETCH(int, mainTime);
        RingModel model;
        ExampleProject::build(model);
        // Program 1 runs from midnight; a file can hold what the editor never makes.
        model.programs()[programOffset(0)] = std::uint8_t(phaseCount);
        model.programs()[phaseOffset(0, 0) + PhaseLayout::MainTime] = std::uint8_t(mainTime);
        SteppedController sim(at("01:00:00"));
        loadFlash(sim.controller, model);
        sim.controller.powerOn();
        sim.step(100);
        QCOMPARE(sim.state(), QByteArray("WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=ALARM"));
        QCOMPARE(yellowOf(sim.lines()), QByteArray("10110000"));
        QVERIFY(sim.state(2).startsWith("WORK=PROGRAM PROGRAM=1 "));
        // The next entry of the day plan (06:00, program 2) is taken up at its time.
        sim.stepTo(at("06:00:00"));
        QVERIFY(sim.state().startsWith("WORK=PROGRAM PROGRAM=2 PROG_FAZA=1 "));
    }

    void testModeOverridesAndLeavingResumes()
    {
        RingModel model;
        ExampleProject::build(model);
        SteppedController sim(at("12:00:00"));
        SteppedController twin(at("12:00:00"));
        for (auto *s : {&sim, &twin}) {
            loadFlash(s->controller, model);
            s->controller.powerOn();
        }
        sim.step(10'300);
        QCOMPARE(payload(sim.controller.handle("set test on")), QByteArray());
        QCOMPARE(payload(sim.controller.handle("channel 8 g on")), QByteArray());
        QCOMPARE(sim.state(), QByteArray("WORK=SPEC_PROG SPEC_PROG=TEST LEVEL=SERVICE"));
        QCOMPARE(sim.lines(),
                 QByteArray("RED_CHANNEL=00000000 YEL_CHANNEL=00000000 GREEN_CHANNEL=00000001"));
        sim.step(40'000);
        QCOMPARE(sim.state(2), QByteArray("WORK=SPEC_PROG SPEC_PROG=TEST LEVEL=SERVICE"));
        QCOMPARE(payload(sim.controller.handle("set test off")), QByteArray());
        // The program went on underneath: the outputs are where they would be without the test.
        twin.step(50'300);
        for (int ring = 1; ring <= 2; ++ring) {
            QVERIFY(sim.state(ring).startsWith("WORK=PROGRAM "));
            QCOMPARE(sim.state(ring), twin.state(ring));
        }
        QCOMPARE(sim.lines(), twin.lines());
        QVERIFY(sim.lines() != "RED_CHANNEL=00000000 YEL_CHANNEL=00000000 GREEN_CHANNEL=00000000");
    }

    void outputsReadBackAsTheLampsOfEveryDirection()
    {
        // Every quarter second of two cycles of both rings: what "get lines" shows, read back
        // through the bindings as the monitor does, is each direction's signal.
        RingModel model;
        ExampleProject::build(model);
        SteppedController sim(at("12:00:00"));
        loadFlash(sim.controller, model);
        sim.controller.powerOn();
        model.storeWorkingCopy();
        QSet<int> seen;
        for (int quarter = 0; quarter < 4 * 2 * 82; ++quarter) {
            const QByteArray lines = sim.lines();
            LiveLamps::State state;
            for (const QByteArray &token : lines.split(' ')) {
                const QList<QByteArray> pair = token.split('=');
                state.insert(QString::fromLatin1(pair[0]), QString::fromLatin1(pair[1]));
            }
            const bool lit = SimLamps::blinkLit(sim.controller.clock().nowMs());
            for (int r = 0; r < 2; ++r) {
                const ProjectBlock &block = model.store(r).project;
                const RingRunner &ring = sim.controller.runtime().ring(r);
                for (int d = 0; d < ring.directionCount(); ++d) {
                    const Signal signal = ring.signal(d);
                    seen.insert(int(signal));
                    const int type = Napr::directionType(block, d);
                    QCOMPARE(LiveLamps::directionLamp(block, d, LiveLamps::channels(state)),
                             expectedLamp(signal, type, lit));
                }
            }
            sim.step(250);
        }
        // Both blink halves and every colour of a running program were met.
        QCOMPARE(seen, (QSet<int>{int(Signal::Green), int(Signal::GreenBlink), int(Signal::Red),
                                  int(Signal::RedYellow), int(Signal::Yellow)}));
    }

    void journalRecordsWhatHappens()
    {
        RingModel model;
        ExampleProject::build(model);
        SteppedController sim(at("12:00:00"));
        sim.controller.journal() = Journal(3);
        sim.controller.powerOn();
        loadFlash(sim.controller, model);
        sim.step(1000);
        QVERIFY(sim.state().startsWith("WORK=PROGRAM PROGRAM=2 "));
        QCOMPARE(payload(sim.controller.handle("set ds1390_time 07.12.2026-23:00:00")),
                 QByteArray());
        QCOMPARE(sim.program(), QByteArray("1"));
        for (const QByteArray command : {"set test on", "set test off", "flash_reset 255"})
            QCOMPARE(payload(sim.controller.handle(command)), QByteArray());
        const QStringList expected = {
            QStringLiteral("Включение питания"),
            QStringLiteral("Кольцо 1: ошибка проекта во FLASH, жёлтое мигание"),
            QStringLiteral("Кольцо 1: проект записан во FLASH"),
            QStringLiteral("Кольцо 1: переход на программу 2"),
            QStringLiteral("Кольцо 2: проект записан во FLASH"),
            QStringLiteral("Кольцо 2: переход на программу 2"),
            QStringLiteral("Установка времени"),
            QStringLiteral("Кольцо 1: переход на программу 1"),
            QStringLiteral("Кольцо 2: переход на программу 1"),
            QStringLiteral("Вход в режим тестирования"),
            QStringLiteral("Выход из режима тестирования"),
            QStringLiteral("Стирание FLASH"),
            QStringLiteral("Кольцо 1: ошибка проекта во FLASH, жёлтое мигание"),
        };
        const QStringList texts = sim.controller.journal().addedTexts();
        // Each expected record in this order; rings 3 and 4 add their own on the way.
        qsizetype from = 0;
        for (const QString &text : expected) {
            const qsizetype found = texts.indexOf(text, from);
            QVERIFY2(found >= 0, qPrintable(text + QStringLiteral(" in ") + texts.join('|')));
            from = found + 1;
        }
        // Read over the wire after the history, stamped with the controller's time.
        QCOMPARE(sim.controller.handle("event used"),
                 "SUCCESS:" + QByteArray::number(3 + texts.size()) + '\n');
        QCOMPARE(sim.controller.handle("event init"), QByteArray("SUCCESS:\n"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(!payload(sim.controller.handle("event get")).isEmpty());
        QVERIFY(payload(sim.controller.handle("event get")).startsWith("07.12.2026 12:00:00 "));
    }
};

QTEST_GUILESS_MAIN(TestSimRun)
#include "tst_simrun.moc"
