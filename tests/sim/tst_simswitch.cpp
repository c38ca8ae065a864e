// The virtual controller switches as the safety analysis expects: a program switch goes from
// the old program's last phase into the new one's first, the special modes are entered through
// a clearance and left through all-red and red-yellow, the start is all-red, a conflict monitor
// stops conflicting greens, and a ring an upload erased does not make spare outputs blink.
#include "SimRunSupport.h"
#include "TraceOracle.h"
#include "config/Directions.h"
#include "link/FlashPackets.h"
#include "model/ByteIO.h"
#include "schedules/DayPlans.h"
#include "support/ExampleProject.h"

#include <QTest>

using namespace SimRunSupport;

namespace {
namespace PL = ProjectLayout;
namespace DL = DirectionLayout;

const QDateTime kMidnight(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC);

// "3:G 13:GB": the changes of one direction in [from, to) s after midnight.
QString changes(const std::vector<TraceOracle::Change> &trace, int direction, int from, int to)
{
    static const char *const names[] = {"off", "G", "GB", "R", "RY", "Y", "YF"};
    QStringList out;
    for (const auto &c : trace) {
        const qint64 s = (c.ms - kMidnight.toMSecsSinceEpoch()) / 1000;
        if (c.ring == 0 && c.direction == direction && s >= from && s < to)
            out << QStringLiteral("%1:%2").arg(s).arg(QLatin1String(names[int(c.signal)]));
    }
    return out.join(QLatin1Char(' '));
}

// Two vehicle directions that conflict both ways (3 s): program 1 has a phase of 10 s for
// each, program 2 one phase of 10 s for direction 2. Y3 RY2 GB3, КК 1 s. The day plan is
// "HH:MM:SS kind[program]" entries, kinds P, ЖМ, ОС, КК.
void twoDirections(RingModel &model, const QStringList &plan)
{
    model.NewProjectDefaults();
    ProjectBlock &p = model.project();
    for (int d = 0; d < 2; ++d) {
        p[directionOffset(d) + DL::Red1 + DL::BindingGroup] = std::uint8_t(d + 1);
        p[directionOffset(d) + DL::Yellow1 + DL::BindingGroup] = std::uint8_t(d + 1);
        p[directionOffset(d) + DL::Green1 + DL::BindingGroup] = std::uint8_t(d + 1);
        p[conflictFlagOffset(d, 1 - d)] = 1;
        p[conflictTimeOffset(d, 1 - d)] = 3;
    }
    ProgramsBlock &g = model.programs();
    g[programOffset(1)] = 1;
    g[phaseOffset(1, 0) + PhaseLayout::Template] = 1;
    Dayplans::DayPlanEdit day(p, 0);
    p[dayPlanOffset(0)] = std::uint8_t(plan.size());
    for (int e = 0; e < plan.size(); ++e) {
        const QStringList parts = plan[e].split(QLatin1Char(' '));
        const QTime time = QTime::fromString(parts[0], QStringLiteral("HH:mm:ss"));
        const QString kind = parts[1];
        if (kind.startsWith(QLatin1Char('P')))
            day.setProgram(e, kind.mid(1).toInt() - 1);
        else
            day.setKind(e, kind == QStringLiteral("ЖМ")   ? Dayplans::Kind::Flashing
                           : kind == QStringLiteral("ОС") ? Dayplans::Kind::SignalsOff
                                                          : Dayplans::Kind::AllRed);
        day.setStart(e, std::uint32_t(time.msecsSinceStartOfDay() / 1000));
    }
    model.storeWorkingCopy();
}
} // namespace

