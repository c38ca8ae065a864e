// The state monitor's answers: whatever "get state" and "get lines" return, one poll parses
// them into at most nine pairs each, the panels show at most eight channel lines a colour, and
// the lamps of the ring's directions come from the channels without reading past them.
//
// Input: a ring byte, then the "get state" answer, a zero byte, and the "get lines" answer.
#include "FuzzSupport.h"
#include "LinkRig.h"

#include "model/RingModel.h"
#include "service/LiveLamps.h"
#include "service/StateMonitor.h"

#include <qcoro/qcorotask.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApp();
    static RingModel *model = [] {
        auto *m = new RingModel;
        m->NewProjectDefaults();
        return m;
    }();
    FuzzInput in(data, size);
    const int ring = in.byte();
    const QByteArray rest = in.rest();
    const qsizetype split = rest.indexOf('\0');
    const QByteArray stateAnswer = split < 0 ? rest : rest.left(split);
    const QByteArray linesAnswer = split < 0 ? QByteArray() : rest.mid(split + 1);

    LinkRig rig;
    rig.link.setLinkType(LinkKind::Ethernet);
    QList<QByteArray> commands;
    rig.udp.answer = [&](const QByteArray &command) {
        commands.append(command);
        rig.udp.deliver(QByteArrayLiteral("SUCCESS:") +
                        (command.startsWith("get state") ? stateAnswer : linesAnswer));
    };
    StateMonitor monitor(rig.link);
    monitor.setRing(ring);
    FUZZ_CHECK(monitor.ring() >= 1 && monitor.ring() <= MaxRings);
    MonitorDisplay shown;
    int refreshes = 0;
    QObject::connect(&monitor, &StateMonitor::refreshed, [&](const MonitorDisplay &d) {
        shown = d;
        ++refreshes;
    });
    QCoro::waitFor(monitor.poll());
    FUZZ_CHECK(commands.size() == 2 && refreshes == 1);
    FUZZ_CHECK(commands[0] == "get state " + QByteArray::number(monitor.ring()));
    FUZZ_CHECK(monitor.state().size() <= 2 * StateMonitor::MaxTokens);
    for (const QStringList *column : {&shown.red, &shown.yellow, &shown.green})
        FUZZ_CHECK(column->size() <= StateMonitor::MaxChannels);

    // The answers parsed on their own give the same pairs as the poll.
    StateMonitor::StateMap direct;
    StateMonitor::ParseAnswer(direct, ControllerLink::decode(stateAnswer));
    StateMonitor::ParseAnswer(direct, ControllerLink::decode(linesAnswer));
    FUZZ_CHECK(direct.size() <= 2 * StateMonitor::MaxTokens);

    const LiveLamps::Channels channels = LiveLamps::channels(monitor.state());
    for (int group = -1; group <= OutputGroups + 1; ++group)
        for (int colour = -1; colour <= LampColours; ++colour)
            (void)LiveLamps::channelOn(channels, group, colour);
    const auto lamps = LiveLamps::directionLamps(model->project(), channels);
    for (const LiveLamps::DirectionLamp &lamp : lamps)
        (void)LiveLamps::lampName(lamp.lamp);
    (void)LiveLamps::projectDiffers(model->programs(), monitor.state());
    return 0;
}
