// The virtual controller's command interpreter: whatever lines it is sent, each gets one
// answer ending in a line end, and its flash keeps its size.
//
// Input: a byte choosing the firmware (current or old), then command lines separated by LF.
#include "FuzzSupport.h"

#include "sim/VirtualController.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApp();
    FuzzInput in(data, size);
    VirtualController sim((in.byte() & 1) != 0);
    const QList<QByteArray> lines = in.rest().split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray answer = sim.handle(line);
        FUZZ_CHECK(!answer.isEmpty() && answer.endsWith('\n'));
        FUZZ_CHECK(answer.count('\n') == 1 || answer.startsWith("SUCCESS:"));
    }
    FUZZ_CHECK(sim.projectFlash().size() == std::size_t(VirtualController::ProjectSize) * MaxRings);
    FUZZ_CHECK(sim.programsFlash().size() ==
               std::size_t(VirtualController::ProgramsSize) * MaxRings);
    FUZZ_CHECK(sim.received().size() <= 64);
    return 0;
}