class TestSimSwitch : public QObject
{
    Q_OBJECT
private slots:
    void switchesRunTheirTacts_data()
    {
        QTest::addColumn<QStringList>("plan");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        // Power-on at 00:00: 1 s all-red, 2 s red-yellow, then phase 1 from 3 s; a cycle is 32 s.
        QTest::newRow("power-on starts with all-red")
            << QStringList{"00:00:00 P1"} << 0 << 30 << "0:R 1:RY 3:G 13:GB 16:Y 19:R"
            << "0:R 17:RY 19:G 29:GB";
        // Program 1's last main time ends at 61 s; program 2's first phase shows the same
        // green, so nothing changes (not a round through program 1's first phase).
        QTest::newRow("program switch from the last phase to the first")
            << QStringList{"00:00:00 P1", "00:00:30 P2"} << 50 << 120 << "51:R"
            << "51:G";
        QTest::newRow("into ЖМ: clearance, КК, then the mode")
            << QStringList{"00:00:00 P1", "00:00:30 ЖМ"} << 55 << 120 << "68:YF"
            << "61:GB 64:Y 67:R 68:YF";
        QTest::newRow("into ОС") << QStringList{"00:00:00 P1", "00:00:30 ОС"} << 55 << 120
                                 << "68:off"
                                 << "61:GB 64:Y 67:R 68:off";
        QTest::newRow("into КК") << QStringList{"00:00:00 P1", "00:00:30 КК"} << 55 << 120 << ""
                                 << "61:GB 64:Y 67:R";
        QTest::newRow("power-on into ЖМ") << QStringList{"00:00:00 ЖМ"} << 0 << 30 << "0:R 1:YF"
                                          << "0:R 1:YF";
        QTest::newRow("out of ЖМ: КК, red-yellow, phase 1")
            << QStringList{"00:00:00 ЖМ", "00:01:00 P1"} << 55 << 75 << "60:R 61:RY 63:G 73:GB"
            << "60:R";
        QTest::newRow("out of ОС")
            << QStringList{"00:00:00 ОС", "00:01:00 P1"} << 55 << 75 << "60:R 61:RY 63:G 73:GB"
            << "60:R";
    }
    void switchesRunTheirTacts()
    {
        QFETCH(QStringList, plan);
        QFETCH(int, from);
        QFETCH(int, to);
        RingModel model;
        twoDirections(model, plan);
        SteppedController sim(kMidnight);
        loadFlash(sim.controller, model);
        std::vector<TraceOracle::Change> trace;
        TraceOracle::record(sim.controller.runtime(), trace);
        sim.controller.powerOn();
        sim.step(to * 1000);
        sim.controller.advance();
        QTEST(changes(trace, 0, from, to), "first");
        QTEST(changes(trace, 1, from, to), "second");
        QVERIFY(TraceOracle::faults(trace, model.store(0).project, 0).isEmpty());
    }

