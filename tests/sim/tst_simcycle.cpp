// The sample project opened and uploaded through the configurator's own windows to the virtual
// controller, which then runs it: one full cycle of its lamp changes matches the main window's
// diagram second by second, and the monitor shows the phases change.
#define VELT_RIG_PORT 31990
#define VELT_RIG_HOST 60
#include "service/ControllerRig.h"

#include "programs/ProgramView.h"
#include "service/LampList.h"
#include "sim/RingRunner.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include <map>

namespace {
const QString kExample = QStringLiteral(VELT_SOURCE_DIR "/examples/crossing.velt");
constexpr int kTransferMs = 60000;

struct Change
{
    qint64 ms = 0;
    int ring = 0;
    int direction = 0;
    Signal signal = Signal::Off;
};

// The tact colour a trace signal stands for.
std::uint8_t tactOf(Signal signal)
{
    switch (signal) {
    case Signal::Green:
        return TactGreen;
    case Signal::GreenBlink:
        return TactGreenBlink;
    case Signal::Red:
        return TactRed;
    case Signal::RedYellow:
        return TactRedYellow;
    case Signal::Yellow:
        return TactYellow;
    default:
        return TactNone;
    }
}

// Each direction's colour in every second of the cycle, from the bars as the diagram lays them
// out: phase by phase, the main bar and then the intermediate ones.
std::map<int, std::vector<std::uint8_t>> diagramSeconds(const Diagram::Layout &layout)
{
    std::vector<Diagram::Bar> bars = layout.bars;
    std::stable_sort(bars.begin(), bars.end(), [](const auto &a, const auto &b) {
        return std::tie(a.direction, a.phase, a.slot) < std::tie(b.direction, b.phase, b.slot);
    });
    std::map<int, std::vector<std::uint8_t>> seconds;
    for (const Diagram::Bar &bar : bars)
        seconds[bar.direction].insert(seconds[bar.direction].end(), size_t(bar.duration),
                                      bar.colour);
    return seconds;
}

void selectCombo(QComboBox *combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}
} // namespace