    void anUploadRestartsThroughAllRed()
    {
        RingModel model;
        twoDirections(model, {"00:00:00 P1"});
        SteppedController sim(kMidnight);
        loadFlash(sim.controller, model);
        std::vector<TraceOracle::Change> trace;
        TraceOracle::record(sim.controller.runtime(), trace);
        sim.controller.powerOn();
        sim.step(20'000);
        QVERIFY(sim.state().startsWith("WORK=PROGRAM PROGRAM=1 PROG_FAZA=2 "));
        writeU16(model.programs(), phaseOffset(0, 0) + PhaseLayout::MainTime, 12);
        loadFlash(sim.controller, model);
        sim.controller.advance();
        sim.step(10'000);
        sim.controller.advance();
        QCOMPARE(changes(trace, 0, 20, 30), QStringLiteral("21:RY 23:G"));
        QCOMPARE(changes(trace, 1, 20, 30), QStringLiteral("20:R"));
        QVERIFY(sim.controller.journal().addedTexts().contains(
            QStringLiteral("Кольцо 1: проект записан во FLASH")));
    }

    void theConflictMonitorStopsConflictingGreen_data()
    {
        QTest::addColumn<int>("flags"); // 1: 1 to 2, 2: 2 to 1, 3: both
        QTest::addColumn<bool>("fires");
        QTest::newRow("both ways") << 3 << true;
        QTest::newRow("only 1 to 2") << 1 << true;
        QTest::newRow("only 2 to 1") << 2 << true;
        QTest::newRow("no flag") << 0 << false;
    }
    void theConflictMonitorStopsConflictingGreen()
    {
        QFETCH(int, flags);
        QFETCH(bool, fires);
        RingModel model;
        twoDirections(model, {"00:00:00 P1"});
        // Both directions green in phase 1.
        model.project()[templateMarkOffset(0, 1)] = 1;
        model.project()[conflictFlagOffset(0, 1)] = flags & 1;
        model.project()[conflictFlagOffset(1, 0)] = (flags & 2) >> 1;
        SteppedController sim(kMidnight);
        loadFlash(sim.controller, model);
        std::vector<TraceOracle::Change> trace;
        TraceOracle::record(sim.controller.runtime(), trace);
        sim.controller.powerOn();
        sim.step(60'000);
        sim.controller.advance();
        const QStringList conflicts =
            sim.controller.journal().addedTexts().filter(QStringLiteral("конфликт"));
        if (!fires) {
            QVERIFY(conflicts.isEmpty());
            QVERIFY(sim.state().startsWith("WORK=PROGRAM "));
            return;
        }
        QCOMPARE(conflicts, QStringList{QStringLiteral(
                                "Кольцо 1: конфликт зелёных: направления 1 и 2, жёлтое мигание")});
        // The words the controller window shows as "ЖМ" and "АВАРИЯ".
        QCOMPARE(sim.state(), QByteArray("WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=ALARM"));
        QCOMPARE(changes(trace, 0, 0, 60), QStringLiteral("0:R 1:RY 3:YF"));
        // It holds: the schedule does not take the ring back until it is started again.
        sim.step(3600'000);
        QCOMPARE(sim.state(), QByteArray("WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=ALARM"));
    }

    void anErasedRingDoesNotFlashSpareOutputs_data()
    {
        QTest::addColumn<int>("fill"); // what ring 2's first packets get; -1: one byte spoiled
        QTest::addColumn<QByteArray>("spare");
        QTest::newRow("erase pass writes zeros") << 0 << QByteArray("0000");
        QTest::newRow("a broken ring flashes them") << -1 << QByteArray("1111");
    }
    void anErasedRingDoesNotFlashSpareOutputs()
    {
        QFETCH(int, fill);
        QFETCH(QByteArray, spare);
        RingModel model;
        ExampleProject::build(model);
        SteppedController sim(kMidnight.addSecs(12 * 3600));
        loadFlash(sim.controller, model);
        sim.controller.powerOn();
        // An upload of ring 1 alone: ring 2's blocks get the erase pass over their first packet.
        model.setRingCount(1);
        loadFlash(sim.controller, model);
        using namespace FlashPackets;
        for (const Block block : {Block::Project, Block::Programs}) {
            std::array<std::uint8_t, FlashLayout::PacketSize> bytes{};
            bytes.fill(std::uint8_t(fill < 0 ? 0 : fill));
            if (fill < 0) {
                const auto &flash = block == Block::Project ? sim.controller.projectFlash()
                                                            : sim.controller.programsFlash();
                const std::size_t base = block == Block::Project ? PL::Size : ProgramsLayout::Size;
                std::copy_n(flash.begin() + qsizetype(base), bytes.size(), bytes.begin());
                bytes[7] ^= 1;
            }
            QCOMPARE(payload(sim.controller.handle(
                         writeCommand(CommandSet::RingAware, block, 1, 0, bytes).toLatin1())),
                     QByteArray());
        }
        sim.step(1000);
        QVERIFY(sim.state(1).startsWith("WORK=PROGRAM "));
        // In the lit half of a second, ring 2's groups 5..8.
        const QByteArray lines = sim.lines();
        QCOMPARE(lines.mid(lines.indexOf("YEL_CHANNEL=") + 12 + 4, 4), spare);
    }
};

QTEST_GUILESS_MAIN(TestSimSwitch)
#include "tst_simswitch.moc"