class TestSimCycle : public QObject
{
    Q_OBJECT
private slots:
    void oneCycleMatchesTheDiagram_data()
    {
        QTest::addColumn<int>("ring");
        QTest::addColumn<QString>("cycleText");
        // At noon both rings run program 2; ring 2 fills intermediate tacts with green.
        QTest::newRow("ring 1") << 0 << QStringLiteral("79 c");
        QTest::newRow("ring 2, fill mode green") << 1 << QStringLiteral("72 c");
    }
    void oneCycleMatchesTheDiagram()
    {
        QFETCH(int, ring);
        QFETCH(QString, cycleText);
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        QDateTime host(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
        rig.controller.clock() = ControllerClock([&] { return host; });
        rig.controller.clock().setTime(QDateTime(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC));
        std::vector<Change> trace;
        rig.controller.runtime().setTrace([&](qint64 ms, int r, int d, Signal signal) {
            trace.push_back({ms, r, d, signal});
        });

        rig.prompts.files.push_back(kExample);
        trigger(rig.main, "N16");
        QCOMPARE(rig.main.model().ringCount(), 2);
        rig.open();
        rig.upload()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QVERIFY(rig.statusLog().contains(QStringLiteral("Проверено!")));
        QCOMPARE(messages(rig.prompts),
                 QStringList{QStringLiteral("Готово!|Проект успешно загружен!")});

        // The program the controller runs, as the main window shows it.
        rig.controller.powerOn();
        QCOMPARE(rig.controller.handle("get state " + QByteArray::number(ring + 1)),
                 QByteArray("SUCCESS:WORK=PROGRAM PROGRAM=2 PROG_FAZA=1 LEVEL=PLAN\n"));
        selectCombo(child<QComboBox>(&rig.main, "ComboBox2"), ring);
        selectCombo(child<QComboBox>(&rig.main, "ComboBoxProgs"), 1);
        QCOMPARE(child<QLabel>(&rig.main, "Panel3")->text(), cycleText);
        const int cycle = cycleText.chopped(2).toInt();
        const auto diagram = diagramSeconds(rig.main.findChild<ProgramView *>()->diagram());

        // The ring starts with all-red for the КК duration and red-yellow; the cycle follows.
        const ProjectBlock &block = rig.main.model().store(ring).project;
        const int leadIn = block[ProjectLayout::AllRedDuration] + block[ProjectLayout::RedYellow];
        const qint64 start = rig.controller.clock().nowMs() + leadIn * 1000;
        // Stepped as veltsim's timer would, a little more than one cycle.
        for (int tick = 0; tick < (leadIn + cycle + 2) * 20; ++tick) {
            host = host.addMSecs(50);
            rig.controller.advance();
        }
        QCOMPARE(int(diagram.size()), rig.controller.runtime().ring(ring).directionCount());
        for (const auto &[direction, expected] : diagram) {
            QCOMPARE(int(expected.size()), cycle);
            // The signal in force in the middle of each second, from the trace alone.
            std::vector<std::uint8_t> traced;
            int changes = 0;
            for (int second = 0; second < cycle; ++second) {
                const qint64 middle = start + second * 1000 + 500;
                std::uint8_t colour = TactNone;
                for (const Change &c : trace) {
                    if (c.ring == ring && c.direction == direction && c.ms <= middle)
                        colour = tactOf(c.signal);
                }
                traced.push_back(colour);
            }
            for (const Change &c : trace) {
                if (c.ring != ring || c.direction != direction || c.ms <= start ||
                    c.ms >= start + cycle * 1000)
                    continue;
                // A lamp changes on the second, and only when its colour does.
                QCOMPARE((c.ms - start) % 1000, 0);
                ++changes;
            }
            int expectedChanges = 0;
            for (int second = 1; second < cycle; ++second)
                expectedChanges += expected[second] != expected[second - 1] ? 1 : 0;
            QCOMPARE(traced, expected);
            QCOMPARE(changes, expectedChanges);
        }
    }

    void walkThroughShowsThePhasesChange()
    {
        // What the README tells a new user to do: open the sample, "Загрузить проект в ДК",
        // "Следить", and watch.
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        rig.controller.clock().setSpeed(20);
        rig.controller.powerOn();
        rig.prompts.files.push_back(kExample);
        trigger(rig.main, "N16");
        rig.open();
        rig.upload()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        auto *watch = child<QToolButton>(rig.window, "SpeedButton1");
        watch->click();
        QVERIFY(watch->isChecked());
        auto *mode = child<QLabel>(rig.window, "PanelMode");
        auto *phase = child<QLabel>(rig.window, "PanelProgPhase");
        QTRY_COMPARE_WITH_TIMEOUT(mode->text(), QStringLiteral("Программа"), 5000);
        QSet<QString> phases;
        QSet<int> lamps;
        auto *list = rig.window->findChild<LampList *>();
        QVERIFY(list);
        QElapsedTimer watching;
        watching.start();
        while (watching.elapsed() < 15000 &&
               (phases.size() < 2 || !lamps.contains(int(LiveLamps::Lamp::Green)))) {
            QTest::qWait(100);
            phases.insert(phase->text());
            for (int row = 0; row < list->count(); ++row)
                lamps.insert(list->item(row)->data(LampList::LampRole).toInt());
        }
        QVERIFY2(phases.size() >= 2, qPrintable(QStringList(phases.values()).join(',')));
        QVERIFY(lamps.contains(int(LiveLamps::Lamp::Green)));
        QVERIFY(lamps.contains(int(LiveLamps::Lamp::Red)));
        QVERIFY(child<QLabel>(rig.window, "LabelProjectCheck")->text().isEmpty());
        rig.window->grab().save(QStringLiteral("/tmp/simrun_walkthrough.png"));
        watch->click();
    }
};

QTEST_MAIN(TestSimCycle)
#include "tst_simcycle.moc"
